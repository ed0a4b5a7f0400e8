#include "common/codepage.h"

#include <array>

#include "common/utf8.h"

namespace vantorel {
namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int ByteOf(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return static_cast<int>(code);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == code) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    std::size_t run = 0;  // start of the ASCII run not yet copied
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            continue;
        }
        text.append(bytes.data() + run, i - run);
        run = i + 1;
        if (byte < 0xA0) {
            AppendUtf8(text, kHighControls[byte - 0x80]);
        } else {
            AppendUtf8(text, byte);
        }
    }
    text.append(bytes.data() + run, bytes.size() - run);
    return text;
}

std::string Utf8ToCp1252(std::string_view text, bool* lossless) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const int byte = ByteOf(DecodeChar(text, pos));
        if (byte < 0) {
            bytes += '?';
            if (lossless) {
                *lossless = false;
            }
        } else {
            bytes += static_cast<char>(byte);
        }
    }
    return bytes;
}

}  // namespace vantorel
