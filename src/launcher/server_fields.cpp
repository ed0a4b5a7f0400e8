#include "launcher/server_fields.h"

#include <string>

namespace vantorel::serverFields {
namespace {

constexpr std::size_t kMaxHostName = 253;  // the longest name the name system carries

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The value of a run of at most `maxDigits` digits, or -1 when the text is not one.
long WholeNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return -1;
    }
    long value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// The address as one number when it is four numbers from 0 to 255 with dots between.
bool ParseIPv4(std::string_view text, unsigned long& address) {
    address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) {
            return false;
        }
        const long value = WholeNumber(text.substr(0, dot), 3);
        if (value < 0 || value > 255) {
            return false;
        }
        address = address << 8 | static_cast<unsigned long>(value);
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return true;
}

}  // namespace

std::string ServerRefusal(std::string_view server) {
    if (server.empty()) {
        return "Please enter the server's IP address or host name.";
    }
    const std::string quoted = "\"" + std::string(server) + "\"";
    bool numeric = true;
    for (const char c : server) {
        if (!IsLetter(c) && !IsDigit(c) && c != '-' && c != '.') {
            return quoted +
                   " is neither an IP address nor a host name: a host name holds only letters, digits, \"-\" and "
                   "\".\".";
        }
        numeric = numeric && (IsDigit(c) || c == '.');
    }
    // Digits and dots alone are an address, never a name.
    unsigned long address = 0;
    if (numeric && !ParseIPv4(server, address)) {
        return quoted + " is not an IP address: it must be four numbers from 0 to 255 with dots between them.";
    }
    if (numeric && address == 0) {
        return "0.0.0.0 marks a removed favourite and cannot be a server. Please enter the server's own address.";
    }
    if (!numeric && server.size() > kMaxHostName) {
        return "A host name is at most " + std::to_string(kMaxHostName) + " characters long.";
    }
    if (!numeric && (server.front() == '.' || server.back() == '.' || server.find("..") != std::string_view::npos)) {
        return quoted + " is not a host name: its parts between dots must not be empty.";
    }
    return {};
}

std::string PortRefusal(std::string_view port) {
    const long value = WholeNumber(port, 5);
    if (value < 1 || value > 65535) {
        return "The port must be a whole number from 1 to 65535.";
    }
    return {};
}

}  // namespace vantorel::serverFields
