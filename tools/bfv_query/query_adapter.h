#pragma once
// The one place where bfv-query uses the stats window's query code: the request text, the
// joining of split replies, the parser and the display texts. The engine gives each
// server's QueryProtocol the datagrams from that server and its timeouts, and sends what it
// asks for; nothing here knows about sockets.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "query/reply_assembler.h"
#include "result.h"

namespace vantorel::bfvQuery {

enum class Protocol { kAuto, kBasic, kStatus, kGameSpy2 };

std::optional<Protocol> ParseProtocol(std::string_view name);
const char* ProtocolName(Protocol protocol);
// False for a protocol this build cannot speak yet.
bool ProtocolAvailable(Protocol protocol);

// What the stats window would take from an answered server's reply. The summary (record,
// title, map, counts) always; the rest only when asked for, as it costs more than the parse.
struct ReadParts {
    bool players = true;  // the player entries
    bool lines = true;    // the player lines as the window shows them
    bool rules = true;    // the reply's other keys
};
ServerReport ReadReply(const Result& result, ReadParts parts = {});

class QueryProtocol {
  public:
    using Clock = std::chrono::steady_clock;

    enum class Step {
        kWaiting,    // more datagrams are expected
        kAnswered,   // the answer is in `reply` and `protocol`
        kSendAgain,  // send Request() again and wait one more timeout
        kNoAnswer,   // give up: the server did not answer
    };

    // How long the parts of a split reply are waited for, from the first that arrived.
    static constexpr std::chrono::milliseconds kPartsTimeout = ReplyAssembler::kPartsTimeout;

    explicit QueryProtocol(Protocol protocol) : protocol_(protocol) {}

    // The bytes to send now.
    std::string_view Request() const;

    Step OnDatagram(std::string_view bytes, Clock::time_point now, Result* result);
    // When held parts of a split reply are due to be given up; nothing when none are held.
    std::optional<Clock::time_point> PartsDeadline() const { return assembler_.Deadline(); }
    // At or after the parts deadline: what arrived is the answer.
    Step OnPartsDeadline(Clock::time_point now, Result* result);
    // The query's own timeout ran out with no answer.
    Step OnTimeout(Clock::time_point now);

  private:
    Step Answer(std::string reply, Result* result);

    Protocol protocol_;
    ReplyAssembler assembler_;
};

}  // namespace vantorel::bfvQuery
