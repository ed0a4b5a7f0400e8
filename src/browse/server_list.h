#pragma once
// The Servers window's list: every row, the rows shown in their order, and what the
// filters hide. Built for thousands of rows that change one at a time as answers come:
// an answer moves its row to its place and the view redraws only the rows between its old
// and new places, never the whole list.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "browse/row_filter.h"
#include "browse/row_order.h"
#include "browse/server_row.h"

namespace vantorel::browse {

class ServerListObserver {
  public:
    virtual ~ServerListObserver() = default;
    // The list shows `count` rows now; the rows `first` to `last` (shown indices, both
    // included) are to be drawn again. `first` > `last` when only the count changed.
    virtual void RowsChanged(int count, int first, int last) = 0;
    // The selected server is shown at `row` now, or is hidden (-1).
    virtual void SelectionMoved(int row) = 0;
};

class ServerList {
  public:
    void SetObserver(ServerListObserver* observer) { observer_ = observer; }

    int Count() const { return static_cast<int>(shown_.size()); }
    std::size_t Total() const { return rows_.size(); }
    std::size_t Hidden() const { return rows_.size() - shown_.size(); }
    std::size_t Answered() const { return answered_; }

    // A shown row, 0 <= shown < Count().
    const ServerRow& Row(int shown) const { return rows_[shown_[static_cast<std::size_t>(shown)]]; }
    std::string Cell(int shown, Column column) const { return Row(shown).Cell(column); }
    const ServerRow* Find(const ServerKey& key) const;
    // Where a server is shown; -1 when it is hidden or not in the list.
    int Position(const ServerKey& key) const;

    // Adds a row for each key not held yet, lets `apply` change each row of `keys`, then
    // orders and filters the whole list once.
    void Merge(const std::vector<ServerKey>& keys, const std::function<void(ServerRow&)>& apply);
    // Changes one row and moves it to its place; false when the list has no such row.
    bool Update(const ServerKey& key, const std::function<void(ServerRow&)>& apply);
    void UpdateAll(const std::function<void(ServerRow&)>& apply);
    // Changes what no cell, sort or filter reads (a refresh's bookkeeping): nothing is redrawn.
    void MarkAll(const std::function<void(ServerRow&)>& mark);
    void RemoveIf(const std::function<bool(const ServerRow&)>& drop);
    // Every row in the order rows joined the list.
    void ForEach(const std::function<void(const ServerRow&)>& visit) const;

    void SortBy(Column column);
    const std::vector<SortKey>& Sort() const { return order_.Keys(); }
    void SetFilter(const RowFilter& filter);
    const RowFilter& Filter() const { return filter_; }

    // The user's selection, by shown index (-1: none). It stays with its server as rows move.
    void Select(int shown);
    int Selected() const { return selectedShown_; }
    const ServerRow* SelectedRow() const;

  private:
    bool Before(std::size_t a, std::size_t b) const;
    void Rebuild();
    void Renumber(int first, int last);
    void FollowSelection();

    std::vector<ServerRow> rows_;
    std::map<ServerKey, std::size_t> index_;
    std::vector<std::size_t> shown_;  // indices into rows_, in the shown order
    std::vector<int> position_;       // per row: its shown index, or -1
    RowOrder order_;
    RowFilter filter_;
    RowTest test_{RowFilter{}};
    std::size_t answered_ = 0;
    std::uint32_t nextOrder_ = 0;
    std::optional<ServerKey> selected_;
    int selectedShown_ = -1;
    ServerListObserver* observer_ = nullptr;
};

}  // namespace vantorel::browse
