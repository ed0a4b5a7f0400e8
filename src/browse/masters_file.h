#pragma once
// Which masters the Servers window asks: the "[Masters]" section of Vantorel.ini beside
// the program, one HOST:PORT a line (the port 28910 when left out), else the community
// masters.

#include <string>
#include <string_view>
#include <vector>

#include "browse/server_source.h"

namespace vantorel::browse {

struct MastersSetting {
    std::vector<MasterAddress> masters;
    // What was wrong with the file, one text per problem, for the user.
    std::vector<std::string> problems;
    bool fromFile = false;  // false: the community masters
};

// More masters than anyone runs; a file listing more has the rest ignored, and says so.
inline constexpr std::size_t kMostMasters = 16;
// Far more than a list of masters needs.
inline constexpr std::size_t kMostMastersFileBytes = 64 * 1024;

// The masters of the file's text. Lines may be "HOST:PORT" or "NAME=HOST:PORT"; blank
// lines and lines that begin with ";" or "#" are skipped.
MastersSetting ParseMasters(std::string_view text);

// Reads the file through the platform's files service; a missing file means the
// community masters.
MastersSetting ReadMasters(const std::string& path);

std::vector<MasterAddress> CommunityMasters();

}  // namespace vantorel::browse
