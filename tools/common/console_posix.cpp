#include "console.h"

namespace vantorel::tools {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::FILE* OpenToRead(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

bool WriteText(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

std::FILE* BinaryStandardInput() {
    return stdin;
}

bool SlashHelpIsCustom() {
    return false;
}

}  // namespace vantorel::tools
