#include "forms/window_chrome.h"

#include <gtest/gtest.h>

#include "fakes/recording_surface.h"

namespace vantorel {
namespace {

using Surface = testing::RecordingSurface<WindowSurface>;

TEST(WindowChrome, AResizePaintsThePictureThenMakesTheWindowTranslucentWithItsColourKey) {
    Surface surface(0x100);
    windowChrome::PaintOnResize(surface);
    EXPECT_EQ(surface.calls,
              (std::vector<std::string>{"DrawBackgroundStretched", "SetTranslucency 230 16711935"}));  // 0x00FF00FF
}

TEST(WindowChrome, OnlyTheLeftButtonAloneDrags) {
    const struct {
        unsigned buttons;
        bool drags;
    } cases[] = {
        {kLeftButton, true},
        {kRightButton, false},
        {kLeftButton | kRightButton, false},
        {kMiddleButton, false},
        {kLeftButton | kMiddleButton, false},
        {0, false},
    };
    for (const auto& c : cases) {
        Surface surface(0x100);
        EXPECT_EQ(windowChrome::DragOnMouseMove(surface, c.buttons), c.drags) << c.buttons;
        EXPECT_EQ(surface.calls, c.drags ? std::vector<std::string>{"SystemDrag"} : std::vector<std::string>{})
            << c.buttons;
    }
}

}  // namespace
}  // namespace vantorel
