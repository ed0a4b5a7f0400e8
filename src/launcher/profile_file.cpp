#include "launcher/profile_file.h"

#include <chrono>

#include "common/text.h"
#include "platform/ansi.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace vantorel::profileFile {
namespace {

using profileEncoding::Encoding;

// A save takes milliseconds; a lock held for longer belongs to a launcher that hangs, and
// the user is better told than kept waiting.
constexpr std::chrono::seconds kLockWait{5};

std::string AnsiNameKey(std::string_view name) {
    return FoldCase(platform::AnsiToUtf8(name));
}

std::string Utf8NameKey(std::string_view name) {
    return FoldCase(name);
}

bool IsUtf16(Encoding encoding) {
    return encoding == Encoding::kUtf16Le || encoding == Encoding::kUtf16Be;
}

// A UTF-16 file is indexed as its text in UTF-8; other files as their bytes.
IniDocument MakeDocument(Encoding encoding, std::string bytes) {
    if (IsUtf16(encoding)) {
        const std::string_view units = std::string_view(bytes).substr(2, (bytes.size() - 2) / 2 * 2);
        return IniDocument(profileEncoding::Utf16ToUtf8(units, encoding == Encoding::kUtf16Be), Utf8NameKey);
    }
    return IniDocument(std::move(bytes), encoding == Encoding::kUtf8 ? Utf8NameKey : AnsiNameKey);
}

std::string OddByte(Encoding encoding, const std::string& bytes) {
    return IsUtf16(encoding) && bytes.size() % 2 != 0 ? bytes.substr(bytes.size() - 1) : std::string();
}

}  // namespace

ProfileFile::ProfileFile(std::string path, std::string bytes, std::string failure)
    : path_(std::move(path)),
      failure_(std::move(failure)),
      encoding_(profileEncoding::Detect(bytes)),
      oddByte_(OddByte(encoding_, bytes)),
      document_(MakeDocument(encoding_, std::move(bytes))) {}

ProfileFile ProfileFile::Load(const std::string& path) {
    platform::ReadResult file = platform::Current().files->ReadAll(path, kMaxFileBytes);
    switch (file.status) {
        case platform::ReadStatus::kFailed:
            return ProfileFile(path, {}, file.reason.empty() ? "unknown error" : file.reason);
        case platform::ReadStatus::kTooLarge:
            return ProfileFile(
                path, {}, "It is larger than 1 MB, far more than any list of favourites needs, so it was not read.");
        case platform::ReadStatus::kMissing: return ProfileFile(path, {}, {});
        case platform::ReadStatus::kRead: break;
    }
    if (profileEncoding::LooksLikeUnmarkedUtf16(file.bytes)) {
        // Windows reads such a file as 8-bit text and finds nothing in it; a save would
        // then bury the favourites under text in another encoding.
        return ProfileFile(path, {},
                           "It is UTF-16 text without a byte-order mark, which Windows does not read as a profile "
                           "file. Please save it again with the mark (\"UTF-16 LE\" or \"Unicode\" in Notepad).");
    }
    return ProfileFile(path, std::move(file.bytes), {});
}

ProfileFile ProfileFile::Read(const std::string& path) {
    // Without the lock (a folder that cannot hold the lock file, or a save that hangs)
    // the file is read all the same: a save replaces it whole, so a read sees one version.
    const platform::LockResult lock = platform::Current().files->Lock(path, platform::LockMode::kShared, kLockWait);
    return Load(path);
}

WriteResult ProfileFile::Update(const std::string& path, const std::function<std::string(ProfileFile&)>& change) {
    const platform::LockResult lock = platform::Current().files->Lock(path, platform::LockMode::kExclusive, kLockWait);
    if (lock.busy) {
        return {false, "Could not write " + path + ": another launcher has been saving it for more than " +
                           std::to_string(kLockWait.count()) + " seconds. Please try again."};
    }
    if (!lock.lock) {
        return {false, "Could not write " + path + ": " + lock.reason};
    }
    ProfileFile file = Load(path);
    if (file.Unreadable()) {
        return file.Save();
    }
    const std::string refusal = change(file);
    if (!refusal.empty()) {
        return {false, refusal};
    }
    return file.Save();
}

bool ProfileFile::IsUnicode() const {
    return encoding_ != Encoding::kAnsi;
}

std::string ProfileFile::Decode(std::string_view bytes) const {
    return IsUnicode() ? std::string(bytes) : platform::AnsiToUtf8(bytes);
}

std::string ProfileFile::Encode(std::string_view text) const {
    return IsUnicode() ? std::string(text) : platform::Utf8ToAnsi(text);
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
    if (!IsUnicode()) {
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
    std::string bytes;
    if (IsUtf16(encoding_)) {
        bytes = std::string(profileEncoding::Mark(encoding_)) +
                profileEncoding::Utf8ToUtf16(document_.Bytes(), encoding_ == Encoding::kUtf16Be) + oddByte_;
    }
    const platform::WriteResult written =
        platform::Current().files->ReplaceContents(path_, IsUtf16(encoding_) ? bytes : document_.Bytes());
    if (!written.ok) {
        return {false, "Could not write " + path_ + ": " + written.reason};
    }
    return {true, {}};
}

}  // namespace vantorel::profileFile
