#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel {

// Removes leading and trailing blanks (U+0020 only, as the launcher's and the stats
// window's texts are trimmed).
std::string Trim(std::string_view text);

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
