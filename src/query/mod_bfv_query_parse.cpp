#include "query/mod_bfv_query_parse.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/number.h"
#include "platform/ansi.h"
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
// The sibling games name their players "playername_N"; a reply of that form is read the same,
// "player_N" winning where a reply holds both.
constexpr std::string_view kSiblingNamePrefix = "playername_";
constexpr std::size_t kSiblingName = std::size(kPlayerFields);

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Servers and the clients that read them take key names without regard to case
// ("Hostname", "MapName"); the names we look for are all lower case.
bool SameKey(std::string_view key, std::string_view lowerName) {
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

bool StartsWithKey(std::string_view key, std::string_view lowerPrefix) {
    return key.size() > lowerPrefix.size() && SameKey(key.substr(0, lowerPrefix.size()), lowerPrefix);
}

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

// The values a parse needs, collected in one pass over the pairs. Only the 41 server keys and
// the player families are ever kept, matched against a fixed table and a number, so what a
// sender chooses as keys cannot make the lookup slower or the memory larger: the cost is one
// pass over the bytes plus, per pair, a binary search over 41 short keys. The first pair of a
// repeated key wins. Each value is decoded only once it is known to be wanted, after the
// split on the backslash byte, so no double-byte code page can join a value with the
// separator after it.
class ReplyValues {
  public:
    explicit ReplyValues(Decoder decode) : decode_(decode), players_(kPlayerEntries) {}

    void Add(std::string_view key, std::string_view value) {
        if (const std::optional<std::size_t> server = ServerKeyIndex(key)) {
            Keep(server_[*server], value);
            return;
        }
        for (std::size_t f = 0; f <= kSiblingName; ++f) {
            const std::string_view prefix = f == kSiblingName ? kSiblingNamePrefix : kPlayerFields[f].prefix;
            if (StartsWithKey(key, prefix)) {
                if (const std::optional<std::size_t> index = PlayerIndex(key.substr(prefix.size()))) {
                    Keep(players_[*index][f], value);
                }
                return;
            }
        }
    }

    const std::string& Server(std::size_t index) const { return server_[index].text; }

    // Whether the reply holds any value of the player numbered `index`.
    bool PlayerPresent(std::size_t index) const {
        for (const Value& value : players_[index]) {
            if (value.found) {
                return true;
            }
        }
        return false;
    }

    void StorePlayer(std::size_t index, PlayerInfo& entry) const {
        const auto& values = players_[index];
        for (std::size_t f = 0; f < std::size(kPlayerFields); ++f) {
            entry.*kPlayerFields[f].field = values[f].text;
        }
        if (!values[0].found) {
            entry.player = values[kSiblingName].text;
        }
    }

  private:
    struct Value {
        bool found = false;
        std::string text;
    };

    void Keep(Value& slot, std::string_view value) const {
        if (!slot.found) {
            slot.found = true;
            slot.text = decode_(value);
        }
    }

    // The 41 keys in byte order, each with its place in the record; a key is compared as if
    // it were lower case.
    static std::optional<std::size_t> ServerKeyIndex(std::string_view key) {
        static const auto sorted = [] {
            std::array<std::pair<std::string_view, std::size_t>, kServerFields.size()> table{};
            for (std::size_t i = 0; i < kServerFields.size(); ++i) {
                table[i] = {kServerFields[i].key, i};
            }
            std::sort(table.begin(), table.end());
            return table;
        }();
        const auto found =
            std::lower_bound(sorted.begin(), sorted.end(), key, [](const auto& entry, std::string_view k) {
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

    // Decimal digits without sign, padding or a leading zero, naming an entry of the table.
    static std::optional<std::size_t> PlayerIndex(std::string_view digits) {
        if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) {
            return std::nullopt;
        }
        std::size_t index = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            index = index * 10 + static_cast<std::size_t>(c - '0');
        }
        if (index >= static_cast<std::size_t>(kPlayerEntries)) {
            return std::nullopt;
        }
        return index;
    }

    Decoder decode_;
    std::array<Value, kServerFields.size()> server_;
    std::vector<std::array<Value, kSiblingName + 1>> players_;
};

ReplyValues CollectGameSpy1(std::string_view reply, Decoder decode) {
    ReplyValues values(decode);
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        values.Add(pair.key, pair.value);
    }
    return values;
}

std::size_t NumPlayersIndex() {
    for (std::size_t i = 0; i < kServerFields.size(); ++i) {
        if (std::string_view(kServerFields[i].key) == "numplayers") {
            return i;
        }
    }
    return 0;
}

// Without a count that fits the 16-bit counter there is no sensible bound, so no player is read.
std::optional<std::int16_t> LastPlayerIndex(const ReplyValues& values) {
    const std::optional<double> count = ParseDecimal(values.Server(NumPlayersIndex()));
    if (!count) {
        return std::nullopt;
    }
    return ToInt16(*count - 1);
}

// Which numbered player fills each entry. Players numbered from 0 within the count keep their
// number, gaps and all. When some number lies beyond the count (gaps left by players who went,
// or numbers from 1) the players fill the entries in the order of their numbers, so that none
// is lost past the count and no entry stands blank for a number nobody has.
std::vector<std::size_t> EntrySources(const ReplyValues& values, int last) {
    std::vector<std::size_t> present;
    bool beyondCount = false;
    for (std::size_t index = 0; index < static_cast<std::size_t>(kPlayerEntries); ++index) {
        if (values.PlayerPresent(index)) {
            present.push_back(index);
            beyondCount = beyondCount || static_cast<int>(index) > last;
        }
    }
    if (beyondCount) {
        return present;
    }
    std::vector<std::size_t> byNumber(static_cast<std::size_t>(std::clamp(last + 1, 0, kPlayerEntries)));
    for (std::size_t i = 0; i < byNumber.size(); ++i) {
        byNumber[i] = i;
    }
    return byNumber;
}

int ReadPlayers(const ReplyValues& values) {
    const std::optional<std::int16_t> last = LastPlayerIndex(values);
    if (!last) {
        return 0;
    }
    const std::vector<std::size_t> sources = EntrySources(values, *last);
    int filled = 0;
    for (int i = 0; i <= *last; ++i) {
        if (i < kPlayerEntries) {
            PlayerInfo& entry = Players()[static_cast<std::size_t>(i)];
            if (static_cast<std::size_t>(i) < sources.size()) {
                values.StorePlayer(sources[static_cast<std::size_t>(i)], entry);
            } else {
                entry = PlayerInfo{};  // the count names more players than the reply holds
            }
            ++filled;
        }
        // Indexes beyond the table still yield, so a long count keeps the window as lively
        // as a short one. A further reply may be parsed in here; this parse keeps its own
        // values and bound and simply goes on writing after it.
        platform::Current().events->DoEvents();
    }
    return filled;
}

int Store(const ReplyValues& values) {
    ServerInfoRecord& record = ServerInfo();
    for (std::size_t i = 0; i < kServerFields.size(); ++i) {
        record.*kServerFields[i].field = values.Server(i);
    }
    return ReadPlayers(values);
}

std::string DecodeAnsi(std::string_view bytes) {
    return platform::AnsiToUtf8(bytes);
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
    return ParseServerReply(reply, DecodeAnsi);
}

int ParseServerReply(std::string_view reply, Decoder decode) {
    return Store(CollectGameSpy1(reply, decode));
}

int ParseServerPairs(std::span<const KeyValue> pairs) {
    ReplyValues values(DecodeAnsi);
    for (const KeyValue& pair : pairs) {
        values.Add(pair.key, pair.value);
    }
    return Store(values);
}

int ParsePlayerList(std::string_view reply) {
    return ReadPlayers(CollectGameSpy1(reply, DecodeAnsi));
}

std::string GetReplyValue(std::string_view reply, std::string_view key) {
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        if (SameKey(pair.key, key)) {
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
            if (!lookup.found && SameKey(pair.key, lookup.key)) {
                lookup.found = true;
                lookup.value = pair.value;
            }
        }
    }
}

std::vector<ReplyPair> SplitReply(std::string_view reply) {
    std::vector<ReplyPair> pairs;
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        pairs.push_back(pair);
    }
    return pairs;
}

bool HasReplyKey(std::string_view reply, std::string_view key) {
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        if (SameKey(pair.key, key)) {
            return true;
        }
    }
    return false;
}

}  // namespace vantorel::modBFVQueryParse
