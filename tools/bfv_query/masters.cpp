#include "masters.h"

#include <algorithm>

#include "targets.h"

namespace vantorel::bfvQuery {

std::optional<browse::MasterAddress> ParseMaster(std::string_view text, std::string* error) {
    // The servers' own syntax, less the ranges: a master is one port.
    const std::optional<TargetRange> target = ParseTarget(text, error);
    if (!target) {
        return std::nullopt;
    }
    if (target->first != target->last) {
        *error = "\"" + std::string(text) + "\": a master is HOST or HOST:PORT, one port";
        return std::nullopt;
    }
    const bool portGiven = text.find(':') != std::string_view::npos;
    const auto port = static_cast<std::uint16_t>(portGiven ? target->first : browse::kNewerMasterPort);
    return browse::MasterAddress{target->host, port, browse::ListProtocol::kDetect};
}

std::vector<browse::MasterAddress> CommunityMasters() {
    std::vector<browse::MasterAddress> masters;
    for (const browse::CommunityMaster& master : browse::kCommunityMasters) {
        masters.push_back({std::string(master.host), master.port, master.protocol});
    }
    return masters;
}

bool AddMaster(std::vector<browse::MasterAddress>& masters, browse::MasterAddress master) {
    const std::string text = master.Text();
    if (std::any_of(masters.begin(), masters.end(), [&](const browse::MasterAddress& m) { return m.Text() == text; })) {
        return true;
    }
    if (masters.size() >= kMostMasters) {
        return false;
    }
    masters.push_back(std::move(master));
    return true;
}

}  // namespace vantorel::bfvQuery
