#pragma once
// The official names of recently seen addresses, from reverse lookups. Anyone can send a
// datagram from any address, so the cache is bounded in entries and in age: a flood of
// senders pushes out the oldest names, and a name that changed is looked up again once its
// entry has aged.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>

#include "platform/clock.h"

namespace vantorel {

class ReverseNameCache {
  public:
    using Clock = platform::MonotonicClock;

    ReverseNameCache(std::size_t capacity, Clock::duration maxAge) : capacity_(capacity), maxAge_(maxAge) {}

    // The name stored for the address ("" when it has none), or nullptr when nothing fresh
    // is stored.
    const std::string* Find(std::uint32_t address, Clock::time_point now);
    void Store(std::uint32_t address, const std::string& name, Clock::time_point now);
    void Clear();
    std::size_t Size() const { return entries_.size(); }

  private:
    struct Entry {
        std::string name;
        Clock::time_point stored;
        std::list<std::uint32_t>::iterator age;
    };
    void Erase(std::map<std::uint32_t, Entry>::iterator entry);

    std::size_t capacity_;
    Clock::duration maxAge_;
    std::map<std::uint32_t, Entry> entries_;
    std::list<std::uint32_t> oldestFirst_;
};

}  // namespace vantorel
