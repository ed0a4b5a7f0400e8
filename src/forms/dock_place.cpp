#include "forms/dock_place.h"

#include <algorithm>

namespace vantorel::dockPlace {
namespace {

int Right(const TwipsRect& area) {
    return area.left + area.width;
}

int Bottom(const TwipsRect& area) {
    return area.top + area.height;
}

// The start that keeps a length inside [low, high), or low where it is longer than that.
int Within(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

}  // namespace

TwipsRect StatsPlace(const TwipsRect& launcher, Size stats, const TwipsRect& work) {
    const int top = Within(launcher.top, stats.height, work.top, Bottom(work));
    if (Right(launcher) + stats.width <= Right(work)) {
        return {Right(launcher), top, stats.width, stats.height};
    }
    if (launcher.left - stats.width >= work.left) {
        return {launcher.left - stats.width, top, stats.width, stats.height};
    }
    const int left = Within(launcher.left, stats.width, work.left, Right(work));
    if (Bottom(launcher) + stats.height <= Bottom(work)) {
        return {left, Bottom(launcher), stats.width, stats.height};
    }
    return {Within(Right(work), stats.width, work.left, Right(work)), top, stats.width, stats.height};
}

TwipsRect LauncherPlace(Size launcher, Size stats, const TwipsRect& work) {
    const auto middle = [](int length, int low, int room) { return std::max(low, low + (room - length) / 2); };
    if (launcher.width + stats.width <= work.width) {
        return {middle(launcher.width + stats.width, work.left, work.width),
                middle(std::max(launcher.height, stats.height), work.top, work.height), launcher.width,
                launcher.height};
    }
    if (launcher.height + stats.height <= work.height) {
        return {middle(launcher.width, work.left, work.width),
                middle(launcher.height + stats.height, work.top, work.height), launcher.width, launcher.height};
    }
    return {work.left, work.top, launcher.width, launcher.height};
}

}  // namespace vantorel::dockPlace
