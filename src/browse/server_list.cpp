#include "browse/server_list.h"

#include <algorithm>

namespace vantorel::browse {

const ServerRow* ServerList::Find(const ServerKey& key) const {
    const auto found = index_.find(key);
    return found == index_.end() ? nullptr : &rows_[found->second];
}

int ServerList::Position(const ServerKey& key) const {
    const auto found = index_.find(key);
    return found == index_.end() ? -1 : position_[found->second];
}

bool ServerList::Before(std::size_t a, std::size_t b) const {
    return order_.Less(rows_[a], rows_[b]);
}

void ServerList::Merge(const std::vector<ServerKey>& keys, const std::function<void(ServerRow&)>& apply) {
    for (const ServerKey& key : keys) {
        const auto [found, added] = index_.emplace(key, rows_.size());
        if (added) {
            ServerRow row;
            row.key = key;
            row.order = nextOrder_++;
            rows_.push_back(std::move(row));
        }
        ServerRow& row = rows_[found->second];
        apply(row);
        row.Derive();
    }
    Rebuild();
}

bool ServerList::Update(const ServerKey& key, const std::function<void(ServerRow&)>& apply) {
    const auto found = index_.find(key);
    if (found == index_.end()) {
        return false;
    }
    const std::size_t index = found->second;
    ServerRow& row = rows_[index];
    const bool wasAnswered = row.state == ServerRow::State::kAnswered;
    apply(row);
    row.Derive();
    const bool isAnswered = row.state == ServerRow::State::kAnswered;
    answered_ = answered_ + (isAnswered ? 1 : 0) - (wasAnswered ? 1 : 0);

    const int from = position_[index];
    if (from >= 0) {
        shown_.erase(shown_.begin() + from);
    }
    int to = -1;
    if (test_.Passes(row)) {
        const auto place = std::lower_bound(shown_.begin(), shown_.end(), index,
                                            [this](std::size_t a, std::size_t b) { return Before(a, b); });
        to = static_cast<int>(place - shown_.begin());
        shown_.insert(place, index);
    }
    position_[index] = -1;
    const int last = Count() - 1;
    int first = 0;
    int end = last;
    if (from >= 0 && to >= 0) {
        // Only the rows between the two places moved.
        first = std::min(from, to);
        end = std::max(from, to);
    } else if (from >= 0 || to >= 0) {
        // The rows after it moved up or down by one.
        first = from >= 0 ? from : to;
    } else {
        return true;  // hidden before and after: nothing shown changed
    }
    Renumber(first, std::min(end, last));
    if (observer_) {
        observer_->RowsChanged(Count(), first, std::min(end, last));
    }
    FollowSelection();
    return true;
}

void ServerList::UpdateAll(const std::function<void(ServerRow&)>& apply) {
    for (ServerRow& row : rows_) {
        apply(row);
        row.Derive();
    }
    Rebuild();
}

void ServerList::MarkAll(const std::function<void(ServerRow&)>& mark) {
    for (ServerRow& row : rows_) {
        mark(row);
    }
}

void ServerList::RemoveIf(const std::function<bool(const ServerRow&)>& drop) {
    std::erase_if(rows_, drop);
    index_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        index_.emplace(rows_[i].key, i);
    }
    Rebuild();
}

void ServerList::ForEach(const std::function<void(const ServerRow&)>& visit) const {
    for (const ServerRow& row : rows_) {
        visit(row);
    }
}

void ServerList::SortBy(Column column) {
    order_.Click(column);
    Rebuild();
}

void ServerList::SetFilter(const RowFilter& filter) {
    filter_ = filter;
    test_ = RowTest(filter_);
    Rebuild();
}

void ServerList::Select(int shown) {
    if (shown >= 0 && shown < Count()) {
        selected_ = Row(shown).key;
        selectedShown_ = shown;
    } else {
        selected_.reset();
        selectedShown_ = -1;
    }
}

const ServerRow* ServerList::SelectedRow() const {
    return selectedShown_ >= 0 ? &Row(selectedShown_) : nullptr;
}

void ServerList::Rebuild() {
    shown_.clear();
    answered_ = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (test_.Passes(rows_[i])) {
            shown_.push_back(i);
        }
        answered_ += rows_[i].state == ServerRow::State::kAnswered ? 1 : 0;
    }
    // Every tie ends at the order in which rows joined, so this sort is a stable one.
    std::sort(shown_.begin(), shown_.end(), [this](std::size_t a, std::size_t b) { return Before(a, b); });
    position_.assign(rows_.size(), -1);
    Renumber(0, Count() - 1);
    if (observer_) {
        observer_->RowsChanged(Count(), 0, Count() - 1);
    }
    FollowSelection();
}

void ServerList::Renumber(int first, int last) {
    for (int i = first; i <= last; ++i) {
        position_[shown_[static_cast<std::size_t>(i)]] = i;
    }
}

void ServerList::FollowSelection() {
    const int now = selected_ ? Position(*selected_) : -1;
    if (now != selectedShown_) {
        selectedShown_ = now;
        if (observer_) {
            observer_->SelectionMoved(now);
        }
    }
}

}  // namespace vantorel::browse
