#include "reply_summary.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "common/text.h"
#include "platform/ansi.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/quiet_event_loop.h"
#include "query/stats_text.h"

namespace vantorel::bfvQuery {
namespace {

// At most ServerReport::kMostTextBytes bytes of a UTF-8 text, without splitting a character.
std::string Bounded(std::string_view text) {
    if (text.size() <= ServerReport::kMostTextBytes) {
        return std::string(text);
    }
    std::size_t end = ServerReport::kMostTextBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(text.substr(0, end));
}

// The same of bytes in the servers' code page; only what can be kept is decoded.
std::string BoundedFromCodePage(std::string_view bytes) {
    return Bounded(platform::AnsiToUtf8(bytes.substr(0, ServerReport::kMostTextBytes)));
}

// Key names are compared without regard to case, as the parser reads them.
bool SameKey(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::optional<std::size_t> ShownKey(std::string_view key) {
    for (std::size_t i = 0; i < std::size(ServerReport::kShownKeys); ++i) {
        if (SameKey(key, ServerReport::kShownKeys[i])) {
            return i;
        }
    }
    return std::nullopt;
}

// Keys that belong to one player ("name_N": the six families and whatever else a server
// numbers so, "playername_N" and "keyhash_N" among them) are shown as players; "queryid" and
// "final" only number the parts of a split reply.
bool PlayerOrPartKey(std::string_view key) {
    if (SameKey(key, "queryid") || SameKey(key, "final")) {
        return true;
    }
    const std::size_t underscore = key.rfind('_');
    return underscore != std::string_view::npos && underscore > 0 && underscore + 1 < key.size() &&
           key.find_first_not_of("0123456789", underscore + 1) == std::string_view::npos;
}

// Gathers the reply's keys beyond the record's shown ones as the pairs go by. Repeats are
// found in a sorted set of the keys kept, which holds at most kMostOtherKeys: no choice of
// keys makes a reply cost more than n log n, nor its memory grow with the reply.
class OtherKeys {
  public:
    explicit OtherKeys(ServerReport& report) : report_(report) {}

    void Add(std::string_view key, std::string_view value) {
        if (key.empty()) {
            return;
        }
        if (const std::optional<std::size_t> shown = ShownKey(key)) {
            report_.present |= 1U << *shown;
            return;
        }
        if (PlayerOrPartKey(key) || kept_.count(key) != 0) {
            return;
        }
        if (report_.others.size() == ServerReport::kMostOtherKeys) {
            ++report_.othersLeftOut;
            return;
        }
        kept_.insert(key);
        report_.others.emplace_back(BoundedFromCodePage(key), BoundedFromCodePage(value));
    }

  private:
    ServerReport& report_;
    std::set<std::string_view> kept_;  // views into the reply, which outlives this
};

// Each \key\value pair of a GameSpy 1 reply, split on the backslash byte as the parser
// splits it. The parser's SplitReply would hold a view of every pair at once: two million of
// them for a 4 MB reply of backslashes.
template <typename Visit>
void ForEachPair(std::string_view reply, Visit visit) {
    std::size_t next = reply.find('\\');
    while (next != std::string_view::npos) {
        const std::size_t keyStart = next + 1;
        const std::size_t keyEnd = reply.find('\\', keyStart);
        if (keyEnd == std::string_view::npos) {
            visit(reply.substr(keyStart), std::string_view());
            return;
        }
        const std::size_t valueEnd = reply.find('\\', keyEnd + 1);
        visit(reply.substr(keyStart, keyEnd - keyStart),
              reply.substr(keyEnd + 1, valueEnd == std::string_view::npos ? valueEnd : valueEnd - keyEnd - 1));
        next = valueEnd;
    }
}

}  // namespace

std::shared_ptr<const ServerReport> SummarizeReply(const QueryReply& reply) {
    auto report = std::make_shared<ServerReport>();
    // The parser yields to the event loop once per player, for the window's sake. bfv-query
    // waits for its sockets in its own loop, which the yield cannot reach; giving the parser
    // a loop with nothing in it makes that plain and saves a system call per player.
    platform::QuietEventLoop quiet;
    const platform::ScopedPlatform restore;
    platform::Current().events = &quiet;

    const int filled = ParseQueryReply(reply);
    const modBFVQueryParse::ServerInfoRecord& info = modBFVQueryParse::ServerInfo();
    for (const modBFVQueryParse::ServerField& field : modBFVQueryParse::ServerFields()) {
        report->record.*field.field = Bounded(info.*field.field);
    }
    const auto& table = modBFVQueryParse::Players();
    report->players.reserve(static_cast<std::size_t>(filled));
    for (int i = 0; i < filled; ++i) {
        const PlayerEntry& entry = table[static_cast<std::size_t>(i)];
        report->players.push_back({Bounded(entry.player), Bounded(entry.team), Bounded(entry.score),
                                   Bounded(entry.kills), Bounded(entry.deaths), Bounded(entry.ping)});
    }
    OtherKeys others(*report);
    if (reply.dialect == Dialect::kGameSpy2) {
        for (const modBFVQueryParse::KeyValue& pair : reply.pairs) {
            others.Add(pair.key, pair.value);
        }
    } else {
        ForEachPair(reply.text, [&others](std::string_view key, std::string_view value) { others.Add(key, value); });
    }
    return report;
}

Display ShowReport(const ServerReport& report) {
    const modBFVQueryParse::ServerInfoRecord& info = report.record;
    Display display;
    display.title = "Server Stats";
    display.serverTitle = Trim(info.hostname);
    display.map = statsText::MapLine(info);
    display.players = statsText::PlayersLine(info);
    const std::size_t lines =
        std::min(static_cast<std::size_t>(statsText::PlayerLineCount(info)), report.players.size());
    for (std::size_t i = 0; i < lines; ++i) {
        display.lines.push_back(statsText::PlayerLine(report.players[i]));
    }
    const std::optional<statsText::SlotCounts> slots = statsText::Slots(info);
    display.waitForSlotVisible = slots && slots->players >= slots->publicSlots;
    return display;
}

}  // namespace vantorel::bfvQuery
