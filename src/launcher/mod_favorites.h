#pragma once
// The favourite servers in Favorites.ini in the game folder: one section per favourite,
// named after it, with the keys "Server", "Port" and "Creation". Removing a favourite
// overwrites its server with "0.0.0.0", which hides it from the list.

#include <optional>
#include <string>
#include <vector>

#include "forms/list_control.h"

namespace vantorel::modFavorites {

inline constexpr const char* kNoServer = "-- No Server --";
inline constexpr const char* kRemovedServer = "0.0.0.0";
inline constexpr const char* kMissingValue = "Default";

struct SaveResult {
    bool ok = false;
    std::string reason;  // why the favourite was not saved
};

// The favourites file: the game folder followed by "\Favorites.ini".
std::string FavoritesPath();

// Why no favourite can be saved at all (the file belongs in a game folder that was not
// found), or the empty text.
std::string StoreRefusal();

// Why the name (trimmed as the reader trims) cannot name a section, or the empty text.
// Brackets are allowed: a header's name runs to its line's last "]", so "[VN] Saigon"
// reads back as it was written.
std::string NameRefusal(const std::string& name);

// Writes "Server", "Port" and "Creation" of section `name` in one atomic save of the file.
// The texts are trimmed of the blanks that the reader trims. Refuses, writing nothing, a
// name or value that would corrupt the file or be read back differently, and any save
// outside a game folder that was found; reports a write that failed.
SaveResult SaveFavorite(const std::string& name, const std::string& server, const std::string& port);

struct Favorite {
    std::string name;  // as the file writes it
    std::string server;
    std::string port;
};

// The favourite of that name in any letter case, read in one go: "Default" for a value
// that is missing. None when there is no such section or it is a removed favourite.
std::optional<Favorite> FindFavorite(const std::string& name);

// Every favourite that is not removed, in file order, read in one go ("Default" for a
// value that is missing).
std::vector<Favorite> ReadFavorites();

// The stored value, "Default" when the file, the section or the key is missing.
std::string GetFavoriteServer(const std::string& name);
std::string GetFavoritePort(const std::string& name);

// "-- No Server --", then every favourite not removed, in file order; then selects entry 0.
// The file is read once. Answers why it could not be read, or the empty text (a missing
// file is simply empty).
std::string FillFavoriteList(ListControl& list);

}  // namespace vantorel::modFavorites
