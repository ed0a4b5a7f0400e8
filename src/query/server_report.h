#pragma once
// What is kept of a server's answer until it is reported, when many servers are asked: no
// more than a report shows, every part bounded whatever the reply held, so that a reply built
// to be large costs little once read. Each reply is summarised the moment it is parsed, so
// nothing of the reply itself outlives its parse.

#include <bitset>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "query/query_session.h"
#include "query/reply_keys.h"
#include "query/stats_display.h"

namespace vantorel {

struct ServerReport {
    // Every text below is cut to this many bytes (whole characters).
    static constexpr std::size_t kMostTextBytes = 256;
    // The server's keys kept beside the shown ones; a game server sends some twenty.
    static constexpr std::size_t kMostOtherKeys = modBFVQueryParse::ParsedReply::kMostOtherKeys;

    modBFVQueryParse::ServerInfoRecord record;
    std::bitset<modBFVQueryParse::kServerKeys> held;    // the record's keys that the reply held
    std::vector<modBFVQueryParse::PlayerInfo> players;  // the entries the reply's player count reaches
    // The reply's server keys beyond the shown ones (the record's others and the keys it has no
    // field for): the first pair of each, in the reply's order.
    std::vector<std::pair<std::string, std::string>> others;
    std::size_t othersLeftOut = 0;  // pairs past kMostOtherKeys

    bool Has(modBFVQueryParse::ServerKey key) const { return held[key]; }
};

std::shared_ptr<const ServerReport> SummarizeReply(const QueryReply& reply);

// What the stats window would show for a kept report.
StatsDisplay ShowReport(const ServerReport& report);

}  // namespace vantorel
