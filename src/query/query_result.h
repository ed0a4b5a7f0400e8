#pragma once
// What the many-server engine learns about one server, whatever the protocol or the
// transport.

#include <memory>
#include <optional>
#include <string>

#include "query/query_protocol.h"
#include "query/query_target.h"
#include "query/server_report.h"

namespace vantorel {

struct QueryResult {
    // kDown: the system said the port is closed; kTimeout: nothing came back in time;
    // kError: no query could be sent (a name that does not resolve, a refused send);
    // kCancelled: the caller ended the query first.
    enum class Status { kTimeout, kOk, kDown, kError, kCancelled };
    QueryTarget target;
    Status status = Status::kTimeout;
    std::string error;
    std::string ip;  // the address queried, where known
    double pingMs = 0;
    std::optional<Dialect> dialect;  // the request that was answered (kOk only)
    // The answer (kOk only); shared by the entries of a server listed more than once.
    std::shared_ptr<const ServerReport> report;
};

}  // namespace vantorel
