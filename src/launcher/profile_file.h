#pragma once
// The favourites file's profile-string calls, on the program's own INI engine so that both
// targets behave alike, saves are atomic and nothing is cut to a buffer size. Texts are
// UTF-8 here; in the file they are in the 8-bit code page, or UTF-8 when the file begins
// with the UTF-8 byte-order mark.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/ini_document.h"

namespace vantorel::profileFile {

struct WriteResult {
    bool ok = false;
    std::string reason;
};

// One reading of a profile file: the file is read and parsed once, every lookup is then
// answered from memory, and changes go back to the file in one atomic save.
class ProfileFile {
  public:
    static ProfileFile Read(const std::string& path);

    // The file exists but could not be read (it is not a plain file, or access failed).
    bool Unreadable() const { return !failure_.empty(); }
    const std::string& Failure() const { return failure_; }

    std::optional<std::string> Value(const std::string& section, const std::string& key) const;
    std::optional<std::string> SectionName(const std::string& section) const;
    std::vector<std::string> SectionNames() const;

    // Whether the text survives the trip into the file's encoding.
    bool CanStore(std::string_view text) const;
    void SetValue(const std::string& section, const std::string& key, const std::string& value);

    // Replaces the file with what it holds now; never replaces a file that could not be read.
    WriteResult Save() const;

  private:
    ProfileFile(std::string path, std::string bytes, std::string failure);
    std::string Decode(std::string_view bytes) const;
    std::string Encode(std::string_view text) const;

    std::string path_;
    std::string failure_;
    IniDocument document_;
};

}  // namespace vantorel::profileFile
