#include "launcher/window_chrome.h"

namespace vantorel::windowChrome {

void SetTranslucency(WindowSurface& surface, platform::WindowHandle window, std::uint8_t alpha, std::uint32_t key) {
    const std::int32_t style = surface.GetWindowLongA(window, kGwlExStyle);
    surface.SetWindowLongA(window, kGwlExStyle, style | kWsExLayered);
    surface.SetLayeredWindowAttributes(window, key, alpha, kLwaColourKeyAndAlpha);
}

void PaintOnResize(WindowSurface& surface) {
    surface.DrawBackgroundStretched();
    SetTranslucency(surface, surface.Handle(), kAlpha, kColourKey);
}

bool DragOnMouseMove(WindowSurface& surface, unsigned buttons) {
    if (buttons != kLeftButton) {
        return false;
    }
    surface.ReleaseCapture();
    surface.SendMessageA(surface.Handle(), kWmNcLButtonDown, kHtCaption, 0);
    return true;
}

}  // namespace vantorel::windowChrome
