#pragma once
// The status requests a server may answer, and their names.

#include <optional>
#include <string_view>

namespace vantorel {

// What the user or the caller asks for; kAuto finds out what the server speaks.
enum class QueryProtocol { kAuto, kBasic, kStatus, kGameSpy2 };

// The request a server answered.
enum class Dialect { kBasic, kStatus, kGameSpy2 };

// The protocol that asks for exactly that request.
QueryProtocol ProtocolOf(Dialect dialect);

// "auto", "basic", "status" and "gs2": the names bfv-query takes and reports.
const char* ProtocolName(QueryProtocol protocol);
const char* DialectName(Dialect dialect);
std::optional<QueryProtocol> ParseProtocol(std::string_view name);

}  // namespace vantorel
