#include "master_conversation.h"

#include <algorithm>
#include <array>

#include "address_list.h"
#include "browse/byte_reader.h"
#include "browse/list_cipher.h"
#include "browse/newer_request.h"
#include "browse/validate.h"

namespace vantorel::sampleMaster {
namespace {

using browse::ByteReader;
using browse::Parse;

// A client that has sent this much without a whole request is sending something else.
constexpr std::size_t kLongestRequest = 4096;

// Values that every sample server shares go out as indices into this table.
constexpr std::array<std::string_view, 5> kPopular{"conquest", "openplaying", "bfvietnam", "BfVietnam", "v1.21"};

constexpr std::array<std::string_view, 5> kMaps{"Hue", "Ia Drang", "Khe Sanh", "Operation Game Warden", "Quang Tri"};

// The value after "\KEY\" in a legacy message, up to the next backslash.
std::string_view Value(std::string_view message, std::string_view key) {
    const std::string marker = "\\" + std::string(key) + "\\";
    const std::size_t at = message.find(marker);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::string_view rest = message.substr(at + marker.size());
    return rest.substr(0, rest.find('\\'));
}

void PutBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out += static_cast<char>(value >> shift & 255);
    }
}

browse::FieldTable::KeyType TypeOf(std::string_view field) {
    if (field == "numplayers" || field == "maxplayers") {
        return browse::FieldTable::KeyType::kByte;
    }
    if (field == "hostport") {
        return browse::FieldTable::KeyType::kShort;
    }
    return browse::FieldTable::KeyType::kText;
}

}  // namespace

MasterConversation::MasterConversation(Settings settings, const std::vector<browse::ServerAddress>& servers,
                                       std::uint32_t requester, std::uint32_t seed)
    : settings_(settings), servers_(servers), requester_(requester), random_(seed) {}

std::string MasterConversation::RandomText(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += static_cast<char>('A' + random_() % 26);
    }
    return text;
}

std::string MasterConversation::FieldValue(std::string_view field, std::size_t serverIndex) {
    if (field == "hostname") {
        return "Vantorel Sample Server " + std::to_string(serverIndex + 1);
    }
    if (field == "mapname") {
        return std::string(kMaps[serverIndex % kMaps.size()]);
    }
    if (field == "numplayers") {
        return std::to_string(serverIndex % 33);
    }
    if (field == "maxplayers") {
        return "32";
    }
    if (field == "hostport") {
        return "15567";
    }
    if (field == "gametype") {
        return "conquest";
    }
    if (field == "gamemode") {
        return "openplaying";
    }
    if (field == "gamever") {
        return "v1.21";
    }
    if (field == "game_id") {
        return "bfvietnam";
    }
    if (field == "active_mods") {
        return "BfVietnam";
    }
    if (field == "password" || field == "sv_punkbuster") {
        return "0";
    }
    if (field == "dedicated" || field == "spectatorsallowed") {
        return "1";
    }
    if (field == "reservedslots") {
        return "2";
    }
    return {};
}

std::string MasterConversation::Greeting() {
    if (settings_.protocol != browse::ListProtocol::kLegacy) {
        return {};
    }
    challenge_ = RandomText(6);
    return "\\basic\\\\secure\\" + challenge_;
}

MasterConversation::Reply MasterConversation::OnBytes(std::string_view bytes) {
    if (refused_) {
        return {};
    }
    received_.append(bytes);
    return settings_.protocol == browse::ListProtocol::kLegacy ? OnLegacyBytes() : OnNewerBytes();
}

MasterConversation::Reply MasterConversation::OnLegacyBytes() {
    if (listed_) {
        return {};
    }
    const auto refuse = [&](const std::string& text) {
        refused_ = true;
        return Reply{"\\error\\" + text + "\\", true};
    };
    const std::size_t list = received_.find("\\list\\");
    const std::size_t end = list == std::string::npos ? list : received_.find("\\final\\", list);
    if (end == std::string::npos) {
        return received_.size() > kLongestRequest ? refuse("Request too long") : Reply{};
    }
    const std::string_view hello = std::string_view(received_).substr(0, list);
    const std::string_view request = std::string_view(received_).substr(list, end - list);
    const std::string_view enctypeText = Value(hello, "enctype");
    const int enctype = enctypeText == "2" ? 2 : enctypeText.empty() || enctypeText == "0" ? 0 : -1;
    if (!settings_.lenient) {
        if (Value(hello, "gamename") != browse::kGameName || Value(request, "gamename") != browse::kGameName) {
            return refuse("Unknown game");
        }
        if (enctype < 0 || Value(hello, "validate") != browse::Validate(challenge_, browse::kGameKey, enctype)) {
            return refuse("Validation error");
        }
    }
    if (enctype < 0 || (settings_.enctype && *settings_.enctype != enctype)) {
        return refuse("Unsupported enctype");
    }
    filter_ = std::string(Value(request, "where"));
    std::string body;
    body.reserve(servers_.size() * 6 + 7);
    for (const browse::ServerAddress& server : servers_) {
        PutBigEndian(body, server.ip, 4);
        PutBigEndian(body, server.port, 2);
    }
    body += "\\final\\";
    std::string header;
    if (enctype == 2) {
        std::string key;
        for (int i = 0; i < 13; ++i) {
            key += static_cast<char>(random_() & 255);
        }
        header += static_cast<char>(key.size() ^ browse::ListHeader::kLengthMask);
        for (std::size_t i = 0; i < key.size(); ++i) {
            header += static_cast<char>(i < browse::kGameKey.size() ? key[i] ^ browse::kGameKey[i] : key[i]);
        }
        browse::ListCipher(key).Apply(body.data(), body.size());
    }
    listed_ = true;
    return {header + body, !settings_.keepOpen};
}

MasterConversation::Reply MasterConversation::OnNewerBytes() {
    std::string send;
    while (received_.size() >= 2) {
        const std::size_t length =
            static_cast<std::uint8_t>(received_[0]) << 8 | static_cast<std::uint8_t>(received_[1]);
        if (length < 3) {
            refused_ = true;
            return {send, true};
        }
        if (received_.size() < length) {
            break;
        }
        const std::string message = received_.substr(0, length);
        received_.erase(0, length);
        const auto type = static_cast<std::uint8_t>(message[2]);
        if (type == browse::newerMessage::kKeepalive) {
            ++echoes_;
            continue;
        }
        if (type != browse::newerMessage::kListRequest || listed_) {
            continue;
        }
        ByteReader reader(std::string_view(message).substr(3));
        std::uint8_t version = 0;
        std::string_view skipped, game, keyGame, challenge, filter, fields;
        std::uint32_t options = 0;
        const bool whole = reader.U8(version) && reader.U8(version) && reader.Bytes(4, skipped) &&
                           reader.Text(255, game) == Parse::kDone && reader.Text(255, keyGame) == Parse::kDone &&
                           reader.Bytes(browse::kChallengeLength, challenge) &&
                           reader.Text(0xFFFF, filter) == Parse::kDone && reader.Text(0xFFFF, fields) == Parse::kDone &&
                           reader.U32BigEndian(options);
        // What masters say to a request they cannot serve, in the clear and before any header.
        if (!whole) {
            refused_ = true;
            return {send + "Invalid request", true};
        }
        if (game != browse::kGameName) {
            refused_ = true;
            return {send + "Invalid source gamename", true};
        }
        filter_ = std::string(filter);
        Reply list = NewerList(challenge, fields, options);
        list.send.insert(0, send);
        return list;
    }
    return {send, false};
}

MasterConversation::Reply MasterConversation::NewerList(std::string_view challenge, std::string_view fields,
                                                        std::uint32_t options) {
    std::string header;
    header += static_cast<char>(10 ^ 0xEC);
    header += std::string("\x00\x01", 2) + RandomText(8);
    const std::string serverChallenge = RandomText(25);
    header += static_cast<char>(serverChallenge.size() ^ 0xEA);
    header += serverChallenge;
    cipher_.emplace(browse::AnswerKey(challenge, serverChallenge, browse::kGameKey));

    std::vector<std::string> keys;
    if (settings_.sendFields && (options & browse::listOption::kFieldsForAll) != 0) {
        std::size_t start = 0;
        while (start < fields.size() && keys.size() < 255) {
            const std::size_t end = std::min(fields.find('\\', start), fields.size());
            if (end > start) {
                keys.emplace_back(fields.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    std::string body;
    PutBigEndian(body, requester_, 4);
    PutBigEndian(body, kDefaultQueryPort, 2);
    body += static_cast<char>(keys.size());
    for (const std::string& key : keys) {
        body += static_cast<char>(TypeOf(key));
        body += key + '\0';
    }
    const std::size_t popular = keys.empty() ? 0 : kPopular.size();
    body += static_cast<char>(popular);
    for (std::size_t i = 0; i < popular; ++i) {
        body += std::string(kPopular[i]) + '\0';
    }
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        const browse::ServerAddress& server = servers_[i];
        const bool ownPort = server.port != kDefaultQueryPort;
        body += static_cast<char>(0x01 | (ownPort ? 0x10 : 0) | (keys.empty() ? 0 : 0x40));
        PutBigEndian(body, server.ip, 4);
        if (ownPort) {
            PutBigEndian(body, server.port, 2);
        }
        for (const std::string& key : keys) {
            const std::string value = FieldValue(key, i);
            switch (TypeOf(key)) {
                case browse::FieldTable::KeyType::kText: {
                    const auto found = std::find(kPopular.begin(), kPopular.end(), value);
                    if (found != kPopular.end()) {
                        body += static_cast<char>(found - kPopular.begin());
                    } else {
                        body += browse::ListedFields::kInlineText + value + '\0';
                    }
                    break;
                }
                case browse::FieldTable::KeyType::kByte: body += static_cast<char>(std::stoi(value)); break;
                case browse::FieldTable::KeyType::kShort: PutBigEndian(body, std::stoul(value), 2); break;
            }
        }
    }
    body += std::string("\x00\xFF\xFF\xFF\xFF", 5);
    cipher_->Encrypt(body.data(), body.size());
    listed_ = true;
    return {header + body, !settings_.keepOpen};
}

std::string MasterConversation::Keepalive() {
    if (!listed_ || !cipher_ || refused_) {
        return {};
    }
    std::string message = browse::Frame(browse::newerMessage::kKeepalive, {});
    cipher_->Encrypt(message.data(), message.size());
    return message;
}

}  // namespace vantorel::sampleMaster
