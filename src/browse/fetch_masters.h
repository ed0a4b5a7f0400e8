#pragma once
// The fetch's blocking driver, for bfv-query: every master asked at once over TCP, the
// thread waiting on the connections (or on the fetch's next step) until each master's list
// has ended. Names are looked up as the query engine's are, on worker threads.

#include <optional>
#include <string>
#include <vector>

#include "browse/list_merge.h"
#include "browse/master_session.h"
#include "browse/server_source.h"
#include "platform/stream_sockets.h"

namespace vantorel::browse {

// The merged lists, each master named by its HOST:PORT and each failure with its reason;
// nothing, with the reason, when no connection can be made at all. Time is the platform
// clock's.
std::optional<ListMerge> FetchMasters(std::vector<MasterAddress> masters, const MasterSession::Settings& settings,
                                      std::string* error);
// The same through the caller's connections.
ListMerge FetchMasters(std::vector<MasterAddress> masters, const MasterSession::Settings& settings,
                       platform::StreamSockets& sockets);

}  // namespace vantorel::browse
