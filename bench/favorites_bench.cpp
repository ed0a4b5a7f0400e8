// How long filling the favourites list takes as the file grows: 100, 1,000 and 10,000
// sections in a real Favorites.ini, read and listed into the list's model, as at start-up
// and after every add or remove.

#include <benchmark/benchmark.h>

#include <string>

#include "fakes/temp_folder.h"
#include "launcher/combo_box.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"

namespace vantorel {
namespace {

// A game folder holding the game and a favourites file of `sections` favourites, every
// tenth of them removed, written as the launcher writes them.
class Installation {
  public:
    explicit Installation(int sections) {
        std::string file;
        for (int i = 0; i < sections; ++i) {
            const std::string server = i % 10 == 9 ? "0.0.0.0"
                                                   : "10." + std::to_string(i / 65536) + "." +
                                                         std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
            file += "[Favourite server number " + std::to_string(i) + "]\r\nServer=" + server +
                    "\r\nPort=15567\r\nCreation=14.08.2004  20:33:28\r\n";
        }
        folder_.Write("Favorites.ini", file);
        folder_.Write("bfvietnam.exe", "MZ");
        platform::Current().registry = &registry_;
        registry_.SetString(platform::kLocalMachine, modMain::kGameKey, modMain::kGameDirValue, folder_.Text());
        modMain::ReadGameDir();
    }

  private:
    platform::ScopedPlatform restore_;
    testing::TempFolder folder_;
    platform::MemoryRegistry registry_;
};

void BM_FillFavoriteList(benchmark::State& state) {
    const Installation installation(static_cast<int>(state.range(0)));
    ComboBox list;
    for (auto _ : state) {
        modFavorites::FillFavoriteList(list);
        benchmark::DoNotOptimize(list.ListCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FillFavoriteList)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace vantorel
