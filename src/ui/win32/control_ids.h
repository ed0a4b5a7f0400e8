#pragma once
// Window classes and control ids of the two windows, shared with the end-to-end test's driver.

namespace vantorel::ui {

inline constexpr const wchar_t* kLauncherClass = L"VantorelLauncher";
inline constexpr const wchar_t* kStatsClass = L"VantorelStats";
inline constexpr const wchar_t* kServersClass = L"VantorelServers";

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
    kOpenServers,  // the "Servers" label button, and Ctrl+B
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
    kPlayerHeader = 211,
    kRefreshTimer = 1,
    kTimeoutTimer = 2,
    kPartsTimer = 3,
};

// The Servers window.
enum ServersControl : int {
    kServersTitle = 301,
    kServersClose,
    kSearchCaption,
    kSearch,
    kNotEmpty,
    kNotFull,
    kNoPassword,
    kSameVersion,
    kServerList,
    kHiddenCount,
    kListStatus,
    kMastersStatus,
    kRefresh,
    kAddToFavorites,
    kJoin,
    // The right-click menu and the keys.
    kMenuJoin = 351,
    kMenuAddToFavorites,
    kMenuCopyAddress,
    kKeyRefresh,
};

}  // namespace vantorel::ui
