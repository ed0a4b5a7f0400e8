#include "platform/platform.h"

#include "platform/clock.h"

namespace vantorel::platform {

Platform& Current() {
    static Platform current = MakeDefaultPlatform();
    return current;
}

MonotonicClock::time_point Now() {
    return Current().clock->Now();
}

}  // namespace vantorel::platform
