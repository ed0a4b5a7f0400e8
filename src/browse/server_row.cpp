#include "browse/server_row.h"

#include "common/text.h"

namespace vantorel::browse {

std::optional<std::uint32_t> DottedAddress(std::string_view text) {
    std::uint32_t address = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') {
                return std::nullopt;
            }
            ++at;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) {
            return std::nullopt;
        }
        address = address << 8 | value;
    }
    return at == text.size() ? std::optional<std::uint32_t>(address) : std::nullopt;
}

void ServerRow::Derive() {
    foldedTitle = FoldCase(Name());
    foldedMap = FoldCase(values.map);
    foldedGameType = FoldCase(values.gameType);
    foldedVersion = FoldCase(values.version);
    ip = DottedAddress(key.host);
    // One text per thing the search matches, so that no match runs across two of them.
    haystack = foldedTitle + '\n' + foldedMap + '\n' + FoldCase(key.Text()) + '\n' + JoinAddress();
    for (const std::string& player : values.playerNames) {
        haystack += '\n';
        haystack += FoldCase(player);
    }
}

std::string ServerRow::Name() const {
    if (!values.title.empty()) {
        return values.title;
    }
    return favorite.empty() ? key.Text() : favorite;
}

std::string ServerRow::JoinAddress() const {
    return values.gamePort == 0 ? std::string() : key.host + ":" + std::to_string(values.gamePort);
}

std::string ServerRow::Cell(Column column) const {
    switch (column) {
        case Column::kServer: return Name();
        case Column::kPlayers:
            if (values.players && values.maxPlayers) {
                return std::to_string(*values.players) + "/" + std::to_string(*values.maxPlayers);
            }
            return {};
        case Column::kMap: return values.map;
        case Column::kPing:
            if (state == State::kNoAnswer) {
                return "no answer";
            }
            return state == State::kAnswered && values.pingMs ? std::to_string(*values.pingMs) : std::string();
        case Column::kGameType: return values.gameType;
        case Column::kVersion: return values.version;
        case Column::kPassword: return values.password.value_or(false) ? "Yes" : "";
        case Column::kAddress: {
            const std::string join = JoinAddress();
            return join.empty() ? key.host : join;
        }
    }
    return {};
}

}  // namespace vantorel::browse
