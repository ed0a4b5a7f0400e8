#pragma once
// Texts inside the program are UTF-8. Every length, cut and "first character" rule of the
// program counts characters, so these helpers work in code points. A byte that does not
// start a valid sequence counts as one character of its own, so nothing is ever lost.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel {

// Number of characters in the text.
std::size_t CharCount(std::string_view text);

// The first `count` characters of the text (all of it when it is shorter).
std::string_view LeftChars(std::string_view text, std::size_t count);

// The first character of the text, as its bytes; empty for an empty text.
std::string_view FirstChar(std::string_view text);

// Decodes the character that starts at `pos` and advances `pos` past it. A malformed
// byte decodes as U+FFFD and advances by one.
char32_t DecodeChar(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace vantorel
