#pragma once

#include "platform/posix/event_loop_posix.h"
#include "platform/window_system.h"

namespace vantorel::platform {

// The hidden window's services on the native message loop. A "STATIC" window's own
// procedure answers every message with 0.
class PosixWindowSystem : public WindowSystem {
  public:
    explicit PosixWindowSystem(PosixEventLoop& loop) : loop_(loop) {}

    WindowHandle CreateStaticWindow(const std::string& title) override;
    bool DestroyWindow(WindowHandle window) override;
    std::intptr_t SetWindowProcedure(WindowHandle window, std::intptr_t procedure) override;
    std::intptr_t CallPreviousProcedure(std::intptr_t previous, WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    std::uint32_t RegisterMessageName(const std::string& name) override;
    std::string ExecutableName() override;

  private:
    PosixEventLoop& loop_;
};

}  // namespace vantorel::platform
