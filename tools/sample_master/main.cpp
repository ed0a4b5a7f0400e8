// bfv-sample-master: a local stand-in for a community master, for the tests, the
// benchmarks and the demo.

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

#include "../common/arguments.h"
#include "../common/serve.h"
#include "address_list.h"
#include "platform/platform.h"
#include "sample_master.h"

namespace {

constexpr const char* kUsage =
    "usage: bfv-sample-master [--bind ADDR] [--port N] [--protocol newer|legacy] [--enctype 0|2]\n"
    "                         [--fields] [--keep-open] [--keepalive S] [--lenient]\n"
    "                         [--servers-file F] [--duration S] [--quiet] [SERVER ...]\n"
    "SERVER is IP, IP:PORT or IP:FIRST-LAST (port 23000 when not given). The port is 28910\n"
    "for the newer protocol and 28900 for the legacy one unless --port says otherwise.\n";

int UsageError(const std::string& message) {
    return vantorel::tools::UsageError("bfv-sample-master", message, kUsage);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantorel;
    sampleMaster::SampleMaster::Settings settings;
    std::optional<int> port;
    std::optional<double> duration;
    bool quiet = false;
    std::string why;
    const std::vector<std::string> args = tools::Arguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (option == "--quiet" || option == "--fields" || option == "--keep-open" || option == "--lenient") {
            quiet = quiet || option == "--quiet";
            settings.conversation.sendFields = settings.conversation.sendFields || option == "--fields";
            settings.conversation.keepOpen = settings.conversation.keepOpen || option == "--keep-open";
            settings.conversation.lenient = settings.conversation.lenient || option == "--lenient";
            continue;
        }
        if (option.rfind("--", 0) != 0) {
            if (!sampleMaster::AddServers(option, settings.servers, &why)) {
                return UsageError(why);
            }
            continue;
        }
        if (i + 1 >= args.size()) {
            return UsageError("missing value after " + option);
        }
        const std::string& value = args[++i];
        if (option == "--bind") {
            settings.bind = value;
        } else if (option == "--port") {
            const auto number = tools::WholeArgument(value, 0, 65535);
            if (!number) {
                return UsageError("--port takes a port number, not \"" + value + "\"");
            }
            port = static_cast<int>(*number);
        } else if (option == "--protocol") {
            if (value != "newer" && value != "legacy") {
                return UsageError("--protocol takes newer or legacy, not \"" + value + "\"");
            }
            settings.conversation.protocol =
                value == "newer" ? browse::ListProtocol::kNewer : browse::ListProtocol::kLegacy;
        } else if (option == "--enctype") {
            if (value != "0" && value != "2") {
                return UsageError("--enctype takes 0 or 2, not \"" + value + "\"");
            }
            settings.conversation.enctype = value == "2" ? 2 : 0;
        } else if (option == "--keepalive") {
            const std::optional<double> seconds = tools::SecondsArgument(value);
            if (!seconds || *seconds < 0.01 || *seconds > 3600) {
                return UsageError("--keepalive takes seconds from 0.01 to 3600, not \"" + value + "\"");
            }
            settings.keepaliveMs = static_cast<unsigned>(*seconds * 1000);
        } else if (option == "--servers-file") {
            std::ifstream file(value, std::ios::binary);
            if (!file) {
                return UsageError("cannot read the servers file \"" + value + "\"");
            }
            const std::string text{std::istreambuf_iterator<char>(file), {}};
            if (!sampleMaster::AddServersFromText(text, settings.servers, &why)) {
                return UsageError(value + ": " + why);
            }
        } else if (option == "--duration") {
            duration = tools::SecondsArgument(value);
            if (!duration) {
                return UsageError("--duration takes seconds, not \"" + value + "\"");
            }
        } else {
            return UsageError("unknown option " + option);
        }
    }
    const bool legacy = settings.conversation.protocol == browse::ListProtocol::kLegacy;
    if (settings.conversation.enctype && !legacy) {
        return UsageError("--enctype is for --protocol legacy");
    }
    if (settings.conversation.sendFields && legacy) {
        return UsageError("--fields is for --protocol newer: legacy lists carry addresses only");
    }
    settings.port = port.value_or(legacy ? browse::kLegacyMasterPort : browse::kNewerMasterPort);

    sampleMaster::SampleMaster master(settings);
    if (!quiet) {
        master.SetOnEvent([](const std::string& line) { std::cout << line << std::endl; });
    }
    std::string error;
    if (!master.Open(&error)) {
        std::cerr << "bfv-sample-master: cannot listen on " << error << "\n";
        return 1;
    }
    // Said even when quiet: whoever started the master learns from it that it is ready.
    std::cout << "listing " << settings.servers.size() << " servers on " << settings.bind << " port "
              << master.BoundPort() << " (" << (legacy ? "legacy" : "newer") << ")" << std::endl;
    tools::ServeUntilStopped(duration);
    return 0;
}
