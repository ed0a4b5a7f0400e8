#pragma once
// Servers split a long status reply over several datagrams. Each part ends with the key
// "queryid" valued ID.N (N counting from 1), the last one also holds the key "final", and
// the parts may arrive in any order. This joins them back into the one reply the parser
// reads.

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

class ReplyAssembler {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kPartsTimeout{1000};
    // A full reply (41 server keys and 201 players of six keys, about 25 KB) split at the
    // usual 1,400 bytes comes in about 20 parts; 64 leaves three times that, and caps what one
    // set can make us hold at 64 datagrams (4.2 MB). A set with a part numbered beyond it is
    // dropped as a whole.
    static constexpr int kMaxParts = 64;

    // The whole reply when `datagram` completes one (or is whole by itself); nothing while
    // parts are still missing. A datagram without a well-formed queryid is whole by itself.
    // Only one set is held at a time (its sender is the caller's to check): a part of another ID, or a whole reply,
    // drops the incomplete set, because what the server sent last is what the window should show.
    std::optional<std::string> Add(std::string_view datagram, Clock::time_point now);

    // Gives up on missing parts once the held set's first part arrived kPartsTimeout or more
    // before `now`: answers what arrived, joined in part order; nothing when no set is held
    // or it is not yet due.
    std::optional<std::string> Expire(Clock::time_point now);

    // When the held set is due to be given up; nothing when no set is held.
    std::optional<Clock::time_point> Deadline() const;

    bool Waiting() const { return waiting_; }

  private:
    struct Part {
        bool arrived = false;
        bool holdsFinal = false;
        std::string text;
    };

    // The number of the part that holds "final"; 0 while it has not arrived.
    int FinalPart() const;
    bool Complete() const;
    std::string JoinAndReset();
    void Reset();

    bool waiting_ = false;
    std::string id_;
    std::string refused_;  // the last set that went beyond kMaxParts
    Clock::time_point firstArrival_{};
    std::array<Part, kMaxParts> parts_;  // part N at index N - 1
};

}  // namespace vantorel
