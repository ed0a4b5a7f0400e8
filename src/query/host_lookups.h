#pragma once
// Host names resolved on a few worker threads, so that the thread that runs the engine never
// waits on a resolver. Results come back through a queue that the owner empties, with a wake
// call so that it need not poll. The state the threads share outlives the owner: a lookup
// that hangs past the run is left to the process exit.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantorel {

class HostLookups {
  public:
    static constexpr int kThreads = 4;
    using Resolve = std::optional<std::uint32_t> (*)(const std::string& name);
    using Done = std::vector<std::pair<std::string, std::optional<std::uint32_t>>>;

    // `wake` runs on a worker thread after each result, until this is destroyed.
    HostLookups(std::function<void()> wake, Resolve resolve);
    ~HostLookups();
    HostLookups(const HostLookups&) = delete;
    HostLookups& operator=(const HostLookups&) = delete;

    // False when not one thread could be started: the names will never resolve.
    bool Start(std::vector<std::string> names);
    // The names resolved since the last call, each with its address or nothing.
    Done TakeDone();

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace vantorel
