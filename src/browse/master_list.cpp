#include "browse/master_list.h"

#include "common/text.h"

namespace vantorel::browse {

std::string ServerAddress::Text() const {
    return std::to_string(ip >> 24) + "." + std::to_string(ip >> 16 & 255) + "." + std::to_string(ip >> 8 & 255) + "." +
           std::to_string(ip & 255) + ":" + std::to_string(port);
}

std::vector<std::pair<std::string, std::string>> ListedFields::Decode() const {
    std::vector<std::pair<std::string, std::string>> fields;
    if (!held_) {
        return fields;
    }
    const std::string& values = held_->values;
    const std::shared_ptr<const FieldTable>& table = held_->table;
    std::size_t at = 0;
    const auto text = [&] {
        const std::size_t end = values.find('\0', at);
        const std::size_t stop = end == std::string::npos ? values.size() : end;
        std::string value = values.substr(at, stop - at);
        at = stop + 1;
        return value;
    };
    const auto byte = [&]() -> unsigned { return at < values.size() ? static_cast<std::uint8_t>(values[at++]) : 0; };
    if (held_->hasKeyValues && table) {
        for (const FieldTable::Key& key : table->keys) {
            if (at >= values.size()) {
                break;
            }
            std::string value;
            switch (key.type) {
                case FieldTable::KeyType::kText: {
                    const unsigned first = byte();
                    if (first == static_cast<std::uint8_t>(kInlineText)) {
                        value = text();
                    } else if (first < table->popular.size()) {
                        value = table->popular[first];
                    }
                    break;
                }
                case FieldTable::KeyType::kByte: value = std::to_string(byte()); break;
                case FieldTable::KeyType::kShort: {
                    const unsigned high = byte();
                    value = std::to_string(high << 8 | byte());
                    break;
                }
            }
            fields.emplace_back(key.name, std::move(value));
        }
    }
    while (at < values.size()) {
        std::string name = text();
        std::string value = at < values.size() ? text() : std::string();
        fields.emplace_back(std::move(name), std::move(value));
    }
    return fields;
}

std::string MasterFault::Reason() const {
    switch (kind) {
        case Kind::kUnreachable: return text.empty() ? "unreachable" : text;
        case Kind::kTimedOut: return "timed out";
        case Kind::kMasterError: return "its error: " + text;
        case Kind::kMalformed: return "malformed answer: " + text;
        case Kind::kCutShort: return "closed before the end of its list";
        case Kind::kNotSent: return text;
    }
    return text;
}

bool MasterList::Reserve(std::size_t valueBytes, std::string* why) {
    if (valueBytes_ + valueBytes > ListLimits::kMostValueBytes) {
        *why = "more than " + std::to_string(ListLimits::kMostValueBytes) + " bytes of field values";
        return false;
    }
    valueBytes_ += valueBytes;
    return true;
}

bool MasterList::Add(ListedServer server, std::string* why) {
    if (servers_.size() >= ListLimits::kMostServers) {
        *why = "more than " + std::to_string(ListLimits::kMostServers) + " servers";
        return false;
    }
    if (!Reserve(server.fields.Bytes(), why)) {
        return false;
    }
    if (indexed_) {
        index_.emplace(server.address, servers_.size());
    }
    servers_.push_back(std::move(server));
    return true;
}

void MasterList::BuildIndex() {
    if (!indexed_) {
        for (std::size_t i = 0; i < servers_.size(); ++i) {
            index_.emplace(servers_[i].address, i);
        }
        indexed_ = true;
    }
}

bool MasterList::Update(ListedServer server, std::string* why) {
    BuildIndex();
    const auto found = index_.find(server.address);
    if (found == index_.end()) {
        return Add(std::move(server), why);
    }
    ListedServer& held = servers_[found->second];
    valueBytes_ -= held.fields.Bytes();
    if (!Reserve(server.fields.Bytes(), why)) {
        valueBytes_ += held.fields.Bytes();
        return false;
    }
    held = std::move(server);
    return true;
}

void MasterList::Remove(ServerAddress address) {
    BuildIndex();
    const auto found = index_.find(address);
    if (found == index_.end()) {
        return;
    }
    // The last entry takes the removed one's place: a live list has no order to keep.
    const std::size_t at = found->second;
    index_.erase(found);
    valueBytes_ -= servers_[at].fields.Bytes();
    if (at + 1 != servers_.size()) {
        servers_[at] = std::move(servers_.back());
        index_[servers_[at].address] = at;
    }
    servers_.pop_back();
}

void MasterList::SetFault(MasterFault fault) {
    if (!fault_) {
        fault_ = std::move(fault);
    }
}

std::string PrintableText(std::string_view text) {
    // A master's text is in the servers' 8-bit code page, where each byte is one character:
    // the bytes 0x80 to 0x9F stand where the C1 controls would.
    std::string printable(text.substr(0, ListLimits::kLongestText));
    for (char& c : printable) {
        if (IsControlChar(static_cast<unsigned char>(c))) {
            c = '?';
        }
    }
    return printable;
}

}  // namespace vantorel::browse
