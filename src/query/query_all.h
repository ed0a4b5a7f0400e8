#pragma once
// The engine's blocking driver, for bfv-query: every target asked through datagram sockets,
// the thread waiting on them (or on the engine's next step) until each server has its result.

#include <string>
#include <vector>

#include "platform/datagram_sockets.h"
#include "query/query_engine.h"

namespace vantorel {

// One result per target, in the targets' order; empty, with the reason, when no socket
// could be opened at all. Time is the platform clock's.
std::vector<QueryResult> QueryAll(std::vector<QueryTarget> targets, const QueryEngine::Options& options,
                                  std::string* error);
// The same through sockets the caller opened.
std::vector<QueryResult> QueryAll(std::vector<QueryTarget> targets, const QueryEngine::Options& options,
                                  platform::DatagramSockets& sockets);

}  // namespace vantorel
