#pragma once
// The favourites file's profile-string calls, on the program's own INI engine so that both
// targets behave alike, saves are atomic and nothing is cut to a buffer size. Texts are
// UTF-8 here; in the file they are in the encoding that the profile calls use for it: the
// 8-bit code page, UTF-8 after the UTF-8 byte-order mark, or UTF-16 after its mark.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ini_document.h"
#include "launcher/profile_encoding.h"

namespace vantorel::profileFile {

// Far more than any list of favourites needs (some ten thousand of them), and little
// enough that reading, indexing and listing it stay quick and small.
inline constexpr std::size_t kMaxFileBytes = 1024 * 1024;

struct WriteResult {
    bool ok = false;
    std::string reason;
};

// One reading of a profile file: the file is read and parsed once, every lookup is then
// answered from memory, and changes go back to the file in one atomic save.
class ProfileFile {
  public:
    // Reads while no save of another launcher is under way.
    static ProfileFile Read(const std::string& path);

    // Reads the file, lets `change` change it and saves it, holding the file's lock from
    // the read to the save, so that a save by another launcher at the same time is
    // neither lost nor loses this one. `change` answers why it refuses, or the empty text.
    static WriteResult Update(const std::string& path, const std::function<std::string(ProfileFile&)>& change);

    // The file exists but is not read: it is not a plain file, access failed, it is too
    // large, or it is text that the profile calls cannot read.
    bool Unreadable() const { return !failure_.empty(); }
    const std::string& Failure() const { return failure_; }

    std::optional<std::string> Value(const std::string& section, const std::string& key) const;
    std::optional<std::string> SectionName(const std::string& section) const;
    std::vector<std::string> SectionNames() const;

    // Whether the text survives the trip into the file's encoding.
    bool CanStore(std::string_view text) const;
    void SetValue(const std::string& section, const std::string& key, const std::string& value);

    // Replaces the file with what it holds now; never replaces a file that was not read.
    WriteResult Save() const;

  private:
    ProfileFile(std::string path, std::string bytes, std::string failure);
    static ProfileFile Load(const std::string& path);
    bool IsUnicode() const;
    std::string Decode(std::string_view bytes) const;
    std::string Encode(std::string_view text) const;

    std::string path_;
    std::string failure_;
    profileEncoding::Encoding encoding_;
    std::string oddByte_;  // a UTF-16 file's last byte when its length is odd, kept as it is
    IniDocument document_;
};

}  // namespace vantorel::profileFile
