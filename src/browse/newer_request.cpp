#include "browse/newer_request.h"

#include "browse/game.h"

namespace vantorel::browse {
namespace {

void PutU32BigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>(value >> shift & 255);
    }
}

}  // namespace

namespace detail {

bool ChallengeParity(char previous, char first, std::size_t i, bool odd) {
    const auto p = static_cast<unsigned char>(previous);
    const auto f = static_cast<unsigned char>(first);
    return ((p & 1) != 0) ^ ((i & 1) != 0) ^ odd ^ ((f & 1) != 0) ^ (f < 79) ^ (p < f);
}

char ChallengeCharacter(unsigned draw, bool odd) {
    unsigned c = 33 + draw % 93;
    if (((c & 1) != 0) != odd) {
        c = c == 125 ? c - 1 : c + 1;
    }
    return static_cast<char>(c);
}

}  // namespace detail

bool IsClientChallenge(std::string_view challenge) {
    if (challenge.size() != kChallengeLength) {
        return false;
    }
    for (const char c : challenge) {
        if (c < 33 || c > 125) {
            return false;
        }
    }
    bool odd = false;
    for (std::size_t i = 1; i < kChallengeLength; ++i) {
        odd = detail::ChallengeParity(challenge[i - 1], challenge[0], i, odd);
        if (((static_cast<unsigned char>(challenge[i]) & 1) != 0) != odd) {
            return false;
        }
    }
    return true;
}

std::string EncodeListRequest(const ListRequest& request, std::string* why) {
    if (request.challenge.size() != kChallengeLength) {
        *why = "the challenge must be " + std::to_string(kChallengeLength) + " characters";
        return {};
    }
    if (request.filter.find('\0') != std::string::npos || request.fields.find('\0') != std::string::npos) {
        *why = "a filter or field list cannot hold a NUL character";
        return {};
    }
    if (request.fields.size() > kLongestFieldList) {
        *why = "the field list is longer than " + std::to_string(kLongestFieldList) + " characters";
        return {};
    }
    std::string payload;
    payload += '\1';          // list protocol version
    payload += '\3';          // list encoding version
    payload.append(4, '\0');  // game version, little-endian
    payload += std::string(kGameName) + '\0';
    payload += std::string(kGameName) + '\0';
    payload += request.challenge;
    payload += request.filter + '\0';
    payload += request.fields + '\0';
    PutU32BigEndian(payload, request.options);
    if (payload.size() + 3 > 0xFFFF) {
        *why = "the filter is too long for one request";
        return {};
    }
    return Frame(newerMessage::kListRequest, payload);
}

std::string AnswerKey(std::string_view clientChallenge, std::string_view serverChallenge, std::string_view gameKey) {
    std::string key(clientChallenge.substr(0, kChallengeLength));
    key.resize(kChallengeLength, '\0');
    if (gameKey.empty()) {
        return key;
    }
    for (std::size_t i = 0; i < serverChallenge.size(); ++i) {
        const std::size_t j = i * static_cast<std::uint8_t>(gameKey[i % gameKey.size()]) % kChallengeLength;
        key[j] = static_cast<char>(key[j] ^ key[i % kChallengeLength] ^ serverChallenge[i]);
    }
    return key;
}

std::string ServerInfoRequest(ServerAddress address) {
    std::string payload;
    PutU32BigEndian(payload, address.ip);
    payload += static_cast<char>(address.port >> 8);
    payload += static_cast<char>(address.port & 255);
    return Frame(newerMessage::kServerInfo, payload);
}

std::string Frame(std::uint8_t type, std::string_view payload) {
    const std::size_t length = payload.size() + 3;
    std::string message;
    message += static_cast<char>(length >> 8 & 255);
    message += static_cast<char>(length & 255);
    message += static_cast<char>(type);
    message += payload;
    return message;
}

}  // namespace vantorel::browse
