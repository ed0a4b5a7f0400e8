#include "query/mod_bfv_query_parse.h"

#include <utility>

#include "platform/event_loop.h"
#include "platform/platform.h"

namespace vantorel::modBFVQueryParse {
namespace {

int StorePlayers(ParsedReply& reply) {
    int filled = 0;
    for (int i = 0; i < reply.playerIndexes; ++i) {
        if (i < kPlayerEntries) {
            Players()[static_cast<std::size_t>(i)] = std::move(reply.players[static_cast<std::size_t>(i)]);
            ++filled;
        }
        // Indexes beyond the table still yield, so a long count keeps the window as lively
        // as a short one.
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

int StoreReply(ParsedReply reply) {
    ServerInfo() = std::move(reply.record);
    return StorePlayers(reply);
}

int ParseServerReply(std::string_view reply) {
    return StoreReply(ParseReply(reply));
}

int ParseServerReply(std::string_view reply, Decoder decode) {
    return StoreReply(ParseReply(reply, decode));
}

int ParseServerPairs(std::span<const KeyValue> pairs) {
    return StoreReply(ParsePairs(pairs));
}

int ParsePlayerList(std::string_view reply) {
    ParsedReply parsed = ParseReply(reply);
    return StorePlayers(parsed);
}

}  // namespace vantorel::modBFVQueryParse
