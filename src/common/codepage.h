#pragma once
// Windows-1252, the 8-bit code page that the game servers and the files users already have
// are written in. The five bytes that Windows-1252 leaves undefined map to the C1 control
// characters of the same number, as Windows itself maps them, so every byte survives a
// round trip.

#include <string>
#include <string_view>

namespace vantorel {

std::string Cp1252ToUtf8(std::string_view bytes);

// Converts UTF-8 to Windows-1252. A character that the code page cannot hold becomes "?"
// and clears `lossless` when it is given.
std::string Utf8ToCp1252(std::string_view text, bool* lossless = nullptr);

}  // namespace vantorel
