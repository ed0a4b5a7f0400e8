#include "launcher/profile_file.h"

#include "common/text.h"
#include "launcher/ini_document.h"
#include "platform/ansi.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace vantorel::profileFile {
namespace {

bool AnsiNamesEqual(std::string_view a, std::string_view b) {
    return EqualsIgnoreCase(platform::AnsiToUtf8(a), platform::AnsiToUtf8(b));
}

IniDocument MakeDocument(std::string bytes) {
    return IniDocument(std::move(bytes), AnsiNamesEqual);
}

}  // namespace

std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback,
                       const std::string& path) {
    const platform::ReadResult file = platform::Current().files->ReadAll(path);
    if (file.status != platform::ReadStatus::kRead) {
        return fallback;
    }
    const auto value = MakeDocument(file.bytes).Value(platform::Utf8ToAnsi(section), platform::Utf8ToAnsi(key));
    return value ? platform::AnsiToUtf8(*value) : fallback;
}

WriteResult WriteString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& path) {
    platform::Files& files = *platform::Current().files;
    platform::ReadResult file = files.ReadAll(path);
    if (file.status == platform::ReadStatus::kFailed) {
        // Writing now would replace a file we could not read with a new one.
        return {false, "Could not read " + path + ": " + file.reason};
    }
    IniDocument document = MakeDocument(std::move(file.bytes));
    document.SetValue(platform::Utf8ToAnsi(section), platform::Utf8ToAnsi(key), platform::Utf8ToAnsi(value));
    const platform::WriteResult written = files.ReplaceContents(path, document.Bytes());
    if (!written.ok) {
        return {false, "Could not write " + path + ": " + written.reason};
    }
    return {true, {}};
}

std::vector<std::string> SectionNames(const std::string& path) {
    const platform::ReadResult file = platform::Current().files->ReadAll(path);
    if (file.status != platform::ReadStatus::kRead) {
        return {};
    }
    std::vector<std::string> names = MakeDocument(file.bytes).SectionNames();
    for (std::string& name : names) {
        name = platform::AnsiToUtf8(name);
    }
    return names;
}

}  // namespace vantorel::profileFile
