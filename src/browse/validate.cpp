#include "browse/validate.h"

#include <array>
#include <cstdint>
#include <utility>

namespace vantorel::browse {
namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Padded output in, base64 without '=' out: the masters compare against it as it stands.
std::string Base64(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() / 3 * 4);
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                                    static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                                    static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            text += kBase64[(group >> shift) & 63];
        }
    }
    return text;
}

}  // namespace

std::string Validate(std::string_view challenge, std::string_view key, int enctype) {
    if (key.empty()) {
        return {};
    }
    std::array<std::uint8_t, 256> s{};
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<std::uint8_t>(i);
    }
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + static_cast<std::uint8_t>(key[i % key.size()]));
        std::swap(s[i], s[j]);
    }
    // Unlike plain RC4, each challenge byte also moves the first index.
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    std::string out;
    out.reserve(challenge.size() + 2);
    for (const char c : challenge) {
        const auto byte = static_cast<std::uint8_t>(c);
        a = static_cast<std::uint8_t>(a + byte + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        out += static_cast<char>(byte ^ s[static_cast<std::uint8_t>(s[a] + s[b])]);
    }
    while (out.size() % 3 != 0) {
        out += '\0';
    }
    if (enctype == 2) {
        for (std::size_t n = 0; n < out.size(); ++n) {
            out[n] = static_cast<char>(out[n] ^ key[n % key.size()]);
        }
    }
    return Base64(out);
}

}  // namespace vantorel::browse
