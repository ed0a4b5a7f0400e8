#pragma once
// What the windows' logic asks of its real window: the calls behind the translucent,
// skinned, draggable look that both windows share.

#include <cstdint>

#include "platform/window_types.h"

namespace vantorel {

// The mouse buttons held during a mouse move.
enum MouseButtons : unsigned { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

class WindowSurface {
  public:
    virtual ~WindowSurface() = default;

    virtual platform::WindowHandle Handle() const = 0;

    // GetWindowLongA / SetWindowLongA; SetWindowLongA answers the previous value, 0 on failure.
    virtual std::int32_t GetWindowLongA(platform::WindowHandle window, int index) = 0;
    virtual std::int32_t SetWindowLongA(platform::WindowHandle window, int index, std::int32_t value) = 0;
    virtual bool SetLayeredWindowAttributes(platform::WindowHandle window, std::uint32_t key, std::uint8_t alpha,
                                            std::uint32_t flags) = 0;
    virtual bool ReleaseCapture() = 0;
    // Returns when the system's move loop ends (the button is released).
    virtual std::intptr_t SendMessageA(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam) = 0;

    // Draws the window's background picture at (0, 0), stretched over its inner area.
    virtual void DrawBackgroundStretched() = 0;
};

// Position and size of a window in twips (15 to a pixel).
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

}  // namespace vantorel
