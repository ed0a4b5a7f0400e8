#include "query_adapter.h"

#include <algorithm>

#include "common/number.h"
#include "common/text.h"
#include "platform/ansi.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/quiet_event_loop.h"
#include "query/mod_bfv_query_parse.h"
#include "query/stats_text.h"

namespace vantorel::bfvQuery {
namespace {

// Keys that are shown on their own lines, that belong to one player ("name_N": the six
// families and whatever else a server numbers so, "playername_N" and "keyhash_N" among them),
// or that only number the parts of a reply. Names are compared without regard to case, as
// the parser reads them.
bool ShownElsewhere(std::string_view key) {
    const std::size_t underscore = key.rfind('_');
    if (underscore != std::string_view::npos && underscore > 0 && underscore + 1 < key.size() &&
        key.find_first_not_of("0123456789", underscore + 1) == std::string_view::npos) {
        return true;
    }
    std::string lower(key);
    for (char& c : lower) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    for (const std::string_view shown : {"hostname", "mapname", "numplayers", "maxplayers", "queryid", "final"}) {
        if (lower == shown) {
            return true;
        }
    }
    return false;
}

// The reply's server keys beyond the summary, in the reply's order, the first pair of a
// repeated key only, each decoded from the code page on its own. The parser answers for the
// keys it knows; the others are only listed, so a plain walk over the pairs does. Repeats
// are found by sorting, not hashing, so no choice of keys makes a reply cost more than
// n log n.
KeyValues OtherKeys(const std::vector<modBFVQueryParse::ReplyPair>& all) {
    std::vector<modBFVQueryParse::ReplyPair> pairs;
    for (const modBFVQueryParse::ReplyPair& pair : all) {
        if (!pair.key.empty() && !ShownElsewhere(pair.key)) {
            pairs.push_back(pair);
        }
    }
    std::vector<std::size_t> order(pairs.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return pairs[a].key < pairs[b].key; });
    std::vector<bool> repeated(pairs.size(), false);
    for (std::size_t i = 1; i < order.size(); ++i) {
        repeated[order[i]] = pairs[order[i]].key == pairs[order[i - 1]].key;
    }
    KeyValues keys;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!repeated[i]) {
            keys.emplace_back(platform::AnsiToUtf8(pairs[i].key), platform::AnsiToUtf8(pairs[i].value));
        }
    }
    return keys;
}

}  // namespace

std::optional<Protocol> ParseProtocol(std::string_view name) {
    for (const Protocol protocol : {Protocol::kAuto, Protocol::kBasic, Protocol::kStatus, Protocol::kGameSpy2}) {
        if (name == ProtocolName(protocol)) {
            return protocol;
        }
    }
    return std::nullopt;
}

const char* ProtocolName(Protocol protocol) {
    switch (protocol) {
        case Protocol::kBasic: return "basic";
        case Protocol::kStatus: return "status";
        case Protocol::kGameSpy2: return "gs2";
        default: return "auto";
    }
}

QueryProtocol::QueryProtocol(Protocol protocol, std::uint32_t requestId, Clock::time_point start,
                             std::chrono::milliseconds timeout)
    : session_({}, protocol, nullptr, requestId, start, timeout), requests_{session_.Request()} {}

QueryProtocol::Step QueryProtocol::OnDatagram(std::string_view bytes, Clock::time_point now, Result* result) {
    return Follow(session_.OnDatagram(bytes, now), result);
}

QueryProtocol::Step QueryProtocol::OnDeadline(Clock::time_point now, Result* result) {
    return Follow(session_.OnDeadline(now), result);
}

std::optional<double> QueryProtocol::RoundTripMs() const {
    const std::optional<Clock::duration> roundTrip = session_.RoundTrip();
    if (!roundTrip) {
        return std::nullopt;
    }
    return std::chrono::duration<double, std::milli>(*roundTrip).count();
}

QueryProtocol::Step QueryProtocol::Follow(QuerySession::Action action, Result* result) {
    switch (action.kind) {
        case QuerySession::Action::Kind::kNothing: return Step::kWaiting;
        case QuerySession::Action::Kind::kSend: requests_ = std::move(action.requests); return Step::kSend;
        case QuerySession::Action::Kind::kGiveUp: return Step::kNoAnswer;
        case QuerySession::Action::Kind::kShow: break;
    }
    QueryReply& reply = *action.reply;
    result->protocol = DialectName(reply.dialect);
    result->reply = std::move(reply.text);
    result->pairs.clear();
    for (modBFVQueryParse::KeyValue& pair : reply.pairs) {
        result->pairs.emplace_back(std::move(pair.key), std::move(pair.value));
    }
    return Step::kAnswered;
}

ServerReport ReadReply(const Result& result, ReadParts parts) {
    ServerReport report;
    // The parser splits the reply's bytes before it decodes each value: it takes them as
    // they came.
    QueryReply reply;
    if (result.protocol == DialectName(Dialect::kGameSpy2)) {
        reply.dialect = Dialect::kGameSpy2;
        for (const auto& [key, value] : result.pairs) {
            reply.pairs.push_back({key, value});
        }
    } else {
        reply.text = result.reply;
    }
    // The parser yields to the event loop once per player, for the window's sake. bfv-query
    // waits for its sockets in its own loop, which the yield cannot reach; giving the parser
    // a loop with nothing in it makes that plain and saves a system call per player.
    platform::QuietEventLoop quiet;
    const platform::ScopedPlatform restore;
    platform::Current().events = &quiet;

    const int filled = ParseQueryReply(reply);
    const modBFVQueryParse::ServerInfoRecord& info = modBFVQueryParse::ServerInfo();
    for (const modBFVQueryParse::ServerField& field : modBFVQueryParse::ServerFields()) {
        report.fields.emplace_back(field.key, info.*field.field);
    }
    const auto& table = modBFVQueryParse::Players();
    for (int i = 0; parts.players && i < filled; ++i) {
        const modBFVQueryParse::PlayerInfo& entry = table[static_cast<std::size_t>(i)];
        report.players.push_back({entry.player, entry.team, entry.score, entry.kills, entry.deaths, entry.ping});
    }
    if (parts.rules) {
        std::vector<modBFVQueryParse::ReplyPair> pairs;
        if (reply.dialect == Dialect::kGameSpy2) {
            for (const modBFVQueryParse::KeyValue& pair : reply.pairs) {
                pairs.push_back({pair.key, pair.value});
            }
        } else {
            pairs = modBFVQueryParse::SplitReply(reply.text);
        }
        report.rules = OtherKeys(pairs);
    }

    // As the stats window shows a reply.
    Display& display = report.display;
    display.title = "Server Stats";
    display.serverTitle = Trim(info.hostname);
    display.map = statsText::MapLine(info);
    display.players = statsText::PlayersLine(info);
    const int lines = parts.lines ? statsText::PlayerLineCount(info) : 0;
    for (int i = 0; i < lines; ++i) {
        display.lines.push_back(statsText::PlayerLine(table[static_cast<std::size_t>(i)]));
    }
    const std::optional<statsText::SlotCounts> slots = statsText::Slots(info);
    display.waitForSlotVisible = slots && slots->players >= slots->publicSlots;
    report.playerCount = WholeNumber(info.numplayers).value_or(0);
    return report;
}

}  // namespace vantorel::bfvQuery
