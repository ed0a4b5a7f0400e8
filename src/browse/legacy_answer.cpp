#include "browse/legacy_answer.h"

#include <algorithm>
#include <cstdint>

#include "browse/game.h"

namespace vantorel::browse {
namespace {

constexpr std::string_view kFinal = "\\final\\";
constexpr std::string_view kError = "\\error\\";
constexpr std::size_t kRecordSize = 6;
constexpr std::uint8_t kKeyLengthMask = 0xEC;

// True when `bytes` are the start of `marker`, or the whole of it.
bool Begins(std::string_view bytes, std::string_view marker) {
    const std::size_t n = std::min(bytes.size(), marker.size());
    return bytes.substr(0, n) == marker.substr(0, n);
}

}  // namespace

LegacyAnswer::LegacyAnswer(MasterList& list, int enctype)
    : list_(list), stage_(enctype == 2 ? Stage::kHeader : Stage::kRecords) {}

void LegacyAnswer::Fail(MasterFault fault) {
    list_.SetFault(std::move(fault));
    stage_ = Stage::kStopped;
    plain_.clear();
}

void LegacyAnswer::Feed(std::string_view bytes) {
    if (stage_ == Stage::kStopped) {
        return;
    }
    if (stage_ == Stage::kHeader) {
        // A refusal, or an empty list, may come in the clear before any header.
        if (header_.empty() && !bytes.empty() && bytes[0] == '\\') {
            stage_ = Stage::kRecords;
        } else {
            std::size_t taken = 0;
            while (taken < bytes.size() && stage_ == Stage::kHeader) {
                header_ += bytes[taken++];
                const std::size_t size = 1 + static_cast<std::uint8_t>(header_[0] ^ kKeyLengthMask);
                if (size == 1) {
                    Fail({MasterFault::Kind::kMalformed, "a list key of no bytes"});
                    return;
                }
                if (header_.size() == size) {
                    std::string key = header_.substr(1);
                    for (std::size_t i = 0; i < key.size() && i < kGameKey.size(); ++i) {
                        key[i] = static_cast<char>(key[i] ^ kGameKey[i]);
                    }
                    cipher_.emplace(key);
                    stage_ = Stage::kRecords;
                }
            }
            bytes.remove_prefix(taken);
        }
    }
    const std::size_t start = plain_.size();
    plain_.append(bytes);
    if (cipher_) {
        cipher_->Apply(plain_.data() + start, plain_.size() - start);
    }
    ReadRecords();
}

void LegacyAnswer::ReadRecords() {
    std::string_view rest(plain_);
    while (stage_ == Stage::kRecords) {
        // A record can begin like a marker; only the seventh byte tells them apart.
        if (Begins(rest, kFinal) || Begins(rest, kError)) {
            if (rest.size() < kFinal.size()) {
                break;
            }
            if (rest.substr(0, kFinal.size()) == kFinal) {
                list_.MarkComplete();
                stage_ = Stage::kStopped;
                break;
            }
            if (rest.substr(0, kError.size()) == kError) {
                rest.remove_prefix(kError.size());
                stage_ = Stage::kErrorText;
                break;
            }
        }
        if (rest.size() < kRecordSize) {
            break;
        }
        const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<std::uint8_t>(rest[i])); };
        ListedServer server;
        server.address.ip = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
        server.address.port = static_cast<std::uint16_t>(byte(4) << 8 | byte(5));
        std::string why;
        if (!list_.Add(std::move(server), &why)) {
            Fail({MasterFault::Kind::kMalformed, why});
            return;
        }
        rest.remove_prefix(kRecordSize);
    }
    if (stage_ == Stage::kErrorText) {
        const std::size_t end = rest.find('\\');
        if (end != std::string_view::npos || rest.size() >= ListLimits::kLongestText) {
            Fail({MasterFault::Kind::kMasterError, PrintableText(rest.substr(0, end))});
            return;
        }
    }
    if (stage_ == Stage::kStopped) {
        plain_.clear();
    } else {
        plain_.erase(0, plain_.size() - rest.size());
    }
}

void LegacyAnswer::Finish(bool timedOut) {
    if (stage_ == Stage::kErrorText) {
        Fail({MasterFault::Kind::kMasterError, PrintableText(plain_)});
    } else if (!list_.Complete()) {
        Fail({timedOut ? MasterFault::Kind::kTimedOut : MasterFault::Kind::kCutShort, {}});
    }
    stage_ = Stage::kStopped;
}

}  // namespace vantorel::browse
