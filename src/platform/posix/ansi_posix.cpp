#include "common/codepage.h"
#include "platform/ansi.h"

namespace vantorel::platform {

std::string AnsiToUtf8(std::string_view bytes) {
    return Cp1252ToUtf8(bytes);
}

std::string Utf8ToAnsi(std::string_view text, bool* lossless) {
    return Utf8ToCp1252(text, lossless);
}

}  // namespace vantorel::platform
