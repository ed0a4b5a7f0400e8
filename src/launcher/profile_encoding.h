#pragma once
// The encodings of a profile (INI) file, told apart as Windows' profile calls tell them:
// by the byte-order mark alone. A file that begins with FF FE or FE FF is UTF-16 (little-
// or big-endian) and is written back in it; one with EF BB BF is UTF-8; any other file is
// 8-bit text in the code page, even UTF-16 without its mark.

#include <string>
#include <string_view>

namespace vantorel::profileEncoding {

enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

Encoding Detect(std::string_view bytes);

// The bytes of the mark that Detect found (none for kAnsi).
std::string_view Mark(Encoding encoding);

// UTF-16 text without a mark (an ASCII first character beside a zero byte), which the
// profile calls read as 8-bit text and so find nothing in.
bool LooksLikeUnmarkedUtf16(std::string_view bytes);

// UTF-16 code units, without the mark, to UTF-8. A surrogate without its pair keeps its
// number in the three-byte form, so that Utf8ToUtf16 gives back every unit unchanged.
// A last odd byte is not a unit: the caller keeps it aside.
std::string Utf16ToUtf8(std::string_view units, bool bigEndian);
std::string Utf8ToUtf16(std::string_view text, bool bigEndian);

}  // namespace vantorel::profileEncoding
