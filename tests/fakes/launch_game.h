#pragma once
// The launcher's start of the game, given to a stats window's logic as the launcher window
// gives it, so that a slot wait starts the game through the faked shell.

#include <optional>
#include <string>

#include "launcher/mod_main.h"

namespace vantorel::testing {

inline std::optional<std::string> LaunchGame(const std::string& profile, const std::string& mod,
                                             const std::string& server) {
    const modMain::LaunchResult launched = modMain::LaunchGame(profile, mod, server);
    return launched.started ? std::nullopt : std::optional<std::string>(launched.reason);
}

}  // namespace vantorel::testing
