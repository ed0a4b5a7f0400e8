#pragma once
// The look both windows share: layered with an opacity and a colour key (pixels of the key
// colour are holes), the background picture stretched on every resize, and moving the
// window by dragging its background or title.

#include <cstdint>

#include "launcher/window_surface.h"

namespace vantorel::windowChrome {

inline constexpr std::uint8_t kAlpha = 230;
inline constexpr std::uint32_t kColourKey = 0x00FF00FF;  // RGB(255,0,255)
inline constexpr int kGwlExStyle = -20;
inline constexpr std::int32_t kWsExLayered = 0x80000;
inline constexpr std::uint32_t kLwaColourKeyAndAlpha = 3;
inline constexpr std::uint32_t kWmNcLButtonDown = 0xA1;
inline constexpr std::uintptr_t kHtCaption = 2;

// Makes the window layered and sets its alpha and colour key. Each call that fails is
// skipped; the window is then simply drawn opaque.
void SetTranslucency(WindowSurface& surface, platform::WindowHandle window, std::uint8_t alpha, std::uint32_t key);

// A window's resize: the picture stretched over it, then the translucency.
void PaintOnResize(WindowSurface& surface);

// A mouse move over the background or the title: with the left button, and no other, held
// down, the system moves the window until the button is released. Answers whether it moved.
bool DragOnMouseMove(WindowSurface& surface, unsigned buttons);

}  // namespace vantorel::windowChrome
