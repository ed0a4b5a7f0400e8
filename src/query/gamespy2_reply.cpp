#include "query/gamespy2_reply.h"

namespace vantorel::gameSpy2 {
namespace {

using modBFVQueryParse::KeyValue;

void PutId(std::string& bytes, std::uint32_t requestId) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes += static_cast<char>((requestId >> shift) & 0xFF);
    }
}

// Reads NUL-terminated strings; a string without its NUL is not read at all.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<std::string_view> Text() {
        const std::size_t end = bytes_.find('\0', at_);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view text = bytes_.substr(at_, end - at_);
        at_ = end + 1;
        return text;
    }

    // The game's query code writes each row count in two bytes, high byte first.
    std::optional<unsigned> Count() {
        if (bytes_.size() - at_ < 2) {
            return std::nullopt;
        }
        const unsigned count =
            static_cast<unsigned char>(bytes_[at_]) << 8 | static_cast<unsigned char>(bytes_[at_ + 1]);
        at_ += 2;
        return count;
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

constexpr std::size_t kLongestFieldName = 32;

// A row count, field names up to an empty one, then count x fields values. Each value's
// key is its field name and the row's number. Answers false when the section is cut short.
bool ReadTable(Reader& reader, std::vector<KeyValue>& pairs) {
    const std::optional<unsigned> count = reader.Count();
    if (!count) {
        return false;
    }
    std::vector<std::string_view> fields;
    for (;;) {
        const std::optional<std::string_view> field = reader.Text();
        if (!field) {
            return false;
        }
        if (field->empty()) {
            break;
        }
        fields.push_back(*field);
    }
    if (fields.empty()) {
        return true;  // rows of nothing: a count up to 65535 costs no turns
    }
    for (unsigned row = 0; row < *count; ++row) {
        const std::string number = std::to_string(row);
        for (const std::string_view field : fields) {
            const std::optional<std::string_view> value = reader.Text();
            if (!value) {
                return false;
            }
            // A field's name is repeated in the key of every row, so a long one would cost
            // its length once per row; no field of this game is near the limit.
            if (field.size() <= kLongestFieldName) {
                pairs.push_back({std::string(field) + number, std::string(*value)});
            }
        }
    }
    return true;
}

}  // namespace

std::string Request(std::uint32_t requestId) {
    std::string bytes("\xFE\xFD\x00", 3);
    PutId(bytes, requestId);
    bytes += "\xFF\xFF\xFF";
    return bytes;
}

bool LooksLikeReply(std::string_view datagram) {
    return datagram.size() >= 5 && datagram[0] == '\0';
}

std::optional<std::vector<KeyValue>> ParseReply(std::string_view datagram, std::uint32_t requestId) {
    std::string header(1, '\0');
    PutId(header, requestId);
    if (datagram.size() < header.size() || datagram.substr(0, header.size()) != header) {
        return std::nullopt;
    }
    Reader reader(datagram.substr(header.size()));
    std::vector<KeyValue> pairs;
    for (;;) {
        const std::optional<std::string_view> key = reader.Text();
        if (!key || key->empty()) {
            break;
        }
        const std::optional<std::string_view> value = reader.Text();
        if (!value) {
            break;
        }
        pairs.push_back({std::string(*key), std::string(*value)});
    }
    // Players, then teams; a reply that stops early keeps the sections it completed.
    if (ReadTable(reader, pairs)) {
        ReadTable(reader, pairs);
    }
    return pairs;
}

}  // namespace vantorel::gameSpy2
