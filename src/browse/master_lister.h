#pragma once
// What the Servers window's source asks of the masters' transport: every master's list,
// each reported as its exchange ends. The program's own lister speaks both list protocols
// over TCP; a program built without one reports each master as not asked.

#include <cstddef>
#include <functional>
#include <vector>

#include "browse/master_list.h"
#include "browse/server_source.h"

namespace vantorel::browse {

class MasterLister {
  public:
    // The master of that index in the List call is done: its list is whole, or holds the
    // servers before its fault.
    using Done = std::function<void(std::size_t master, MasterList list)>;

    virtual ~MasterLister() = default;
    // Asks every master at once. `done` runs once per master, from the program's event loop,
    // never inside this call.
    virtual void List(const std::vector<MasterAddress>& masters, Done done) = 0;
    // Drops every exchange under way: no `done` comes for them any more.
    virtual void Cancel() = 0;
};

}  // namespace vantorel::browse
