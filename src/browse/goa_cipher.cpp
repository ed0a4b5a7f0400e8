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

// The state is worked on in locals: the bytes written are chars, which may alias any
// member, so members would be read again from memory after every byte.
void GoaCipher::Run(char* bytes, std::size_t count, bool encrypt) {
    std::uint8_t* const cards = cards_.data();
    std::uint8_t rotor = rotor_, ratchet = ratchet_, avalanche = avalanche_;
    std::uint8_t lastPlain = lastPlain_, lastCipher = lastCipher_;
    for (std::size_t i = 0; i < count; ++i) {
        ratchet = static_cast<std::uint8_t>(ratchet + cards[rotor]);
        ++rotor;
        const std::uint8_t t = cards[lastCipher];
        cards[lastCipher] = cards[ratchet];
        cards[ratchet] = cards[lastPlain];
        cards[lastPlain] = cards[rotor];
        cards[rotor] = t;
        avalanche = static_cast<std::uint8_t>(avalanche + cards[t]);
        const std::uint8_t first = cards[static_cast<std::uint8_t>(cards[avalanche] + cards[rotor])];
        const std::uint8_t second =
            cards[cards[static_cast<std::uint8_t>(cards[lastPlain] + cards[lastCipher] + cards[ratchet])]];
        const auto in = static_cast<std::uint8_t>(bytes[i]);
        const auto out = static_cast<std::uint8_t>(in ^ first ^ second);
        bytes[i] = static_cast<char>(out);
        lastPlain = encrypt ? in : out;
        lastCipher = encrypt ? out : in;
    }
    rotor_ = rotor;
    ratchet_ = ratchet;
    avalanche_ = avalanche;
    lastPlain_ = lastPlain;
    lastCipher_ = lastCipher;
}

void GoaCipher::Decrypt(char* bytes, std::size_t count) {
    Run(bytes, count, false);
}

void GoaCipher::Encrypt(char* bytes, std::size_t count) {
    Run(bytes, count, true);
}

}  // namespace vantorel::browse
