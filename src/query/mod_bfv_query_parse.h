#pragma once
// Turns a game server's status reply, a run of \key\value pairs, into the server record and
// the player table that the stats window shows.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::modBFVQueryParse {

// One text per key of the reply, named after the key, in the order the parser fills them.
struct ServerInfoRecord {
    std::string hostname;
    std::string hostport;
    std::string mapname;
    std::string gametype;
    std::string numplayers;
    std::string maxplayers;
    std::string gamemode;
    std::string password;
    std::string gamever;
    std::string dedicated;
    std::string status;
    std::string game_id;
    std::string mapid;
    std::string sv_punkbuster;
    std::string timelimit;
    std::string number_of_rounds;
    std::string spawn_wave_time;
    std::string spawn_delay;
    std::string soldier_friendly_fire;
    std::string vehicle_friendly_fire;
    std::string game_start_delay;
    std::string ticket_ratio;
    std::string allow_nose_cam;
    std::string external_view;
    std::string us_team_ratio;
    std::string nva_team_ratio;
    std::string bandwith_choke_limit;
    std::string free_camera;
    std::string auto_balance_teams;
    std::string name_tag_distance;
    std::string name_tag_distance_scope;
    std::string kickback;
    std::string kickback_on_splash;
    std::string soldier_friendly_fire_on_splash;
    std::string vehicle_friendly_fire_on_splash;
    std::string cpu;
    std::string bot_skill;
    std::string reservedslots;
    std::string active_mods;
    std::string all_active_mods;
    std::string game_id_name;
};

// One player's values; the reply's keys are these names followed by "_" and the index.
struct PlayerInfo {
    std::string player, team, score, kills, deaths, ping;
};

inline constexpr int kPlayerEntries = 201;

// The record and the table for the whole run. Every parse overwrites all of the record and
// the entries it reads; nothing is ever cleared, so entries above a shorter reply's players
// keep what an earlier reply put there.
ServerInfoRecord& ServerInfo();
std::array<PlayerInfo, kPlayerEntries>& Players();

struct ServerField {
    const char* key;
    std::string ServerInfoRecord::*field;
};

// The record's keys and fields in the order they are filled.
const std::array<ServerField, 41>& ServerFields();

// Fills every field of ServerInfo, then the player entries, from a GameSpy 1 reply: its bytes
// in the servers' code page, split on the backslash byte before each wanted value is decoded.
// Answers how many entries of Players this parse filled. Time and memory grow with the
// length of the reply alone, whatever its keys. Key names are read without regard to case,
// and the sibling games' "playername_N" names a player as "player_N" does.
int ParseServerReply(std::string_view reply);

// The same with the values decoded by `decode` instead of the system's code page.
using Decoder = std::string (*)(std::string_view bytes);
int ParseServerReply(std::string_view reply, Decoder decode);

// One key and its value, both still in the servers' code page.
struct KeyValue {
    std::string key;
    std::string value;
};

// The same from a reply that came as separate keys and values (GameSpy 2), with player
// fields named as GameSpy 1 names them ("player_3").
int ParseServerPairs(std::span<const KeyValue> pairs);

// Fills (from a GameSpy 1 reply) the entries 0 up to numplayers - 1 (at most the last entry of
// the table), yielding to the event loop once per player index; answers how many entries it
// filled. Entry N holds player N while every player's number is below the count; when some
// number lies beyond it, the players fill the entries in the order of their numbers. It reads
// no player when numplayers is missing or not a number that fits a 16-bit count.
int ParsePlayerList(std::string_view reply);

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
