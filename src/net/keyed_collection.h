#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace vantorel {

// A collection of numbers under text keys. Adding a key that is present, and reading or
// removing one that is not, are errors (SocketError with the run-time's numbers).
class KeyedCollection {
  public:
    void Add(const std::string& key, std::intptr_t value);
    std::intptr_t Item(const std::string& key) const;
    void Remove(const std::string& key);
    bool Contains(const std::string& key) const { return items_.count(key) > 0; }
    std::size_t Count() const { return items_.size(); }
    const std::map<std::string, std::intptr_t>& Items() const { return items_; }

  private:
    std::map<std::string, std::intptr_t> items_;
};

}  // namespace vantorel
