#pragma once
// What bfv-query learns about one server, whatever the protocol or the transport.

#include <string>
#include <utility>
#include <vector>

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

struct PlayerEntry {
    std::string player, team, score, kills, deaths, ping;
};

using KeyValues = std::vector<std::pair<std::string, std::string>>;

// A reply as it is reported: the server record, the players, the keys the record does not
// hold, and what the window would show.
struct ServerReport {
    KeyValues fields;  // every field of the server record, in the record's order
    std::vector<PlayerEntry> players;
    KeyValues rules;  // the reply's other server keys, in the reply's order
    Display display;
    int playerCount = 0;  // the whole number of numplayers, 0 when it is none
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
    // The whole reply as it came (split replies joined), read only when it is reported: a
    // thousand servers' records and player tables all at once would be ten times the size.
    // Bytes in the servers' code page: GameSpy 1's text in `reply`, GameSpy 2's keys and
    // values in `pairs`.
    std::string reply;
    KeyValues pairs;
};

}  // namespace vantorel::bfvQuery
