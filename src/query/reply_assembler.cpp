#include "query/reply_assembler.h"

#include "query/reply_parse.h"

namespace vantorel {
namespace {

struct QueryId {
    std::string set;
    int part = 0;  // beyond kMaxParts when the number is larger than any part we hold
};

bool AllDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// "digits.digits" with a part number from 1 on; anything else is no queryid. A part number
// above kMaxParts reads as kMaxParts + 1, however long its digits.
std::optional<QueryId> ReadQueryId(const modBFVQueryParse::KeyLookup& queryid) {
    if (!queryid.found) {
        return std::nullopt;
    }
    const std::string_view value = queryid.value;
    const std::size_t dot = value.find('.');
    if (dot == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view set = value.substr(0, dot);
    const std::string_view number = value.substr(dot + 1);
    if (!AllDigits(set) || !AllDigits(number)) {
        return std::nullopt;
    }
    int part = 0;
    for (const char c : number) {
        part = part * 10 + (c - '0');
        if (part > ReplyAssembler::kMaxParts) {
            part = ReplyAssembler::kMaxParts + 1;
            break;
        }
    }
    if (part == 0) {
        return std::nullopt;
    }
    return QueryId{std::string(set), part};
}

}  // namespace

std::optional<std::string> ReplyAssembler::Add(std::string_view datagram, Clock::time_point now) {
    // Both keys end a part: one pass finds them.
    modBFVQueryParse::KeyLookup keys[] = {{modBFVQueryParse::kQueryIdKey, false, {}},
                                          {modBFVQueryParse::kFinalKey, false, {}}};
    modBFVQueryParse::LookUpKeys(datagram, keys);
    const std::optional<QueryId> id = ReadQueryId(keys[0]);
    if (!id) {
        Reset();
        return std::string(datagram);
    }
    if (id->set == refused_) {
        return std::nullopt;
    }
    if (waiting_ && id->set != id_) {
        Reset();
    }
    if (id->part > kMaxParts) {
        // A set longer than any reply of this game is no reply: none of it is shown, and
        // its later parts do not start it again.
        Reset();
        refused_ = id->set;
        return std::nullopt;
    }
    if (!waiting_) {
        waiting_ = true;
        id_ = id->set;
        firstArrival_ = now;
    }
    const int finalPart = FinalPart();
    if (finalPart != 0 && id->part > finalPart) {
        return std::nullopt;
    }
    Part& part = parts_[static_cast<std::size_t>(id->part - 1)];
    part.arrived = true;
    part.holdsFinal = keys[1].found;
    part.text = std::string(datagram);
    if (part.holdsFinal) {
        // Nothing after the last part belongs to this reply.
        for (std::size_t later = static_cast<std::size_t>(id->part); later < parts_.size(); ++later) {
            parts_[later] = Part{};
        }
    }
    if (Complete()) {
        return JoinAndReset();
    }
    return std::nullopt;
}

std::optional<std::string> ReplyAssembler::Expire(Clock::time_point now) {
    if (!waiting_ || now - firstArrival_ < kPartsTimeout) {
        return std::nullopt;
    }
    return JoinAndReset();
}

std::optional<ReplyAssembler::Clock::time_point> ReplyAssembler::Deadline() const {
    if (!waiting_) {
        return std::nullopt;
    }
    return firstArrival_ + kPartsTimeout;
}

int ReplyAssembler::FinalPart() const {
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (parts_[i].holdsFinal) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

bool ReplyAssembler::Complete() const {
    const int finalPart = FinalPart();
    if (finalPart == 0) {
        return false;
    }
    for (int i = 0; i < finalPart; ++i) {
        if (!parts_[static_cast<std::size_t>(i)].arrived) {
            return false;
        }
    }
    return true;
}

std::string ReplyAssembler::JoinAndReset() {
    // Sized once: a string grown part by part would pass through buffers of up to twice the
    // reply's size, and the parts of a long reply are some megabytes.
    std::size_t size = 0;
    for (const Part& part : parts_) {
        size += part.arrived ? part.text.size() : 0;
    }
    std::string reply;
    reply.reserve(size);
    for (const Part& part : parts_) {
        if (part.arrived) {
            reply += part.text;
        }
    }
    Reset();
    return reply;
}

void ReplyAssembler::Reset() {
    waiting_ = false;
    id_.clear();
    for (Part& part : parts_) {
        part = Part{};
    }
}

}  // namespace vantorel
