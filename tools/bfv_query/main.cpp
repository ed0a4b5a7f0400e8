// bfv-query: the status of one or many game servers, as the stats window shows it, in text
// or JSON.

#include <cstdio>
#include <iostream>

#include "../common/arguments.h"
#include "output.h"
#include "query_run.h"

namespace {

constexpr const char* kUsage = "usage: bfv-query [--json] [--timeout MS] HOST[:PORT]...\n";

int UsageError(const std::string& message) {
    std::cerr << "bfv-query: " << message << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantorel;
    bool json = false;
    unsigned timeoutMs = 1500;
    std::vector<bfvQuery::Target> targets;
    const std::vector<std::string> args = tools::Arguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--timeout") {
            const auto value = i + 1 < args.size() ? tools::WholeArgument(args[++i], 1, 600000) : std::nullopt;
            if (!value) {
                return UsageError("--timeout takes milliseconds from 1 to 600000");
            }
            timeoutMs = static_cast<unsigned>(*value);
        } else if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (args[i].rfind("--", 0) == 0) {
            return UsageError("unknown option " + args[i]);
        } else {
            std::string error;
            const std::optional<bfvQuery::Target> target = bfvQuery::ParseTarget(args[i], &error);
            if (!target) {
                return UsageError(error);
            }
            targets.push_back(*target);
        }
    }
    if (targets.empty()) {
        return UsageError("no server given");
    }
    const std::vector<bfvQuery::Result> results = bfvQuery::QueryAll(targets, timeoutMs);
    const std::string report = json ? bfvQuery::JsonReport(results) : bfvQuery::TextReport(results);
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fflush(stdout);
    for (const bfvQuery::Result& result : results) {
        if (result.status != bfvQuery::Result::Status::kOk) {
            return 1;
        }
    }
    return 0;
}
