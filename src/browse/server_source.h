#pragma once
// What the Servers window asks of the network: the masters' lists, and the status of many
// servers, a bounded number at a time. The window's logic only sees this interface; the
// program drives it with its sockets and the many-server engine, the tests with a fake.

#include <cstdint>
#include <string>
#include <vector>

#include "browse/game.h"
#include "browse/master_list.h"
#include "browse/server_answer.h"

namespace vantorel::browse {

struct MasterAddress {
    std::string host;
    std::uint16_t port = kNewerMasterPort;
    ListProtocol protocol = ListProtocol::kDetect;
    std::string Text() const { return host + ":" + std::to_string(port); }
    bool operator==(const MasterAddress&) const = default;
};

// Reports come one at a time from the program's event loop, never from inside a call to
// the source, and none comes for work cancelled before it.
class ServerSourceEvents {
  public:
    virtual ~ServerSourceEvents() = default;
    // The master of that index in the last ListMasters call is done: its list is whole, or
    // holds the servers before its fault. Once per master.
    virtual void OnMasterList(std::size_t master, const MasterList& list) = 0;
    // One report per server asked: its answer, or why none came ("no answer", "port
    // closed", a name that does not resolve).
    virtual void OnServerAnswer(const ServerKey& server, const ServerAnswer& answer) = 0;
    virtual void OnServerFailed(const ServerKey& server, const std::string& reason) = 0;
};

class ServerSource {
  public:
    virtual ~ServerSource() = default;
    virtual void SetEvents(ServerSourceEvents* events) = 0;
    // Asks every master at once.
    virtual void ListMasters(const std::vector<MasterAddress>& masters) = 0;
    // Queues these servers behind those already asked; at most `mostAtOnce` wait for their
    // answers at any time.
    virtual void QueryServers(const std::vector<ServerKey>& servers, int mostAtOnce) = 0;
    // Drops every list and query under way.
    virtual void Cancel() = 0;
};

}  // namespace vantorel::browse
