#pragma once
// The look both windows share: layered with an opacity and a colour key (pixels of the key
// colour are holes), the background picture stretched on every resize, and moving the
// window by dragging its background or title.

#include <cstdint>

#include "forms/window_surface.h"

namespace vantorel::windowChrome {

inline constexpr std::uint8_t kAlpha = 230;
inline constexpr std::uint32_t kColourKey = 0x00FF00FF;  // RGB(255,0,255)

// A window's resize: the picture stretched over it, then the translucency.
void PaintOnResize(WindowSurface& surface);

// A mouse move over the background or the title: with the left button, and no other, held
// down, the system moves the window until the button is released. Answers whether it moved.
bool DragOnMouseMove(WindowSurface& surface, unsigned buttons);

}  // namespace vantorel::windowChrome
