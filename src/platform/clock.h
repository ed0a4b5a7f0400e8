#pragma once

#include <chrono>
#include <string>

namespace vantorel::platform {

// What timeouts, round trips and timers are measured on: it only goes forward, whatever the
// user does to the system's date.
using MonotonicClock = std::chrono::steady_clock;

// The current date and time as text in the system's regional short-date and time formats,
// and the monotonic time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::string DateText() = 0;
    virtual std::string TimeText() = 0;
    // Both targets' standard library reads the system's monotonic counter; tests put a
    // clock of their own in its place.
    virtual MonotonicClock::time_point Now() { return MonotonicClock::now(); }
};

// The monotonic time of the process's clock (platform::Current().clock).
MonotonicClock::time_point Now();

}  // namespace vantorel::platform
