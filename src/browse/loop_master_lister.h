#pragma once
// The window's lister: every master asked at once over TCP, driven by the program's event
// loop. The loop wakes it when a connection has something to report, and a one-shot timer
// when the fetch has something due (a greeting waited for, an exchange past its time), so
// nothing here waits and an idle window costs nothing. Names are looked up on worker threads.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browse/master_connections.h"
#include "browse/master_fetch.h"
#include "browse/master_lister.h"
#include "platform/event_loop.h"
#include "platform/one_shot_timer.h"
#include "platform/stream_sockets.h"
#include "query/host_lookups.h"

namespace vantorel::browse {

class LoopMasterLister : public MasterLister {
  public:
    using Clock = MasterFetch::Clock;
    using OpenSockets = std::function<std::unique_ptr<platform::StreamSockets>(std::string* error)>;

    struct Options {
        MasterSession::Settings settings;
        OpenSockets open = platform::OpenStreamSockets;
        HostLookups::Resolve resolve = platform::LookUpHost;
    };

    LoopMasterLister(platform::EventLoop& loop, Options options);
    explicit LoopMasterLister(platform::EventLoop& loop) : LoopMasterLister(loop, Options{}) {}
    ~LoopMasterLister() override;
    LoopMasterLister(const LoopMasterLister&) = delete;
    LoopMasterLister& operator=(const LoopMasterLister&) = delete;

    void List(const std::vector<MasterAddress>& masters, Done done) override;
    void Cancel() override;

  private:
    // Why no master can be asked at all; empty when the sockets are open and watched.
    std::string Open();
    void Step();

    platform::EventLoop& loop_;
    Options options_;
    std::unique_ptr<platform::StreamSockets> sockets_;
    // After the sockets, whose Wake its threads call; one per list, so that a cancelled
    // list's late names do not reach the next.
    std::unique_ptr<HostLookups> lookups_;
    std::unique_ptr<MasterFetch> fetch_;
    std::unique_ptr<MasterConnections> connections_;
    Done done_;
    // Masters that could not be asked at all, reported at the next step with the reason.
    std::vector<MasterAddress> unasked_;
    std::string unaskedReason_;

    // Counts the cancels: a report handed over may start a new list or end this one.
    std::uint64_t generation_ = 0;
    platform::OneShotTimer timer_;
};

}  // namespace vantorel::browse
