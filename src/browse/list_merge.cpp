#include "browse/list_merge.h"

namespace vantorel::browse {

bool IsServerAddress(ServerAddress address) {
    const std::uint32_t first = address.ip >> 24;
    return address.port != 0 && first != 0 && first < 224;
}

void ListMerge::Add(const std::string& master, const MasterList& list) {
    const auto masterIndex = static_cast<std::uint16_t>(masters_.size());
    masters_.push_back(master);
    for (const ListedServer& server : list.Servers()) {
        if (!IsServerAddress(server.address)) {
            ++unusable_;
            continue;
        }
        const auto [found, added] = index_.emplace(server.address, entries_.size());
        if (added) {
            entries_.push_back({server.address, {masterIndex}, server.fields});
            continue;
        }
        Entry& entry = entries_[found->second];
        // A master that lists a server twice is still one master.
        if (entry.masters.back() != masterIndex) {
            entry.masters.push_back(masterIndex);
        }
        if (entry.fields.Empty()) {
            entry.fields = server.fields;
        }
    }
    if (!list.Complete() || list.Fault()) {
        MasterFault fault = list.Fault().value_or(MasterFault{MasterFault::Kind::kCutShort, {}});
        failures_.push_back({master, std::move(fault), list.Servers().size()});
    }
}

}  // namespace vantorel::browse
