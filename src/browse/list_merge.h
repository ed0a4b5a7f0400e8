#pragma once
// The lists of several masters as one: one entry per IPv4 address and query port, with the
// masters that listed it and the field values of the first that sent any, in the order the
// servers were first listed. A master whose list is not whole is named with its reason; the
// servers it listed before its fault still count.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "browse/master_list.h"

namespace vantorel::browse {

// False for addresses that no server can have (this network, multicast, broadcast) and
// for port 0: a query sent there would reach this host or many, not a game server.
bool IsServerAddress(ServerAddress address);

class ListMerge {
  public:
    struct Entry {
        ServerAddress address;
        std::vector<std::uint16_t> masters;  // indices into Masters()
        ListedFields fields;
    };
    struct Failure {
        std::string master;
        MasterFault fault;
        std::size_t kept = 0;  // servers listed before the fault
    };

    // `master` names it as the user does ("HOST:PORT").
    void Add(const std::string& master, const MasterList& list);

    const std::vector<Entry>& Entries() const { return entries_; }
    const std::vector<std::string>& Masters() const { return masters_; }
    const std::vector<Failure>& Failures() const { return failures_; }
    // Every master answered with its whole list.
    bool AllWhole() const { return failures_.empty(); }
    // Listed addresses left out by IsServerAddress.
    std::size_t Unusable() const { return unusable_; }

  private:
    std::vector<Entry> entries_;
    std::map<ServerAddress, std::size_t> index_;
    std::vector<std::string> masters_;
    std::vector<Failure> failures_;
    std::size_t unusable_ = 0;
};

}  // namespace vantorel::browse
