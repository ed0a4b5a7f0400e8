// How long a master's list of many servers takes to decode, as it comes off the
// connection (header, cipher, records), in each protocol and encoding; what merging three
// such lists costs; and how much heap a decoded list holds per server.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>
#include <vector>

#include "address_list.h"
#include "browse/legacy_answer.h"
#include "browse/legacy_exchange.h"
#include "browse/list_merge.h"
#include "browse/newer_answer.h"
#include "browse/newer_request.h"
#include "master_conversation.h"

namespace {

// The bytes the C library's heap has handed out and not had back.
long long HeapInUse() {
    return static_cast<long long>(mallinfo2().uordblks);
}

}  // namespace

namespace vantorel::browse {
namespace {

constexpr std::string_view kChallenge = "uQL).'JS";

std::vector<ServerAddress> Servers(int count) {
    std::vector<ServerAddress> servers;
    for (int i = 0; i < count; ++i) {
        // Spread over many addresses, every fourth on a port of its own, as real lists are.
        servers.push_back({0x0A000000u + static_cast<std::uint32_t>(i) * 7919u,
                           static_cast<std::uint16_t>(i % 4 == 0 ? 23001 : 23000)});
    }
    return servers;
}

// The bytes a sample master sends for `servers`.
std::string Answer(const std::vector<ServerAddress>& servers, ListProtocol protocol, int enctype, bool fields) {
    sampleMaster::MasterConversation::Settings settings;
    settings.protocol = protocol;
    settings.sendFields = fields;
    sampleMaster::MasterConversation master(settings, servers, 0x7F000001, 1);
    if (protocol == ListProtocol::kNewer) {
        std::string why;
        return master.OnBytes(EncodeListRequest({std::string(kChallenge), "", std::string(kBrowserFields), 1}, &why))
            .send;
    }
    const Greeting greeting = ReadGreeting(master.Greeting(), true);
    return master.OnBytes(LegacyRequest(greeting.text, enctype, "")).send;
}

void Decode(const std::string& wire, ListProtocol protocol, int enctype, MasterList& list) {
    if (protocol == ListProtocol::kNewer) {
        NewerAnswer answer(list, std::string(kChallenge), false);
        answer.Feed(wire);
        answer.Finish(false);
    } else {
        LegacyAnswer answer(list, enctype);
        answer.Feed(wire);
        answer.Finish(false);
    }
}

// Arguments: server count, protocol (0 newer, 1 legacy), enctype or fields (newer: 1 with
// the browser's field values).
void BM_DecodeList(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const ListProtocol protocol = state.range(1) == 0 ? ListProtocol::kNewer : ListProtocol::kLegacy;
    const int option = static_cast<int>(state.range(2));
    const std::string wire = Answer(Servers(count), protocol, option, option == 1);
    long long heldPerServer = 0;
    for (auto _ : state) {
        const long long before = HeapInUse();
        MasterList list;
        Decode(wire, protocol, option, list);
        heldPerServer = (HeapInUse() - before) / count;
        if (!list.Complete() || list.Servers().size() != static_cast<std::size_t>(count)) {
            state.SkipWithError("the list did not decode whole");
        }
        benchmark::DoNotOptimize(list);
    }
    state.counters["answer_bytes"] = static_cast<double>(wire.size());
    state.counters["held_bytes_per_server"] = static_cast<double>(heldPerServer);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_DecodeList)
    ->ArgNames({"servers", "legacy", "enctype_or_fields"})
    ->Args({10000, 0, 0})
    ->Args({10000, 0, 1})
    ->Args({10000, 1, 0})
    ->Args({10000, 1, 2})
    ->Unit(benchmark::kMillisecond);

// Three masters listing the same servers, as the community masters mostly do.
void BM_MergeThreeLists(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string wire = Answer(Servers(count), ListProtocol::kNewer, 0, true);
    MasterList list;
    Decode(wire, ListProtocol::kNewer, 0, list);
    long long heldPerServer = 0;
    for (auto _ : state) {
        const long long before = HeapInUse();
        ListMerge merge;
        merge.Add("a:28910", list);
        merge.Add("b:28900", list);
        merge.Add("c:28900", list);
        heldPerServer = (HeapInUse() - before) / count;
        benchmark::DoNotOptimize(merge);
    }
    state.counters["held_bytes_per_server"] = static_cast<double>(heldPerServer);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_MergeThreeLists)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantorel::browse
