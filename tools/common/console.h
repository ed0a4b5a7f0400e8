#pragma once
// Text in and out of the command-line tools, UTF-8 inside: the arguments, the names of the
// files they read, and what goes to standard output and standard error.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::tools {

// The arguments after the program's name, as UTF-8. On Windows they come from the wide
// command line, so that no name is squeezed through the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// A file named in UTF-8, opened for reading bytes; null when it cannot be.
std::FILE* OpenToRead(const std::string& path);

// Writes UTF-8 text to `stream` (stdout or stderr). A Windows console gets it as wide text,
// since it would show bytes in its own code page; a file or a pipe gets UTF-8. False when not
// all of it was written.
bool WriteText(std::FILE* stream, std::string_view text);

// Standard input, read as bytes (Windows would end a text-mode read at a Ctrl+Z byte).
std::FILE* BinaryStandardInput();

// Whether "/?" asks for help where the program runs (Windows).
bool SlashHelpIsCustom();

}  // namespace vantorel::tools
