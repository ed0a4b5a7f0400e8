#pragma once
// Asks many servers at once: each server is one QueryProtocol, its replies found by their
// sender, its timeout on one timer queue, at most a set number of queries outstanding at a
// time. The sockets are the transport's (datagram_sockets.h): a few shared ones natively.

#include <memory>
#include <string>
#include <vector>

#include "datagram_sockets.h"
#include "query_adapter.h"
#include "result.h"
#include "targets.h"

namespace vantorel::bfvQuery {

struct RunOptions {
    static constexpr int kDefaultSimultaneous = 1024;
    unsigned timeoutMs = 1500;
    Protocol protocol = Protocol::kAuto;
    // At most this many servers wait for an answer at a time; the others wait their turn.
    int maxSimultaneous = kDefaultSimultaneous;
    // How long host names may take to resolve, from the start of the run.
    unsigned lookupWaitMs = 5000;
};

// One result per target, in the targets' order; empty, with the reason, when no socket
// could be opened at all.
std::vector<Result> QueryAll(std::vector<Target> targets, const RunOptions& options, std::string* error);
// The same through sockets the caller opened.
std::vector<Result> QueryAll(std::vector<Target> targets, const RunOptions& options,
                             std::unique_ptr<DatagramSockets> sockets);

}  // namespace vantorel::bfvQuery
