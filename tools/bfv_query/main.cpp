// bfv-query: the status of one or many game servers, as the stats window shows it, in text
// or JSON.

#include <cstdio>
#include <string>

#include "../common/arguments.h"
#include "engine.h"
#include "output.h"
#include "vantorel_version.h"

namespace {

using namespace vantorel;
using namespace vantorel::bfvQuery;

constexpr const char* kUsage =
    "usage: bfv-query [OPTION]... [HOST[:PORT]]...\n"
    "Asks game servers for their status and prints what the stats window would show.\n"
    "\n"
    "  HOST[:PORT]            a server; the query port is 23000 unless given\n"
    "  HOST:FIRST-LAST        every port of the range on that host\n"
    "  -f, --file FILE        servers from FILE, one HOST[:PORT] or range a line; text from\n"
    "                         \"#\" on and blank lines are ignored; \"-\" reads standard input\n"
    "  --json                 one JSON array instead of text\n"
    "  --players              the player lines (team, name, score/kills/deaths, ping)\n"
    "  --rules                the server's other keys\n"
    "  --sort players|ping|name\n"
    "                         most players first, lowest round trip first, or by title;\n"
    "                         servers that did not answer last\n"
    "  --timeout MS           how long each server has to answer (default 1500)\n"
    "  --protocol auto|basic|status|gs2\n"
    "                         the request to send; auto (the default) asks \\basic\\,\n"
    "                         \\status\\ for a short answer, and \\status\\ and GameSpy 2\n"
    "                         when nothing came after 300 ms; the others force that one\n"
    "                         request. What is unanswered is asked once more halfway\n"
    "                         through the timeout\n"
    "  --max-simultaneous N   at most N servers waiting for an answer at a time (default\n"
    "                         1024); the others wait their turn. Few sockets are opened,\n"
    "                         within any file-handle limit\n"
    "  --version              the version, then exit\n"
    "  -h, --help             this text, then exit\n"
    "\n"
    "Each server's status is ok, timeout (no answer), down (its port is closed) or error\n"
    "(no query could be sent, e.g. a host name that does not resolve).\n"
    "Exit status 0 when every server answered, 1 when one did not, 2 for a usage error, 3 when the\n"
    "report could not be written.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "bfv-query: %s\nTry 'bfv-query --help'.\n", message.c_str());
    return 2;
}

// The whole of a file, or of standard input for "-"; false when it cannot be read. No
// iostreams: their start-up is a good part of a short run.
bool Slurp(const std::string& name, std::string* text) {
    std::FILE* file = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text->append(buffer, got);
    }
    const bool read = !std::ferror(file);
    if (file != stdin) {
        std::fclose(file);
    }
    return read;
}

struct Settings {
    bool json = false;
    TextOptions text;
    SortKey sort = SortKey::kNone;
    RunOptions run;
    std::vector<Target> targets;
};

bool ReadFile(const std::string& name, std::vector<Target>* targets, std::string* error) {
    std::string text;
    if (!Slurp(name, &text)) {
        *error = name + ": cannot be read";
        return false;
    }
    return ReadTargets(text, name == "-" ? "standard input" : name, targets, error);
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    const std::vector<std::string> args = tools::Arguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const bool hasValue = i + 1 < args.size();
        std::string error;
        if (option == "--json") {
            settings.json = true;
        } else if (option == "--players") {
            settings.text.players = true;
        } else if (option == "--rules") {
            settings.text.rules = true;
        } else if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (option == "--version") {
            std::fputs("bfv-query " VANTOREL_VERSION "\n", stdout);
            return 0;
        } else if (option == "--timeout") {
            const auto value = hasValue ? tools::WholeArgument(args[++i], 1, 600000) : std::nullopt;
            if (!value) {
                return UsageError("--timeout takes milliseconds from 1 to 600000");
            }
            settings.run.timeoutMs = static_cast<unsigned>(*value);
        } else if (option == "--max-simultaneous") {
            const auto value = hasValue ? tools::WholeArgument(args[++i], 1, 65535) : std::nullopt;
            if (!value) {
                return UsageError("--max-simultaneous takes a number from 1 to 65535");
            }
            settings.run.maxSimultaneous = static_cast<int>(*value);
        } else if (option == "--protocol") {
            const auto protocol = hasValue ? ParseProtocol(args[++i]) : std::nullopt;
            if (!protocol) {
                return UsageError("--protocol takes auto, basic, status or gs2");
            }
            settings.run.protocol = *protocol;
        } else if (option == "--sort") {
            const std::string key = hasValue ? args[++i] : "";
            if (key == "players") {
                settings.sort = SortKey::kPlayers;
            } else if (key == "ping") {
                settings.sort = SortKey::kPing;
            } else if (key == "name") {
                settings.sort = SortKey::kName;
            } else {
                return UsageError("--sort takes players, ping or name");
            }
        } else if (option == "-f" || option == "--file") {
            if (!hasValue) {
                return UsageError(option + " takes a file name");
            }
            if (!ReadFile(args[++i], &settings.targets, &error)) {
                return UsageError(error);
            }
        } else if (option.size() > 1 && option[0] == '-') {
            return UsageError("unknown option " + option);
        } else if (!ParseTargets(option, &settings.targets, &error)) {
            return UsageError(error);
        }
    }
    if (settings.targets.empty()) {
        return UsageError("no server given");
    }
    std::string error;
    std::vector<Result> results = QueryAll(settings.targets, settings.run, &error);
    if (results.empty()) {
        std::fprintf(stderr, "bfv-query: %s\n", error.c_str());
        return 1;
    }
    SortResults(results, settings.sort);
    // A few servers' reports at a time, so that a thousand servers' output (some megabytes
    // of JSON) is never held whole, yet goes out in few writes.
    constexpr std::size_t kWriteSize = 1 << 16;
    std::string pending;
    bool written = true;
    for (std::size_t i = 0; i < results.size(); ++i) {
        pending += settings.json ? JsonEntry(results[i], i) : TextEntry(results[i], settings.text);
        if (pending.size() >= kWriteSize) {
            written = written && std::fwrite(pending.data(), 1, pending.size(), stdout) == pending.size();
            pending.clear();
        }
    }
    if (settings.json) {
        pending += JsonEnd(results.size());
    }
    written = written && std::fwrite(pending.data(), 1, pending.size(), stdout) == pending.size();
    // A report that did not reach its reader (a full disk, a closed pipe) is no success.
    if (!written || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "bfv-query: the report could not be written\n");
        return 3;
    }
    for (const Result& result : results) {
        if (result.status != Result::Status::kOk) {
            return 1;
        }
    }
    return 0;
}
