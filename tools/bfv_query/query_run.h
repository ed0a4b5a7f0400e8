#pragma once
// Queries many servers at once, each through a stats window's logic of its own, and keeps
// what each window showed after its reply.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "query/mod_bfv_query_parse.h"

namespace vantorel::bfvQuery {

struct Target {
    std::string host;
    int port = 23000;
    std::string Label() const { return host + ":" + std::to_string(port); }
};

// "HOST" or "HOST:PORT"; empty, with the reason, for anything else.
std::optional<Target> ParseTarget(const std::string& text, std::string* error);

struct Display {
    std::string title;
    std::string serverTitle;
    std::string map;
    std::string players;
    std::vector<std::string> lines;
    bool waitForSlotVisible = false;
};

struct Result {
    enum class Status { kTimeout, kOk, kError };
    Target target;
    Status status = Status::kTimeout;
    std::string error;
    std::string ip;  // the address queried, where known
    double pingMs = 0;
    std::vector<std::pair<std::string, std::string>> fields;  // every server key, in the record's order
    std::vector<modBFVQueryParse::PlayerInfo> players;        // the entries this reply filled
    Display display;
};

// Sends every query at once and waits for the answers, at most `timeoutMs` in all.
std::vector<Result> QueryAll(const std::vector<Target>& targets, unsigned timeoutMs);

}  // namespace vantorel::bfvQuery
