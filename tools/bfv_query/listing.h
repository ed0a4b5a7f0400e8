#pragma once
// The servers that the masters listed: what bfv-query queries and which masters each result
// names, and the list itself when only the list is wanted.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "browse/list_merge.h"
#include "query/query_target.h"

namespace vantorel::bfvQuery {

class Listing {
  public:
    explicit Listing(browse::ListMerge merge);

    // Each listed server as a target (its dotted address and query port), in the merged order.
    std::vector<QueryTarget> Targets() const;
    // "HOST:PORT" of the masters that listed the server a target names; empty for a server no
    // master listed.
    std::vector<std::string> MastersOf(const QueryTarget& target) const;
    const browse::ListMerge& Merge() const { return merge_; }

  private:
    browse::ListMerge merge_;
    std::unordered_map<std::uint64_t, std::size_t> index_;  // address and port to entry
};

// One "IP:PORT" a line, or with `json` one array of {"address", "masters", "listed"}: the
// field values a master sent with the server, in UTF-8, the first of each name. Handed to
// `write` a part at a time, as the report is; false as soon as a write fails.
bool WriteList(const browse::ListMerge& merge, bool json, const std::function<bool(std::string_view)>& write);

}  // namespace vantorel::bfvQuery
