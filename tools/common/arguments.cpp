#include "arguments.h"

#include <iostream>

#include "common/number.h"

namespace vantorel::tools {

std::optional<long> WholeArgument(const std::string& text, long low, long high) {
    if (text.empty() || text.find_first_not_of("0123456789-") != std::string::npos) {
        return std::nullopt;
    }
    try {
        std::size_t used = 0;
        const long value = std::stol(text, &used);
        if (used != text.size() || value < low || value > high) {
            return std::nullopt;
        }
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<double> SecondsArgument(const std::string& text) {
    const std::optional<double> value = ParseDecimal(text);
    if (!value || *value < 0 || text.find_first_of(" \t") != std::string::npos) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

int UsageError(const char* program, const std::string& message, const char* usage) {
    std::cerr << program << ": " << message << "\n" << usage;
    return 2;
}

}  // namespace vantorel::tools
