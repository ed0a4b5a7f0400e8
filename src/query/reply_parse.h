#pragma once
// Reads a game server's status reply, a run of \key\value pairs (or the keys and values of a
// GameSpy 2 reply), into a value: the server record, the players, the reply's other keys.
// It touches nothing else, so any caller may parse any reply at any time; the stats window
// keeps what it shows in the design's record and player table (mod_bfv_query_parse.h).

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "query/reply_keys.h"

namespace vantorel::modBFVQueryParse {

struct ParsedReply {
    // The other keys kept of one reply; a game server sends some twenty.
    static constexpr std::size_t kMostOtherKeys = 256;

    ServerInfoRecord record;
    // The server keys the reply held, whatever their value (an absent key and an empty value
    // both leave its field empty).
    std::bitset<kServerKeys> held;
    // How many player indexes the count names: numplayers read as a number, as a 16-bit
    // count; 0 when it is missing or no such number. The design's player loop runs over them.
    int playerIndexes = 0;
    // Entries 0 up to the smaller of playerIndexes and kPlayerEntries, less one. Entry N
    // holds player N while every player's number is below the count; when some number lies
    // beyond it, the players fill the entries in the order of their numbers. An entry the
    // reply has no player for is empty.
    std::vector<PlayerInfo> players;
    // The reply's keys that are neither the record's nor a player's: the first pair of
    // each, in order, at most kMostOtherKeys; othersLeftOut counts the pairs past that bound.
    std::vector<std::pair<std::string, std::string>> others;
    std::size_t othersLeftOut = 0;
    // The server's keys in the order the reply held them, the first pair of each: a field of
    // the record (its place in ServerFields) or an entry of `others`.
    struct KeyPlace {
        bool inRecord = false;
        std::uint16_t index = 0;
    };
    std::vector<KeyPlace> order;

    bool Holds(ServerKey key) const { return held[key]; }
};

// Values are decoded from the servers' code page by a Decoder: by default the system's.
using Decoder = std::string (*)(std::string_view bytes);

// A GameSpy 1 reply, its bytes in the servers' code page, split on the backslash byte before
// each wanted value is decoded (so no double-byte code page can swallow a separator). Time
// and memory grow with the length of the reply alone, whatever its keys. Key names are read
// without regard to case; the first pair of a repeated key wins.
ParsedReply ParseReply(std::string_view reply);
ParsedReply ParseReply(std::string_view reply, Decoder decode);

// One key and its value, both still in the servers' code page.
struct KeyValue {
    std::string key;
    std::string value;
};

// The same from a reply that came as separate keys and values (GameSpy 2), with player
// fields named as GameSpy 1 names them ("player_3").
ParsedReply ParsePairs(std::span<const KeyValue> pairs);

// The value of the first pair whose key is `key` (given in lower case; the reply's in any
// case); empty when there is none. A key with no backslash after it, at the very end, has the
// empty value.
std::string GetReplyValue(std::string_view reply, std::string_view key);

// Whether `key` occurs as a key of the reply, whatever its value (the "final" key has none).
bool HasReplyKey(std::string_view reply, std::string_view key);

// One \key\value pair of a reply: views into its bytes as received.
struct ReplyPair {
    std::string_view key;
    std::string_view value;
};

// Every pair of the reply in order, split on the backslash byte.
std::vector<ReplyPair> SplitReply(std::string_view reply);

// Several keys in one pass: for each, whether it occurs as a key and the value of its first
// pair (a view into `reply`).
struct KeyLookup {
    std::string_view key;
    bool found = false;
    std::string_view value;
};
void LookUpKeys(std::string_view reply, std::span<KeyLookup> keys);

}  // namespace vantorel::modBFVQueryParse
