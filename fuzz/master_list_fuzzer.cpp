// Drives arbitrary bytes through both master list decoders as a master would send them:
// the input's first byte picks the protocol, its options and a read size; the rest is the
// answer's plain text, enciphered here so that the fuzzer shapes what the decoder sees and
// the header and cipher are on the path too. Besides the sanitizers' findings, a few
// properties that must hold for any answer stop the run when broken: the same answer read
// whole and in pieces gives the same list, the list stays within its limits, and a list
// ends either whole or with its fault.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browse/game.h"
#include "browse/goa_cipher.h"
#include "browse/legacy_answer.h"
#include "browse/legacy_exchange.h"
#include "browse/list_cipher.h"
#include "browse/newer_answer.h"
#include "browse/newer_request.h"

namespace vantorel::browse {
namespace {

constexpr std::string_view kChallenge = "uQL).'JS";

void Check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

std::string NewerWire(std::string_view plain) {
    const std::string serverChallenge = "0123456789ABCDEFGHIJKLMNO";
    std::string wire(1, static_cast<char>(10 ^ 0xEC));
    wire += std::string(10, '\0');
    wire += static_cast<char>(serverChallenge.size() ^ 0xEA);
    wire += serverChallenge;
    std::string body(plain);
    GoaCipher(AnswerKey(kChallenge, serverChallenge, kGameKey)).Encrypt(body.data(), body.size());
    return wire + body;
}

std::string LegacyWire(std::string_view plain) {
    std::string wire(1, static_cast<char>(13 ^ 0xEC));
    wire += std::string(kGameKey) + std::string(7, '\0');
    std::string body(plain);
    ListCipher(std::string(13, '\0')).Apply(body.data(), body.size());
    return wire + body;
}

struct Outcome {
    std::vector<ServerAddress> servers;
    std::vector<std::vector<std::pair<std::string, std::string>>> fields;
    bool complete = false;
    std::string fault;
    std::string echo;
};

Outcome Read(bool legacy, bool option, const std::string& wire, std::size_t piece, std::size_t inputSize) {
    MasterList list;
    Outcome outcome;
    const auto feed = [&](auto& answer, auto handOver) {
        for (std::size_t at = 0; at < wire.size(); at += piece) {
            handOver(answer, std::string_view(wire).substr(at, piece));
        }
        answer.Finish(false);
    };
    if (legacy) {
        LegacyAnswer answer(list, option ? 2 : 0);
        feed(answer, [](LegacyAnswer& a, std::string_view bytes) { a.Feed(bytes); });
    } else {
        NewerAnswer answer(list, std::string(kChallenge), option);
        feed(answer, [&](NewerAnswer& a, std::string_view bytes) { outcome.echo += a.Feed(bytes); });
    }
    Check(list.Servers().size() <= ListLimits::kMostServers);
    Check(list.Servers().size() <= inputSize / 5);
    Check(list.Complete() || list.Fault());
    Check(option || !(list.Complete() && list.Fault()));  // a list that ends whole has no fault
    Check(outcome.echo.size() <= inputSize);
    for (const ListedServer& server : list.Servers()) {
        outcome.servers.push_back(server.address);
        Check(server.fields.Bytes() <= ListLimits::kLargestServerValues);
        outcome.fields.push_back(server.fields.Decode());
    }
    outcome.complete = list.Complete();
    outcome.fault = list.Fault() ? list.Fault()->Reason() : "";
    return outcome;
}

}  // namespace
}  // namespace vantorel::browse

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantorel::browse;
    if (size == 0) {
        return 0;
    }
    const bool legacy = (data[0] & 1) != 0;
    const bool option = (data[0] & 2) != 0;  // legacy: enctype 2; newer: follow later messages
    const std::size_t piece = 1 + (data[0] >> 2);
    const std::string_view plain(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string wire = legacy ? (option ? LegacyWire(plain) : std::string(plain)) : NewerWire(plain);

    const Outcome whole = Read(legacy, option, wire, wire.size() + 1, wire.size());
    const Outcome pieces = Read(legacy, option, wire, piece, wire.size());
    Check(whole.servers == pieces.servers);
    Check(whole.fields == pieces.fields);
    Check(whole.complete == pieces.complete);
    Check(whole.fault == pieces.fault);
    Check(whole.echo == pieces.echo);

    // The same bytes as a greeting, settled or not.
    for (const bool settled : {false, true}) {
        const Greeting greeting = ReadGreeting(plain, settled);
        Check(greeting.text.size() <= kLongestGreeting);
    }
    return 0;
}
