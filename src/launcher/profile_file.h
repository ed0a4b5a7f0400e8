#pragma once
// The favourites file's profile-string calls, on the program's own INI engine so that both
// targets behave alike, saves are atomic and nothing is cut to a buffer size. Texts are
// UTF-8 here and the 8-bit code page in the file.

#include <string>
#include <vector>

namespace vantorel::profileFile {

struct WriteResult {
    bool ok = false;
    std::string reason;
};

// The value of `key` in `section`, or `fallback` when the file, the section or the key
// is missing (or the file cannot be read).
std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback,
                       const std::string& path);

// Writes or replaces one value, creating the file and the section as needed.
WriteResult WriteString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& path);

// All section names in file order; none when the file is missing.
std::vector<std::string> SectionNames(const std::string& path);

}  // namespace vantorel::profileFile
