#include "platform/win32/folder_picker_win32.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/thread_modal.h"
#include "platform/win32/wide.h"

namespace vantorel::platform {

std::string Win32FolderPicker::PickFolder(const std::string& prompt, WindowHandle owner) {
    // The dialog with an edit field and a resizable tree needs COM on this thread; it stays
    // initialised for the life of the program, as the shell expects.
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const HWND window = reinterpret_cast<HWND>(owner);
    const std::wstring title = Widen(prompt);
    BROWSEINFOW browse{};
    browse.hwndOwner = window;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NONEWFOLDERBUTTON | (SUCCEEDED(com) ? BIF_NEWDIALOGSTYLE : 0);
    PIDLIST_ABSOLUTE chosen = nullptr;
    {
        const OtherWindowsDisabled modal(window);
        chosen = SHBrowseForFolderW(&browse);
    }
    if (chosen == nullptr) {
        return {};
    }
    wchar_t path[MAX_PATH] = {};
    const bool named = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    return named ? Narrow(path) : std::string();
}

}  // namespace vantorel::platform
