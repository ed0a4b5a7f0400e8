#include "query/query_target.h"

#include <cstring>

namespace vantorel {

std::optional<std::uint32_t> DottedAddress(std::string_view text) {
    std::uint8_t bytes[4];
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != '.') {
                return std::nullopt;
            }
            ++at;
        }
        int value = 0;
        const std::size_t start = at;
        while (at < text.size() && at - start < 3 && text[at] >= '0' && text[at] <= '9') {
            value = value * 10 + (text[at++] - '0');
        }
        if (at == start || value > 255) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(value);
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    // Network order is the order of the bytes in memory, whatever the machine's.
    std::uint32_t address = 0;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

std::string AddressText(std::uint32_t address) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

}  // namespace vantorel
