#pragma once
// Conversion between the program's UTF-8 texts and the 8-bit texts at the OS boundary
// (datagrams, the favourites file, the registry, the game's command line). On Windows this
// is the ANSI code page; the POSIX stand-in uses Windows-1252, which the game servers and
// the users' files are written in.

#include <string>
#include <string_view>

namespace vantorel::platform {

std::string AnsiToUtf8(std::string_view bytes);

// A character the code page cannot hold becomes "?" and clears `lossless` when given.
std::string Utf8ToAnsi(std::string_view text, bool* lossless = nullptr);

}  // namespace vantorel::platform
