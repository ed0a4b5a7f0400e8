#include "platform/win32/directory_win32.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vantorel::platform {

Win32DirectoryListing::~Win32DirectoryListing() {
    Close();
}

void Win32DirectoryListing::Close() {
    if (find_ != nullptr) {
        FindClose(find_);
        find_ = nullptr;
    }
}

std::string Win32DirectoryListing::First(const std::string& pattern, unsigned attributes) {
    Close();
    attributes_ = attributes;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(Widen(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return {};
    }
    find_ = find;
    current_ = data.cFileName;
    currentAttributes_ = data.dwFileAttributes;
    return NextAccepted(true);
}

std::string Win32DirectoryListing::Next() {
    if (find_ == nullptr) {
        return {};
    }
    WIN32_FIND_DATAW data{};
    if (!FindNextFileW(find_, &data)) {
        Close();
        return {};
    }
    current_ = data.cFileName;
    currentAttributes_ = data.dwFileAttributes;
    return NextAccepted(true);
}

std::string Win32DirectoryListing::NextAccepted(bool haveEntry) {
    // Hidden and system entries are never listed; folders only when asked for.
    while (haveEntry) {
        const bool hidden = (currentAttributes_ & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        const bool folder = (currentAttributes_ & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!hidden && (!folder || (attributes_ & FILE_ATTRIBUTE_DIRECTORY) != 0)) {
            return Narrow(current_);
        }
        WIN32_FIND_DATAW data{};
        haveEntry = FindNextFileW(find_, &data) != 0;
        if (haveEntry) {
            current_ = data.cFileName;
            currentAttributes_ = data.dwFileAttributes;
        }
    }
    Close();
    return {};
}

}  // namespace vantorel::platform
