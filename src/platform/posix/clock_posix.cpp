#include "platform/posix/clock_posix.h"

#include <locale.h>
#include <time.h>

namespace vantorel::platform {
namespace {

std::string Format(const char* format) {
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char text[128] = {};
    locale_t regional = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (regional == static_cast<locale_t>(0)) {
        regional = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }
    strftime_l(text, sizeof text, format, &local, regional);
    freelocale(regional);
    return text;
}

}  // namespace

std::string PosixClock::DateText() {
    return Format("%x");
}

std::string PosixClock::TimeText() {
    return Format("%X");
}

}  // namespace vantorel::platform
