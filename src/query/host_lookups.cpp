#include "query/host_lookups.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantorel {

struct HostLookups::Shared {
    std::mutex mutex;
    std::deque<std::string> names;
    Done done;
    std::function<void()> wake;  // empty once the owner is gone
    Resolve resolve = nullptr;

    static void Work(const std::shared_ptr<Shared>& self) {
        for (;;) {
            std::string name;
            {
                const std::lock_guard<std::mutex> lock(self->mutex);
                if (self->names.empty() || !self->wake) {
                    return;
                }
                name = std::move(self->names.front());
                self->names.pop_front();
            }
            const std::optional<std::uint32_t> address = self->resolve(name);
            const std::lock_guard<std::mutex> lock(self->mutex);
            self->done.emplace_back(std::move(name), address);
            if (self->wake) {
                self->wake();
            }
        }
    }
};

HostLookups::HostLookups(std::function<void()> wake, Resolve resolve) : shared_(std::make_shared<Shared>()) {
    shared_->wake = std::move(wake);
    shared_->resolve = resolve;
}

HostLookups::~HostLookups() {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->wake = nullptr;
    shared_->names.clear();
}

bool HostLookups::Start(std::vector<std::string> names) {
    if (names.empty()) {
        return true;
    }
    const int threads = std::min<int>(kThreads, static_cast<int>(names.size()));
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        for (std::string& name : names) {
            shared_->names.push_back(std::move(name));
        }
    }
    int started = 0;
    for (int i = 0; i < threads; ++i) {
        try {
            std::thread(Shared::Work, shared_).detach();
            ++started;
        } catch (const std::system_error&) {
            break;  // the threads already running take the names
        }
    }
    return started > 0;
}

HostLookups::Done HostLookups::TakeDone() {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return std::exchange(shared_->done, {});
}

}  // namespace vantorel
