#pragma once

#include <functional>
#include <map>

#include "platform/event_loop.h"

namespace vantorel::platform {

// The message loop of the user-interface thread, with thread timers.
class Win32EventLoop : public EventLoop {
  public:
    void DoEvents() override;
    TimerId SetTimer(unsigned intervalMs, std::function<void()> tick) override;
    void KillTimer(TimerId id) override;
    void Run() override;
    void Quit() override;

    void RunOnce(int timeoutMs) override;

    void Tick(TimerId id);

  private:
    std::map<TimerId, std::function<void()>> timers_;
    bool quit_ = false;
};

Win32EventLoop& TheWin32EventLoop();

}  // namespace vantorel::platform
