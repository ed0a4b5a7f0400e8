#include <windows.h>

#include "common/codepage.h"
#include "platform/ansi.h"
#include "platform/win32/code_page_win32.h"
#include "platform/win32/wide.h"

namespace vantorel::platform {
namespace {

constexpr UINT kWindows1252 = 1252;

// Nothing here may come back empty for text that is not: an empty name opens the wrong
// registry key and writes favourites under "".
bool Decode(UINT codePage, DWORD flags, std::string_view bytes, std::wstring& wide) {
    const int count = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, flags, bytes.data(), count, nullptr, 0);
    if (size <= 0) {
        return false;
    }
    wide.assign(static_cast<std::size_t>(size), L'\0');
    return MultiByteToWideChar(codePage, flags, bytes.data(), count, wide.data(), size) == size;
}

// WC_NO_BEST_FIT_CHARS and the used-default flag are refused by UTF-8 and by the stateful
// code pages (50220 and the like): there they are left out and nothing can be lost anyway
// but by a "?" the call does not own up to.
bool Encode(UINT codePage, const std::wstring& wide, std::string& bytes, bool& lossless) {
    const int count = static_cast<int>(wide.size());
    for (const bool strict : {true, false}) {
        const DWORD flags = strict ? WC_NO_BEST_FIT_CHARS : 0;
        BOOL usedDefault = FALSE;
        BOOL* usedDefaultOut = strict ? &usedDefault : nullptr;
        const int size = WideCharToMultiByte(codePage, flags, wide.data(), count, nullptr, 0, nullptr, usedDefaultOut);
        if (size <= 0) {
            continue;
        }
        bytes.assign(static_cast<std::size_t>(size), '\0');
        if (WideCharToMultiByte(codePage, flags, wide.data(), count, bytes.data(), size, nullptr, usedDefaultOut) !=
            size) {
            continue;
        }
        if (usedDefault) {
            lossless = false;
        }
        return true;
    }
    return false;
}

}  // namespace

std::string CodePageToUtf8(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) {
        return {};
    }
    // Bytes the system code page cannot read (Windows-1252 text on a UTF-8 or East-Asian
    // system: old favourites, most servers' replies) are read as Windows-1252.
    // The code pages that take no flags (UTF-7, the stateful ones) are read without the check.
    std::wstring wide;
    if (Decode(codePage, MB_ERR_INVALID_CHARS, bytes, wide) ||
        (GetLastError() == ERROR_INVALID_FLAGS && Decode(codePage, 0, bytes, wide)) ||
        Decode(kWindows1252, 0, bytes, wide)) {
        return Narrow(wide);
    }
    return Cp1252ToUtf8(bytes);
}

std::string Utf8ToCodePage(std::string_view text, unsigned codePage, bool* lossless) {
    if (text.empty()) {
        return {};
    }
    const std::wstring wide = Widen(text);
    if (codePage == CP_UTF8) {
        return Narrow(wide);  // every character fits; a malformed sequence is already U+FFFD
    }
    std::string bytes;
    bool kept = true;
    if (!Encode(codePage, wide, bytes, kept)) {
        bytes = Utf8ToCp1252(text, &kept);
    }
    if (!kept && lossless) {
        *lossless = false;
    }
    return bytes;
}

std::string AnsiToUtf8(std::string_view bytes) {
    return CodePageToUtf8(bytes, GetACP());
}

std::string Utf8ToAnsi(std::string_view text, bool* lossless) {
    return Utf8ToCodePage(text, GetACP(), lossless);
}

}  // namespace vantorel::platform
