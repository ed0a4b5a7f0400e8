// The stats window itself: its load, its docking beside the launcher, its look and drag.

#include "forms/window_chrome.h"
#include "forms/dock_place.h"
#include "query/frm_query.h"

namespace vantorel {

void frmQuery::AttachWindow(StatsWindowSurface& surface, std::function<TwipsRect()> launcherBounds) {
    surface_ = &surface;
    launcherBounds_ = std::move(launcherBounds);
}

void frmQuery::Form_Load() {
    Start();
    ReDock();
    ClearDisplay();
}

void frmQuery::ReDock() {
    if (!surface_ || !launcherBounds_) {
        return;
    }
    const TwipsRect own = surface_->Bounds();
    const TwipsRect place = dockPlace::StatsPlace(launcherBounds_(), {own.width, own.height}, surface_->WorkArea());
    surface_->MoveTo(place.left, place.top);
}

void frmQuery::Form_Resize() {
    if (surface_) {
        windowChrome::PaintOnResize(*surface_);
    }
}

void frmQuery::Form_MouseMove(unsigned buttons) {
    lblTitle_MouseMove(buttons);
}

void frmQuery::lblTitle_MouseMove(unsigned buttons) {
    // Dragged away it stays where it is dropped, until the launcher is dragged next.
    if (surface_) {
        windowChrome::DragOnMouseMove(*surface_, buttons);
    }
}

}  // namespace vantorel
