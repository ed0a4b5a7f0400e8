#include <windows.h>

#include "platform/ansi.h"
#include "platform/win32/wide.h"

namespace vantorel::platform {

std::string AnsiToUtf8(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), size);
    return Narrow(wide);
}

std::string Utf8ToAnsi(std::string_view text, bool* lossless) {
    const std::wstring wide = Widen(text);
    if (wide.empty()) {
        return {};
    }
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), bytes.data(), size,
                        nullptr, &usedDefault);
    if (usedDefault && lossless) {
        *lossless = false;
    }
    return bytes;
}

}  // namespace vantorel::platform
