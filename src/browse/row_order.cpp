#include "browse/row_order.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace vantorel::browse {
namespace {

// Negative when a comes first in ascending order; unknown values last in either direction.
template <typename T>
int CompareKnown(const std::optional<T>& a, const std::optional<T>& b, bool descending) {
    if (!a || !b) {
        return a ? -1 : b ? 1 : 0;
    }
    const int order = *a < *b ? -1 : *b < *a ? 1 : 0;
    return descending ? -order : order;
}

std::optional<std::string_view> Known(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string_view>(text);
}

int Compare(const ServerRow& a, const ServerRow& b, SortKey key) {
    switch (key.column) {
        case Column::kServer: return CompareKnown(Known(a.foldedTitle), Known(b.foldedTitle), key.descending);
        case Column::kPlayers: return CompareKnown(a.values.players, b.values.players, key.descending);
        case Column::kMap: return CompareKnown(Known(a.foldedMap), Known(b.foldedMap), key.descending);
        case Column::kPing: {
            const auto ping = [](const ServerRow& row) {
                return row.state == ServerRow::State::kAnswered ? row.values.pingMs : std::nullopt;
            };
            return CompareKnown(ping(a), ping(b), key.descending);
        }
        case Column::kGameType: return CompareKnown(Known(a.foldedGameType), Known(b.foldedGameType), key.descending);
        case Column::kVersion: return CompareKnown(Known(a.foldedVersion), Known(b.foldedVersion), key.descending);
        case Column::kPassword: return CompareKnown(a.values.password, b.values.password, key.descending);
        case Column::kAddress: {
            // Numeric addresses in their numeric order, then names.
            const auto address = [](const ServerRow& row) {
                return std::make_tuple(!row.ip, row.ip.value_or(0), row.ip ? std::string_view() : row.key.host,
                                       row.values.gamePort, row.key.port);
            };
            const auto left = address(a);
            const auto right = address(b);
            const int order = left < right ? -1 : right < left ? 1 : 0;
            return key.descending ? -order : order;
        }
    }
    return 0;
}

}  // namespace

void RowOrder::Click(Column column) {
    if (!keys_.empty() && keys_.front().column == column) {
        keys_.front().descending = !keys_.front().descending;
        return;
    }
    std::erase_if(keys_, [column](const SortKey& key) { return key.column == column; });
    keys_.insert(keys_.begin(), SortKey{column, column == Column::kPlayers});
}

bool RowOrder::Less(const ServerRow& a, const ServerRow& b) const {
    for (const SortKey& key : keys_) {
        const int order = Compare(a, b, key);
        if (order != 0) {
            return order < 0;
        }
    }
    return a.order < b.order;
}

}  // namespace vantorel::browse
