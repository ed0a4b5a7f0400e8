#include "browse/newer_answer.h"

#include <algorithm>
#include <cstdint>

#include "browse/game.h"
#include "browse/newer_request.h"

namespace vantorel::browse {
namespace {

constexpr std::uint8_t kFlagsLengthMask = 0xEC;
constexpr std::uint8_t kChallengeLengthMask = 0xEA;

// A header's first byte is a masked length; printable text there would mean a header of
// 140 bytes or more, which no master sends: it is a refusal in words.
bool IsPlainText(char first) {
    return first >= 0x20 && first < 0x7F;
}

}  // namespace

NewerAnswer::NewerAnswer(MasterList& list, std::string clientChallenge, bool followUpdates)
    : list_(list), clientChallenge_(std::move(clientChallenge)), decoder_(list, followUpdates) {}

std::string NewerAnswer::Feed(std::string_view bytes) {
    if (stage_ == Stage::kPlainText) {
        held_.append(bytes.substr(0, ListLimits::kLongestText - std::min(held_.size(), ListLimits::kLongestText)));
        return {};
    }
    if (stage_ == Stage::kHeader) {
        if (held_.empty() && !bytes.empty() && IsPlainText(bytes[0])) {
            stage_ = Stage::kPlainText;
            return Feed(bytes);
        }
        // Take only the header's bytes: the rest is the enciphered body.
        std::size_t taken = 0;
        while (taken < bytes.size()) {
            held_ += bytes[taken++];
            const std::size_t flagsEnd = 1 + static_cast<std::uint8_t>(held_[0] ^ kFlagsLengthMask);
            if (held_.size() <= flagsEnd) {
                continue;
            }
            const std::size_t end = flagsEnd + 1 + static_cast<std::uint8_t>(held_[flagsEnd] ^ kChallengeLengthMask);
            if (held_.size() == end) {
                const std::string_view serverChallenge = std::string_view(held_).substr(flagsEnd + 1);
                cipher_.emplace(AnswerKey(clientChallenge_, serverChallenge, kGameKey));
                stage_ = Stage::kBody;
                held_.clear();
                break;
            }
        }
        bytes.remove_prefix(taken);
        if (stage_ != Stage::kBody || bytes.empty()) {
            return {};
        }
    }
    std::string plain(bytes);
    cipher_->Decrypt(plain.data(), plain.size());
    return decoder_.Feed(plain);
}

void NewerAnswer::Finish(bool timedOut) {
    if (stage_ == Stage::kPlainText) {
        std::string text = held_;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) {
            text.pop_back();
        }
        list_.SetFault({MasterFault::Kind::kMasterError, PrintableText(text)});
    }
    decoder_.Finish(timedOut);
}

}  // namespace vantorel::browse
