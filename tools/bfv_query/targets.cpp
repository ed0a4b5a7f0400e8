#include "targets.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"
#include "common/utf8.h"
#include "platform/ansi.h"

namespace vantorel::bfvQuery {
namespace {

// The longest host name the resolver takes.
constexpr std::size_t kMostHostBytes = 253;

std::optional<int> PortNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    int port = 0;
    for (const char c : text) {
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

// "::1", "fe80::1%eth0", "[::1]:23000": users who try one deserve to hear why it cannot work
// rather than that it is no host.
bool LooksLikeIpv6(std::string_view text) {
    if (!text.empty() && text.front() == '[') {
        return true;
    }
    const std::string_view address = text.substr(0, text.find('%'));
    return address.find(':') != address.rfind(':') &&
           address.find_first_not_of("0123456789abcdefABCDEF:.") == std::string_view::npos;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

}  // namespace

std::optional<TargetRange> ParseTarget(std::string_view text, std::string* error) {
    if (LooksLikeIpv6(text)) {
        *error =
            Quoted(text) + ": IPv6 is not supported by the game's query protocol; give an IPv4 address or a host name";
        return std::nullopt;
    }
    const std::size_t colon = text.rfind(':');
    const std::string_view host = text.substr(0, colon);
    if (host.empty() || host.find_first_of(" \t\\:") != std::string_view::npos || HasControlChar(host)) {
        *error = Quoted(text) + ": expected HOST, HOST:PORT or HOST:FIRST-LAST";
        return std::nullopt;
    }
    if (host.size() > kMostHostBytes) {
        *error = Quoted(text) + ": a host name has at most 253 characters";
        return std::nullopt;
    }
    TargetRange range{std::string(host), kDefaultQueryPort, kDefaultQueryPort};
    if (colon == std::string_view::npos) {
        return range;
    }
    const std::string_view ports = text.substr(colon + 1);
    const std::size_t dash = ports.find('-');
    const std::optional<int> first = PortNumber(ports.substr(0, dash));
    const std::optional<int> last = dash == std::string_view::npos ? first : PortNumber(ports.substr(dash + 1));
    if (!first || !last) {
        *error = Quoted(text) + ": a port is a number from 1 to 65535";
        return std::nullopt;
    }
    if (*last < *first) {
        *error = Quoted(text) + ": the range ends before it starts";
        return std::nullopt;
    }
    range.first = *first;
    range.last = *last;
    return range;
}

bool ParseTargets(const std::string& text, std::vector<QueryTarget>* targets, std::string* error) {
    const std::optional<TargetRange> range = ParseTarget(text, error);
    if (!range) {
        return false;
    }
    if (range->Count() > kMostTargets - std::min(targets->size(), kMostTargets)) {
        *error = "too many servers: " + std::string(kListBounds);
        return false;
    }
    for (int port = range->first; port <= range->last; ++port) {
        targets->push_back({range->host, port});
    }
    return true;
}

TargetListReader::TargetListReader(std::string name, std::vector<QueryTarget>* targets)
    : name_(std::move(name)), targets_(targets) {}

bool TargetListReader::Refuse(std::string reason) {
    refusal_ = name_ + ": " + std::move(reason);
    return false;
}

bool TargetListReader::Add(std::string_view bytes) {
    if (!refusal_.empty()) {
        return false;
    }
    bytes_ += bytes.size();
    if (bytes_ > kMostListBytes) {
        return Refuse("longer than 64 MB: " + std::string(kListBounds));
    }
    if (encoding_ != Encoding::kUnknown) {
        return TakeBytes(bytes);
    }
    // The byte-order mark decides, so its first three bytes are gathered before anything.
    start_.append(bytes);
    return start_.size() < 3 || Decide();
}

bool TargetListReader::Decide() {
    std::string_view text = start_;
    const auto mark = [&text](std::string_view bytes) {
        if (text.substr(0, bytes.size()) != bytes) {
            return false;
        }
        text.remove_prefix(bytes.size());
        return true;
    };
    if (mark("\xEF\xBB\xBF")) {
        encoding_ = Encoding::kUtf8;
    } else if (mark("\xFF\xFE")) {
        encoding_ = Encoding::kUtf16Le;
    } else if (mark("\xFE\xFF")) {
        encoding_ = Encoding::kUtf16Be;
    } else {
        encoding_ = Encoding::kCodePage;
    }
    const std::string rest(text);
    start_.clear();
    return TakeBytes(rest);
}

bool TargetListReader::Finish() {
    if (!refusal_.empty() || (encoding_ == Encoding::kUnknown && !Decide())) {
        return false;
    }
    if (!oddByte_.empty() || highSurrogate_ != 0) {
        // A file cut in the middle of a character: what there was of it is no character.
        AppendUtf8(line_, 0xFFFD);
        oddByte_.clear();
        highSurrogate_ = 0;
    }
    return (line_.empty() && !lineTooLong_) || EndLine();
}

bool TargetListReader::TakeBytes(std::string_view bytes) {
    if (encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be) {
        return TakeText(DecodeUtf16(bytes));
    }
    return TakeText(bytes);
}

std::string TargetListReader::DecodeUtf16(std::string_view bytes) {
    std::string text;
    const bool little = encoding_ == Encoding::kUtf16Le;
    const auto take = [&](unsigned char first, unsigned char second) {
        const char16_t unit =
            little ? static_cast<char16_t>(first | second << 8) : static_cast<char16_t>(first << 8 | second);
        if (highSurrogate_ != 0) {
            const char16_t high = highSurrogate_;
            highSurrogate_ = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                AppendUtf8(text, 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (unit - 0xDC00));
                return;
            }
            AppendUtf8(text, 0xFFFD);
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            highSurrogate_ = unit;
        } else {
            AppendUtf8(text, unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    };
    std::size_t at = 0;
    if (!oddByte_.empty() && !bytes.empty()) {
        take(static_cast<unsigned char>(oddByte_[0]), static_cast<unsigned char>(bytes[0]));
        oddByte_.clear();
        at = 1;
    }
    for (; at + 1 < bytes.size(); at += 2) {
        take(static_cast<unsigned char>(bytes[at]), static_cast<unsigned char>(bytes[at + 1]));
    }
    if (at < bytes.size()) {
        oddByte_ = bytes.substr(at);
    }
    return text;
}

bool TargetListReader::TakeText(std::string_view text) {
    for (;;) {
        if (afterCr_ && !text.empty()) {
            afterCr_ = false;
            if (text.front() == '\n') {
                text.remove_prefix(1);
            }
        }
        const std::size_t stop = text.find_first_of("\r\n");
        AppendToLine(text.substr(0, stop));
        if (stop == std::string_view::npos) {
            return true;
        }
        afterCr_ = text[stop] == '\r';
        text.remove_prefix(stop + 1);
        if (!EndLine()) {
            return false;
        }
    }
}

void TargetListReader::AppendToLine(std::string_view text) {
    if (lineTooLong_) {
        return;
    }
    if (line_.size() + text.size() > kMostLineBytes) {
        // The rest of the line is only counted past: an endless line costs no memory.
        lineTooLong_ = true;
        std::string().swap(line_);
        return;
    }
    line_.append(text);
}

bool TargetListReader::EndLine() {
    ++number_;
    const std::string raw = std::move(line_);
    const bool tooLong = lineTooLong_;
    line_.clear();
    lineTooLong_ = false;
    if (tooLong) {
        Skip("longer than 1024 bytes");
        return true;
    }
    if (raw.find('\0') != std::string::npos) {
        Skip("holds a NUL byte");
        return true;
    }
    const std::string text = encoding_ == Encoding::kCodePage ? platform::AnsiToUtf8(raw) : raw;
    const std::string entry = TrimProfileBlanks(std::string_view(text).substr(0, text.find('#')));
    if (entry.empty()) {
        return true;
    }
    std::string error;
    const std::optional<TargetRange> range = ParseTarget(entry, &error);
    if (!range) {
        Skip(error);
        return true;
    }
    if (range->Count() > kMostTargets - std::min(targets_->size(), kMostTargets)) {
        return Refuse("line " + std::to_string(number_) + ": more than 1,000,000 servers: " + kListBounds);
    }
    for (int port = range->first; port <= range->last; ++port) {
        targets_->push_back({range->host, port});
    }
    return true;
}

void TargetListReader::Skip(const std::string& reason) {
    ++skippedCount_;
    if (skipped_.size() < kMostReported) {
        skipped_.push_back(name_ + ":" + std::to_string(number_) + ": " + reason);
    }
}

}  // namespace vantorel::bfvQuery
