#pragma once
// Neither flock nor LockFileEx can wait for a set time (and Wine never completes an
// overlapped LockFileEx that has to wait), so a lock that is busy is waited for on a
// helper thread while the caller waits on a condition with a time limit. A holder that
// never lets go then costs the caller the time limit, not the program.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantorel::platform {

struct LockWait {
    enum Outcome { kTaken, kFailed, kTimedOut } outcome = kFailed;
    int error = 0;  // with kFailed: the system's error number
};

// `take` blocks until it holds the lock (answering 0) or fails (answering the error).
// When the time is up first, the helper calls `abandon` with take's answer as soon as
// take returns, and abandon owns the lock's handle from then on: it lets the lock go and
// closes the handle. Otherwise the handle stays the caller's.
inline LockWait WaitOnHelper(std::function<int()> take, std::function<void(int)> abandon,
                             std::chrono::milliseconds wait) {
    struct State {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        bool abandoned = false;
        int error = 0;
    };
    const auto state = std::make_shared<State>();
    try {
        std::thread([state, take = std::move(take), abandon = std::move(abandon)] {
            const int error = take();
            std::unique_lock<std::mutex> lock(state->mutex);
            if (state->abandoned) {
                lock.unlock();
                abandon(error);
                return;
            }
            state->done = true;
            state->error = error;
            state->finished.notify_one();
        }).detach();
    } catch (const std::system_error& failure) {
        return {LockWait::kFailed, failure.code().value()};
    }
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->finished.wait_for(lock, wait, [&] { return state->done; })) {
        state->abandoned = true;
        return {LockWait::kTimedOut, 0};
    }
    return state->error == 0 ? LockWait{LockWait::kTaken, 0} : LockWait{LockWait::kFailed, state->error};
}

}  // namespace vantorel::platform
