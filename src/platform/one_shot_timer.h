#pragma once
// A timer that runs its callback once, at a point in time, on the loop's thread: what a
// step-driven engine needs to be brought back when its next step is due. Built on the loop's
// repeating timers, killed as it fires, so an idle owner costs the loop nothing.

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>

#include "platform/clock.h"
#include "platform/event_loop.h"

namespace vantorel::platform {

class OneShotTimer {
  public:
    OneShotTimer(EventLoop& loop, std::function<void()> due) : loop_(loop), due_(std::move(due)) {}
    ~OneShotTimer() { Drop(); }
    OneShotTimer(const OneShotTimer&) = delete;
    OneShotTimer& operator=(const OneShotTimer&) = delete;

    // Runs the callback at `when` (nothing: not at all). What is due now waits for the loop's
    // next turn, so that what has arrived meanwhile is read first. Armed again for the same
    // time, the timer is left as it is.
    void Arm(std::optional<MonotonicClock::time_point> when, MonotonicClock::time_point now) {
        if (when == when_ && timer_ != 0) {
            return;
        }
        Drop();
        if (!when) {
            return;
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*when - now).count();
        when_ = when;
        timer_ = loop_.SetTimer(static_cast<unsigned>(std::clamp<long long>(wait, 1, 600000)), [this] {
            Drop();
            due_();
        });
    }

    void Drop() {
        if (timer_ != 0) {
            loop_.KillTimer(timer_);
            timer_ = 0;
        }
        when_.reset();
    }

  private:
    EventLoop& loop_;
    std::function<void()> due_;
    TimerId timer_ = 0;
    std::optional<MonotonicClock::time_point> when_;
};

}  // namespace vantorel::platform
