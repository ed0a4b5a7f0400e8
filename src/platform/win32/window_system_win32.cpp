#include "platform/win32/window_system_win32.h"

#include <windows.h>

namespace vantorel::platform {

WindowHandle Win32WindowSystem::CreateStaticWindow(const std::string& title) {
    return reinterpret_cast<WindowHandle>(CreateWindowExA(0, "STATIC", title.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr,
                                                          GetModuleHandleA(nullptr), nullptr));
}

bool Win32WindowSystem::DestroyWindow(WindowHandle window) {
    return ::DestroyWindow(reinterpret_cast<HWND>(window)) != 0;
}

std::intptr_t Win32WindowSystem::SetWindowProcedure(WindowHandle window, std::intptr_t procedure) {
    // Our procedures have WNDPROC's shape on 64-bit Windows, where there is one calling
    // convention.
    return SetWindowLongPtrA(reinterpret_cast<HWND>(window), GWLP_WNDPROC, procedure);
}

std::intptr_t Win32WindowSystem::CallPreviousProcedure(std::intptr_t previous, WindowHandle window,
                                                       std::uint32_t message, std::uintptr_t wParam,
                                                       std::intptr_t lParam) {
    return CallWindowProcA(reinterpret_cast<WNDPROC>(previous), reinterpret_cast<HWND>(window), message, wParam,
                           lParam);
}

bool Win32WindowSystem::PostMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    return PostMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam) != 0;
}

std::uint32_t Win32WindowSystem::RegisterMessageName(const std::string& name) {
    return RegisterWindowMessageA(name.c_str());
}

std::string Win32WindowSystem::ExecutableName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace vantorel::platform
