#include "browse/goa_cipher.h"

#include <utility>

namespace vantorel::browse {

GoaCipher::GoaCipher(std::string_view key) {
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        cards_[i] = static_cast<std::uint8_t>(i);
    }
    const std::size_t n = key.empty() ? 1 : key.size();
    const auto keyByte = [&](std::size_t i) -> std::uint8_t {
        return key.empty() ? 0 : static_cast<std::uint8_t>(key[i]);
    };
    std::uint8_t sum = 0;
    std::size_t position = 0;
    std::uint8_t mask = 255;
    for (unsigned i = 255; i >= 1; --i) {
        unsigned tries = 0;
        unsigned pick = 0;
        do {
            sum = static_cast<std::uint8_t>(cards_[sum] + keyByte(position));
            if (++position == n) {
                position = 0;
                sum = static_cast<std::uint8_t>(sum + n);
            }
            pick = sum & mask;
            // A short key can keep missing the range; after a dozen tries any pick will do.
            if (++tries > 11) {
                pick %= i;
            }
        } while (pick > i);
        std::swap(cards_[i], cards_[pick]);
        if ((i & (i - 1)) == 0) {
            mask >>= 1;
        }
    }
    rotor_ = cards_[1];
    ratchet_ = cards_[3];
    avalanche_ = cards_[5];
    lastPlain_ = cards_[7];
    lastCipher_ = cards_[sum];
}

std::uint8_t GoaCipher::NextKey() {
    ratchet_ = static_cast<std::uint8_t>(ratchet_ + cards_[rotor_]);
    ++rotor_;
    const std::uint8_t t = cards_[lastCipher_];
    cards_[lastCipher_] = cards_[ratchet_];
    cards_[ratchet_] = cards_[lastPlain_];
    cards_[lastPlain_] = cards_[rotor_];
    cards_[rotor_] = t;
    avalanche_ = static_cast<std::uint8_t>(avalanche_ + cards_[t]);
    const std::uint8_t first = cards_[static_cast<std::uint8_t>(cards_[avalanche_] + cards_[rotor_])];
    const std::uint8_t second =
        cards_[cards_[static_cast<std::uint8_t>(cards_[lastPlain_] + cards_[lastCipher_] + cards_[ratchet_])]];
    return first ^ second;
}

void GoaCipher::Decrypt(char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto cipher = static_cast<std::uint8_t>(bytes[i]);
        const auto plain = static_cast<std::uint8_t>(cipher ^ NextKey());
        bytes[i] = static_cast<char>(plain);
        lastPlain_ = plain;
        lastCipher_ = cipher;
    }
}

void GoaCipher::Encrypt(char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto plain = static_cast<std::uint8_t>(bytes[i]);
        const auto cipher = static_cast<std::uint8_t>(plain ^ NextKey());
        bytes[i] = static_cast<char>(cipher);
        lastPlain_ = plain;
        lastCipher_ = cipher;
    }
}

}  // namespace vantorel::browse
