#pragma once

#include <cstdint>

namespace vantorel::platform {

// A window handle and a window procedure, with the same shape on both platforms: on
// 64-bit Windows these are exactly HWND-sized and WNDPROC-compatible.
using WindowHandle = std::intptr_t;
using WindowProc = std::intptr_t (*)(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam);

}  // namespace vantorel::platform
