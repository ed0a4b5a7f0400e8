#include "targets.h"

#include <cstring>

namespace vantorel::bfvQuery {
namespace {

std::optional<int> PortNumber(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int port = std::stoi(text);
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

std::string StripBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

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

bool ParseTargets(const std::string& text, std::vector<Target>* targets, std::string* error) {
    const std::size_t colon = text.rfind(':');
    const std::string host = text.substr(0, colon);
    if (host.empty() || host.find_first_of(" \t\\:") != std::string::npos) {
        *error = "\"" + text + "\": expected HOST, HOST:PORT or HOST:FIRST-LAST";
        return false;
    }
    if (colon == std::string::npos) {
        targets->push_back({host, kDefaultQueryPort});
        return true;
    }
    const std::string ports = text.substr(colon + 1);
    const std::size_t dash = ports.find('-');
    const std::optional<int> first = PortNumber(ports.substr(0, dash));
    const std::optional<int> last = dash == std::string::npos ? first : PortNumber(ports.substr(dash + 1));
    if (!first || !last) {
        *error = "\"" + text + "\": a port is a number from 1 to 65535";
        return false;
    }
    if (*last < *first) {
        *error = "\"" + text + "\": the range ends before it starts";
        return false;
    }
    for (int port = *first; port <= *last; ++port) {
        targets->push_back({host, port});
    }
    return true;
}

bool ReadTargets(std::string_view text, const std::string& name, std::vector<Target>* targets, std::string* error) {
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string target = StripBlanks(line.substr(0, line.find('#')));
        if (!target.empty() && !ParseTargets(target, targets, error)) {
            *error = name + ":" + std::to_string(number) + ": " + *error;
            return false;
        }
    }
    return true;
}

}  // namespace vantorel::bfvQuery
