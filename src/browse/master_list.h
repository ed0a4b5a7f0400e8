#pragma once
// What one master listed: the servers (address, query port and, from a newer master, the
// field values it sent with each), whether the list came whole, and why not.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantorel::browse {

// An IPv4 address with its first octet in the high byte, and a port.
struct ServerAddress {
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    auto operator<=>(const ServerAddress&) const = default;
    std::string Text() const;  // "1.2.3.4:23000"
};

// What any master may make a client hold. A master that goes past one of these sends a
// malformed answer: the servers before it are kept.
struct ListLimits {
    // Any one text: a key's name, a popular value, a field value, an error text.
    static constexpr std::size_t kLongestText = 255;
    // The values of one server, as received.
    static constexpr std::size_t kLargestServerValues = 4096;
    static constexpr std::size_t kMostServers = 65536;
    // The values of all servers of one list, as received.
    static constexpr std::size_t kMostValueBytes = 16u << 20;
    // Key names and popular values, the key lists of later messages included.
    static constexpr std::size_t kMostTableBytes = 256u << 10;
};

// The keys a newer master declared (in order) and its popular values.
struct FieldTable {
    enum class KeyType : std::uint8_t { kText = 0, kByte = 1, kShort = 2 };
    struct Key {
        KeyType type = KeyType::kText;
        std::string name;
    };
    std::vector<Key> keys;
    std::vector<std::string> popular;
};

// One server's field values, kept as compact as they came: a popular value stays its index
// and is only spelled out when asked, so a master cannot make a few bytes of its answer
// weigh more than they are.
class ListedFields {
  public:
    ListedFields() = default;
    ListedFields(std::shared_ptr<const FieldTable> table, std::string values, bool hasKeyValues)
        : held_(std::make_shared<const Held>(Held{std::move(table), std::move(values), hasKeyValues})) {}

    bool Empty() const { return !held_ || held_->values.empty(); }
    std::size_t Bytes() const { return held_ ? held_->values.size() : 0; }

    // Each key's value in the keys' order (numbers in decimal), then the server's rules:
    // texts as the master sent them, in the servers' code page.
    std::vector<std::pair<std::string, std::string>> Decode() const;

    // The stored form of one key's value (see Decode): a text value as the popular index or
    // 0xFF, the text and NUL; a byte as one byte; a short as two, big-endian. Rules follow
    // as name, NUL, value, NUL.
    static constexpr char kInlineText = '\xFF';

  private:
    // Shared, never changed: a merged list holds the values of the list it came from, and a
    // server without values costs one null pointer.
    struct Held {
        std::shared_ptr<const FieldTable> table;
        std::string values;
        bool hasKeyValues = false;
    };
    std::shared_ptr<const Held> held_;
};

struct ListedServer {
    ServerAddress address;
    ListedFields fields;
};

// Why a master's list is not whole.
struct MasterFault {
    enum class Kind {
        kUnreachable,  // no connection: refused, no route, a name that does not resolve
        kTimedOut,     // the exchange outlasted its time
        kMasterError,  // the master's own error text
        kMalformed,    // an answer that breaks the protocol or a limit
        kCutShort,     // the master closed before the end of its list
        kNotSent,      // the request could not be made (an unusable filter)
    };
    Kind kind = Kind::kMalformed;
    std::string text;  // the detail: the master's text, or what was wrong

    // The reason as a user reads it after "master HOST:PORT: ".
    std::string Reason() const;
};

class MasterList {
  public:
    const std::vector<ListedServer>& Servers() const { return servers_; }
    bool Complete() const { return complete_; }
    const std::optional<MasterFault>& Fault() const { return fault_; }

    // Adds a listed server; false with the reason when the list is already as large as a
    // list may be.
    bool Add(ListedServer server, std::string* why);
    // A later message's server: it replaces the entry with its address, or joins the list.
    bool Update(ListedServer server, std::string* why);
    // A later message's removal; the last entry takes the removed one's place.
    void Remove(ServerAddress address);

    void MarkComplete() { complete_ = true; }
    // The first fault is the one kept: what follows it is its consequence.
    void SetFault(MasterFault fault);

  private:
    bool Reserve(std::size_t valueBytes, std::string* why);
    void BuildIndex();

    std::vector<ListedServer> servers_;
    std::size_t valueBytes_ = 0;
    bool complete_ = false;
    std::optional<MasterFault> fault_;
    // Built by the first update or removal, for lists that live on after they are received.
    std::map<ServerAddress, std::size_t> index_;
    bool indexed_ = false;
};

// A text from a master made fit to print: control characters become '?', and it is cut to
// the longest text a list may carry.
std::string PrintableText(std::string_view text);

}  // namespace vantorel::browse
