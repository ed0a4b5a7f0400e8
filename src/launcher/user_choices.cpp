#include "launcher/user_choices.h"

#include <string_view>
#include <utility>

#include "common/number.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/settings_folder.h"

namespace vantorel::userChoices {
namespace {

constexpr const char* kFileName = "\\Vantorel.ini";
constexpr const char* kSection = "[Vantorel]";

// The keys in the order they are written, with the field each one holds.
constexpr std::pair<const char*, std::string Choices::*> kKeys[] = {
    {"GameFolder", &Choices::gameFolder},
    {"Profile", &Choices::profile},
    {"Mod", &Choices::mod},
    {"Favorite", &Choices::favorite},
    {"ServersWindow", &Choices::serversWindow},
};

}  // namespace

std::string ChoicesPath() {
    platform::SettingsFolder* settings = platform::Current().settings;
    if (settings == nullptr) {
        return {};
    }
    const platform::SettingsFolderResult folder = settings->Locate();
    return folder.path.empty() ? std::string() : folder.path + kFileName;
}

// A few remembered texts; anything larger was not written by us and is not read.
constexpr std::size_t kMostBytes = 64 * 1024;

Choices Load() {
    Choices choices;
    const std::string path = ChoicesPath();
    if (path.empty()) {
        return choices;
    }
    const platform::ReadResult file = platform::Current().files->ReadAll(path, kMostBytes);
    if (file.status != platform::ReadStatus::kRead) {
        return choices;
    }
    // Lines of "Key=Value" in UTF-8; anything else (a hand edit, a later version's keys) is
    // passed over.
    std::string_view rest = file.bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        for (const auto& [name, field] : kKeys) {
            if (key == name) {
                choices.*field = std::string(line.substr(equals + 1));
            }
        }
    }
    return choices;
}

std::string Save(const Choices& choices) {
    platform::SettingsFolder* settings = platform::Current().settings;
    if (settings == nullptr) {
        return "This system has no folder for a user's settings.";
    }
    const platform::SettingsFolderResult folder = settings->Make();
    if (folder.path.empty()) {
        return folder.reason;
    }
    std::string text = std::string(kSection) + "\r\n";
    for (const auto& [name, field] : kKeys) {
        // A line break would start a line of its own: such a value is not remembered.
        const std::string& value = choices.*field;
        if (field == &Choices::serversWindow && value.empty()) {
            continue;  // a window never opened has no place to keep
        }
        text += std::string(name) + "=" + (HasLineBreak(value) ? std::string() : value) + "\r\n";
    }
    const platform::WriteResult written = platform::Current().files->ReplaceContents(folder.path + kFileName, text);
    return written.ok ? std::string() : written.reason;
}

std::string PlaceText(const WindowPlace& place) {
    return std::to_string(place.left) + "," + std::to_string(place.top) + "," + std::to_string(place.width) + "," +
           std::to_string(place.height);
}

std::optional<WindowPlace> ParsePlace(const std::string& text) {
    int numbers[4];
    std::string_view rest = text;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = i < 3 ? rest.find(',') : rest.size();
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view part = rest.substr(0, comma);
        const std::optional<double> number = ParseDecimal(part);
        // Whole numbers far beyond any screen are no place, so that a sum of two stays a number.
        if (!number || *number != static_cast<int>(*number) || *number < -1000000 || *number > 1000000) {
            return std::nullopt;
        }
        numbers[i] = static_cast<int>(*number);
        rest.remove_prefix(std::min(rest.size(), comma + 1));
    }
    if (numbers[2] <= 0 || numbers[3] <= 0) {
        return std::nullopt;
    }
    return WindowPlace{numbers[0], numbers[1], numbers[2], numbers[3]};
}

std::string SaveServersWindow(const WindowPlace& place) {
    Choices choices = Load();
    choices.serversWindow = PlaceText(place);
    return Save(choices);
}

}  // namespace vantorel::userChoices
