#include "browse/legacy_exchange.h"

#include "browse/game.h"
#include "browse/master_list.h"
#include "browse/validate.h"

namespace vantorel::browse {
namespace {

constexpr std::string_view kSecure = "\\secure\\";
constexpr std::string_view kError = "\\error\\";
constexpr std::size_t kUsualChallenge = 6;

}  // namespace

Greeting ReadGreeting(std::string_view received, bool settled) {
    if (!received.empty() && received[0] != '\\') {
        return {Greeting::Kind::kNotGreeting, {}};
    }
    const std::string_view head = received.substr(0, kLongestGreeting);
    if (head.substr(0, kError.size()) == kError) {
        const std::string_view rest = head.substr(kError.size());
        const std::size_t end = rest.find('\\');
        if (end == std::string_view::npos && !settled && received.size() < kLongestGreeting) {
            return {};
        }
        return {Greeting::Kind::kError, PrintableText(rest.substr(0, end))};
    }
    const std::size_t secure = head.find(kSecure);
    if (secure == std::string_view::npos) {
        const bool couldGrow = !settled && received.size() < kLongestGreeting;
        return {couldGrow ? Greeting::Kind::kNeedMore : Greeting::Kind::kNotGreeting, {}};
    }
    const std::string_view rest = head.substr(secure + kSecure.size());
    const std::size_t end = rest.find('\\');
    if (end == std::string_view::npos && rest.size() < kUsualChallenge && !settled &&
        received.size() < kLongestGreeting) {
        return {};
    }
    return {Greeting::Kind::kChallenge, std::string(rest.substr(0, end))};
}

std::string LegacyRequest(std::string_view challenge, int enctype, std::string_view filter) {
    const int type = enctype == 2 ? 2 : 0;
    std::string request = "\\gamename\\" + std::string(kGameName) + "\\gamever\\2\\location\\0\\validate\\" +
                          Validate(challenge, kGameKey, type) + "\\enctype\\" + std::to_string(type) +
                          "\\final\\\\queryid\\1.1\\";
    request += "\\list\\cmp\\gamename\\" + std::string(kGameName);
    if (!filter.empty()) {
        request += "\\where\\(" + std::string(filter) + ")";
    }
    request += "\\final\\";
    return request;
}

std::optional<std::string> LegacyFilterProblem(std::string_view filter) {
    if (filter.find('\\') != std::string_view::npos) {
        return "a filter for a legacy master cannot hold a backslash";
    }
    for (const char c : filter) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return "a filter cannot hold control characters";
        }
    }
    return std::nullopt;
}

}  // namespace vantorel::browse
