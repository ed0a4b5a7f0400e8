// bfv-sample-server: a local responder for the status query, for the tests, the
// benchmarks and the demo.

#include <fstream>
#include <iostream>
#include <iterator>

#include "../common/arguments.h"
#include "../common/serve.h"
#include "platform/platform.h"
#include "sample_responder.h"

namespace {

constexpr const char* kUsage =
    "usage: bfv-sample-server [--bind ADDR] [--port N | --ports N-M] [--dialect full|standard|gs2]\n"
    "                         [--hostname T] [--map T] [--players N] [--max N] [--reserved N]\n"
    "                         [--free-after S] [--reply-file F] [--shuffle] [--password] [--vary]\n"
    "                         [--duration S] [--quiet]\n"
    "  --port 0 takes a port of the system's choice, said in the first line of output.\n"
    "  --shuffle sends the parts of a split reply out of order, as a busy server may.\n"
    "  --password says that the server asks for a password.\n"
    "  --vary makes each port of --ports a server of its own: names, maps and counts that\n"
    "  differ, some servers empty, some full, some with a password.\n";

int UsageError(const std::string& message) {
    return vantorel::tools::UsageError("bfv-sample-server", message, kUsage);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantorel;
    SampleResponder::Settings settings;
    std::optional<double> duration;
    bool quiet = false;
    const std::vector<std::string> args = tools::Arguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--quiet") {
            quiet = true;
            continue;
        }
        if (option == "--shuffle") {
            settings.shuffleParts = true;
            continue;
        }
        if (option == "--password") {
            settings.password = true;
            continue;
        }
        if (option == "--vary") {
            settings.vary = true;
            continue;
        }
        if (option == "--help" || option == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (i + 1 >= args.size()) {
            return UsageError("missing value after " + option);
        }
        const std::string& value = args[++i];
        if (option == "--bind") {
            settings.bind = value;
        } else if (option == "--port") {
            const auto port = tools::WholeArgument(value, 0, 65535);
            if (!port) {
                return UsageError("--port takes a port number, not \"" + value + "\"");
            }
            settings.firstPort = settings.lastPort = static_cast<int>(*port);
        } else if (option == "--ports") {
            const std::size_t dash = value.find('-');
            const auto first = tools::WholeArgument(value.substr(0, dash), 0, 999999);
            const auto last =
                dash == std::string::npos ? std::nullopt : tools::WholeArgument(value.substr(dash + 1), 0, 999999);
            if (first && last && (*first < 1 || *first > 65535 || *last < 1 || *last > 65535)) {
                return UsageError("--ports \"" + value + "\": a port is out of range (ports run from 1 to 65535)");
            }
            if (!first || !last || *last < *first || *last - *first >= 2000) {
                return UsageError("--ports takes a range N-M of at most 2000 ports, not \"" + value + "\"");
            }
            settings.firstPort = static_cast<int>(*first);
            settings.lastPort = static_cast<int>(*last);
        } else if (option == "--dialect") {
            if (value == "full") {
                settings.dialect = SampleResponder::Dialect::kFull;
            } else if (value == "standard") {
                settings.dialect = SampleResponder::Dialect::kStandard;
            } else if (value == "gs2") {
                settings.dialect = SampleResponder::Dialect::kGameSpy2;
            } else {
                return UsageError("--dialect takes full, standard or gs2, not \"" + value + "\"");
            }
        } else if (option == "--hostname") {
            settings.hostname = value;
        } else if (option == "--map") {
            settings.map = value;
        } else if (option == "--players" || option == "--max" || option == "--reserved") {
            const auto number = tools::WholeArgument(value, 0, 201);
            if (!number) {
                return UsageError(option + " takes a whole number from 0 to 201, not \"" + value + "\"");
            }
            (option == "--players" ? settings.players
             : option == "--max"   ? settings.maxPlayers
                                   : settings.reserved) = static_cast<int>(*number);
        } else if (option == "--free-after") {
            settings.freeAfterSeconds = tools::SecondsArgument(value);
            if (!settings.freeAfterSeconds) {
                return UsageError("--free-after takes seconds, not \"" + value + "\"");
            }
        } else if (option == "--duration") {
            duration = tools::SecondsArgument(value);
            if (!duration) {
                return UsageError("--duration takes seconds, not \"" + value + "\"");
            }
        } else if (option == "--reply-file") {
            std::ifstream file(value, std::ios::binary);
            if (!file) {
                return UsageError("cannot read the reply file \"" + value + "\"");
            }
            settings.replyBytes = std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
        } else {
            return UsageError("unknown option " + option);
        }
    }
    if (settings.reserved > settings.maxPlayers) {
        return UsageError("--reserved cannot exceed --max");
    }
    if (settings.players > settings.maxPlayers) {
        return UsageError("--players cannot exceed --max");
    }

    SampleResponder responder(settings);
    if (!quiet) {
        responder.SetOnReply([](const std::string& line) { std::cout << line << std::endl; });
    }
    std::string error;
    if (!responder.Open(&error)) {
        std::cerr << "bfv-sample-server: cannot answer on " << error << "\n";
        return 1;
    }
    // Said even when quiet: whoever started the server learns from it that it is ready, and
    // on which port when the system chose it.
    std::cout << "answering on " << settings.bind << " port " << responder.BoundPort(0);
    if (settings.lastPort != settings.firstPort) {
        std::cout << "-" << settings.lastPort;
    }
    std::cout << std::endl;
    tools::ServeUntilStopped(duration);
    return 0;
}
