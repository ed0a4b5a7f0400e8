#pragma once

#include <chrono>
#include <functional>

#include "platform/event_loop.h"
#include "platform/platform.h"

namespace vantorel::testing {

// Runs the message loop until `done` holds, at most ten seconds; answers whether it held.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        platform::Current().events->RunOnce(static_cast<int>(left.count()));
    }
    return true;
}

}  // namespace vantorel::testing
