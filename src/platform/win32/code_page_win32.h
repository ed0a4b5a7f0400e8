#pragma once
// The conversions behind AnsiToUtf8 and Utf8ToAnsi for a given Windows code page, so that the
// rules of each kind of code page (UTF-8, double-byte, stateful) can be tried on any system.

#include <string>
#include <string_view>

namespace vantorel::platform {

// Bytes the code page cannot read are read as Windows-1252.
std::string CodePageToUtf8(std::string_view bytes, unsigned codePage);

// A character the code page cannot hold becomes its default character and clears `lossless`
// when given; the answer is empty only for empty text.
std::string Utf8ToCodePage(std::string_view text, unsigned codePage, bool* lossless = nullptr);

}  // namespace vantorel::platform
