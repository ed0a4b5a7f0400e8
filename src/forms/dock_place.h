#pragma once
// Where the two windows go on the screen, so that the pair fits the work area (the screen
// less the taskbar) at any scaling.

#include "forms/window_surface.h"

namespace vantorel::dockPlace {

struct Size {
    int width = 0;
    int height = 0;
};

// Where the stats window goes beside the launcher: against its right edge, tops aligned;
// where the work area has no room there, against its left edge; then below it, left edges
// aligned; and where none of these has room, against the work area's right edge over the
// launcher. It never reaches past the top or bottom of the work area.
TwipsRect StatsPlace(const TwipsRect& launcher, Size stats, const TwipsRect& work);

// Where the launcher starts: the pair in the middle of the work area, side by side where
// it has the room, else one above the other, else from the work area's top left corner.
TwipsRect LauncherPlace(Size launcher, Size stats, const TwipsRect& work);

}  // namespace vantorel::dockPlace
