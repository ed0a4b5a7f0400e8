#pragma once
// Window classes and control ids of the two windows, shared with the end-to-end test's driver.

namespace vantorel::ui {

inline constexpr const wchar_t* kLauncherClass = L"VantorelLauncher";
inline constexpr const wchar_t* kStatsClass = L"VantorelStats";

// The launcher window.
enum LauncherControl : int {
    kLauncherTitle = 101,
    kLauncherClose,
    kProfileCaption,
    kProfiles,
    kModCaption,
    kMods,
    kFavoritesCaption,
    kFavorites,
    kServerNameCaption,
    kServerName,
    kIPCaption,
    kIP,
    kPortCaption,
    kPort,
    kAddFavorite,
    kRemoveFavorite,
    kLaunch,
    kFirstFlap = 150,
};

// The stats window.
enum StatsControl : int {
    kStatsTitle = 201,
    kServerTitle,
    kMap,
    kPlayerCounts,
    kPlayers,
    kWaitForSlot,
    kBorderStrip,
    kRefreshTimer = 1,
    kTimeoutTimer = 2,
    kPartsTimer = 3,
};

}  // namespace vantorel::ui
