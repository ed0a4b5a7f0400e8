#pragma once
// One MasterFetch's connections over the platform's TCP sockets: carries out what the fetch
// asks (connect, send, close) and hands it what the connections report. Shared by the
// blocking driver of bfv-query and the window's lister, which differ only in how they wait.

#include <cstddef>
#include <map>
#include <vector>

#include "browse/master_fetch.h"
#include "platform/stream_sockets.h"

namespace vantorel::browse {

class MasterConnections {
  public:
    MasterConnections(MasterFetch& fetch, platform::StreamSockets& sockets);
    ~MasterConnections() { CloseAll(); }
    MasterConnections(const MasterConnections&) = delete;
    MasterConnections& operator=(const MasterConnections&) = delete;

    // Does what the fetch has asked for since the last call.
    void Act();
    // What the sockets' Wait reports to.
    const platform::StreamSockets::Handlers& Handlers() const { return handlers_; }
    // Ends every connection still open; nothing more reaches the fetch.
    void CloseAll();

  private:
    std::size_t Forget(platform::StreamSockets::Connection connection);

    MasterFetch& fetch_;
    platform::StreamSockets& sockets_;
    // The transport names its connections: from them to the masters and back.
    std::map<platform::StreamSockets::Connection, std::size_t> masterOf_;
    std::vector<platform::StreamSockets::Connection> connectionOf_;
    platform::StreamSockets::Handlers handlers_;
};

}  // namespace vantorel::browse
