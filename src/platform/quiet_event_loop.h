#pragma once

#include "platform/event_loop.h"

namespace vantorel::platform {

// An event loop with nothing to run: the yields of long loops cost nothing. The base of the
// tests' loops that count or step those yields.
class QuietEventLoop : public EventLoop {
  public:
    void DoEvents() override {}
    TimerId SetTimer(unsigned, std::function<void()>) override { return 0; }
    void KillTimer(TimerId) override {}
    void RunOnce(int) override {}
    void Run() override {}
    void Quit() override {}
};

}  // namespace vantorel::platform
