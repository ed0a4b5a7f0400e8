#include "browse/type_ahead.h"

#include "common/text.h"
#include "common/utf8.h"

namespace vantorel::browse {

std::optional<int> TypeAhead::Find(std::string_view typed, Clock::time_point now, int current, int count,
                                   const std::function<const std::string&(int)>& nameOf) {
    if (!last_ || now - *last_ > kPause) {
        typed_.clear();
    }
    last_ = now;
    // Bounded, however long a key is held down.
    if (typed_.size() < 256) {
        typed_ += FoldCase(typed);
    }
    if (count <= 0 || typed_.empty()) {
        return std::nullopt;
    }
    // One letter, however often typed, steps from the current row to the next; a longer
    // prefix keeps the current row while it still matches.
    const std::string_view first = FirstChar(typed_);
    bool oneLetter = true;
    for (std::size_t at = 0; at < typed_.size(); at += first.size()) {
        oneLetter = oneLetter && typed_.compare(at, first.size(), first) == 0;
    }
    const std::string_view prefix = oneLetter ? first : std::string_view(typed_);
    const int start = current < 0 ? 0 : oneLetter ? current + 1 : current;
    for (int step = 0; step < count; ++step) {
        const int row = (start + step) % count;
        if (nameOf(row).starts_with(prefix)) {
            return row;
        }
    }
    return std::nullopt;
}

}  // namespace vantorel::browse
