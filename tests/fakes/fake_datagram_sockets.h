#pragma once
// Datagram sockets with scripted servers behind them and a clock that the test owns: a Wait
// moves the clock on to the next answer that is due (or by its whole timeout) at once, so a
// run of any length takes no real time.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/datagram_sockets.h"

namespace vantorel::testing {

class FakeDatagramSockets : public platform::DatagramSockets {
  public:
    using Endpoint = platform::Endpoint;
    using Clock = platform::MonotonicClock;

    // One datagram that a server sends back, `after` the request reached it, from its own
    // endpoint unless `from` says otherwise.
    struct Answer {
        Answer(std::chrono::milliseconds after, std::string bytes, std::optional<Endpoint> from = std::nullopt)
            : after(after), bytes(std::move(bytes)), from(from) {}
        std::chrono::milliseconds after;
        std::string bytes;
        std::optional<Endpoint> from;
    };
    using Server = std::function<std::vector<Answer>(std::string_view request)>;

    struct Sent {
        Clock::time_point at;
        Endpoint to;
        std::string bytes;
    };

    explicit FakeDatagramSockets(Clock::time_point& now) : now_(now) {}

    // A server at `at`; an endpoint with none is silent.
    void Serve(Endpoint at, Server server) { servers_[Key(at)] = std::move(server); }
    // A port that the system reports closed, as the answer to each datagram sent to it.
    void Close(Endpoint at) { closed_.push_back(at); }
    // A datagram that arrives by itself at `at`.
    void Arrive(Clock::time_point at, Endpoint from, std::string bytes) {
        queue_.push_back({at, from, std::move(bytes), false});
    }

    std::vector<Sent> sent;
    bool refuseSends = false;
    std::vector<Endpoint> own;  // endpoints that IsOwn names
    std::vector<Endpoint> released;
    std::vector<int> waits;  // the timeout of each Wait

    int Count() const override { return 2; }
    int MostInFlight() const override { return mostInFlight; }
    int mostInFlight = 1 << 30;

    bool Send(int, Endpoint to, std::string_view bytes) override {
        if (refuseSends) {
            return false;
        }
        sent.push_back({now_, to, std::string(bytes)});
        if (std::find(closed_.begin(), closed_.end(), to) != closed_.end()) {
            queue_.push_back({now_, to, {}, true});
            return true;
        }
        const auto server = servers_.find(Key(to));
        if (server != servers_.end()) {
            for (Answer& answer : server->second(bytes)) {
                queue_.push_back({now_ + answer.after, answer.from.value_or(to), std::move(answer.bytes), false});
            }
        }
        return true;
    }

    void Release(Endpoint to) override { released.push_back(to); }
    bool IsOwn(Endpoint from) const override { return std::find(own.begin(), own.end(), from) != own.end(); }

    void Wait(int timeoutMs, const Handlers& handlers) override {
        waits.push_back(timeoutMs);
        std::optional<Clock::time_point> until;
        if (timeoutMs >= 0) {
            until = now_ + std::chrono::milliseconds(timeoutMs);
        }
        std::optional<Clock::time_point> next;
        for (const Arrival& arrival : queue_) {
            if (!next || arrival.at < *next) {
                next = arrival.at;
            }
        }
        if (next && (!until || *next <= *until)) {
            now_ = std::max(now_, *next);
        } else if (until) {
            now_ = *until;
        } else {
            return;  // it would wait for ever: the caller has nothing ahead
        }
        std::vector<Arrival> due;
        std::stable_partition(queue_.begin(), queue_.end(), [this](const Arrival& a) { return a.at > now_; });
        const auto firstDue =
            std::find_if(queue_.begin(), queue_.end(), [this](const Arrival& a) { return a.at <= now_; });
        due.assign(std::make_move_iterator(firstDue), std::make_move_iterator(queue_.end()));
        queue_.erase(firstDue, queue_.end());
        std::stable_sort(due.begin(), due.end(), [](const Arrival& a, const Arrival& b) { return a.at < b.at; });
        for (const Arrival& arrival : due) {
            if (arrival.unreachable) {
                handlers.unreachable(arrival.from);
            } else {
                handlers.datagram(arrival.from, arrival.bytes);
            }
        }
    }

    void Wake() override {}
    bool WatchOn(platform::EventLoop&, std::function<void()>) override { return false; }

  private:
    struct Arrival {
        Clock::time_point at;
        Endpoint from;
        std::string bytes;
        bool unreachable;
    };
    static std::uint64_t Key(Endpoint endpoint) {
        return (static_cast<std::uint64_t>(endpoint.address) << 16) | endpoint.port;
    }

    Clock::time_point& now_;
    std::map<std::uint64_t, Server> servers_;
    std::vector<Endpoint> closed_;
    std::vector<Arrival> queue_;
};

}  // namespace vantorel::testing
