#pragma once

#include "platform/event_loop.h"
#include "platform/platform.h"

namespace vantorel::testing {

// An event loop with nothing to run: the yields of long loops cost nothing.
class QuietEventLoop : public platform::EventLoop {
  public:
    void DoEvents() override {}
    platform::TimerId SetTimer(unsigned, std::function<void()>) override { return 0; }
    void KillTimer(platform::TimerId) override {}
    void RunOnce(int) override {}
    void Run() override {}
    void Quit() override {}
};

}  // namespace vantorel::testing
