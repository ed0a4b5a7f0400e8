#include "query/reply_parse.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>

#include "common/number.h"
#include "platform/ansi.h"

namespace vantorel::modBFVQueryParse {
namespace {

constexpr std::size_t kPlayerFieldCount = 6;
constexpr std::size_t kSiblingName = kPlayerFieldCount;  // the slot of "playername_N"

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

// Decimal digits without sign, padding or a leading zero, naming an entry of the table.
std::optional<std::size_t> PlayerIndex(std::string_view digits) {
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

// The values a parse needs, collected in one pass over the pairs. Only the 41 server keys,
// the player families and a bounded number of other keys are ever kept, matched against a
// fixed table and a number, so what a sender chooses as keys cannot make the lookup slower or
// the memory larger than its bytes: the cost is one pass over the bytes plus, per pair, a
// binary search over 41 short keys. The first pair of a repeated key wins. Each value is
// decoded only once it is known to be wanted, after the split on the backslash byte.
class ReplyValues {
  public:
    explicit ReplyValues(Decoder decode) : decode_(decode), players_(kPlayerEntries) {}

    void Add(std::string_view key, std::string_view value) {
        // Only numbered keys, the players' among them, end in a digit; no server key does.
        if (!key.empty() && key.back() >= '0' && key.back() <= '9') {
            AddNumbered(key, value);
            return;
        }
        if (const std::optional<std::size_t> server = ServerKeyIndex(key)) {
            if (!parsed_.held[*server]) {
                parsed_.held[*server] = true;
                parsed_.order.push_back({true, static_cast<std::uint16_t>(*server)});
                parsed_.record.*ServerFields()[*server].field = decode_(value);
            }
            return;
        }
        AddOther(key, value);
    }

    ParsedReply Finish() && {
        const std::optional<std::int16_t> last = LastPlayerIndex();
        if (last) {
            parsed_.playerIndexes = std::max(*last + 1, 0);
            const std::vector<std::size_t> sources = EntrySources(*last);
            parsed_.players.resize(static_cast<std::size_t>(std::min(parsed_.playerIndexes, kPlayerEntries)));
            for (std::size_t i = 0; i < parsed_.players.size() && i < sources.size(); ++i) {
                TakePlayer(sources[i], parsed_.players[i]);
            }
        }
        return std::move(parsed_);
    }

  private:
    struct Value {
        bool found = false;
        std::string text;
    };

    void AddNumbered(std::string_view key, std::string_view value) {
        for (std::size_t f = 0; f <= kSiblingName; ++f) {
            const std::string_view prefix = f == kSiblingName ? kSiblingNamePrefix : kPlayerFields[f].prefix;
            if (StartsWithKey(key, prefix)) {
                if (const std::optional<std::size_t> index = PlayerIndex(key.substr(prefix.size()))) {
                    Keep(players_[*index][f], value);
                }
                return;
            }
        }
        AddOther(key, value);
    }

    void Keep(Value& slot, std::string_view value) const {
        if (!slot.found) {
            slot.found = true;
            slot.text = decode_(value);
        }
    }

    // Repeats are found in a sorted set of the keys kept, which holds at most kMostOtherKeys:
    // no choice of keys makes a reply cost more than n log n, nor its memory grow past its
    // bytes.
    void AddOther(std::string_view key, std::string_view value) {
        if (key.empty() || IsNumberedOrPartKey(key) || otherKeys_.count(key) != 0) {
            return;
        }
        if (parsed_.others.size() == ParsedReply::kMostOtherKeys) {
            ++parsed_.othersLeftOut;
            return;
        }
        otherKeys_.insert(key);
        parsed_.order.push_back({false, static_cast<std::uint16_t>(parsed_.others.size())});
        parsed_.others.emplace_back(decode_(key), decode_(value));
    }

    // Without a count that fits the 16-bit counter there is no sensible bound, so no player
    // is read.
    std::optional<std::int16_t> LastPlayerIndex() const {
        const std::optional<double> count = ParseDecimal(parsed_.record.numplayers);
        if (!count) {
            return std::nullopt;
        }
        return ToInt16(*count - 1);
    }

    bool PlayerPresent(std::size_t index) const {
        for (const Value& value : players_[index]) {
            if (value.found) {
                return true;
            }
        }
        return false;
    }

    // Which numbered player fills each entry. Players numbered from 0 within the count keep
    // their number, gaps and all. When some number lies beyond the count (gaps left by
    // players who went, or numbers from 1) the players fill the entries in the order of their
    // numbers, so that none is lost past the count and no entry stands blank for a number
    // nobody has.
    std::vector<std::size_t> EntrySources(int last) const {
        std::vector<std::size_t> present;
        bool beyondCount = false;
        for (std::size_t index = 0; index < static_cast<std::size_t>(kPlayerEntries); ++index) {
            if (PlayerPresent(index)) {
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

    void TakePlayer(std::size_t index, PlayerInfo& entry) {
        auto& values = players_[index];
        for (std::size_t f = 0; f < kPlayerFieldCount; ++f) {
            entry.*kPlayerFields[f].field = std::move(values[f].text);
        }
        if (!values[0].found) {
            entry.player = std::move(values[kSiblingName].text);
        }
    }

    Decoder decode_;
    ParsedReply parsed_;
    std::vector<std::array<Value, kPlayerFieldCount + 1>> players_;
    std::set<std::string_view> otherKeys_;  // views into the reply, which outlives this
};

std::string DecodeAnsi(std::string_view bytes) {
    return platform::AnsiToUtf8(bytes);
}

}  // namespace

ParsedReply ParseReply(std::string_view reply) {
    return ParseReply(reply, DecodeAnsi);
}

ParsedReply ParseReply(std::string_view reply, Decoder decode) {
    ReplyValues values(decode);
    PairReader reader(reply);
    ReplyPair pair;
    while (reader.Next(pair)) {
        values.Add(pair.key, pair.value);
    }
    return std::move(values).Finish();
}

ParsedReply ParsePairs(std::span<const KeyValue> pairs) {
    ReplyValues values(DecodeAnsi);
    for (const KeyValue& pair : pairs) {
        values.Add(pair.key, pair.value);
    }
    return std::move(values).Finish();
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

bool HasReplyKey(std::string_view reply, std::string_view key) {
    KeyLookup lookup{key, false, {}};
    LookUpKeys(reply, std::span<KeyLookup>(&lookup, 1));
    return lookup.found;
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

}  // namespace vantorel::modBFVQueryParse
