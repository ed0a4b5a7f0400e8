#pragma once

#include <cstdint>
#include <string>

#include "platform/window_types.h"

namespace vantorel::platform {

// The window services behind the socket layer's hidden notification window.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // A hidden window of the class "STATIC" with the given title; 0 on failure.
    virtual WindowHandle CreateStaticWindow(const std::string& title) = 0;
    virtual bool DestroyWindow(WindowHandle window) = 0;
    // Subclassing: answers the procedure in force before, to be called through
    // CallPreviousProcedure and put back before the window is destroyed.
    virtual std::intptr_t SetWindowProcedure(WindowHandle window, std::intptr_t procedure) = 0;
    virtual std::intptr_t CallPreviousProcedure(std::intptr_t previous, WindowHandle window, std::uint32_t message,
                                                std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual bool PostMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) = 0;
    // The same number for the same name for as long as the system runs.
    virtual std::uint32_t RegisterMessageName(const std::string& name) = 0;
    // The running program's file name without folder and extension.
    virtual std::string ExecutableName() = 0;
};

// A window procedure of ours as the value SetWindowProcedure takes.
inline std::intptr_t ProcedureValue(WindowProc procedure) {
    return reinterpret_cast<std::intptr_t>(procedure);
}

}  // namespace vantorel::platform
