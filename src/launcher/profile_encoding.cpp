#include "launcher/profile_encoding.h"

#include "common/utf8.h"

namespace vantorel::profileEncoding {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

void AppendUnit(std::string& out, char32_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

}  // namespace

Encoding Detect(std::string_view bytes) {
    if (StartsWith(bytes, kUtf8Mark)) {
        return Encoding::kUtf8;
    }
    if (StartsWith(bytes, kUtf16LeMark)) {
        return Encoding::kUtf16Le;
    }
    if (StartsWith(bytes, kUtf16BeMark)) {
        return Encoding::kUtf16Be;
    }
    return Encoding::kAnsi;
}

std::string_view Mark(Encoding encoding) {
    switch (encoding) {
        case Encoding::kUtf8: return kUtf8Mark;
        case Encoding::kUtf16Le: return kUtf16LeMark;
        case Encoding::kUtf16Be: return kUtf16BeMark;
        case Encoding::kAnsi: break;
    }
    return {};
}

bool LooksLikeUnmarkedUtf16(std::string_view bytes) {
    if (bytes.size() < 2 || Detect(bytes) != Encoding::kAnsi) {
        return false;
    }
    const auto isAscii = [](char c) { return c != '\0' && static_cast<unsigned char>(c) < 0x80; };
    return (isAscii(bytes[0]) && bytes[1] == '\0') || (bytes[0] == '\0' && isAscii(bytes[1]));
}

std::string Utf16ToUtf8(std::string_view units, bool bigEndian) {
    std::string text;
    text.reserve(units.size());
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<unsigned char>(units[i]);
        const auto second = static_cast<unsigned char>(units[i + 1]);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < units.size()) {
            const char32_t next = unitAt(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        // A lone surrogate too: AppendUtf8 and DecodeChar carry it in its three-byte form.
        AppendUtf8(text, unit);
    }
    return text;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
    std::string units;
    units.reserve(text.size() * 2);
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code = DecodeChar(text, pos);
        if (code > 0x10FFFF) {
            code = kReplacement;
        }
        if (code >= 0x10000) {
            AppendUnit(units, 0xD800 + ((code - 0x10000) >> 10), bigEndian);
            AppendUnit(units, 0xDC00 + ((code - 0x10000) & 0x3FF), bigEndian);
        } else {
            AppendUnit(units, code, bigEndian);
        }
    }
    return units;
}

}  // namespace vantorel::profileEncoding
