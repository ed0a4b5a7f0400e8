#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel {

// Removes leading and trailing blanks (U+0020 only, as the launcher's and the stats
// window's texts are trimmed).
std::string Trim(std::string_view text);

// True for the characters that profile-string (INI) files treat as blanks around names
// and values: the space, tab, line feed, vertical tab, form feed, carriage return and the
// DOS end-of-file mark (Ctrl+Z).
bool IsProfileBlank(char c);

// Removes those blanks from both ends, as the favourites file's reader does.
std::string TrimProfileBlanks(std::string_view text);

// A control character: C0 (below U+0020), DEL or C1 (U+0080 to U+009F, which some terminals
// take as the start of an escape sequence).
bool IsControlChar(char32_t c);

// True when the text holds a control character.
bool HasControlChar(std::string_view text);

// A fixed-length text field: the first `width` characters, left-aligned and filled with
// blanks up to `width` characters.
std::string FixedWidth(std::string_view text, std::size_t width);

// Simple case folding for comparing names without regard to case, covering the letters
// that the 8-bit Windows code pages carry (Latin, Greek, Cyrillic).
std::string FoldCase(std::string_view text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// True when the text holds a carriage return or a line feed.
bool HasLineBreak(std::string_view text);

}  // namespace vantorel
