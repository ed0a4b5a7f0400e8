#include "browse/masters_file.h"

#include <algorithm>

#include "browse/server_answer.h"
#include "common/text.h"
#include "common/utf8.h"
#include "common/ini_document.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace vantorel::browse {
namespace {

bool IsHostName(std::string_view host) {
    if (host.empty() || host.size() > 253) {
        return false;
    }
    return std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    });
}

std::optional<std::uint16_t> PortNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const unsigned long port = std::stoul(std::string(text));
    return port >= 1 && port <= 65535 ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(port)) : std::nullopt;
}

std::optional<MasterAddress> ParseMaster(std::string_view text) {
    MasterAddress master;
    const std::size_t colon = text.rfind(':');
    std::string_view host = text;
    if (colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const std::optional<std::uint16_t> port = PortNumber(text.substr(colon + 1));
        if (!port) {
            return std::nullopt;
        }
        master.port = *port;
    }
    if (!IsHostName(host)) {
        return std::nullopt;
    }
    master.host = std::string(host);
    // A community master given by hand still speaks what it is known to speak.
    for (const MasterAddress& known : CommunityMasters()) {
        if (EqualsIgnoreCase(known.host, master.host) && known.port == master.port) {
            master.protocol = known.protocol;
        }
    }
    return master;
}

// The file's text as lines, the UTF-8 byte-order mark left out.
std::vector<std::string_view> Lines(std::string_view text) {
    if (IniDocument::StartsWithUtf8Mark(text)) {
        text.remove_prefix(3);
    }
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
    }
    return lines;
}

}  // namespace

std::vector<MasterAddress> CommunityMasters() {
    std::vector<MasterAddress> masters;
    for (const CommunityMaster& master : kCommunityMasters) {
        masters.push_back({std::string(master.host), master.port, master.protocol});
    }
    return masters;
}

MastersSetting ParseMasters(std::string_view text) {
    MastersSetting setting;
    bool inMasters = false;
    int number = 0;
    for (const std::string_view line : Lines(text)) {
        ++number;
        if (const std::optional<std::string_view> header = IniDocument::HeaderName(line)) {
            inMasters = EqualsIgnoreCase(*header, "Masters");
            continue;
        }
        std::string entry = TrimProfileBlanks(line);
        if (!inMasters || entry.empty() || entry.front() == ';' || entry.front() == '#') {
            continue;
        }
        if (const std::size_t equals = entry.find('='); equals != std::string::npos) {
            entry = TrimProfileBlanks(std::string_view(entry).substr(equals + 1));
        }
        const std::optional<MasterAddress> master = ParseMaster(entry);
        if (!master) {
            setting.problems.push_back("Vantorel.ini, line " + std::to_string(number) + ": \"" +
                                       ListText(LeftChars(entry, 80)) + "\" is not HOST:PORT.");
            continue;
        }
        const bool repeated = std::any_of(setting.masters.begin(), setting.masters.end(), [&](const MasterAddress& m) {
            return EqualsIgnoreCase(m.host, master->host) && m.port == master->port;
        });
        if (repeated) {
            continue;
        }
        if (setting.masters.size() == kMostMasters) {
            setting.problems.push_back("Vantorel.ini lists more than " + std::to_string(kMostMasters) +
                                       " masters; the rest are not asked.");
            break;
        }
        setting.masters.push_back(*master);
    }
    setting.fromFile = !setting.masters.empty();
    if (!setting.fromFile) {
        setting.masters = CommunityMasters();
    }
    return setting;
}

MastersSetting ReadMasters(const std::string& path) {
    const platform::ReadResult file = platform::Current().files->ReadAll(path, kMostMastersFileBytes);
    switch (file.status) {
        case platform::ReadStatus::kRead: return ParseMasters(file.bytes);
        case platform::ReadStatus::kMissing: return ParseMasters({});
        case platform::ReadStatus::kTooLarge: {
            MastersSetting setting = ParseMasters({});
            setting.problems.push_back("Vantorel.ini is larger than 64 KB and was not read.");
            return setting;
        }
        case platform::ReadStatus::kFailed: break;
    }
    MastersSetting setting = ParseMasters({});
    setting.problems.push_back("Vantorel.ini could not be read: " + file.reason);
    return setting;
}

}  // namespace vantorel::browse
