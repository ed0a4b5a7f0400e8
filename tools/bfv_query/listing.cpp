#include "listing.h"

#include <set>

#include "output.h"
#include "platform/ansi.h"

namespace vantorel::bfvQuery {
namespace {

std::uint64_t Key(std::uint32_t ip, std::uint16_t port) {
    return static_cast<std::uint64_t>(ip) << 16 | port;
}

// An address in network byte order as a listed one is held: first octet high.
std::uint32_t HostOrder(std::uint32_t network) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&network);
    return static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
}

void AppendMasters(std::string& json, const browse::ListMerge& merge, const browse::ListMerge::Entry& entry) {
    json += "[";
    for (std::size_t m = 0; m < entry.masters.size(); ++m) {
        json += m == 0 ? "" : ", ";
        AppendJsonString(json, merge.Masters()[entry.masters[m]]);
    }
    json += "]";
}

std::string JsonListEntry(const browse::ListMerge& merge, std::size_t i) {
    const browse::ListMerge::Entry& entry = merge.Entries()[i];
    std::string json = i == 0 ? "[\n  {\"address\": " : ",\n  {\"address\": ";
    AppendJsonString(json, entry.address.Text());
    json += ", \"masters\": ";
    AppendMasters(json, merge, entry);
    json += ", \"listed\": {";
    // A master may repeat a name among a server's rules: a JSON object holds each once.
    std::set<std::string> named;
    for (const auto& [name, value] : entry.fields.Decode()) {
        const std::string key = platform::AnsiToUtf8(name);
        if (!named.insert(key).second) {
            continue;
        }
        json += named.size() == 1 ? "" : ", ";
        AppendJsonString(json, key);
        json += ": ";
        AppendJsonString(json, platform::AnsiToUtf8(value));
    }
    return json + "}}";
}

}  // namespace

Listing::Listing(browse::ListMerge merge) : merge_(std::move(merge)) {
    index_.reserve(merge_.Entries().size());
    for (std::size_t i = 0; i < merge_.Entries().size(); ++i) {
        const browse::ServerAddress address = merge_.Entries()[i].address;
        index_.emplace(Key(address.ip, address.port), i);
    }
}

std::vector<QueryTarget> Listing::Targets() const {
    std::vector<QueryTarget> targets;
    targets.reserve(merge_.Entries().size());
    for (const browse::ListMerge::Entry& entry : merge_.Entries()) {
        const std::string text = entry.address.Text();
        targets.push_back({text.substr(0, text.rfind(':')), entry.address.port});
    }
    return targets;
}

std::vector<std::string> Listing::MastersOf(const QueryTarget& target) const {
    const std::optional<std::uint32_t> address = DottedAddress(target.host);
    if (!address || target.port < 1 || target.port > 65535) {
        return {};
    }
    const auto found = index_.find(Key(HostOrder(*address), static_cast<std::uint16_t>(target.port)));
    if (found == index_.end()) {
        return {};
    }
    std::vector<std::string> masters;
    for (const std::uint16_t m : merge_.Entries()[found->second].masters) {
        masters.push_back(merge_.Masters()[m]);
    }
    return masters;
}

bool WriteList(const browse::ListMerge& merge, bool json, const std::function<bool(std::string_view)>& write) {
    constexpr std::size_t kWriteSize = 1 << 16;
    std::string pending;
    const std::size_t count = merge.Entries().size();
    for (std::size_t i = 0; i < count; ++i) {
        pending += json ? JsonListEntry(merge, i) : merge.Entries()[i].address.Text() + "\n";
        if (pending.size() >= kWriteSize) {
            if (!write(pending)) {
                return false;
            }
            pending.clear();
        }
    }
    if (json) {
        pending += JsonEnd(count);
    }
    return write(pending);
}

}  // namespace vantorel::bfvQuery
