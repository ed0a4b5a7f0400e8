#pragma once
// Asks every master at once, without sockets, threads or a clock of its own, as the
// many-server engine does: the caller looks the masters' host names up off its thread, makes
// the connections the fetch asks for, hands over what happens on them and the time, and
// calls again when the fetch asks to be woken. So bfv-query's blocking wait and a window's
// message loop can both drive it. Each master is one MasterSession; a master that fails is
// named with its reason, and the others go on.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/list_merge.h"
#include "browse/master_session.h"
#include "browse/server_source.h"
#include "platform/datagram_sockets.h"

namespace vantorel::browse {

class MasterFetch {
  public:
    using Clock = MasterSession::Clock;
    using Endpoint = platform::Endpoint;

    // What the caller does for a master, in the order given.
    struct Action {
        enum class Kind { kConnect, kSend, kClose };
        Kind kind = Kind::kConnect;
        std::size_t master = 0;
        Endpoint to;        // kConnect
        std::string bytes;  // kSend
    };

    // `settings` serve every master, each with its own protocol; their timeout bounds each
    // master's whole exchange from `now`, its name lookup and connection included. A short
    // timeout shortens the wait for a greeting to a third of it, so that a newer master still
    // has time to answer.
    MasterFetch(std::vector<MasterAddress> masters, MasterSession::Settings settings, Clock::time_point now);
    ~MasterFetch();
    MasterFetch(const MasterFetch&) = delete;
    MasterFetch& operator=(const MasterFetch&) = delete;

    std::size_t Count() const { return masters_.size(); }
    const MasterAddress& Master(std::size_t master) const { return masters_[master].address; }

    // Host names to look up, each once; the caller hands each result to OnLookup (nothing:
    // the name has no IPv4 address).
    std::vector<std::string> TakeLookups();
    void OnLookup(const std::string& name, std::optional<std::uint32_t> address, Clock::time_point now);
    // No lookup can be made at all: every master still waiting for its name fails with `reason`.
    void FailLookups(const std::string& reason);

    void OnConnected(std::size_t master, Clock::time_point now);
    // `reason` as the user reads it: "refused", "unreachable", ...
    void OnConnectFailed(std::size_t master, const std::string& reason);
    void OnBytes(std::size_t master, std::string_view bytes, Clock::time_point now);
    // The master closed, or the connection was lost.
    void OnClosed(std::size_t master);
    // Runs what is due at `now`: greetings waited for, exchanges past their time.
    void OnTime(Clock::time_point now);

    std::vector<Action> TakeActions();
    // When OnTime next has something to do; nothing when no master's session waits on time.
    std::optional<Clock::time_point> NextWake() const;

    // Masters whose list has ended since the last call, in the order they ended.
    std::vector<std::size_t> TakeFinished();
    const MasterList& List(std::size_t master) const { return masters_[master].session->List(); }
    bool Done() const { return remaining_ == 0; }

    // The lists of the masters that have ended, merged in the order the masters were given
    // (so the same answers always merge the same way), whole or not.
    ListMerge Merged() const;

  private:
    enum class Link { kLookingUp, kConnecting, kOpen, kGone };
    struct Entry {
        MasterAddress address;
        std::unique_ptr<MasterSession> session;
        Link link = Link::kLookingUp;
        bool finished = false;
    };

    void Connect(std::size_t master, std::uint32_t address, Clock::time_point now);
    void Follow(std::size_t master, const MasterSession::Step& step);

    std::vector<Entry> masters_;
    std::size_t remaining_ = 0;
    std::vector<std::string> lookupsToTake_;
    std::map<std::string, std::vector<std::size_t>> waitingNames_;
    std::vector<Action> actions_;
    std::vector<std::size_t> finished_;
};

}  // namespace vantorel::browse
