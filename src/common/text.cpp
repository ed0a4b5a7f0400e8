#include "common/text.h"

#include "common/utf8.h"

namespace vantorel {

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool IsProfileBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string TrimProfileBlanks(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsProfileBlank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

bool IsControlChar(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool HasControlChar(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (IsControlChar(DecodeChar(text, pos))) {
            return true;
        }
    }
    return false;
}

std::string FixedWidth(std::string_view text, std::size_t width) {
    std::string field(LeftChars(text, width));
    field.append(width - CharCount(field), ' ');
    return field;
}

namespace {

char32_t FoldChar(char32_t c) {
    if (c >= 'A' && c <= 'Z') {
        return c + 0x20;
    }
    if (c < 0x80) {
        return c;
    }
    // Latin-1: À..Þ except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return c + 0x20;
    }
    if (c == 0x178) {  // Ÿ
        return 0xFF;
    }
    // Latin Extended-A pairs upper/lower on even/odd code points, with two runs that
    // start odd.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return c | 1;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c & 1) ? c + 1 : c;
    }
    // Greek and Cyrillic capitals.
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) {
        return c + 0x20;
    }
    if (c >= 0x410 && c <= 0x42F) {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    return c;
}

}  // namespace

std::string FoldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t c = DecodeChar(text, pos);
        if (c == 0xFFFD && pos - start == 1) {
            folded += text[start];  // keep a malformed byte as it is
        } else {
            AppendUtf8(folded, FoldChar(c));
        }
    }
    return folded;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return FoldCase(a) == FoldCase(b);
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace vantorel
