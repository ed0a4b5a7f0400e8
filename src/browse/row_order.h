#pragma once
// The order of the Servers window's rows: the columns clicked, the latest first, each
// breaking the ties of the one before it, and the order in which rows joined the list
// breaking what ties remain. A value not known yet sorts after every known one, whichever
// the direction, so that silent servers never crowd the top.

#include <vector>

#include "browse/server_row.h"

namespace vantorel::browse {

struct SortKey {
    Column column = Column::kServer;
    bool descending = false;
    bool operator==(const SortKey&) const = default;
};

class RowOrder {
  public:
    // A click on a header: the column sorts first, in its first direction (the most players
    // first, everything else ascending); a second click on the same header reverses it.
    void Click(Column column);
    const std::vector<SortKey>& Keys() const { return keys_; }

    bool Less(const ServerRow& a, const ServerRow& b) const;

  private:
    std::vector<SortKey> keys_;
};

}  // namespace vantorel::browse
