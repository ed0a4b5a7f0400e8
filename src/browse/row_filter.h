#pragma once
// Which rows the Servers window shows. A check box passes only the rows whose values show
// that they pass: a server that has not said how many play on it is neither empty nor
// not empty, and is hidden (and counted as hidden) until it does.

#include <optional>
#include <string>

#include "browse/server_row.h"

namespace vantorel::browse {

struct RowFilter {
    std::string search;  // as typed; matches name, map, address and player names, any case
    bool notEmpty = false;
    bool notFull = false;
    bool noPassword = false;
    std::optional<std::string> sameVersion;  // the version a row must show
};

class RowTest {
  public:
    explicit RowTest(const RowFilter& filter);
    bool Passes(const ServerRow& row) const;

  private:
    RowFilter filter_;
    std::string search_;  // folded, trimmed
    std::string version_;
};

}  // namespace vantorel::browse
