#include "forms/dock_place.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

// Pixels as screen twips, so that the cases read as screens do.
TwipsRect Px(int left, int top, int width, int height) {
    return {left * 15, top * 15, width * 15, height * 15};
}

TEST(DockPlace, TheStatsWindowGoesRightThenLeftThenBelowAndStaysInTheWorkArea) {
    // The stats window is 526 x 530 pixels and the launcher 792 x 760, as at 200 %.
    const dockPlace::Size stats{526 * 15, 530 * 15};
    const struct {
        const char* what;
        TwipsRect launcher, work;
        int left, top;  // pixels
    } cases[] = {
        {"room on the right", Px(100, 50, 792, 760), Px(0, 0, 2560, 1560), 892, 50},
        {"exactly room on the right", Px(1242, 50, 792, 760), Px(0, 0, 2560, 1560), 2034, 50},
        {"none on the right, room on the left", Px(600, 40, 792, 760), Px(0, 0, 1400, 1560), 74, 40},
        {"none beside, room below", Px(244, 20, 792, 760), Px(0, 0, 1280, 1400), 244, 780},
        {"no room anywhere: over the launcher", Px(244, 20, 792, 760), Px(0, 0, 1280, 800), 754, 20},
        {"the top kept inside the work area", Px(100, 500, 792, 760), Px(0, 0, 2560, 900), 892, 370},
        {"a work area that does not start at 0", Px(-1500, 100, 792, 760), Px(-1600, 0, 1600, 1200), -708, 100},
    };
    for (const auto& c : cases) {
        const TwipsRect place = dockPlace::StatsPlace(c.launcher, stats, c.work);
        EXPECT_EQ(place.left, c.left * 15) << c.what;
        EXPECT_EQ(place.top, c.top * 15) << c.what;
    }
}

TEST(DockPlace, TheLauncherStartsWithThePairInTheMiddleSideBySideOrStacked) {
    const dockPlace::Size launcher{396 * 15, 380 * 15}, stats{263 * 15, 265 * 15};
    const dockPlace::Size bigLauncher{792 * 15, 760 * 15}, bigStats{526 * 15, 530 * 15};
    const struct {
        const char* what;
        dockPlace::Size launcher, stats;
        TwipsRect work;
        int left, top;
    } cases[] = {
        {"100 % on 1279 x 760", launcher, stats, Px(0, 0, 1279, 760), 310, 190},
        {"200 % on 1280 x 1560: stacked", bigLauncher, bigStats, Px(0, 0, 1280, 1560), 244, 135},
        {"200 % on 1280 x 760: from the corner", bigLauncher, bigStats, Px(0, 40, 1280, 760), 0, 40},
    };
    for (const auto& c : cases) {
        const TwipsRect place = dockPlace::LauncherPlace(c.launcher, c.stats, c.work);
        EXPECT_EQ(place.left, c.left * 15) << c.what;
        EXPECT_EQ(place.top, c.top * 15) << c.what;
    }
}

}  // namespace
}  // namespace vantorel
