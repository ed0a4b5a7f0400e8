#pragma once
// Turns each reply into what bfv-query keeps of it (ServerReport) the moment it arrives, so
// that nothing of the reply itself outlives its parse; and a kept report into the texts the
// stats window would show.

#include <memory>

#include "query/query_session.h"
#include "result.h"

namespace vantorel::bfvQuery {

std::shared_ptr<const ServerReport> SummarizeReply(const QueryReply& reply);

Display ShowReport(const ServerReport& report);

}  // namespace vantorel::bfvQuery
