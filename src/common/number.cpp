#include "common/number.h"

#include <cmath>
#include <cstdlib>

namespace vantorel {

std::optional<double> ParseDecimal(std::string_view text) {
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
            ++pos;
        }
    };
    const auto digits = [&] {
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
        }
        return pos - start;
    };
    skipBlanks();
    const std::size_t start = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    std::size_t mantissaDigits = digits();
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        if (digits() == 0) {
            return std::nullopt;
        }
    }
    const std::size_t end = pos;
    skipBlanks();
    if (pos != text.size()) {
        return std::nullopt;
    }
    // strtod reads the same grammar; the copy gives it a terminated text. The "C" locale's
    // point is the decimal separator the servers use.
    const std::string number(text.substr(start, end - start));
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

double RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5) {
        return floor + 1;
    }
    if (fraction < 0.5) {
        return floor;
    }
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::optional<std::int16_t> ToInt16(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int16_t> WholeNumber(std::string_view text) {
    // Most texts are short plain integers: read those directly.
    if (!text.empty() && text.size() <= 6) {
        std::size_t pos = text[0] == '-' || text[0] == '+' ? 1 : 0;
        int value = 0;
        const std::size_t first = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            value = value * 10 + (text[pos++] - '0');
        }
        if (pos == text.size() && pos > first) {
            value = text[0] == '-' ? -value : value;
            if (value < -32768 || value > 32767) {
                return std::nullopt;
            }
            return static_cast<std::int16_t>(value);
        }
    }
    const std::optional<double> value = ParseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    return ToInt16(*value);
}

std::string TwoDigit(std::int16_t value) {
    const int magnitude = std::abs(static_cast<int>(value));
    const std::string digits = (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
    return value < 0 ? "-" + digits : digits;
}

}  // namespace vantorel
