#pragma once

#include "platform/window_system.h"

namespace vantorel::platform {

// The hidden "STATIC" window of user32, subclassed through its window procedure.
class Win32WindowSystem : public WindowSystem {
  public:
    WindowHandle CreateStaticWindow(const std::string& title) override;
    bool DestroyWindow(WindowHandle window) override;
    std::intptr_t SetWindowProcedure(WindowHandle window, std::intptr_t procedure) override;
    std::intptr_t CallPreviousProcedure(std::intptr_t previous, WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    std::uint32_t RegisterMessageName(const std::string& name) override;
    std::string ExecutableName() override;
};

}  // namespace vantorel::platform
