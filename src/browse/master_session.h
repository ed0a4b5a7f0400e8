#pragma once
// One exchange with one master, without its transport: the driver connects, hands over the
// bytes that arrive and the moments it was asked to wake at, sends what the session says,
// and closes when it says so. The session tells the protocols apart when asked to (a
// legacy master greets at once, a newer one waits for the request), bounds the whole
// exchange in time, and ends with the master's list: whole, or the servers before a fault
// and the fault.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "browse/game.h"
#include "browse/master_list.h"

namespace vantorel::browse {

class NewerAnswer;
class LegacyAnswer;

class MasterSession {
  public:
    using Clock = std::chrono::steady_clock;

    struct Settings {
        ListProtocol protocol = ListProtocol::kDetect;
        int enctype = 2;     // what a legacy master is asked for: 0 or 2
        std::string filter;  // empty: every server
        std::string fields = std::string(kBrowserFields);
        // Keep the list up to date after it has come (newer masters only): the session then
        // ends only when the master closes or the driver stops it.
        bool pushUpdates = false;
        std::chrono::milliseconds timeout{5000};  // the whole exchange, from the start
        std::chrono::milliseconds greetingWait = kGreetingWait;
        std::string clientChallenge;  // made at random when empty
    };

    // What the driver does now: send `send` (when not empty), then close when `close`.
    struct Step {
        std::string send;
        bool close = false;
    };

    // `now` is when the connection is begun.
    MasterSession(Settings settings, Clock::time_point now);
    ~MasterSession();
    MasterSession(const MasterSession&) = delete;
    MasterSession& operator=(const MasterSession&) = delete;

    // The connection is begun now (when the session was made, unless this says otherwise: a
    // host name may be looked up first).
    void OnConnecting(Clock::time_point now) { connectingAt_ = now; }
    Step OnConnected(Clock::time_point now);
    // No connection: `reason` says why ("refused", "no route", ...).
    Step OnConnectFailed(std::string reason);
    Step OnBytes(std::string_view bytes, Clock::time_point now);
    // The master closed its side, or the connection was lost.
    Step OnClosed();
    // Called at or after Deadline().
    Step OnTime(Clock::time_point now);

    // When the session wants OnTime; nothing once it is done.
    std::optional<Clock::time_point> Deadline() const;
    bool Done() const { return stage_ == Stage::kDone; }
    // The protocol the master turned out to speak (kDetect until it is known).
    ListProtocol Spoken() const { return spoken_; }

    const MasterList& List() const { return list_; }

    // Why a filter cannot be passed to a master of either protocol, or nothing.
    static std::optional<std::string> FilterProblem(std::string_view filter);

  private:
    enum class Stage { kConnecting, kGreeting, kNewerAnswer, kLegacyAnswer, kDone };

    Step SendNewerRequest();
    Step SendLegacyRequest(const std::string& challenge);
    Step ReadGreeting(bool settled);
    Step AfterAnswer(std::string send);
    Step End(std::optional<MasterFault> fault);

    Settings settings_;
    Stage stage_ = Stage::kConnecting;
    ListProtocol spoken_ = ListProtocol::kDetect;
    Clock::time_point endAt_;
    Clock::time_point connectingAt_;
    std::optional<Clock::time_point> greetingAt_;
    std::string greeting_;
    bool answerStarted_ = false;
    MasterList list_;
    std::unique_ptr<NewerAnswer> newer_;
    std::unique_ptr<LegacyAnswer> legacy_;
};

}  // namespace vantorel::browse
