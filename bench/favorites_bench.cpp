// How long filling the favourites list takes as the file grows: 100, 1,000 and 10,000
// sections in a real Favorites.ini, read and listed into the list's model, as at start-up
// and after every add or remove. Then the largest file the launcher reads, as blank lines
// and as the most sections it can hold, with the heap's peak during a fill and a save; and
// a file of 100 MB, which is refused.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "fakes/temp_folder.h"
#include "forms/combo_box.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
#include "launcher/profile_file.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"

namespace vantorel {

// The heap in use and its peak, counted by every allocation of the program.
std::atomic<std::size_t> heapInUse{0};
std::atomic<std::size_t> heapPeak{0};

}  // namespace vantorel

// These replacements take their blocks from malloc and give them back to free, which GCC
// cannot see once the standard containers' calls are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t now = vantorel::heapInUse += malloc_usable_size(block);
    std::size_t peak = vantorel::heapPeak;
    while (now > peak && !vantorel::heapPeak.compare_exchange_weak(peak, now)) {
    }
    return block;
}

void operator delete(void* block) noexcept {
    if (block != nullptr) {
        vantorel::heapInUse -= malloc_usable_size(block);
        std::free(block);
    }
}

void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

namespace vantorel {
namespace {

// A game folder holding the game and a favourites file of `sections` favourites, every
// tenth of them removed, written as the launcher writes them.
class Installation {
  public:
    explicit Installation(int sections) : Installation(Favourites(sections)) {}

    explicit Installation(const std::string& file) {
        folder_.Write("Favorites.ini", file);
        folder_.Write("bfvietnam.exe", "MZ");
        platform::Current().registry = &registry_;
        registry_.SetString(platform::kLocalMachine, modMain::kGameKey, modMain::kGameDirValue, folder_.Text());
        modMain::ReadGameDir();
    }

    static std::string Favourites(int sections) {
        std::string file;
        for (int i = 0; i < sections; ++i) {
            const std::string server = i % 10 == 9 ? "0.0.0.0"
                                                   : "10." + std::to_string(i / 65536) + "." +
                                                         std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
            file += "[Favourite server number " + std::to_string(i) + "]\r\nServer=" + server +
                    "\r\nPort=15567\r\nCreation=14.08.2004  20:33:28\r\n";
        }
        return file;
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

// The largest file that is read, less a little for the saves to add: blank lines only (0),
// or as many sections as fit, each a short name and a server (1).
std::string LargestFile(int kind) {
    const std::size_t size = profileFile::kMaxFileBytes - 1024;
    std::string file;
    if (kind == 0) {
        for (std::size_t i = 0; i < size / 2; ++i) {
            file += "\r\n";
        }
        return file;
    }
    for (int i = 0;; ++i) {
        const std::string section = "[" + std::to_string(i) + "]\r\nServer=1.1.1.1\r\n";
        if (file.size() + section.size() > size) {
            return file;
        }
        file += section;
    }
}

// The heap's peak above what was in use before, for one run of `work`.
template <class Work>
std::size_t PeakOf(Work&& work) {
    const std::size_t before = heapInUse;
    heapPeak = before;
    work();
    return heapPeak - before;
}

void BM_FillLargestFile(benchmark::State& state) {
    const Installation installation(LargestFile(static_cast<int>(state.range(0))));
    ComboBox list;
    std::size_t peak = 0;
    for (auto _ : state) {
        peak = std::max(peak, PeakOf([&] { modFavorites::FillFavoriteList(list); }));
    }
    state.counters["items"] = static_cast<double>(list.ListCount());
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
}
BENCHMARK(BM_FillLargestFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SaveToLargestFile(benchmark::State& state) {
    const Installation installation(LargestFile(static_cast<int>(state.range(0))));
    std::size_t peak = 0;
    bool saved = true;
    for (auto _ : state) {
        peak =
            std::max(peak, PeakOf([&] { saved = modFavorites::SaveFavorite("0", "10.0.0.1", "15567").ok && saved; }));
    }
    state.counters["saved"] = saved ? 1 : 0;
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
}
BENCHMARK(BM_SaveToLargestFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RefuseA100MBFile(benchmark::State& state) {
    const Installation installation(std::string(100 * 1000 * 1000, '\n'));
    ComboBox list;
    std::size_t peak = 0;
    std::string refusal;
    for (auto _ : state) {
        peak = std::max(peak, PeakOf([&] { refusal = modFavorites::FillFavoriteList(list); }));
    }
    state.counters["refused"] = refusal.empty() ? 0 : 1;
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
}
BENCHMARK(BM_RefuseA100MBFile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vantorel
