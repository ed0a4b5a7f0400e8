#pragma once
// The masters to ask for their lists: "HOST" or "HOST:PORT" as the user names one, or the
// community masters.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/server_source.h"

namespace vantorel::bfvQuery {

// More would be a mistake, not a search: every master is asked at once.
inline constexpr std::size_t kMostMasters = 64;

// The master that `text` names (port 28910 when not given, the protocol found by asking);
// nothing, with the reason, when it names none.
std::optional<browse::MasterAddress> ParseMaster(std::string_view text, std::string* error);

// The community masters that carry the game, each with the protocol it speaks.
std::vector<browse::MasterAddress> CommunityMasters();

// Adds `master` unless the same HOST:PORT is there already; false when that would make more
// than kMostMasters.
bool AddMaster(std::vector<browse::MasterAddress>& masters, browse::MasterAddress master);

}  // namespace vantorel::bfvQuery
