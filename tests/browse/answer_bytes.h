#pragma once
// Masters' answers made by hand for the tests: headers, enciphered bodies, and reads split
// into pieces.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "browse/game.h"
#include "browse/goa_cipher.h"
#include "browse/list_cipher.h"
#include "browse/newer_request.h"

namespace vantorel::browse::testing {

inline constexpr std::string_view kChallenge = "uQL).'JS";

// The answer as a newer master sends it to kChallenge: header in the clear, body enciphered.
inline std::string NewerAnswerBytes(std::string_view body, std::string_view challenge = kChallenge) {
    const std::string serverChallenge = "0123456789ABCDEFGHIJKLMNO";
    std::string answer(1, static_cast<char>(10 ^ 0xEC));
    answer += std::string(10, '\0');
    answer += static_cast<char>(serverChallenge.size() ^ 0xEA);
    answer += serverChallenge;
    std::string enciphered(body);
    GoaCipher(AnswerKey(challenge, serverChallenge, kGameKey)).Encrypt(enciphered.data(), enciphered.size());
    return answer + enciphered;
}

// An enctype 2 list with a key of 13 zero bytes.
inline std::string LegacyEnciphered(std::string_view list) {
    std::string answer(1, static_cast<char>(13 ^ 0xEC));
    answer += std::string(kGameKey) + std::string(7, '\0');
    std::string enciphered(list);
    ListCipher(std::string(13, '\0')).Apply(enciphered.data(), enciphered.size());
    return answer + enciphered;
}

// A literal's bytes, NULs included.
template <std::size_t N>
std::string B(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

// The requester 127.0.0.1 and a default port of 23000.
inline const std::string kPrelude("\x7F\x00\x00\x01\x59\xD8", 6);
inline const std::string kEndMarker("\x00\xFF\xFF\xFF\xFF", 5);

// Hands `bytes` to `feed` in pieces of `piece` bytes (0: all at once).
template <typename Feed>
void InPieces(std::string_view bytes, std::size_t piece, Feed feed) {
    const std::size_t step = piece == 0 ? bytes.size() : piece;
    for (std::size_t at = 0; at < bytes.size(); at += step) {
        feed(bytes.substr(at, step));
    }
}

}  // namespace vantorel::browse::testing
