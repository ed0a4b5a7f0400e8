#include "browse/kept_list.h"

#include <algorithm>
#include <optional>

#include "browse/list_merge.h"
#include "browse/server_row.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace vantorel::browse {
namespace {

constexpr std::string_view kFirstLine = "Vantorel servers 1";
constexpr std::string_view kSavedKey = "saved\t";
constexpr std::size_t kFields = 10;

std::string Number(const std::optional<int>& value) {
    return value ? std::to_string(*value) : std::string();
}

// Digits only, at most `most`; nothing for an empty field or anything else.
std::optional<int> ReadNumber(std::string_view text, int most, bool* bad) {
    if (text.empty()) {
        return std::nullopt;
    }
    if (text.size() > 5 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        *bad = true;
        return std::nullopt;
    }
    const int value = std::stoi(std::string(text));
    if (value > most) {
        *bad = true;
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> parts;
    while (parts.size() <= kFields) {
        const std::size_t end = line.find(separator);
        parts.push_back(line.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        line.remove_prefix(end + 1);
    }
    return parts;
}

std::optional<KeptServer> ParseServer(std::string_view line) {
    const std::vector<std::string_view> fields = Split(line, '\t');
    if (fields.size() != kFields) {
        return std::nullopt;
    }
    const std::size_t colon = fields[0].rfind(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    bool bad = false;
    const std::optional<std::uint32_t> ip = DottedAddress(fields[0].substr(0, colon));
    const std::optional<int> port = ReadNumber(fields[0].substr(colon + 1), 65535, &bad);
    if (!ip || !port || !IsServerAddress({*ip, static_cast<std::uint16_t>(*port)})) {
        return std::nullopt;
    }
    KeptServer server;
    server.key = {std::string(fields[0].substr(0, colon)), static_cast<std::uint16_t>(*port)};
    ServerAnswer& values = server.values;
    values.gamePort = static_cast<std::uint16_t>(ReadNumber(fields[1], 65535, &bad).value_or(0));
    values.players = ReadNumber(fields[2], 32767, &bad);
    values.maxPlayers = ReadNumber(fields[3], 32767, &bad);
    values.reserved = ReadNumber(fields[4], 32767, &bad).value_or(0);
    if (const std::optional<int> password = ReadNumber(fields[5], 1, &bad)) {
        values.password = *password == 1;
    }
    values.title = ListText(fields[6]);
    values.map = ListText(fields[7]);
    values.gameType = ListText(fields[8]);
    values.version = ListText(fields[9]);
    if (bad) {
        return std::nullopt;
    }
    return server;
}

}  // namespace

std::string KeptListText(const std::string& saved, const std::vector<KeptServer>& servers) {
    std::string text;
    text.reserve(64 + servers.size() * 96);
    text.append(kFirstLine).append("\r\n");
    text.append(kSavedKey).append(ListText(saved)).append("\r\n");
    for (const KeptServer& server : servers) {
        const ServerAnswer& values = server.values;
        const std::string fields[kFields] = {
            server.key.Text(),
            values.gamePort == 0 ? std::string() : std::to_string(values.gamePort),
            Number(values.players),
            Number(values.maxPlayers),
            std::to_string(values.reserved),
            values.password ? (*values.password ? "1" : "0") : "",
            ListText(values.title),
            ListText(values.map),
            ListText(values.gameType),
            ListText(values.version),
        };
        for (std::size_t i = 0; i < kFields; ++i) {
            text.append(fields[i]).append(i + 1 < kFields ? "\t" : "\r\n");
        }
    }
    return text;
}

KeptList ParseKeptList(std::string_view text) {
    KeptList list;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (first) {
            first = false;
            if (line != kFirstLine) {
                list.problem = "It is not a list of servers that Vantorel wrote.";
                return list;
            }
        } else if (line.starts_with(kSavedKey) && list.saved.empty()) {
            list.saved = ListText(line.substr(kSavedKey.size()));
        } else if (list.servers.size() == kMostKeptServers) {
            ++list.skipped;
        } else if (std::optional<KeptServer> server = ParseServer(line)) {
            list.servers.push_back(std::move(*server));
        } else {
            ++list.skipped;
        }
    }
    return list;
}

KeptList ReadKeptList(const std::string& path) {
    platform::ReadResult file = platform::Current().files->ReadAll(path, kMostKeptBytes);
    KeptList list;
    switch (file.status) {
        case platform::ReadStatus::kRead: return ParseKeptList(file.bytes);
        case platform::ReadStatus::kMissing: return list;
        case platform::ReadStatus::kTooLarge: list.problem = "It is larger than 8 MB."; return list;
        case platform::ReadStatus::kFailed: list.problem = file.reason; return list;
    }
    return list;
}

std::string WriteKeptList(const std::string& path, const std::string& text) {
    const platform::WriteResult written = platform::Current().files->ReplaceContents(path, text);
    return written.ok ? std::string() : (written.reason.empty() ? "unknown error" : written.reason);
}

}  // namespace vantorel::browse
