#include "query/reply_keys.h"

#include <algorithm>
#include <utility>

namespace vantorel::modBFVQueryParse {
namespace {

// The key text and the field name are one token, so the two cannot drift apart.
#define VANTOREL_SERVER_FIELD(name)    \
    ServerField {                      \
#name, &ServerInfoRecord::name \
    }
constexpr std::array<ServerField, kServerKeys> kServerFields = {
    VANTOREL_SERVER_FIELD(hostname),
    VANTOREL_SERVER_FIELD(hostport),
    VANTOREL_SERVER_FIELD(mapname),
    VANTOREL_SERVER_FIELD(gametype),
    VANTOREL_SERVER_FIELD(numplayers),
    VANTOREL_SERVER_FIELD(maxplayers),
    VANTOREL_SERVER_FIELD(gamemode),
    VANTOREL_SERVER_FIELD(password),
    VANTOREL_SERVER_FIELD(gamever),
    VANTOREL_SERVER_FIELD(dedicated),
    VANTOREL_SERVER_FIELD(status),
    VANTOREL_SERVER_FIELD(game_id),
    VANTOREL_SERVER_FIELD(mapid),
    VANTOREL_SERVER_FIELD(sv_punkbuster),
    VANTOREL_SERVER_FIELD(timelimit),
    VANTOREL_SERVER_FIELD(number_of_rounds),
    VANTOREL_SERVER_FIELD(spawn_wave_time),
    VANTOREL_SERVER_FIELD(spawn_delay),
    VANTOREL_SERVER_FIELD(soldier_friendly_fire),
    VANTOREL_SERVER_FIELD(vehicle_friendly_fire),
    VANTOREL_SERVER_FIELD(game_start_delay),
    VANTOREL_SERVER_FIELD(ticket_ratio),
    VANTOREL_SERVER_FIELD(allow_nose_cam),
    VANTOREL_SERVER_FIELD(external_view),
    VANTOREL_SERVER_FIELD(us_team_ratio),
    VANTOREL_SERVER_FIELD(nva_team_ratio),
    VANTOREL_SERVER_FIELD(bandwith_choke_limit),
    VANTOREL_SERVER_FIELD(free_camera),
    VANTOREL_SERVER_FIELD(auto_balance_teams),
    VANTOREL_SERVER_FIELD(name_tag_distance),
    VANTOREL_SERVER_FIELD(name_tag_distance_scope),
    VANTOREL_SERVER_FIELD(kickback),
    VANTOREL_SERVER_FIELD(kickback_on_splash),
    VANTOREL_SERVER_FIELD(soldier_friendly_fire_on_splash),
    VANTOREL_SERVER_FIELD(vehicle_friendly_fire_on_splash),
    VANTOREL_SERVER_FIELD(cpu),
    VANTOREL_SERVER_FIELD(bot_skill),
    VANTOREL_SERVER_FIELD(reservedslots),
    VANTOREL_SERVER_FIELD(active_mods),
    VANTOREL_SERVER_FIELD(all_active_mods),
    VANTOREL_SERVER_FIELD(game_id_name),
};
#undef VANTOREL_SERVER_FIELD

constexpr bool KeyAt(ServerKey place, std::string_view key) {
    return std::string_view(kServerFields[place].key) == key;
}
static_assert(KeyAt(kHostname, "hostname") && KeyAt(kMapname, "mapname") && KeyAt(kNumplayers, "numplayers") &&
              KeyAt(kMaxplayers, "maxplayers") && KeyAt(kReservedslots, "reservedslots"));

// A reply's keys are told apart by their last character first: the player keys end in a
// digit, and no server key does.
constexpr bool NoServerKeyEndsInADigit() {
    for (const ServerField& field : kServerFields) {
        const std::string_view key = field.key;
        if (key.back() >= '0' && key.back() <= '9') {
            return false;
        }
    }
    return true;
}
static_assert(NoServerKeyEndsInADigit());

}  // namespace

const std::array<ServerField, kServerKeys>& ServerFields() {
    return kServerFields;
}

std::optional<std::size_t> ServerKeyIndex(std::string_view key) {
    // The 41 keys in byte order, each with its place in the record: a binary search over
    // short keys, whatever a sender chooses as keys.
    static const auto sorted = [] {
        std::array<std::pair<std::string_view, std::size_t>, kServerKeys> table{};
        for (std::size_t i = 0; i < kServerKeys; ++i) {
            table[i] = {kServerFields[i].key, i};
        }
        std::sort(table.begin(), table.end());
        return table;
    }();
    const auto found = std::lower_bound(sorted.begin(), sorted.end(), key, [](const auto& entry, std::string_view k) {
        return std::lexicographical_compare(
            entry.first.begin(), entry.first.end(), k.begin(), k.end(), [](char a, char b) {
                return static_cast<unsigned char>(LowerAscii(a)) < static_cast<unsigned char>(LowerAscii(b));
            });
    });
    if (found == sorted.end() || !SameKey(key, found->first)) {
        return std::nullopt;
    }
    return found->second;
}

bool IsNumberedOrPartKey(std::string_view key) {
    if (SameKey(key, kQueryIdKey) || SameKey(key, kFinalKey)) {
        return true;
    }
    const std::size_t underscore = key.rfind('_');
    return underscore != std::string_view::npos && underscore > 0 && underscore + 1 < key.size() &&
           key.find_first_not_of("0123456789", underscore + 1) == std::string_view::npos;
}

}  // namespace vantorel::modBFVQueryParse
