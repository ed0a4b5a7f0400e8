#include "address_list.h"

namespace vantorel::sampleMaster {
namespace {

std::optional<unsigned long> Number(std::string_view text, unsigned long most) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    unsigned long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value > most) {
        return std::nullopt;
    }
    return value;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    std::uint32_t address = 0;
    for (int octet = 0; octet < 4; ++octet) {
        const std::size_t dot = octet < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<unsigned long> value = Number(text.substr(0, dot), 255);
        if (!value || dot > 3) {
            return std::nullopt;
        }
        address = address << 8 | static_cast<std::uint32_t>(*value);
        text.remove_prefix(octet < 3 ? dot + 1 : dot);
    }
    return address;
}

bool AddServers(std::string_view item, std::vector<browse::ServerAddress>& servers, std::string* why) {
    const std::size_t colon = item.find(':');
    const std::optional<std::uint32_t> ip = ParseIpv4(item.substr(0, colon));
    unsigned long first = kDefaultQueryPort;
    unsigned long last = kDefaultQueryPort;
    bool ports = ip.has_value();
    if (ports && colon != std::string_view::npos) {
        const std::string_view range = item.substr(colon + 1);
        const std::size_t dash = range.find('-');
        const std::optional<unsigned long> low = Number(range.substr(0, dash), 65535);
        const std::optional<unsigned long> high =
            dash == std::string_view::npos ? low : Number(range.substr(dash + 1), 65535);
        ports = low && high && *low >= 1 && *high >= *low;
        if (ports) {
            first = *low;
            last = *high;
        }
    }
    if (!ports) {
        *why = "\"" + std::string(item) + "\" is not IP, IP:PORT or IP:FIRST-LAST";
        return false;
    }
    if (servers.size() + (last - first + 1) > kMostServers) {
        *why = "more than " + std::to_string(kMostServers) + " servers";
        return false;
    }
    for (unsigned long port = first; port <= last; ++port) {
        servers.push_back({*ip, static_cast<std::uint16_t>(port)});
    }
    return true;
}

bool AddServersFromText(std::string_view text, std::vector<browse::ServerAddress>& servers, std::string* why) {
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (!AddServers(line, servers, why)) {
            *why = "line " + std::to_string(lineNumber) + ": " + *why;
            return false;
        }
    }
    return true;
}

}  // namespace vantorel::sampleMaster
