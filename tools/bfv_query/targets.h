#pragma once
// The servers to ask: "HOST", "HOST:PORT" or "HOST:FIRST-LAST", given on the command line or
// one a line in a file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "query/query_target.h"

namespace vantorel::bfvQuery {

// What one run accepts: a list past either bound is refused whole, before anything is sent.
// A million servers take a few hundred megabytes until they are reported; a list of that many
// lines is some 25 MB.
inline constexpr std::size_t kMostTargets = 1'000'000;
inline constexpr std::size_t kMostListBytes = 64 << 20;
inline constexpr const char* kListBounds = "a list holds at most 1,000,000 servers and 64 MB";

// One entry of a list, not yet expanded into its ports.
struct TargetRange {
    std::string host;
    int first = kDefaultQueryPort;
    int last = kDefaultQueryPort;
    std::size_t Count() const { return static_cast<std::size_t>(last - first + 1); }
};

// The server or range that `text` names; nothing, with the reason, when it names none.
std::optional<TargetRange> ParseTarget(std::string_view text, std::string* error);

// Appends the servers that `text` names (a port range names one per port); false with the
// reason when it names none, or when they would take the list past kMostTargets.
bool ParseTargets(const std::string& text, std::vector<QueryTarget>* targets, std::string* error);

// Reads a list of servers as it arrives, a piece at a time, so that no list is ever held
// whole; lines are read as the favourites file is: CR, LF and CR LF each end a line; a
// UTF-8 byte-order mark makes the text UTF-8, a UTF-16 one UTF-16, and without one it is in
// the 8-bit code page; blanks around an entry are trimmed. Text from "#" on and blank lines
// are ignored. A line that names no server is skipped and reported with its number.
class TargetListReader {
  public:
    // `name` is what the reports say the lines came from.
    TargetListReader(std::string name, std::vector<QueryTarget>* targets);

    // False once the list has passed a bound: Refusal() says why, and nothing more is read.
    bool Add(std::string_view bytes);
    // The end of the list: its last line need not end in a line break.
    bool Finish();

    const std::string& Refusal() const { return refusal_; }
    // "NAME:LINE: reason" of the first lines skipped, and how many were skipped in all.
    static constexpr std::size_t kMostReported = 20;
    const std::vector<std::string>& Skipped() const { return skipped_; }
    std::size_t SkippedCount() const { return skippedCount_; }

  private:
    enum class Encoding { kUnknown, kCodePage, kUtf8, kUtf16Le, kUtf16Be };
    static constexpr std::size_t kMostLineBytes = 1024;

    bool Refuse(std::string reason);
    bool Decide();
    bool TakeBytes(std::string_view bytes);
    bool TakeText(std::string_view text);
    void AppendToLine(std::string_view text);
    bool EndLine();
    void Skip(const std::string& reason);
    std::string DecodeUtf16(std::string_view bytes);

    std::string name_;
    std::vector<QueryTarget>* targets_;
    Encoding encoding_ = Encoding::kUnknown;
    std::string start_;  // the first bytes, until the byte-order mark is known
    std::size_t bytes_ = 0;
    std::string line_;
    bool lineTooLong_ = false;
    bool afterCr_ = false;  // a CR ended the last line: an LF right after it ends nothing
    std::size_t number_ = 0;
    std::string oddByte_;         // half of a UTF-16 code unit
    char16_t highSurrogate_ = 0;  // the first half of a UTF-16 pair
    std::string refusal_;
    std::vector<std::string> skipped_;
    std::size_t skippedCount_ = 0;
};

}  // namespace vantorel::bfvQuery
