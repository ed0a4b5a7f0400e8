#include "net/reverse_name_cache.h"

namespace vantorel {

const std::string* ReverseNameCache::Find(std::uint32_t address, Clock::time_point now) {
    const auto found = entries_.find(address);
    if (found == entries_.end()) {
        return nullptr;
    }
    if (now - found->second.stored >= maxAge_) {
        Erase(found);
        return nullptr;
    }
    return &found->second.name;
}

void ReverseNameCache::Store(std::uint32_t address, const std::string& name, Clock::time_point now) {
    if (capacity_ == 0) {
        return;
    }
    const auto found = entries_.find(address);
    if (found != entries_.end()) {
        Erase(found);
    }
    while (!oldestFirst_.empty() &&
           (entries_.size() >= capacity_ || now - entries_.at(oldestFirst_.front()).stored >= maxAge_)) {
        Erase(entries_.find(oldestFirst_.front()));
    }
    oldestFirst_.push_back(address);
    entries_[address] = Entry{name, now, std::prev(oldestFirst_.end())};
}

void ReverseNameCache::Clear() {
    entries_.clear();
    oldestFirst_.clear();
}

void ReverseNameCache::Erase(std::map<std::uint32_t, Entry>::iterator entry) {
    oldestFirst_.erase(entry->second.age);
    entries_.erase(entry);
}

}  // namespace vantorel
