#pragma once
// What bfv-query learns about one server, whatever the protocol or the transport.

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "query/mod_bfv_query_parse.h"
#include "targets.h"

namespace vantorel::bfvQuery {

// The stats window's texts for one reply.
struct Display {
    std::string title;
    std::string serverTitle;
    std::string map;
    std::string players;
    std::vector<std::string> lines;
    bool waitForSlotVisible = false;
};

using PlayerEntry = modBFVQueryParse::PlayerInfo;
using KeyValues = std::vector<std::pair<std::string, std::string>>;

// An answer as it is kept until it is reported: no more than a report shows, every part
// bounded whatever the reply held, so that a reply built to be large costs little once read.
struct ServerReport {
    // Every text below is cut to this many bytes (whole characters).
    static constexpr std::size_t kMostTextBytes = 256;
    // The other keys kept of one reply; a game server sends some twenty.
    static constexpr std::size_t kMostOtherKeys = 256;

    // The keys the stats window shows; `present` has bit i set when the reply held the i-th.
    static constexpr const char* kShownKeys[] = {"hostname", "mapname", "numplayers", "maxplayers", "reservedslots"};
    enum Shown : std::size_t { kHostname, kMapname, kNumplayers, kMaxplayers, kReservedslots };
    // The first four are what a status reply is for; without them there is little to show.
    static constexpr std::size_t kNeededKeys = 4;

    modBFVQueryParse::ServerInfoRecord record;
    unsigned present = 0;
    std::vector<PlayerEntry> players;  // the entries the reply's player count reaches
    KeyValues others;                  // the reply's other server keys: the first pair of each, in order
    std::size_t othersLeftOut = 0;     // pairs past kMostOtherKeys

    bool Has(std::size_t shownKey) const { return (present >> shownKey) & 1U; }
};

struct Result {
    // kDown: the system said the port is closed; kTimeout: nothing came back in time;
    // kError: no query could be sent (a name that does not resolve, a refused send).
    enum class Status { kTimeout, kOk, kDown, kError };
    Target target;
    Status status = Status::kTimeout;
    std::string error;
    std::string ip;  // the address queried, where known
    double pingMs = 0;
    std::string protocol;  // the protocol that answered: "basic", "status" or "gs2"
    // The answer (kOk only); shared by the entries of a server listed more than once.
    std::shared_ptr<const ServerReport> report;
};

}  // namespace vantorel::bfvQuery
