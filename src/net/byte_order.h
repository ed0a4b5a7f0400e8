#pragma once

#include <cstdint>

namespace vantorel {

// Port numbers travel in network byte order; both targets are little-endian hosts.
constexpr std::uint16_t HostToNetwork16(std::uint16_t value) {
    return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}
constexpr std::uint16_t NetworkToHost16(std::uint16_t value) {
    return HostToNetwork16(value);
}

}  // namespace vantorel
