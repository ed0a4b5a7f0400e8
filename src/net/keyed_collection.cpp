#include "net/keyed_collection.h"

#include "net/socket_error.h"

namespace vantorel {
namespace {

// The run-time's numbers for a key the collection refuses or cannot find.
constexpr std::int32_t kErrKeyInUse = 457;
constexpr std::int32_t kErrInvalidCall = 5;

}  // namespace

void KeyedCollection::Add(const std::string& key, std::intptr_t value) {
    if (!items_.emplace(key, value).second) {
        throw SocketError(kErrKeyInUse, "This key is already associated with an element of this collection", "");
    }
}

std::intptr_t KeyedCollection::Item(const std::string& key) const {
    const auto found = items_.find(key);
    if (found == items_.end()) {
        throw SocketError(kErrInvalidCall, "Invalid procedure call or argument", "");
    }
    return found->second;
}

void KeyedCollection::Remove(const std::string& key) {
    if (items_.erase(key) == 0) {
        throw SocketError(kErrInvalidCall, "Invalid procedure call or argument", "");
    }
}

}  // namespace vantorel
