#pragma once
// A profile-string (INI) file held as its bytes. It reads what Windows' profile calls read
// and writes as they write, touching only the bytes of the line it changes, so files that
// users already have keep every other byte: sections, keys, comments, blank lines, the
// UTF-8 byte-order mark, the line ends and the text in its encoding.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

class IniDocument {
  public:
    // The form of a section or key name (as stored) that is the same for names that differ
    // only in letter case.
    using NameKey = std::function<std::string(std::string_view)>;

    IniDocument(std::string bytes, NameKey nameKey);

    // True when the bytes begin with the UTF-8 byte-order mark. The profile calls then skip
    // the mark and read the text as UTF-8 instead of the 8-bit code page.
    static bool StartsWithUtf8Mark(std::string_view bytes);
    bool IsUtf8() const { return utf8_; }

    // The value of `key` in `section`: the first such key of the section's first
    // occurrence, blanks trimmed, a pair of enclosing quotes removed. Empty when absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // The name of the section's first occurrence as the file writes it, or none.
    std::optional<std::string> SectionName(std::string_view section) const;

    // Every section name once (its first occurrence), in file order; an empty name, which
    // no lookup can reach, is left out.
    std::vector<std::string> SectionNames() const;

    // The name that a line's text gives as a section header: what stands between its
    // "[" and its last "]", blanks trimmed. Brackets inside a name ("[[VN] Saigon]") are
    // part of it. None when the line is no header.
    static std::optional<std::string_view> HeaderName(std::string_view line);

    // Replaces the value in place, or adds the key at the end of its section, or adds the
    // section at the end of the file. New lines end as the file's first line does (CR LF
    // in a new file).
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Bytes() const { return bytes_; }

  private:
    struct Line {
        std::size_t begin = 0;       // first byte of the line
        std::size_t contentEnd = 0;  // end of the text, before CR, LF or CR LF
        std::size_t end = 0;         // after the line end
        bool ended = false;          // false for a last line without its line end
    };
    // Byte offsets, so that the index takes memory by section, never by line.
    struct Section {
        std::string name;
        std::size_t header = 0;  // the header line
        std::size_t end = 0;     // the next header line, or the end of the bytes
    };

    Line LineAt(std::size_t begin) const;
    // Finds the first occurrence of every section; runs once per change, so that every
    // lookup after it is cheap.
    void Index();
    std::string_view Content(const Line& line) const;
    // With a key line: its name and the first byte of its value.
    bool ParseKey(const Line& line, std::string& name, std::size_t& valueBegin) const;
    const Section* FindSection(std::string_view section) const;

    std::string bytes_;
    NameKey nameKey_;
    bool utf8_ = false;
    std::string newline_ = "\r\n";
    std::vector<Section> sections_;
    std::map<std::string, std::size_t> sectionByKey_;
};

}  // namespace vantorel
