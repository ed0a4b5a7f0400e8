#include "browse/row_filter.h"

#include "browse/server_answer.h"
#include "common/text.h"

namespace vantorel::browse {

RowTest::RowTest(const RowFilter& filter)
    : filter_(filter),
      // As the texts it searches: a line break typed or pasted cannot match across two of them.
      search_(FoldCase(ListText(TrimProfileBlanks(filter.search)))),
      version_(FoldCase(TrimProfileBlanks(filter.sameVersion.value_or("")))) {}

bool RowTest::Passes(const ServerRow& row) const {
    const ServerAnswer& values = row.values;
    if (filter_.notEmpty && !(values.players && *values.players > 0)) {
        return false;
    }
    if (filter_.notFull && !(values.players && values.maxPlayers && !values.Full())) {
        return false;
    }
    if (filter_.noPassword && !(values.password && !*values.password)) {
        return false;
    }
    if (filter_.sameVersion && (values.version.empty() || FoldCase(TrimProfileBlanks(values.version)) != version_)) {
        return false;
    }
    return search_.empty() || row.haystack.find(search_) != std::string::npos;
}

}  // namespace vantorel::browse
