#pragma once
// The cipher of the newer list protocol's answer. The master enciphers everything after the
// answer's header as one stream, later messages included, so one object follows a whole
// connection across reads.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantorel::browse {

class GoaCipher {
  public:
    // `key` must hold at least one byte (the client's challenge mixed with the master's).
    explicit GoaCipher(std::string_view key);

    void Decrypt(char* bytes, std::size_t count);
    void Encrypt(char* bytes, std::size_t count);

  private:
    void Run(char* bytes, std::size_t count, bool encrypt);

    std::array<std::uint8_t, 256> cards_{};
    std::uint8_t rotor_ = 0, ratchet_ = 0, avalanche_ = 0, lastPlain_ = 0, lastCipher_ = 0;
};

}  // namespace vantorel::browse
