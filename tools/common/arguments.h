#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantorel::tools {

// A whole decimal number within [low, high]; empty for anything else.
std::optional<long> WholeArgument(const std::string& text, long low, long high);

// A decimal number of seconds, not negative; empty for anything else.
std::optional<double> SecondsArgument(const std::string& text);

std::vector<std::string> Arguments(int argc, char** argv);

// Says what is wrong with the command line, then the usage, on standard error; the exit
// status of a usage error.
int UsageError(const char* program, const std::string& message, const char* usage);

}  // namespace vantorel::tools
