// Drives arbitrary bytes through the reader of bfv-query's server lists (-f), once whole and
// once in pieces of a size the input chooses, as a pipe hands them over. Besides the
// sanitizers' findings, properties that must hold for any list stop the run when broken:
// the pieces make no difference, the bounds hold, and what reaches the terminal or the JSON
// is safe there.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output.h"
#include "targets.h"

namespace vantorel::bfvQuery {
namespace {

void Check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

struct Read {
    std::vector<std::string> labels;
    std::vector<std::string> skipped;
    std::size_t skippedCount = 0;
    std::string refusal;
};

Read ReadList(std::string_view bytes, std::size_t piece) {
    Read read;
    std::vector<QueryTarget> targets;
    TargetListReader reader("list", &targets);
    bool accepted = true;
    for (std::size_t at = 0; accepted && at < bytes.size(); at += piece) {
        accepted = reader.Add(bytes.substr(at, piece));
    }
    Check(accepted == reader.Refusal().empty());
    if (accepted) {
        accepted = reader.Finish();
    }
    Check(accepted == reader.Refusal().empty());
    Check(targets.size() <= kMostTargets);
    for (const QueryTarget& target : targets) {
        Check(!target.host.empty() && target.host.size() <= 253);
        Check(target.port >= 1 && target.port <= 65535);
        read.labels.push_back(target.Label());
    }
    read.skipped = reader.Skipped();
    read.skippedCount = reader.SkippedCount();
    Check(read.skipped.size() <= TargetListReader::kMostReported && read.skipped.size() <= read.skippedCount);
    read.refusal = reader.Refusal();
    return read;
}

// Well-formed UTF-8, as a JSON reader demands it.
bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || at + length > text.size()) {
            return false;
        }
        const auto second = static_cast<unsigned char>(length > 1 ? text[at + 1] : 0x80);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second > 0x8F)) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
                return false;
            }
        }
        at += length;
    }
    return true;
}

// What a terminal gets: no control character of C0, DEL or C1, and UTF-8 throughout.
void CheckTerminalSafe(const std::string& text) {
    const std::string safe = TerminalSafe(text);
    Check(IsUtf8(safe));
    for (std::size_t at = 0; at < safe.size(); ++at) {
        const auto byte = static_cast<unsigned char>(safe[at]);
        Check(byte >= 0x20 && byte != 0x7F);
        Check(!(byte == 0xC2 && at + 1 < safe.size() && static_cast<unsigned char>(safe[at + 1]) <= 0x9F));
    }
}

}  // namespace
}  // namespace vantorel::bfvQuery

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantorel::bfvQuery;
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = 1 + data[0] % 7;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Read whole = ReadList(bytes, bytes.size() + 1);
    const Read pieces = ReadList(bytes, piece);
    Check(whole.labels == pieces.labels && whole.skipped == pieces.skipped &&
          whole.skippedCount == pieces.skippedCount && whole.refusal == pieces.refusal);
    for (const std::string& label : whole.labels) {
        CheckTerminalSafe(label);
        Check(IsUtf8(JsonString(label)));
    }
    for (const std::string& message : whole.skipped) {
        CheckTerminalSafe(message);
    }
    return 0;
}
