// The Servers window's handlers with 2,000 servers: the masters' list arriving, each
// answer moving its row while the list is sorted and filtered, a header click, a search
// typed, and the kept list written and read. Each figure is one handler's run.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "browse/frm_servers.h"
#include "browse/kept_list.h"
#include "fakes/fake_servers_window.h"
#include "fakes/fake_services.h"

namespace vantorel::browse {
namespace {

constexpr int kServers = 2000;
constexpr const char* kKept = "C:\\Game\\Servers.txt";

ServerKey Key(int i) {
    const std::string text = ServerAddress{0x0A000000u + static_cast<std::uint32_t>(i) * 7919u, 23000}.Text();
    return {text.substr(0, text.rfind(':')), 23000};
}

MasterList Listing() {
    MasterList list;
    std::string why;
    for (int i = 0; i < kServers; ++i) {
        list.Add({{0x0A000000u + static_cast<std::uint32_t>(i) * 7919u, 23000}, {}}, &why);
    }
    list.MarkComplete();
    return list;
}

ServerAnswer Answer(int i) {
    ServerAnswer answer;
    answer.title = "Server " + std::to_string(i * 37 % kServers) + " =[VN]= Saigon";
    answer.map = i % 3 == 0 ? "Hue" : "Khe Sanh";
    answer.gameType = "conquest";
    answer.version = "v1.21";
    answer.players = i % 33;
    answer.maxPlayers = 32;
    answer.password = i % 7 == 0;
    answer.pingMs = 20 + i % 200;
    answer.gamePort = 15567;
    for (int p = 0; p < i % 33; ++p) {
        answer.playerNames.push_back("Player" + std::to_string(p));
    }
    return answer;
}

// A window whose masters have listed 2,000 servers, all of them answered.
struct Filled {
    Filled() {
        platform.files.files["Vantorel.ini"] = "[Masters]\r\n127.0.0.1:28910\r\n";
        frmServers::Options options;
        options.mastersPath = "Vantorel.ini";
        options.keptListPath = kKept;
        options.stamp = [] { return "15.08.2004  18:02:11"; };
        window = std::make_unique<frmServers>(view, link, source, options);
        window->Form_Load();
        source.events->OnMasterList(0, Listing());
        for (int i = 0; i < kServers; ++i) {
            source.events->OnServerAnswer(Key(i), Answer(i));
        }
    }
    testing::FakePlatform platform;
    testing::FakeServersView view;
    testing::FakeServersLink link;
    testing::FakeServerSource source;
    std::unique_ptr<frmServers> window;
};

void MastersListOf2000(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        testing::FakePlatform platform;
        testing::FakeServersView view;
        testing::FakeServersLink link;
        testing::FakeServerSource source;
        frmServers::Options options;
        options.mastersPath = "Vantorel.ini";
        frmServers window(view, link, source, options);
        window.Form_Load();
        const MasterList list = Listing();
        state.ResumeTiming();
        for (std::size_t master = 0; master < 3; ++master) {
            source.events->OnMasterList(master, list);  // three masters listing the same servers
        }
        benchmark::DoNotOptimize(window.List().Count());
    }
}
BENCHMARK(MastersListOf2000)->Unit(benchmark::kMillisecond);

// One answer while 2,000 rows are sorted by players and a search is typed: the slowest
// of the handlers that run once per server.
void AnswerMovesItsRow(benchmark::State& state) {
    Filled filled;
    filled.window->lvwServers_ColumnClick(static_cast<int>(Column::kPlayers));
    filled.window->txtSearch.UserTyped("saigon");
    filled.window->txtSearch_Change();
    filled.window->Refresh();
    int i = 0;
    for (auto _ : state) {
        ServerAnswer answer = Answer(i);
        answer.players = (i * 13) % 33;
        filled.source.events->OnServerAnswer(Key(i % kServers), answer);
        if (++i % kServers == 0) {
            state.PauseTiming();
            filled.window->Refresh();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(AnswerMovesItsRow)->Unit(benchmark::kMicrosecond);

// The last answer of a refresh: the kept list of 2,000 is written with it.
void LastAnswerKeepsTheList(benchmark::State& state) {
    Filled filled;
    for (auto _ : state) {
        state.PauseTiming();
        filled.window->Refresh();
        filled.source.events->OnMasterList(0, Listing());
        for (int i = 1; i < kServers; ++i) {
            filled.source.events->OnServerAnswer(Key(i), Answer(i));
        }
        state.ResumeTiming();
        filled.source.events->OnServerAnswer(Key(0), Answer(0));
    }
}
BENCHMARK(LastAnswerKeepsTheList)->Unit(benchmark::kMillisecond);

// Opening the window on a kept list of 2,000: read, shown, and every server asked.
void OpenOnAKeptList(benchmark::State& state) {
    std::vector<KeptServer> servers;
    for (int i = 0; i < kServers; ++i) {
        servers.push_back({Key(i), Answer(i)});
    }
    testing::FakePlatform platform;
    platform.files.files[kKept] = KeptListText("15.08.2004  18:02:11", servers);
    for (auto _ : state) {
        testing::FakeServersView view;
        testing::FakeServersLink link;
        testing::FakeServerSource source;
        frmServers::Options options;
        options.keptListPath = kKept;
        frmServers window(view, link, source, options);
        window.Form_Load();
        benchmark::DoNotOptimize(source.queried.size());
    }
}
BENCHMARK(OpenOnAKeptList)->Unit(benchmark::kMillisecond);

void RefreshKey(benchmark::State& state) {
    Filled filled;
    filled.window->lvwServers_ColumnClick(static_cast<int>(Column::kPlayers));
    for (auto _ : state) {
        filled.window->Form_KeyDown(frmServers::kKeyF5);
    }
}
BENCHMARK(RefreshKey)->Unit(benchmark::kMillisecond);

void HeaderClick(benchmark::State& state) {
    Filled filled;
    int column = 0;
    for (auto _ : state) {
        filled.window->lvwServers_ColumnClick(column++ % kColumnCount);
    }
}
BENCHMARK(HeaderClick)->Unit(benchmark::kMillisecond);

void SearchTyped(benchmark::State& state) {
    Filled filled;
    const char* searches[] = {"p", "pl", "player3", "khe", "10.", ""};
    int i = 0;
    for (auto _ : state) {
        filled.window->txtSearch.UserTyped(searches[i++ % 6]);
        filled.window->txtSearch_Change();
    }
}
BENCHMARK(SearchTyped)->Unit(benchmark::kMillisecond);

void FilterTicked(benchmark::State& state) {
    Filled filled;
    int i = 0;
    for (auto _ : state) {
        filled.window->chkNotFull.UserClicked(i++ % 2);
        filled.window->chkNotFull_Click();
    }
}
BENCHMARK(FilterTicked)->Unit(benchmark::kMillisecond);

void KeptListRead(benchmark::State& state) {
    std::vector<KeptServer> servers;
    for (int i = 0; i < kServers; ++i) {
        servers.push_back({Key(i), Answer(i)});
    }
    const std::string text = KeptListText("15.08.2004  18:02:11", servers);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseKeptList(text).servers.size());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(KeptListRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantorel::browse
