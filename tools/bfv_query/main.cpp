// bfv-query: the status of one or many game servers, as the stats window shows it, in text
// or JSON; the servers given, or those the masters list.

#include <cstdio>
#include <new>
#include <optional>
#include <string>

#include "../common/arguments.h"
#include "../common/console.h"
#include "browse/fetch_masters.h"
#include "listing.h"
#include "masters.h"
#include "output.h"
#include "platform/ansi.h"
#include "query/query_all.h"
#include "targets.h"
#include "vantorel_version.h"

namespace {

using namespace vantorel;
using namespace vantorel::bfvQuery;

constexpr const char* kUsage =
    "usage: bfv-query [OPTION]... [HOST[:PORT]]...\n"
    "Asks game servers for their status and prints what the stats window would show;\n"
    "the servers given, those the masters list, or both.\n"
    "\n"
    "  HOST[:PORT]            a server (IPv4 address or host name; the game's query\n"
    "                         protocol has no IPv6); the query port is 23000 unless given\n"
    "  HOST:FIRST-LAST        every port of the range on that host\n"
    "  -f, --file FILE        servers from FILE, one HOST[:PORT] or range a line; text from\n"
    "                         \"#\" on and blank lines are ignored; a line that names no\n"
    "                         server is reported with its number and skipped; \"-\" reads\n"
    "                         standard input. UTF-8 or UTF-16 with a byte-order mark, else\n"
    "                         the 8-bit code page. At most 1,000,000 servers and 64 MB\n"
    "  --long                 five lines a server, as the stats window shows it, instead of\n"
    "                         one line a server (address, status, players/max, map, round\n"
    "                         trip in ms, name)\n"
    "  --players              the player lines (team, name, score/kills/deaths, ping)\n"
    "  --rules                the server's other keys\n"
    "  --json                 one JSON array instead of text\n"
    "  --sort players|ping|name\n"
    "                         most players first, lowest round trip first, or by title;\n"
    "                         servers that did not answer last\n"
    "  --timeout MS           how long each server has to answer (default 1500)\n"
    "  --protocol auto|basic|status|gs2\n"
    "                         the request to send; auto (the default) asks \\status\\,\n"
    "                         and GameSpy 2 when nothing came after 300 ms; the others\n"
    "                         force that one request. What is unanswered is asked once\n"
    "                         more halfway through the timeout. A host still answering\n"
    "                         other servers of the list is asked no more until it has\n"
    "                         been quiet for 50 ms\n"
    "  --max-simultaneous N   at most N servers waiting for an answer at a time (default\n"
    "                         1024); the others wait their turn. Few sockets are opened,\n"
    "                         within any file-handle limit\n"
    "  --master HOST[:PORT]   ask this master server for its list of the game's servers\n"
    "                         (port 28910 unless given; either list protocol, told\n"
    "                         apart by whether it greets); may be repeated. Every\n"
    "                         master is asked at once and every server listed is\n"
    "                         queried as any other, its masters named in --long and\n"
    "                         JSON\n"
    "  --masters              ask the community masters: bfvietnam.ms0.openspy.net:28910,\n"
    "                         bfvietnam.master.openspy.net:28900 and\n"
    "                         master2.qtracker.com:28900; any of them may be down\n"
    "  --list-only            print the masters' servers, one IP:PORT a line (with\n"
    "                         --json: address, masters and the values the master\n"
    "                         listed), without querying them\n"
    "  --master-timeout MS    how long each master has for its whole list (default 5000)\n"
    "  --filter EXPR          passed to the masters, e.g. \"numplayers > 0\" or\n"
    "                         \"hostname LIKE '%Hue%'\"; no backslash\n"
    "  --version              the version, then exit\n"
    "  -h, --help             this text, then exit (on Windows, /? too)\n"
    "\n"
    "An option's value may also follow an equals sign: --timeout=500, --sort=ping.\n"
    "Each server's status is ok, timeout (no answer), down (its port is closed) or error\n"
    "(no query could be sent, e.g. a host name that does not resolve). A server that answers\n"
    "without its name, map or counts is ok, and what its reply lacks is said.\n"
    "Text goes to a Windows console as Unicode; to a file or a pipe it is UTF-8, as is JSON.\n"
    "A master that fails is named on standard error (\"master HOST:PORT: REASON\"); what it\n"
    "listed before is kept and the other masters go on.\n"
    "Exit status 0 when every server given answered and every master sent its whole list,\n"
    "1 when one did not or a line of a list was skipped (a listed server that does not\n"
    "answer shows in its row only), 2 for a usage error or a list too long, 3 when the\n"
    "report could not be made or written.\n";

// One message on standard error, made safe for a terminal whatever the user typed.
void Say(const std::string& message) {
    tools::WriteText(stderr, "bfv-query: " + TerminalSafe(message) + "\n");
}

int UsageError(const std::string& message) {
    Say(message);
    tools::WriteText(stderr, "Try 'bfv-query --help'.\n");
    return 2;
}

struct Settings {
    bool json = false;
    TextOptions text;
    SortKey sort = SortKey::kNone;
    QueryEngine::Options run;
    std::vector<QueryTarget> targets;
    std::size_t skippedLines = 0;
    std::vector<browse::MasterAddress> masters;
    bool listOnly = false;
    std::optional<std::string> filter;
    std::optional<unsigned> masterTimeoutMs;
};

// The longest filter passed on: far beyond any that a master evaluates.
constexpr std::size_t kLongestFilter = 1024;

// Each master's fault as the user reads it, with what it listed before.
void SayFaults(const browse::ListMerge& merge) {
    for (const browse::ListMerge::Failure& failure : merge.Failures()) {
        std::string line = "master " + failure.master + ": " + failure.fault.Reason();
        if (failure.kept > 0) {
            line += " (the " + std::to_string(failure.kept) + " servers listed before it are kept)";
        }
        tools::WriteText(stderr, TerminalSafe(line) + "\n");
    }
    if (merge.Unusable() > 0) {
        Say(std::to_string(merge.Unusable()) + " listed addresses that no server can have were left out");
    }
}

// The masters' lists, merged; nothing when no connection could be made at all.
std::optional<Listing> AskMasters(const Settings& settings) {
    browse::MasterSession::Settings session;
    session.filter = settings.filter.value_or("");
    session.timeout = std::chrono::milliseconds(settings.masterTimeoutMs.value_or(5000));
    std::string error;
    std::optional<browse::ListMerge> merge = browse::FetchMasters(settings.masters, session, &error);
    if (!merge) {
        Say(error);
        return std::nullopt;
    }
    SayFaults(*merge);
    return Listing(std::move(*merge));
}

// Reads a list a piece at a time (never whole: it may be endless, as standard input or
// /dev/zero are) and reports the lines it skipped; false, with the reason, when the list
// cannot be read or is refused.
bool ReadList(const std::string& name, Settings& settings, std::string* error) {
    std::FILE* file = name == "-" ? tools::BinaryStandardInput() : tools::OpenToRead(name);
    if (file == nullptr) {
        *error = name + ": cannot be read";
        return false;
    }
    TargetListReader reader(name == "-" ? "standard input" : name, &settings.targets);
    static char buffer[1 << 16];
    std::size_t got = 0;
    bool accepted = true;
    while (accepted && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        accepted = reader.Add(std::string_view(buffer, got));
    }
    const bool failed = accepted && std::ferror(file);
    if (file != stdin) {
        std::fclose(file);
    }
    if (failed) {
        *error = name + ": cannot be read";
        return false;
    }
    if (!accepted || !reader.Finish()) {
        *error = reader.Refusal();
        return false;
    }
    for (const std::string& skipped : reader.Skipped()) {
        Say(skipped + " (line skipped)");
    }
    if (reader.SkippedCount() > reader.Skipped().size()) {
        Say(std::to_string(reader.SkippedCount() - reader.Skipped().size()) + " more lines skipped");
    }
    settings.skippedLines += reader.SkippedCount();
    return true;
}

int Run(int argc, char** argv) {
    Settings settings;
    const std::vector<std::string> args = tools::Utf8Arguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        // "--name=value" as well as "--name value".
        std::optional<std::string> attached;
        if (option.starts_with("--") && option.find('=') != std::string::npos) {
            attached = option.substr(option.find('=') + 1);
            option.erase(option.find('='));
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (attached) {
                return attached;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        const auto flag = [&](bool& setting) {
            setting = true;
            return !attached;
        };
        std::string error;
        if (option == "--json" || option == "--players" || option == "--rules" || option == "--long" ||
            option == "--list-only") {
            bool& setting = option == "--json"      ? settings.json
                            : option == "--players" ? settings.text.players
                            : option == "--rules"   ? settings.text.rules
                            : option == "--long"    ? settings.text.longView
                                                    : settings.listOnly;
            if (!flag(setting)) {
                return UsageError(option + " takes no value");
            }
        } else if (option == "--masters") {
            if (attached) {
                return UsageError("--masters takes no value");
            }
            for (browse::MasterAddress& master : CommunityMasters()) {
                if (!AddMaster(settings.masters, std::move(master))) {
                    return UsageError("at most " + std::to_string(kMostMasters) + " masters");
                }
            }
        } else if (option == "--master") {
            const std::optional<std::string> text = value();
            if (!text) {
                return UsageError("--master takes HOST or HOST:PORT");
            }
            std::optional<browse::MasterAddress> master = ParseMaster(*text, &error);
            if (!master) {
                return UsageError("--master " + error);
            }
            if (!AddMaster(settings.masters, std::move(*master))) {
                return UsageError("at most " + std::to_string(kMostMasters) + " masters");
            }
        } else if (option == "--master-timeout") {
            const std::optional<std::string> text = value();
            const auto number = text ? tools::WholeArgument(*text, 1, 600000) : std::nullopt;
            if (!number) {
                return UsageError("--master-timeout takes milliseconds from 1 to 600000");
            }
            settings.masterTimeoutMs = static_cast<unsigned>(*number);
        } else if (option == "--filter") {
            const std::optional<std::string> text = value();
            if (!text) {
                return UsageError("--filter takes an expression, e.g. \"numplayers > 0\"");
            }
            // Masters compare it with the servers' texts, which are in the 8-bit code page.
            const std::string filter = platform::Utf8ToAnsi(*text);
            if (const std::optional<std::string> problem = browse::MasterSession::FilterProblem(filter)) {
                return UsageError("--filter: " + *problem);
            }
            if (filter.size() > kLongestFilter) {
                return UsageError("--filter: at most " + std::to_string(kLongestFilter) + " characters");
            }
            settings.filter = filter;
        } else if (option == "--help" || option == "-h" || (option == "/?" && tools::SlashHelpIsCustom())) {
            return tools::WriteText(stdout, kUsage) ? 0 : 3;
        } else if (option == "--version") {
            return tools::WriteText(stdout, "bfv-query " VANTOREL_VERSION "\n") ? 0 : 3;
        } else if (option == "--timeout") {
            const std::optional<std::string> text = value();
            const auto number = text ? tools::WholeArgument(*text, 1, 600000) : std::nullopt;
            if (!number) {
                return UsageError("--timeout takes milliseconds from 1 to 600000");
            }
            settings.run.timeoutMs = static_cast<unsigned>(*number);
        } else if (option == "--max-simultaneous") {
            const std::optional<std::string> text = value();
            const auto number = text ? tools::WholeArgument(*text, 1, 65535) : std::nullopt;
            if (!number) {
                return UsageError("--max-simultaneous takes a number from 1 to 65535");
            }
            settings.run.maxSimultaneous = static_cast<int>(*number);
        } else if (option == "--protocol") {
            const std::optional<std::string> text = value();
            const auto protocol = text ? ParseProtocol(*text) : std::nullopt;
            if (!protocol) {
                return UsageError("--protocol takes auto, basic, status or gs2");
            }
            settings.run.protocol = *protocol;
        } else if (option == "--sort") {
            const std::string key = value().value_or("");
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
            const std::optional<std::string> name = value();
            if (!name) {
                return UsageError(option + " takes a file name");
            }
            if (!ReadList(*name, settings, &error)) {
                return UsageError(error);
            }
        } else if (option.size() > 1 && option[0] == '-') {
            return UsageError("unknown option " + option);
        } else if (!ParseTargets(option, &settings.targets, &error)) {
            return UsageError(error);
        }
    }
    const bool asksMasters = !settings.masters.empty();
    if (!asksMasters) {
        if (settings.listOnly || settings.filter || settings.masterTimeoutMs) {
            return UsageError(std::string(settings.listOnly ? "--list-only"
                                          : settings.filter ? "--filter"
                                                            : "--master-timeout") +
                              " is for the masters' lists: give --master or --masters");
        }
        if (settings.targets.empty()) {
            return UsageError(settings.skippedLines > 0 ? "no server given: every line of the list was skipped"
                                                        : "no server given");
        }
    } else if (settings.listOnly && !settings.targets.empty()) {
        return UsageError("--list-only prints the masters' servers: give no server to query with it");
    }
    const auto write = [](std::string_view text) { return tools::WriteText(stdout, text); };
    // A report that did not reach its reader (a full disk, a closed pipe) is no success.
    const auto written = [](bool wrote) {
        if (!wrote || std::fflush(stdout) != 0) {
            Say("the report could not be written");
            return false;
        }
        return true;
    };
    bool whole = true;  // every master sent its whole list
    std::optional<Listing> listing;
    if (asksMasters) {
        listing = AskMasters(settings);
        if (!listing) {
            return 1;
        }
        whole = listing->Merge().AllWhole();
        if (settings.listOnly) {
            return !written(WriteList(listing->Merge(), settings.json, write)) ? 3 : whole ? 0 : 1;
        }
    }
    // The servers given are asked first; their failures count in the exit status, the
    // listed servers' do not.
    const std::size_t given = settings.targets.size();
    if (listing) {
        std::vector<QueryTarget> listed = listing->Targets();
        if (listed.size() > kMostTargets - given) {
            Say("the masters listed more servers than one run asks (" + std::string(kListBounds) +
                "): the first are asked");
            listed.resize(kMostTargets - given);
            whole = false;
        }
        settings.targets.insert(settings.targets.end(), listed.begin(), listed.end());
    }
    std::vector<QueryResult> results;
    if (!settings.targets.empty()) {
        std::string error;
        results = QueryAll(std::move(settings.targets), settings.run, &error);
        if (results.empty()) {
            Say(error);
            return 1;
        }
    }
    bool answered = true;
    for (std::size_t i = 0; i < given; ++i) {
        answered = answered && results[i].status == QueryResult::Status::kOk;
    }
    SortResults(results, settings.sort);
    if (!written(WriteReport(results, settings.json, settings.text, write, listing ? &*listing : nullptr))) {
        return 3;
    }
    return answered && whole && settings.skippedLines == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Every bound is meant to keep a run well inside memory; should the system still run
    // short, the user hears so instead of seeing the program abort.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        Say("not enough memory to make the report");
        return 3;
    }
}
