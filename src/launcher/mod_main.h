#pragma once
// Where the game is installed and how it is started.

#include <string>

#include "forms/list_control.h"
#include "platform/registry.h"

namespace vantorel::modMain {

inline constexpr const char* kGameKey = "SOFTWARE\\EA GAMES\\Battlefield Vietnam";
inline constexpr const char* kGameDirValue = "GAMEDIR";

// Reads GAMEDIR and stores it as the game folder (empty when it cannot be read); answers
// the same text.
std::string ReadGameDir();

// The stored game folder; every path is this text followed by a fixed relative path.
std::string GameDir();

// Whether the folder holds the game's bfvietnam.exe.
bool IsGameFolder(const std::string& folder);

// Makes the folder that the user showed the game folder, in place of GAMEDIR's.
void UseGameDir(const std::string& folder);

// Why the game is not where GAMEDIR says, as "<what was looked for> ..." for the user, or
// the empty text when its bfvietnam.exe is there. Asked afresh on each call.
std::string GameNotFound();

// One value of an open key as text: a REG_SZ up to its first NUL (the whole stored text
// when it has none), a REG_DWORD as the signed 16-bit number of its low word, anything
// else as the empty text.
std::string QueryRegValue(platform::RegistryKey key, const std::string& valueName);

struct LaunchResult {
    bool started = false;
    std::string reason;  // why nothing was started
};

// Starts the game: joining `serverAddress` when it is longer than 9 characters, else into
// its menus with `profile`. The texts go on the command line as they are; a join address
// that would change the command line's meaning is refused, saying why.
LaunchResult LaunchGame(const std::string& profile, const std::string& mod, const std::string& serverAddress);

// Refill the launcher's profile and mod lists from the installation.
void FillProfileList(ListControl& list);
void FillModList(ListControl& list);

}  // namespace vantorel::modMain
