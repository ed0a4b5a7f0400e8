#include "launcher/ini_document.h"

namespace vantorel {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return value;
}

}  // namespace

IniDocument::IniDocument(std::string bytes, NameEquals nameEquals)
    : bytes_(std::move(bytes)), nameEquals_(std::move(nameEquals)) {}

std::vector<IniDocument::Line> IniDocument::Lines() const {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < bytes_.size()) {
        const std::size_t newline = bytes_.find('\n', begin);
        Line line;
        line.begin = begin;
        line.end = newline == std::string::npos ? bytes_.size() : newline + 1;
        line.contentEnd = newline == std::string::npos ? bytes_.size() : newline;
        if (line.contentEnd > begin && bytes_[line.contentEnd - 1] == '\r') {
            --line.contentEnd;
        }
        lines.push_back(line);
        begin = line.end;
    }
    return lines;
}

IniDocument::Parsed IniDocument::Parse(const Line& line) const {
    const std::string_view content(bytes_.data() + line.begin, line.contentEnd - line.begin);
    const std::string_view text = TrimBlanks(content);
    Parsed parsed;
    if (text.empty() || text.front() == ';') {
        return parsed;
    }
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        parsed.kind = Kind::kSection;
        parsed.name = std::string(TrimBlanks(text.substr(1, close == std::string_view::npos ? text.npos : close - 1)));
        return parsed;
    }
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
        return parsed;
    }
    parsed.kind = Kind::kKey;
    parsed.name = std::string(TrimBlanks(content.substr(0, equals)));
    std::size_t valueBegin = equals + 1;
    while (valueBegin < content.size() && IsBlank(content[valueBegin])) {
        ++valueBegin;
    }
    parsed.valueBegin = line.begin + valueBegin;
    return parsed;
}

std::optional<std::pair<std::size_t, std::size_t>> IniDocument::FindSection(const std::vector<Line>& lines,
                                                                            std::string_view section) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed header = Parse(lines[i]);
        if (header.kind != Kind::kSection || !nameEquals_(header.name, section)) {
            continue;
        }
        std::size_t next = i + 1;
        while (next < lines.size() && Parse(lines[next]).kind != Kind::kSection) {
            ++next;
        }
        return std::make_pair(i, next);
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
    const std::vector<Line> lines = Lines();
    const auto found = FindSection(lines, section);
    if (!found) {
        return std::nullopt;
    }
    for (std::size_t i = found->first + 1; i < found->second; ++i) {
        const Parsed parsed = Parse(lines[i]);
        if (parsed.kind == Kind::kKey && nameEquals_(parsed.name, key)) {
            const std::string_view value(bytes_.data() + parsed.valueBegin, lines[i].contentEnd - parsed.valueBegin);
            return std::string(Unquote(TrimBlanks(value)));
        }
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : Lines()) {
        Parsed parsed = Parse(line);
        if (parsed.kind != Kind::kSection) {
            continue;
        }
        bool seen = false;
        for (const std::string& name : names) {
            seen = seen || nameEquals_(name, parsed.name);
        }
        if (!seen) {
            names.push_back(std::move(parsed.name));
        }
    }
    return names;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::vector<Line> lines = Lines();
    const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
    const auto found = FindSection(lines, section);
    if (!found) {
        if (!bytes_.empty() && bytes_.back() != '\n') {
            bytes_ += "\r\n";
        }
        bytes_ += "[" + std::string(section) + "]\r\n" + keyLine;
        return;
    }
    std::size_t lastFilled = found->first;
    for (std::size_t i = found->first + 1; i < found->second; ++i) {
        const Parsed parsed = Parse(lines[i]);
        if (parsed.kind == Kind::kKey && nameEquals_(parsed.name, key)) {
            bytes_.replace(parsed.valueBegin, lines[i].contentEnd - parsed.valueBegin, value);
            return;
        }
        if (!TrimBlanks(std::string_view(bytes_.data() + lines[i].begin, lines[i].contentEnd - lines[i].begin))
                 .empty()) {
            lastFilled = i;
        }
    }
    // A new key goes after the section's last line that holds anything, so that blank
    // lines between sections stay where they are.
    const Line& after = lines[lastFilled];
    if (after.end == after.contentEnd) {
        bytes_.insert(after.end, "\r\n");
        bytes_.insert(after.end + 2, keyLine);
    } else {
        bytes_.insert(after.end, keyLine);
    }
}

}  // namespace vantorel
