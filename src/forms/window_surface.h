#pragma once
// What the windows' logic asks of its real window for the translucent, skinned, draggable
// look that both windows share, said as what it does; how the system does it is the real
// window's business.

#include <cstdint>

#include "platform/window_types.h"

namespace vantorel {

// The mouse buttons held during a mouse move.
enum MouseButtons : unsigned { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

class WindowSurface {
  public:
    virtual ~WindowSurface() = default;

    // The window, for the boxes and dialogs that belong to it.
    virtual platform::WindowHandle Handle() const = 0;

    // Draws the window's background picture at (0, 0), stretched over its inner area.
    virtual void DrawBackgroundStretched() = 0;

    // Makes the window layered, drawn at `alpha` out of 255, with the pixels of exactly
    // `colourKey` (a colour value: bytes blue, green, red from high to low) left out and
    // letting the mouse through. The window's other styles stay; doing it again changes
    // nothing further. A step that the system refuses is skipped: without layered windows
    // the window is simply drawn opaque.
    virtual void SetTranslucency(std::uint8_t alpha, std::uint32_t colourKey) = 0;

    // Hands the window to the system's move, as a press on a caption bar would: the mouse
    // capture is let go first, and the call returns once the button is released.
    virtual void SystemDrag() = 0;
};

// Position and size of a window in twips (15 to a pixel).
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

}  // namespace vantorel
