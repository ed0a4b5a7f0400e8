#pragma once
// A profile-string (INI) file held as its bytes. It reads what Windows' profile calls read
// and writes as they write, touching only the bytes of the line it changes, so files that
// users already have keep every other byte: sections, keys, comments, blank lines, text in
// their 8-bit code page.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

class IniDocument {
  public:
    // Compares two section or key names (8-bit text as stored) without regard to case.
    using NameEquals = std::function<bool(std::string_view, std::string_view)>;

    IniDocument(std::string bytes, NameEquals nameEquals);

    // The value of `key` in `section`: the first such key of the section's first
    // occurrence, blanks trimmed, a pair of enclosing quotes removed. Empty when absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Every section name once, in file order.
    std::vector<std::string> SectionNames() const;

    // Replaces the value in place, or adds the key at the end of its section, or adds the
    // section at the end of the file; new lines end with CR LF.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Bytes() const { return bytes_; }

  private:
    struct Line {
        std::size_t begin = 0;       // first byte of the line
        std::size_t contentEnd = 0;  // end of the text, before CR LF or LF
        std::size_t end = 0;         // after the line ending
    };
    enum class Kind { kOther, kSection, kKey };
    struct Parsed {
        Kind kind = Kind::kOther;
        std::string name;            // section or key name, trimmed
        std::size_t valueBegin = 0;  // with kKey: first byte of the value (after "=" and blanks)
    };

    std::vector<Line> Lines() const;
    Parsed Parse(const Line& line) const;
    // The lines of the first occurrence of `section`: [header, next header). Empty
    // optional when the section does not exist.
    std::optional<std::pair<std::size_t, std::size_t>> FindSection(const std::vector<Line>& lines,
                                                                   std::string_view section) const;

    std::string bytes_;
    NameEquals nameEquals_;
};

}  // namespace vantorel
