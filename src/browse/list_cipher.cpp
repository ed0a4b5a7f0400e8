#include "browse/list_cipher.h"

#include <utility>

namespace vantorel::browse {
namespace {

constexpr std::uint32_t RotateLeft8(std::uint32_t v) {
    return v << 8 | v >> 24;
}
constexpr std::uint32_t RotateRight8(std::uint32_t v) {
    return v >> 8 | v << 24;
}

}  // namespace

ListCipher::ListCipher(std::string_view key) {
    const std::size_t n = key.empty() ? 1 : key.size();
    const auto keyByte = [&](std::size_t i) -> std::uint32_t {
        return key.empty() ? 0 : static_cast<std::uint8_t>(key[i % n]);
    };
    for (std::uint32_t round = 0; round < 4; ++round) {
        for (std::size_t i = 0; i < table_.size(); ++i) {
            table_[i] = table_[i] * 256 + static_cast<std::uint32_t>(i);
        }
        std::uint32_t index = round;
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t i = 0; i < table_.size(); ++i) {
                index = (index + keyByte(i) + table_[i]) & 255;
                std::swap(table_[i], table_[index]);
            }
        }
    }
    for (std::size_t i = 0; i < table_.size(); ++i) {
        table_[i] ^= static_cast<std::uint32_t>(i);
    }
    for (int i = 0; i < 16; ++i) {
        Mix();
        Push();
        Forward();
    }
}

void ListCipher::Mix() {
    x_ += z_;
    y_ += x_;
    x_ += y_;
}

void ListCipher::Forward() {
    y_ = RotateRight8(y_);
    x_ ^= table_[x_ & 255];
    y_ ^= table_[y_ & 255];
    y_ = RotateRight8(y_);
    x_ = RotateLeft8(x_);
    x_ ^= table_[x_ & 255];
    y_ ^= table_[y_ & 255];
    x_ = RotateLeft8(x_);
    z_ *= 2;
}

void ListCipher::Backward() {
    x_ = ~x_;
    x_ = RotateRight8(x_);
    x_ ^= table_[x_ & 255];
    y_ ^= table_[y_ & 255];
    x_ = RotateRight8(x_);
    y_ = RotateLeft8(y_);
    x_ ^= table_[x_ & 255];
    y_ ^= table_[y_ & 255];
    y_ = RotateLeft8(y_);
    z_ = z_ * 2 + 1;
}

void ListCipher::Push() {
    // The walk never goes deeper than the sixteen frames of the set-up; the bound only
    // guards the array.
    if (depth_ < stack_.size()) {
        stack_[depth_++] = Frame{x_, y_, z_};
    }
}

std::uint32_t ListCipher::NextWord() {
    while (z_ < 65536) {
        Mix();
        Push();
        Forward();
    }
    const std::uint32_t word = x_ ^ y_;
    if (depth_ > 0) {
        --depth_;
    }
    x_ = stack_[depth_].x;
    y_ = stack_[depth_].y;
    z_ = stack_[depth_].z;
    Backward();
    return word;
}

void ListCipher::Refill() {
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint32_t word = NextWord();
        for (std::size_t b = 0; b < 4; ++b) {
            block_[i * 4 + b] = static_cast<std::uint8_t>(word >> (8 * b));
        }
    }
    used_ = 0;
}

void ListCipher::Apply(char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (used_ == kBlockUse) {
            Refill();
        }
        bytes[i] = static_cast<char>(static_cast<std::uint8_t>(bytes[i]) ^ block_[used_++]);
    }
}

}  // namespace vantorel::browse
