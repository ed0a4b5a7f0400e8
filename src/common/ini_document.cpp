#include "common/ini_document.h"

#include "common/text.h"

namespace vantorel {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The profile calls answer C strings, so a name or value ends, for its reader, at a NUL.
std::string UpToNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsProfileBlank(text.back())) {
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

IniDocument::IniDocument(std::string bytes, NameKey nameKey)
    : bytes_(std::move(bytes)), nameKey_(std::move(nameKey)), utf8_(StartsWithUtf8Mark(bytes_)) {
    // New lines follow the file's own line ends, so that an editor that wrote CR or LF
    // alone does not find a mix after a save.
    const std::size_t first = bytes_.find_first_of("\r\n");
    if (first != std::string::npos) {
        newline_ = bytes_[first] == '\n' ? "\n" : bytes_.compare(first, 2, "\r\n") == 0 ? "\r\n" : "\r";
    }
    Index();
}

bool IniDocument::StartsWithUtf8Mark(std::string_view bytes) {
    return bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark;
}

std::optional<std::string_view> IniDocument::HeaderName(std::string_view line) {
    const std::string_view text = TrimBlanks(line);
    const std::size_t close = text.rfind(']');
    if (text.empty() || text.front() != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(text.substr(1, close - 1));
}

IniDocument::Line IniDocument::LineAt(std::size_t begin) const {
    // CR, LF and CR LF each end a line, as in the profile calls.
    Line line;
    line.begin = begin;
    const std::size_t stop = bytes_.find_first_of("\r\n", begin);
    if (stop == std::string::npos) {
        line.contentEnd = line.end = bytes_.size();
    } else {
        line.contentEnd = stop;
        line.end = stop + (bytes_.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
        line.ended = true;
    }
    return line;
}

void IniDocument::Index() {
    sections_.clear();
    sectionByKey_.clear();
    bool inFirstOccurrence = false;
    for (std::size_t begin = utf8_ ? kUtf8Mark.size() : 0; begin < bytes_.size();) {
        const Line line = LineAt(begin);
        begin = line.end;
        const std::optional<std::string_view> name = HeaderName(Content(line));
        if (!name) {
            continue;
        }
        if (inFirstOccurrence) {
            sections_.back().end = line.begin;
        }
        inFirstOccurrence = sectionByKey_.emplace(nameKey_(*name), sections_.size()).second;
        if (inFirstOccurrence) {
            sections_.push_back({std::string(*name), line.begin, bytes_.size()});
        }
    }
}

std::string_view IniDocument::Content(const Line& line) const {
    return std::string_view(bytes_).substr(line.begin, line.contentEnd - line.begin);
}

bool IniDocument::ParseKey(const Line& line, std::string& name, std::size_t& valueBegin) const {
    const std::string_view content = Content(line);
    const std::string_view text = TrimBlanks(content);
    if (text.empty() || text.front() == ';' || text.front() == '[') {
        return false;
    }
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    name = std::string(TrimBlanks(content.substr(0, equals)));
    valueBegin = equals + 1;
    while (valueBegin < content.size() && IsProfileBlank(content[valueBegin])) {
        ++valueBegin;
    }
    valueBegin += line.begin;
    return true;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
    const auto found = sectionByKey_.find(nameKey_(section));
    return found == sectionByKey_.end() ? nullptr : &sections_[found->second];
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (!found) {
        return std::nullopt;
    }
    const std::string wanted = nameKey_(key);
    std::string name;
    std::size_t valueBegin = 0;
    for (std::size_t begin = LineAt(found->header).end; begin < found->end;) {
        const Line line = LineAt(begin);
        begin = line.end;
        if (ParseKey(line, name, valueBegin) && nameKey_(name) == wanted) {
            const std::string_view value(bytes_.data() + valueBegin, line.contentEnd - valueBegin);
            return UpToNul(Unquote(TrimBlanks(value)));
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::SectionName(std::string_view section) const {
    const Section* found = FindSection(section);
    return found ? std::optional<std::string>(UpToNul(found->name)) : std::nullopt;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& section : sections_) {
        if (!section.name.empty()) {
            names.push_back(UpToNul(section.name));
        }
    }
    return names;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyLine = std::string(key) + "=" + std::string(value) + newline_;
    const Section* found = FindSection(section);
    if (!found) {
        const std::size_t start = utf8_ ? kUtf8Mark.size() : 0;
        if (bytes_.size() > start && bytes_.back() != '\r' && bytes_.back() != '\n') {
            bytes_ += newline_;
        }
        bytes_ += "[" + std::string(section) + "]" + newline_ + keyLine;
        Index();
        return;
    }
    const std::string wanted = nameKey_(key);
    std::string name;
    std::size_t valueBegin = 0;
    Line lastFilled = LineAt(found->header);
    for (std::size_t begin = lastFilled.end; begin < found->end;) {
        const Line line = LineAt(begin);
        begin = line.end;
        if (ParseKey(line, name, valueBegin) && nameKey_(name) == wanted) {
            bytes_.replace(valueBegin, line.contentEnd - valueBegin, value);
            Index();
            return;
        }
        if (!TrimBlanks(Content(line)).empty()) {
            lastFilled = line;
        }
    }
    // A new key goes after the section's last line that holds anything, so that blank
    // lines between sections stay where they are.
    const Line& after = lastFilled;
    if (!after.ended) {
        bytes_.insert(after.end, newline_ + keyLine);
    } else {
        bytes_.insert(after.end, keyLine);
    }
    Index();
}

}  // namespace vantorel
