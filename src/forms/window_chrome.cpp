#include "forms/window_chrome.h"

namespace vantorel::windowChrome {

void PaintOnResize(WindowSurface& surface) {
    surface.DrawBackgroundStretched();
    surface.SetTranslucency(kAlpha, kColourKey);
}

bool DragOnMouseMove(WindowSurface& surface, unsigned buttons) {
    if (buttons != kLeftButton) {
        return false;
    }
    surface.SystemDrag();
    return true;
}

}  // namespace vantorel::windowChrome
