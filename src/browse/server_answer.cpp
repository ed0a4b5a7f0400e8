#include "browse/server_answer.h"

#include "common/codepage.h"
#include "common/number.h"
#include "common/text.h"
#include "common/utf8.h"

namespace vantorel::browse {
namespace {

std::optional<int> Count(std::string_view text) {
    const std::optional<std::int16_t> number = WholeNumber(text);
    if (!number || *number < 0) {
        return std::nullopt;
    }
    return *number;
}

}  // namespace

bool ServerAnswer::Full() const {
    return players && maxPlayers && *players >= *maxPlayers - reserved;
}

std::string ListText(std::string_view text) {
    std::string out;
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size() && count < ServerAnswer::kLongestText; ++count) {
        const std::size_t start = pos;
        char32_t c = DecodeChar(text, pos);
        if (c == 0xFFFD && pos - start == 1) {
            // Not UTF-8: the byte is what the servers' code page makes of it.
            const std::string decoded = Cp1252ToUtf8(text.substr(start, 1));
            std::size_t at = 0;
            c = DecodeChar(decoded, at);
        }
        AppendUtf8(out, IsControlChar(c) ? U'?' : c);
    }
    return out;
}

ServerAnswer Bounded(ServerAnswer answer) {
    for (std::string* text : {&answer.title, &answer.map, &answer.gameType, &answer.version}) {
        *text = ListText(*text);
    }
    if (answer.playerNames.size() > ServerAnswer::kMostPlayerNames) {
        answer.playerNames.resize(ServerAnswer::kMostPlayerNames);
    }
    for (std::string& name : answer.playerNames) {
        name = ListText(name);
    }
    return answer;
}

ServerAnswer AnswerFromFields(std::span<const std::pair<std::string, std::string>> fields) {
    ServerAnswer answer;
    for (const auto& [key, value] : fields) {
        if (key == "hostname") {
            answer.title = ListText(value);
        } else if (key == "mapname") {
            answer.map = ListText(value);
        } else if (key == "gametype") {
            answer.gameType = ListText(value);
        } else if (key == "gamever") {
            answer.version = ListText(value);
        } else if (key == "numplayers") {
            answer.players = Count(value);
        } else if (key == "maxplayers") {
            answer.maxPlayers = Count(value);
        } else if (key == "reservedslots") {
            answer.reserved = Count(value).value_or(0);
        } else if (key == "password") {
            if (const std::optional<std::int16_t> flag = WholeNumber(value)) {
                answer.password = *flag != 0;
            }
        } else if (key == "hostport") {
            const std::optional<double> port = ParseDecimal(value);
            if (port && *port >= 1 && *port <= 65535 && *port == static_cast<int>(*port)) {
                answer.gamePort = static_cast<std::uint16_t>(*port);
            }
        }
    }
    return answer;
}

}  // namespace vantorel::browse
