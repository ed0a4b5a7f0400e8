#include "query/mod_bfv_query_parse.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/number.h"
#include "platform/event_loop.h"
#include "platform/platform.h"

namespace vantorel::modBFVQueryParse {
namespace {

// The key text and the field name are one token, so the two cannot drift apart.
#define VANTOREL_SERVER_FIELD(name)    \
    ServerField {                      \
#name, &ServerInfoRecord::name \
    }
constexpr auto kServerFields = std::to_array<ServerField>({
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
});
#undef VANTOREL_SERVER_FIELD
static_assert(kServerFields.size() == 41);

struct PlayerField {
    std::string_view prefix;
    std::string PlayerInfo::*field;
};

constexpr PlayerField kPlayerFields[] = {
    {"player_", &PlayerInfo::player}, {"team_", &PlayerInfo::team},     {"score_", &PlayerInfo::score},
    {"kills_", &PlayerInfo::kills},   {"deaths_", &PlayerInfo::deaths}, {"ping_", &PlayerInfo::ping},
};

struct ReplyPair {
    std::string_view key;
    std::string_view value;
};

// Walks the \key\value sequence from the left. The text before the first backslash belongs
// to no key; a last key with nothing after it has the empty value.
class PairReader {
  public:
    explicit PairReader(std::string_view reply) : reply_(reply), next_(reply.find('\\')) {}

    bool Next(ReplyPair& pair) {
        if (next_ == std::string_view::npos) {
            return false;
        }
        const std::size_t keyStart = next_ + 1;
        const std::size_t keyEnd = reply_.find('\\', keyStart);
        if (keyEnd == std::string_view::npos) {
            pair = {reply_.substr(keyStart), {}};
            next_ = std::string_view::npos;
            return true;
        }
        const std::size_t valueStart = keyEnd + 1;
        const std::size_t valueEnd = reply_.find('\\', valueStart);
        pair.key = reply_.substr(keyStart, keyEnd - keyStart);
        pair.value = reply_.substr(valueStart, valueEnd == std::string_view::npos ? valueEnd : valueEnd - valueStart);
        next_ = valueEnd;
        return true;
    }

  private:
    std::string_view reply_;
    std::size_t next_;
};

// The reply split once into its pairs, so that the 1,250 or so keys of a full server cost
// one pass over the text instead of one search each. The table is open-addressed in one
// block: a node per pair would cost more in allocations than the lookups themselves.
class ReplyIndex {
  public:
    explicit ReplyIndex(std::string_view reply) {
        const std::size_t pairs = static_cast<std::size_t>(std::count(reply.begin(), reply.end(), '\\')) / 2 + 1;
        std::size_t capacity = 64;
        while (capacity < 2 * pairs) {
            capacity *= 2;
        }
        slots_.resize(capacity);
        mask_ = capacity - 1;
        PairReader reader(reply);
        ReplyPair pair;
        while (reader.Next(pair)) {
            Slot& slot = slots_[SlotOf(pair.key)];
            if (!slot.used) {  // the first pair of a repeated key wins
                slot = {true, pair.key, pair.value};
            }
        }
    }

    std::string_view Value(std::string_view key) const { return slots_[SlotOf(key)].value; }

  private:
    struct Slot {
        bool used = false;
        std::string_view key;
        std::string_view value;
    };

    // FNV-1a: quick for keys of a few characters, and spread well enough for linear probing.
    static std::size_t Hash(std::string_view key) {
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : key) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        return static_cast<std::size_t>(hash);
    }

    // The key's slot, or the free slot where it belongs. At most half the slots are used,
    // so the probe always ends.
    std::size_t SlotOf(std::string_view key) const {
        std::size_t i = Hash(key) & mask_;
        while (slots_[i].used && slots_[i].key != key) {
            i = (i + 1) & mask_;
        }
        return i;
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

// Without a count that fits the 16-bit counter there is no sensible bound, so no player is read.
std::optional<std::int16_t> LastPlayerIndex(const ReplyIndex& index) {
    const std::optional<double> count = ParseDecimal(index.Value("numplayers"));
    if (!count) {
        return std::nullopt;
    }
    return ToInt16(*count - 1);
}

int ReadPlayers(const ReplyIndex& index) {
    const std::optional<std::int16_t> last = LastPlayerIndex(index);
    if (!last) {
        return 0;
    }
    int filled = 0;
    std::string key;
    for (int i = 0; i <= *last; ++i) {
        if (i < kPlayerEntries) {
            PlayerInfo& entry = Players()[static_cast<std::size_t>(i)];
            const std::string number = std::to_string(i);
            for (const PlayerField& field : kPlayerFields) {
                key.assign(field.prefix).append(number);
                entry.*field.field = index.Value(key);
            }
            ++filled;
        }
        // Indexes beyond the table still yield, so a long count keeps the window as lively
        // as a short one. A further reply may be parsed in here; this parse keeps its own
        // text and bound and simply goes on writing after it.
        platform::Current().events->DoEvents();
    }
    return filled;
}

}  // namespace

ServerInfoRecord& ServerInfo() {
    static ServerInfoRecord record;
    return record;
}

std::array<PlayerInfo, kPlayerEntries>& Players() {
    static std::array<PlayerInfo, kPlayerEntries> players;
    return players;
}

const std::array<ServerField, 41>& ServerFields() {
    return kServerFields;
}

int ParseServerReply(std::string_view reply) {
    // The copy outlives the yields of the player loop even when the caller's buffer is
    // refilled by a handler that runs inside one of them.
    const std::string text(reply);
    const ReplyIndex index(text);
    ServerInfoRecord& record = ServerInfo();
    for (const ServerField& field : kServerFields) {
        record.*field.field = index.Value(field.key);
    }
    return ReadPlayers(index);
}

int ParsePlayerList(std::string_view reply) {
    const std::string text(reply);
    return ReadPlayers(ReplyIndex(text));
}

std::string GetReplyValue(std::string_view reply, std::string_view key) {
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        if (pair.key == key) {
            return std::string(pair.value);
        }
    }
    return {};
}

void LookUpKeys(std::string_view reply, std::span<KeyLookup> keys) {
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        for (KeyLookup& lookup : keys) {
            if (!lookup.found && pair.key == lookup.key) {
                lookup.found = true;
                lookup.value = pair.value;
            }
        }
    }
}

bool HasReplyKey(std::string_view reply, std::string_view key) {
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        if (pair.key == key) {
            return true;
        }
    }
    return false;
}

}  // namespace vantorel::modBFVQueryParse
