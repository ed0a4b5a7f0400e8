#pragma once
// The favourite servers in Favorites.ini in the game folder: one section per favourite,
// named after it, with the keys "Server", "Port" and "Creation". Removing a favourite
// overwrites its server with "0.0.0.0", which hides it from the list.

#include <string>

#include "launcher/list_control.h"

namespace vantorel::modFavorites {

inline constexpr const char* kNoServer = "-- No Server --";
inline constexpr const char* kRemovedServer = "0.0.0.0";
inline constexpr const char* kMissingValue = "Default";

struct SaveResult {
    bool ok = false;
    std::string reason;  // why the favourite was not (or not wholly) saved
};

// The favourites file: the game folder followed by "\Favorites.ini".
std::string FavoritesPath();

// Writes "Server", "Port" and "Creation" of section `name`. Refuses, writing nothing, a
// name or value that would corrupt the file; reports a write that failed.
SaveResult SaveFavorite(const std::string& name, const std::string& server, const std::string& port);

// The stored value, "Default" when the file, the section or the key is missing.
std::string GetFavoriteServer(const std::string& name);
std::string GetFavoritePort(const std::string& name);

// "-- No Server --", then every favourite not removed, in file order; then selects entry 0.
void FillFavoriteList(ListControl& list);

}  // namespace vantorel::modFavorites
