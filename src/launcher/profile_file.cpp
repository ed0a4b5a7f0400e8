#include "launcher/profile_file.h"

#include "common/text.h"
#include "platform/ansi.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace vantorel::profileFile {
namespace {

std::string AnsiNameKey(std::string_view name) {
    return FoldCase(platform::AnsiToUtf8(name));
}

std::string Utf8NameKey(std::string_view name) {
    return FoldCase(name);
}

IniDocument MakeDocument(std::string bytes) {
    const bool utf8 = IniDocument::StartsWithUtf8Mark(bytes);
    return IniDocument(std::move(bytes), utf8 ? Utf8NameKey : AnsiNameKey);
}

}  // namespace

ProfileFile::ProfileFile(std::string path, std::string bytes, std::string failure)
    : path_(std::move(path)), failure_(std::move(failure)), document_(MakeDocument(std::move(bytes))) {}

ProfileFile ProfileFile::Read(const std::string& path) {
    platform::ReadResult file = platform::Current().files->ReadAll(path);
    if (file.status == platform::ReadStatus::kFailed) {
        return ProfileFile(path, {}, file.reason.empty() ? "unknown error" : file.reason);
    }
    return ProfileFile(path, std::move(file.bytes), {});
}

std::string ProfileFile::Decode(std::string_view bytes) const {
    return document_.IsUtf8() ? std::string(bytes) : platform::AnsiToUtf8(bytes);
}

std::string ProfileFile::Encode(std::string_view text) const {
    return document_.IsUtf8() ? std::string(text) : platform::Utf8ToAnsi(text);
}

std::optional<std::string> ProfileFile::Value(const std::string& section, const std::string& key) const {
    const auto value = document_.Value(Encode(section), Encode(key));
    if (!value) {
        return std::nullopt;
    }
    return Decode(*value);
}

std::optional<std::string> ProfileFile::SectionName(const std::string& section) const {
    const auto name = document_.SectionName(Encode(section));
    if (!name) {
        return std::nullopt;
    }
    return Decode(*name);
}

std::vector<std::string> ProfileFile::SectionNames() const {
    std::vector<std::string> names = document_.SectionNames();
    for (std::string& name : names) {
        name = Decode(name);
    }
    return names;
}

bool ProfileFile::CanStore(std::string_view text) const {
    bool lossless = true;
    if (!document_.IsUtf8()) {
        platform::Utf8ToAnsi(text, &lossless);
    }
    return lossless;
}

void ProfileFile::SetValue(const std::string& section, const std::string& key, const std::string& value) {
    document_.SetValue(Encode(section), Encode(key), Encode(value));
}

WriteResult ProfileFile::Save() const {
    if (Unreadable()) {
        // Writing now would replace a file we could not read with a new one.
        return {false, "Could not read " + path_ + ": " + failure_};
    }
    const platform::WriteResult written = platform::Current().files->ReplaceContents(path_, document_.Bytes());
    if (!written.ok) {
        return {false, "Could not write " + path_ + ": " + written.reason};
    }
    return {true, {}};
}

}  // namespace vantorel::profileFile
