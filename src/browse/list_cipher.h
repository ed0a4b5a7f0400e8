#pragma once
// The cipher of a legacy master's encrypted list (enctype 2). Everything after the header is
// one keystream, so one object deciphers a whole answer however the reads split it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantorel::browse {

class ListCipher {
  public:
    // `key` is the header's key bytes with the game key's mask already taken off. It must
    // hold at least one byte.
    explicit ListCipher(std::string_view key);

    // XORs the next bytes of the keystream into `bytes`: the same call enciphers and
    // deciphers.
    void Apply(char* bytes, std::size_t count);

  private:
    struct Frame {
        std::uint32_t x, y, z;
    };
    void Mix();       // x += z; y += x; x += y
    void Forward();   // the step that doubles z
    void Backward();  // the step that doubles z and adds one
    void Push();
    std::uint32_t NextWord();
    void Refill();

    std::array<std::uint32_t, 256> table_{};
    std::array<Frame, 16> stack_{};
    std::size_t depth_ = 0;
    std::uint32_t x_ = 0, y_ = 0, z_ = 1;
    std::array<std::uint8_t, 64> block_{};
    // Only the first 63 bytes of each 64-byte block are keystream.
    static constexpr std::size_t kBlockUse = 63;
    std::size_t used_ = kBlockUse;
};

// The header of an encrypted list: one byte (length XOR 0xEC), then that many key bytes of
// which the first six are masked with the game key.
struct ListHeader {
    static constexpr std::uint8_t kLengthMask = 0xEC;
    // How many bytes the whole header takes, once its first byte is known.
    static std::size_t Size(std::uint8_t first) { return 1u + static_cast<std::uint8_t>(first ^ kLengthMask); }
};

}  // namespace vantorel::browse
