#include "browse/newer_decoder.h"

#include "browse/newer_request.h"

namespace vantorel::browse {
namespace {

constexpr std::uint16_t kErrorPort = 0xFFFF;
constexpr std::uint32_t kEndAddress = 0xFFFFFFFF;

namespace flag {
constexpr std::uint8_t kPrivateAddress = 0x02;
constexpr std::uint8_t kPingAddress = 0x08;
constexpr std::uint8_t kPort = 0x10;
constexpr std::uint8_t kPrivatePort = 0x20;
constexpr std::uint8_t kKeyValues = 0x40;
constexpr std::uint8_t kRules = 0x80;
}  // namespace flag

}  // namespace

NewerListDecoder::NewerListDecoder(MasterList& list, bool followUpdates) : list_(list), followUpdates_(followUpdates) {}

Parse NewerListDecoder::Bad(std::string why) {
    why_ = std::move(why);
    return Parse::kBad;
}

bool NewerListDecoder::SpendTable(std::size_t bytes) {
    tableBytes_ += bytes;
    return tableBytes_ <= ListLimits::kMostTableBytes;
}

std::string NewerListDecoder::Feed(std::string_view plain) {
    std::string echo;
    if (stage_ == Stage::kStopped) {
        return echo;
    }
    pending_.append(plain);
    ByteReader reader(pending_);
    while (stage_ != Stage::kStopped) {
        const std::size_t unitStart = reader.Position();
        const Parse parse = Step(reader, echo);
        if (parse == Parse::kNeedMore) {
            pending_.erase(0, unitStart);
            return echo;
        }
        if (parse == Parse::kBad) {
            list_.SetFault({MasterFault::Kind::kMalformed, why_});
            stage_ = Stage::kStopped;
        }
    }
    pending_.clear();
    return echo;
}

void NewerListDecoder::Finish(bool timedOut) {
    if (stage_ == Stage::kErrorText) {
        // The error's text without its NUL: what came is the text.
        list_.SetFault({MasterFault::Kind::kMasterError, PrintableText(pending_)});
    } else if (!list_.Complete()) {
        list_.SetFault({timedOut ? MasterFault::Kind::kTimedOut : MasterFault::Kind::kCutShort, {}});
    }
    stage_ = Stage::kStopped;
    pending_.clear();
}

Parse NewerListDecoder::Step(ByteReader& reader, std::string& echo) {
    switch (stage_) {
        case Stage::kPrelude: {
            std::uint32_t requester = 0;
            if (!reader.U32BigEndian(requester) || !reader.U16BigEndian(defaultPort_)) {
                return Parse::kNeedMore;
            }
            stage_ = defaultPort_ == kErrorPort ? Stage::kErrorText : Stage::kKeyCount;
            return Parse::kDone;
        }
        case Stage::kErrorText: {
            std::string_view text;
            const Parse parse = reader.Text(ListLimits::kLongestText, text);
            if (parse == Parse::kNeedMore) {
                return parse;
            }
            if (parse == Parse::kBad) {
                reader.Bytes(ListLimits::kLongestText, text);
            }
            list_.SetFault({MasterFault::Kind::kMasterError, PrintableText(text)});
            stage_ = Stage::kStopped;
            return Parse::kDone;
        }
        case Stage::kKeyCount:
        case Stage::kPopularCount: {
            std::uint8_t count = 0;
            if (!reader.U8(count)) {
                return Parse::kNeedMore;
            }
            left_ = count;
            stage_ = stage_ == Stage::kKeyCount ? Stage::kKeys : Stage::kPopular;
            return Parse::kDone;
        }
        case Stage::kKeys: {
            if (left_ == 0) {
                stage_ = Stage::kPopularCount;
                return Parse::kDone;
            }
            const Parse parse = ReadKey(reader, *building_);
            left_ -= parse == Parse::kDone ? 1 : 0;
            return parse;
        }
        case Stage::kPopular: {
            if (left_ == 0) {
                table_ = building_;
                stage_ = Stage::kServers;
                return Parse::kDone;
            }
            std::string_view value;
            const Parse parse = reader.Text(ListLimits::kLongestText, value);
            if (parse == Parse::kBad) {
                return Bad("a popular value longer than " + std::to_string(ListLimits::kLongestText) + " bytes");
            }
            if (parse == Parse::kDone) {
                if (!SpendTable(value.size() + 1)) {
                    return Bad("keys and popular values past " + std::to_string(ListLimits::kMostTableBytes) +
                               " bytes");
                }
                building_->popular.emplace_back(value);
                --left_;
            }
            return parse;
        }
        case Stage::kServers: {
            ListedServer server;
            bool endMarker = false;
            const Parse parse = ReadServer(reader, false, server, endMarker);
            if (parse != Parse::kDone) {
                return parse;
            }
            if (endMarker) {
                list_.MarkComplete();
                stage_ = followUpdates_ ? Stage::kLater : Stage::kStopped;
                return Parse::kDone;
            }
            std::string why;
            if (!list_.Add(std::move(server), &why)) {
                return Bad(why);
            }
            return Parse::kDone;
        }
        case Stage::kLater: return ReadMessage(reader, echo);
        case Stage::kStopped: return Parse::kDone;
    }
    return Parse::kDone;
}

Parse NewerListDecoder::ReadKey(ByteReader& reader, FieldTable& table) {
    std::uint8_t type = 0;
    std::string_view name;
    if (!reader.U8(type)) {
        return Parse::kNeedMore;
    }
    if (type > static_cast<std::uint8_t>(FieldTable::KeyType::kShort)) {
        return Bad("key type " + std::to_string(type));
    }
    const Parse parse = reader.Text(ListLimits::kLongestText, name);
    if (parse == Parse::kBad) {
        return Bad("a key name longer than " + std::to_string(ListLimits::kLongestText) + " bytes");
    }
    if (parse == Parse::kDone) {
        if (!SpendTable(name.size() + 2)) {
            return Bad("keys and popular values past " + std::to_string(ListLimits::kMostTableBytes) + " bytes");
        }
        table.keys.push_back({static_cast<FieldTable::KeyType>(type), std::string(name)});
    }
    return parse;
}

Parse NewerListDecoder::ReadServer(ByteReader& reader, bool inlineTexts, ListedServer& server, bool& endMarker) {
    std::uint8_t flags = 0;
    std::uint32_t ip = 0;
    if (!reader.U8(flags) || !reader.U32BigEndian(ip)) {
        return Parse::kNeedMore;
    }
    if (flags == 0 && ip == kEndAddress) {
        endMarker = true;
        return Parse::kDone;
    }
    server.address = {ip, defaultPort_};
    std::string_view skipped;
    if ((flags & flag::kPort) != 0 && !reader.U16BigEndian(server.address.port)) {
        return Parse::kNeedMore;
    }
    if (((flags & flag::kPrivateAddress) != 0 && !reader.Bytes(4, skipped)) ||
        ((flags & flag::kPrivatePort) != 0 && !reader.Bytes(2, skipped)) ||
        ((flags & flag::kPingAddress) != 0 && !reader.Bytes(4, skipped))) {
        return Parse::kNeedMore;
    }
    std::string values;
    const auto tooLarge = [&] { return values.size() > ListLimits::kLargestServerValues; };
    const auto tooLargeWhy = [] {
        return "one server's values past " + std::to_string(ListLimits::kLargestServerValues) + " bytes";
    };
    const auto tooLongWhy = [] { return "a value longer than " + std::to_string(ListLimits::kLongestText) + " bytes"; };
    const bool keyValues = (flags & flag::kKeyValues) != 0 && table_ && !table_->keys.empty();
    if (keyValues) {
        for (const FieldTable::Key& key : table_->keys) {
            std::uint8_t first = 0;
            if (key.type == FieldTable::KeyType::kText && !inlineTexts) {
                if (!reader.U8(first)) {
                    return Parse::kNeedMore;
                }
                if (first != static_cast<std::uint8_t>(ListedFields::kInlineText)) {
                    if (first >= table_->popular.size()) {
                        return Bad("index " + std::to_string(first) + " past the " +
                                   std::to_string(table_->popular.size()) + " popular values");
                    }
                    values += static_cast<char>(first);
                    continue;
                }
            }
            std::string_view field;
            switch (key.type) {
                case FieldTable::KeyType::kText: {
                    const Parse parse = reader.Text(ListLimits::kLongestText, field);
                    if (parse == Parse::kBad) {
                        return Bad(tooLongWhy());
                    }
                    if (parse == Parse::kNeedMore) {
                        return parse;
                    }
                    values += ListedFields::kInlineText;
                    values += field;
                    values += '\0';
                    break;
                }
                case FieldTable::KeyType::kByte:
                case FieldTable::KeyType::kShort:
                    if (!reader.Bytes(key.type == FieldTable::KeyType::kByte ? 1 : 2, field)) {
                        return Parse::kNeedMore;
                    }
                    values += field;
                    break;
            }
            if (tooLarge()) {
                return Bad(tooLargeWhy());
            }
        }
    }
    if ((flags & flag::kRules) != 0) {
        while (true) {
            std::string_view name;
            std::string_view value;
            Parse parse = reader.Text(ListLimits::kLongestText, name);
            if (parse == Parse::kDone && name.empty()) {
                break;
            }
            if (parse == Parse::kDone) {
                parse = reader.Text(ListLimits::kLongestText, value);
            }
            if (parse == Parse::kBad) {
                return Bad(tooLongWhy());
            }
            if (parse == Parse::kNeedMore) {
                return parse;
            }
            values.append(name).append(1, '\0').append(value).append(1, '\0');
            if (tooLarge()) {
                return Bad(tooLargeWhy());
            }
        }
    }
    if (!values.empty()) {
        server.fields = ListedFields(table_, std::move(values), keyValues);
    }
    return Parse::kDone;
}

Parse NewerListDecoder::ReadMessage(ByteReader& reader, std::string& echo) {
    std::uint16_t length = 0;
    if (!reader.U16BigEndian(length)) {
        return Parse::kNeedMore;
    }
    if (length < 3) {
        return Bad("a message length of " + std::to_string(length));
    }
    std::string_view rest;
    if (!reader.Bytes(length - 2u, rest)) {
        return Parse::kNeedMore;
    }
    const auto type = static_cast<std::uint8_t>(rest[0]);
    ByteReader payload(rest.substr(1));
    // Inside a whole message a unit that wants more bytes than the message holds means the
    // message's length lied.
    const auto inside = [&](Parse parse) {
        return parse == Parse::kNeedMore ? Bad("a message shorter than what it holds") : parse;
    };
    switch (type) {
        case newerMessage::kNewKeys: {
            auto table = std::make_shared<FieldTable>();
            if (table_) {
                table->popular = table_->popular;
            }
            std::uint8_t count = 0;
            if (!payload.U8(count)) {
                return inside(Parse::kNeedMore);
            }
            for (unsigned i = 0; i < count; ++i) {
                const Parse parse = ReadKey(payload, *table);
                if (parse != Parse::kDone) {
                    return inside(parse);
                }
            }
            // The copied popular values count against the limit too: each key list keeps its own.
            std::size_t popularBytes = 0;
            for (const std::string& value : table->popular) {
                popularBytes += value.size() + 1;
            }
            if (!SpendTable(popularBytes)) {
                return Bad("keys and popular values past " + std::to_string(ListLimits::kMostTableBytes) + " bytes");
            }
            table_ = std::move(table);
            return Parse::kDone;
        }
        case newerMessage::kServerUpdate: {
            ListedServer server;
            bool endMarker = false;
            const Parse parse = ReadServer(payload, true, server, endMarker);
            if (parse != Parse::kDone || endMarker) {
                return inside(parse);
            }
            std::string why;
            return list_.Update(std::move(server), &why) ? Parse::kDone : Bad(why);
        }
        case newerMessage::kKeepalive:
            echo += static_cast<char>(length >> 8);
            echo += static_cast<char>(length & 255);
            echo += rest;
            return Parse::kDone;
        case newerMessage::kServerRemoved: {
            std::uint32_t ip = 0;
            std::uint16_t port = 0;
            if (!payload.U32BigEndian(ip) || !payload.U16BigEndian(port)) {
                return inside(Parse::kNeedMore);
            }
            list_.Remove({ip, port});
            return Parse::kDone;
        }
        default: return Parse::kDone;  // a message this client has no use for
    }
}

}  // namespace vantorel::browse
