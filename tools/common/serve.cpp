#include "serve.h"

#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/stop_signals.h"

namespace vantorel::tools {

void ServeUntilStopped(std::optional<double> seconds) {
    platform::EventLoop& loop = *platform::Current().events;
    platform::QuitOnStopSignals();
    // Windows takes timer intervals up to 2^31 - 1 ms.
    constexpr double kLongestTimerMs = 2147483647.0;
    if (seconds && *seconds * 1000 <= kLongestTimerMs) {
        loop.SetTimer(static_cast<unsigned>(*seconds * 1000), [&loop] { loop.Quit(); });
    }
    loop.Run();
}

}  // namespace vantorel::tools
