#pragma once
// Type-ahead in the server list: letters typed in quick succession select the next row
// whose name begins with them; the same letter typed again steps through the rows that
// begin with it, as in the system's own lists.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel::browse {

class TypeAhead {
  public:
    using Clock = std::chrono::steady_clock;
    // A pause longer than this starts a new search.
    static constexpr std::chrono::milliseconds kPause{1000};

    // The row to select after the user typed `typed` at `now`, with `current` selected
    // (-1: none) among `count` rows whose case-folded names `nameOf` gives; nothing when no
    // row begins with what was typed.
    std::optional<int> Find(std::string_view typed, Clock::time_point now, int current, int count,
                            const std::function<const std::string&(int)>& nameOf);

  private:
    std::string typed_;  // case folded
    std::optional<Clock::time_point> last_;
};

}  // namespace vantorel::browse
