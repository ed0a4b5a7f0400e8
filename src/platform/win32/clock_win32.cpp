#include "platform/win32/clock_win32.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vantorel::platform {

std::string Win32Clock::DateText() {
    wchar_t text[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 128);
    return Narrow(text);
}

std::string Win32Clock::TimeText() {
    wchar_t text[128] = {};
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 128);
    return Narrow(text);
}

}  // namespace vantorel::platform
