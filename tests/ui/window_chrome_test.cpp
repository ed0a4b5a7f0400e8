#include "launcher/window_chrome.h"

#include <gtest/gtest.h>

#include "fakes/fake_window.h"

namespace vantorel {
namespace {

using Surface = testing::FakeLauncherView;

TEST(WindowChrome, TranslucencyMakesTheWindowLayeredAndKeepsItsOtherStyles) {
    Surface surface;
    windowChrome::SetTranslucency(surface, 0x100, 230, 0x00FF00FF);
    windowChrome::SetTranslucency(surface, 0x100, 230, 0x00FF00FF);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{
                                 "GetWindowLongA 256 -20",
                                 "SetWindowLongA 256 -20 524304",  // 0x80000 | 0x10
                                 "SetLayeredWindowAttributes 256 16711935 230 3",
                                 "GetWindowLongA 256 -20",
                                 "SetWindowLongA 256 -20 524304",
                                 "SetLayeredWindowAttributes 256 16711935 230 3",
                             }));
}

TEST(WindowChrome, WithoutLayeredWindowsEverythingElseGoesOn) {
    Surface surface;
    surface.layered = false;
    windowChrome::PaintOnResize(surface);
    EXPECT_EQ(surface.calls.front(), "DrawBackgroundStretched");
    EXPECT_EQ(surface.calls.size(), 4u);
}

TEST(WindowChrome, OnlyTheLeftButtonAloneDrags) {
    Surface surface;
    EXPECT_FALSE(windowChrome::DragOnMouseMove(surface, kRightButton));
    EXPECT_FALSE(windowChrome::DragOnMouseMove(surface, kLeftButton | kRightButton));
    EXPECT_FALSE(windowChrome::DragOnMouseMove(surface, 0));
    EXPECT_TRUE(surface.calls.empty());
    EXPECT_TRUE(windowChrome::DragOnMouseMove(surface, kLeftButton));
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"ReleaseCapture", "SendMessageA 256 161 2 0"}));
}

}  // namespace
}  // namespace vantorel
