#pragma once
// Fakes of the OS services for the launcher's tests. FakePlatform puts them in force for
// the life of a test and restores the real services after it.

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/quiet_event_loop.h"
#include "platform/clock.h"
#include "platform/directory.h"
#include "platform/event_loop.h"
#include "platform/files.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"
#include "platform/shell.h"

namespace vantorel::testing {

class FakeShell : public platform::Shell {
  public:
    struct Start {
        std::string program, parameters, folder;
        int showMode = 0;
    };
    platform::ShellResult Open(const std::string& program, const std::string& parameters, const std::string& folder,
                               int showMode) override {
        if (!failure.empty()) {
            return {false, failure};
        }
        starts.push_back({program, parameters, folder, showMode});
        return {true, {}};
    }
    std::vector<Start> starts;
    std::string failure;  // when set, every start fails with this reason
};

// Answers a scripted list of names for every pattern it is asked about.
class FakeDirectory : public platform::DirectoryListing {
  public:
    std::string First(const std::string& pattern, unsigned attributes) override {
        patterns.push_back(pattern);
        this->attributes.push_back(attributes);
        const auto found = listings.find(pattern);
        pending_ = found == listings.end() ? std::deque<std::string>{}
                                           : std::deque<std::string>(found->second.begin(), found->second.end());
        return Next();
    }
    std::string Next() override {
        if (pending_.empty()) {
            return {};
        }
        std::string name = pending_.front();
        pending_.pop_front();
        return name;
    }
    std::map<std::string, std::vector<std::string>> listings;
    std::vector<std::string> patterns;
    std::vector<unsigned> attributes;

  private:
    std::deque<std::string> pending_;
};

class MemoryFiles : public platform::Files {
  public:
    platform::ReadResult ReadAll(const std::string& path, std::size_t limit) override {
        ++reads;
        calls.push_back("read");
        if (!readFailure.empty()) {
            return {platform::ReadStatus::kFailed, {}, readFailure};
        }
        const auto found = files.find(path);
        if (found == files.end()) {
            return {platform::ReadStatus::kMissing, {}, "not found"};
        }
        if (found->second.size() > limit) {
            return {platform::ReadStatus::kTooLarge, {}, {}};
        }
        return {platform::ReadStatus::kRead, found->second, {}};
    }
    platform::WriteResult ReplaceContents(const std::string& path, std::string_view bytes) override {
        ++writes;
        calls.push_back("write");
        if (!writeFailure.empty()) {
            return {false, writeFailure};
        }
        files[path] = std::string(bytes);
        return {true, {}};
    }
    platform::LockResult Lock(const std::string&, platform::LockMode mode, std::chrono::milliseconds) override {
        if (lockBusy) {
            return {nullptr, true, {}};
        }
        calls.push_back(mode == platform::LockMode::kExclusive ? "lock" : "share");
        return {std::make_unique<Held>(calls), false, {}};
    }
    bool IsRegularFile(const std::string& path) override { return files.count(path) != 0; }
    std::map<std::string, std::string> files;
    std::string readFailure;
    std::string writeFailure;
    bool lockBusy = false;  // another process holds the lock for longer than any wait
    int reads = 0;
    int writes = 0;
    std::vector<std::string> calls;  // "share", "lock", "read", "write" and "unlock", in order

  private:
    struct Held : platform::FileLock {
        explicit Held(std::vector<std::string>& calls) : calls(calls) {}
        ~Held() override { calls.push_back("unlock"); }
        std::vector<std::string>& calls;
    };
};

class FakeClock : public platform::Clock {
  public:
    std::string DateText() override { return date; }
    std::string TimeText() override { return time; }
    // The monotonic time: `now` once a test sets it (it then moves only when the test moves
    // it), the system's until then.
    platform::MonotonicClock::time_point Now() override { return now ? *now : platform::MonotonicClock::now(); }
    std::string date = "14.08.2004";
    std::string time = "20:33:28";
    std::optional<platform::MonotonicClock::time_point> now;
};

// Counts the yields; runs a hook inside each, as a message arriving would.
class CountingEventLoop : public platform::QuietEventLoop {
  public:
    void DoEvents() override {
        ++yields;
        if (onYield) {
            onYield();
        }
    }
    int yields = 0;
    std::function<void()> onYield;
};

class FakePlatform {
  public:
    FakePlatform() {
        platform::Platform& current = platform::Current();
        current.registry = &registry;
        current.shell = &shell;
        current.directory = &directory;
        current.files = &files;
        current.clock = &clock;
        current.events = &events;
    }

    platform::MemoryRegistry registry;
    FakeShell shell;
    FakeDirectory directory;
    MemoryFiles files;
    FakeClock clock;
    CountingEventLoop events;

  private:
    platform::ScopedPlatform restore_;
};

}  // namespace vantorel::testing
