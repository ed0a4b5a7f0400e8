#include "query/query_protocol.h"

namespace vantorel {
namespace {

struct ProtocolNameEntry {
    QueryProtocol protocol;
    const char* name;
};
constexpr ProtocolNameEntry kNames[] = {
    {QueryProtocol::kAuto, "auto"},
    {QueryProtocol::kBasic, "basic"},
    {QueryProtocol::kStatus, "status"},
    {QueryProtocol::kGameSpy2, "gs2"},
};

}  // namespace

QueryProtocol ProtocolOf(Dialect dialect) {
    switch (dialect) {
        case Dialect::kBasic: return QueryProtocol::kBasic;
        case Dialect::kStatus: return QueryProtocol::kStatus;
        case Dialect::kGameSpy2: return QueryProtocol::kGameSpy2;
    }
    return QueryProtocol::kAuto;
}

const char* ProtocolName(QueryProtocol protocol) {
    for (const ProtocolNameEntry& entry : kNames) {
        if (entry.protocol == protocol) {
            return entry.name;
        }
    }
    return "";
}

const char* DialectName(Dialect dialect) {
    return ProtocolName(ProtocolOf(dialect));
}

std::optional<QueryProtocol> ParseProtocol(std::string_view name) {
    for (const ProtocolNameEntry& entry : kNames) {
        if (name == entry.name) {
            return entry.protocol;
        }
    }
    return std::nullopt;
}

}  // namespace vantorel
