#include "net/socket_support.h"
#include "platform/ansi.h"

namespace vantorel::MSocketSupport {

std::int32_t LowWord(std::int32_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) & 0xFFFF);
}

std::int32_t HighWord(std::int32_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) >> 16);
}

std::int16_t UnsignedToShort(std::int32_t value) {
    if (value < 0 || value > 65535) {
        throw RuntimeError(kErrOverflow, "");
    }
    return static_cast<std::int16_t>(value > 32767 ? value - 65536 : value);
}

std::int32_t ShortToUnsigned(std::int16_t value) {
    return value < 0 ? value + 65536 : value;
}

std::string AnsiStringAt(const char* text) {
    if (text == nullptr) {
        return {};
    }
    return platform::AnsiToUtf8(text);
}

std::string SocketKey(std::int32_t socketHandle) {
    return "S" + std::to_string(socketHandle);
}

std::string RequestKey(std::int32_t requestHandle) {
    return "R" + std::to_string(requestHandle);
}

std::string ObjectKey(ObjectAddress address) {
    return "S" + std::to_string(static_cast<std::int32_t>(address));
}

}  // namespace vantorel::MSocketSupport
