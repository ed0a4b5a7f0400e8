#include "platform/posix/window_system_posix.h"

#include <unistd.h>

#include <climits>

namespace vantorel::platform {

WindowHandle PosixWindowSystem::CreateStaticWindow(const std::string&) {
    return loop_.CreateWindow(nullptr);
}

bool PosixWindowSystem::DestroyWindow(WindowHandle window) {
    return loop_.DestroyWindow(window);
}

std::intptr_t PosixWindowSystem::SetWindowProcedure(WindowHandle window, std::intptr_t procedure) {
    return reinterpret_cast<std::intptr_t>(loop_.SetWindowProcedure(window, reinterpret_cast<WindowProc>(procedure)));
}

std::intptr_t PosixWindowSystem::CallPreviousProcedure(std::intptr_t previous, WindowHandle window,
                                                       std::uint32_t message, std::uintptr_t wParam,
                                                       std::intptr_t lParam) {
    if (previous == 0) {
        return 0;
    }
    return reinterpret_cast<WindowProc>(previous)(window, message, wParam, lParam);
}

bool PosixWindowSystem::PostMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    if (!loop_.IsWindow(window)) {
        return false;
    }
    return loop_.Post(window, message, wParam, lParam);
}

std::uint32_t PosixWindowSystem::RegisterMessageName(const std::string& name) {
    return loop_.RegisterMessage(name);
}

std::string PosixWindowSystem::ExecutableName() {
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string name = length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "vantorel";
    name = name.substr(name.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace vantorel::platform
