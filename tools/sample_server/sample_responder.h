#pragma once
// A local stand-in for game servers: it answers the status requests on each of its UDP ports
// as live servers of the game do, in the dialect it is told to speak.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/csocket.h"

namespace vantorel {

class SampleResponder {
  public:
    using Clock = std::chrono::steady_clock;

    // full: every text request gets everything, in one datagram. standard: as the query
    // standard answers: each of the words basic, info, rules, players and status found
    // anywhere in the request adds its share ("\basic\" the three basic keys, "\status\"
    // everything), all in one reply split into parts of at most kPartBytes, sent in order.
    // gs2: only the GameSpy 2 request is answered, with the sections that its flags ask for.
    enum class Dialect { kFull, kStandard, kGameSpy2 };
    static constexpr std::size_t kPartBytes = 1400;

    struct Settings {
        std::string bind = "127.0.0.1";
        Dialect dialect = Dialect::kFull;
        int firstPort = 23000;
        int lastPort = 23000;
        std::string hostname = "Vantorel Sample Server";
        std::string map = "Hue";
        int players = 24;
        int maxPlayers = 32;
        int reserved = 2;
        // Full (every public slot taken) for this long, then one public slot free.
        std::optional<double> freeAfterSeconds;
        // Bytes sent as they are instead of the generated reply.
        std::optional<std::vector<std::uint8_t>> replyBytes;
        // The parts of a split reply go out in a shuffled order, as from a busy server.
        bool shuffleParts = false;
        bool password = false;
        // Each port of the range a server of its own: its name, map and counts drawn from the
        // port's place in the range, some empty, some full, some with a password, so that one
        // process shows a list of servers as a browser finds them.
        bool vary = false;
    };

    // What the port at `index` of the range serves: the settings themselves, or with `vary`
    // a server of its own.
    static Settings Varied(const Settings& settings, int index);

    explicit SampleResponder(Settings settings, std::function<Clock::time_point()> now = Clock::now);
    ~SampleResponder();

    // Binds every port; false with the reason when one cannot be had.
    bool Open(std::string* error);

    // The port that the i-th socket is bound to (the system's choice for port 0).
    int BoundPort(std::size_t index) const;

    // The reply as it would go out now (UTF-8; the socket sends it in the code page).
    std::string Reply() const;
    // The datagrams that answer `request` now, in the servers' code page and in the order
    // they go out; none for a request this dialect does not answer.
    std::vector<std::string> Answers(std::string_view request);
    int PlayersNow() const;
    // The same for the server on the port at `index` of the range.
    std::vector<std::string> AnswersOn(std::size_t index, std::string_view request);

    // Runs after each reply with a line saying to whom it went.
    void SetOnReply(std::function<void(const std::string& line)> hook) { onReply_ = std::move(hook); }

  private:
    class Port;
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    // The server keys and the players' keys of the reply as it would go out now (UTF-8).
    Pairs ServerPairs() const;
    Pairs PlayerPairs() const;
    Pairs StandardAnswer(std::string_view request) const;
    std::vector<std::string> Parts(const Pairs& pairs);
    Pairs BasicPairs() const;
    std::string GameSpy2(std::string_view request) const;
    void Answer(CSocket& socket, std::size_t index);
    // The server being answered now.
    const Settings& Serving() const { return served_[serving_]; }

    Settings settings_;
    std::vector<Settings> served_;  // one a port of the range
    std::size_t serving_ = 0;
    std::function<Clock::time_point()> now_;
    Clock::time_point started_;
    std::vector<std::unique_ptr<Port>> ports_;
    std::function<void(const std::string&)> onReply_;
    int nextQueryId_ = 1;
    unsigned shuffleState_ = 0x9E3779B9u;
};

}  // namespace vantorel
