#pragma once
// The keys a status reply is read for, listed once: the server record's 41 (each field named
// after its key), the six of each player, the ones the stats display shows, and the two that
// number the parts of a split reply. Servers and the clients that read them write key names
// in any case ("Hostname", "MapName"): every name here is lower case, and a reply's key is
// compared as if it were.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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
inline constexpr std::size_t kServerKeys = 41;

struct ServerField {
    const char* key;
    std::string ServerInfoRecord::*field;
};

// The record's keys and fields in the order they are filled.
const std::array<ServerField, kServerKeys>& ServerFields();

// Where the keys that the stats display reads stand in that order.
enum ServerKey : std::size_t {
    kHostname = 0,
    kMapname = 2,
    kNumplayers = 4,
    kMaxplayers = 5,
    kReservedslots = 37,
};
// The keys the stats display shows, in the order it shows them.
inline constexpr ServerKey kShownKeys[] = {kHostname, kMapname, kNumplayers, kMaxplayers, kReservedslots};
// What a status reply is for. A reply without any of them is the standard's short answer to
// "\basic\"; one without some of them is shown with what it lacks said.
inline constexpr ServerKey kStatusKeys[] = {kHostname, kMapname, kNumplayers, kMaxplayers};

// The place of a server key in the record's order; nothing for any other key.
std::optional<std::size_t> ServerKeyIndex(std::string_view key);

struct PlayerField {
    std::string_view prefix;
    std::string PlayerInfo::*field;
};
inline constexpr std::array<PlayerField, 6> kPlayerFields = {{
    {"player_", &PlayerInfo::player},
    {"team_", &PlayerInfo::team},
    {"score_", &PlayerInfo::score},
    {"kills_", &PlayerInfo::kills},
    {"deaths_", &PlayerInfo::deaths},
    {"ping_", &PlayerInfo::ping},
}};
// The sibling games name their players "playername_N"; read as "player_N", which wins where
// a reply holds both.
inline constexpr std::string_view kSiblingNamePrefix = "playername_";

// The keys that number the parts of a split reply: each part holds "queryid" valued ID.N, and
// the last one "final" too.
inline constexpr std::string_view kQueryIdKey = "queryid";
inline constexpr std::string_view kFinalKey = "final";

inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the reply's `key` is `lowerName`, whatever the case of its letters.
inline bool SameKey(std::string_view key, std::string_view lowerName) {
    if (key.size() != lowerName.size()) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (LowerAscii(key[i]) != lowerName[i]) {
            return false;
        }
    }
    return true;
}

// Keys that belong to one player or one team ("name_N": the six families and whatever else a
// server numbers so, "playername_N" and "keyhash_N" among them), and the part keys: none of
// them is one of the server's other keys.
bool IsNumberedOrPartKey(std::string_view key);

}  // namespace vantorel::modBFVQueryParse
