#include "browse/master_connections.h"

#include "platform/clock.h"

namespace vantorel::browse {

using Connection = platform::StreamSockets::Connection;

MasterConnections::MasterConnections(MasterFetch& fetch, platform::StreamSockets& sockets)
    : fetch_(fetch), sockets_(sockets), connectionOf_(fetch.Count(), 0) {
    handlers_ = {
        [this](Connection c) { fetch_.OnConnected(masterOf_.at(c), platform::Now()); },
        [this](Connection c, const std::string& reason) { fetch_.OnConnectFailed(Forget(c), reason); },
        [this](Connection c, std::string_view bytes) { fetch_.OnBytes(masterOf_.at(c), bytes, platform::Now()); },
        [this](Connection c) { fetch_.OnClosed(Forget(c)); },
    };
}

std::size_t MasterConnections::Forget(Connection connection) {
    const auto found = masterOf_.find(connection);
    const std::size_t master = found->second;
    masterOf_.erase(found);
    return master;
}

void MasterConnections::Act() {
    for (MasterFetch::Action& action : fetch_.TakeActions()) {
        switch (action.kind) {
            case MasterFetch::Action::Kind::kConnect: {
                const Connection c = sockets_.Connect(action.to);
                masterOf_[c] = action.master;
                connectionOf_[action.master] = c;
                break;
            }
            case MasterFetch::Action::Kind::kSend: sockets_.Send(connectionOf_[action.master], action.bytes); break;
            case MasterFetch::Action::Kind::kClose:
                sockets_.Close(connectionOf_[action.master]);
                masterOf_.erase(connectionOf_[action.master]);
                break;
        }
    }
}

void MasterConnections::CloseAll() {
    for (const auto& [connection, master] : masterOf_) {
        sockets_.Close(connection);
    }
    masterOf_.clear();
}

}  // namespace vantorel::browse
