#include "platform/stream_links.h"

#include <utility>

namespace vantorel::platform {

StreamSockets::Connection StreamLinks::Connect(Endpoint to) {
    const Connection id = next_++;
    Link& link = links_[id];
    if (links_.size() > mostLinks_) {
        link.failedWith = -1;
    } else if ((link.handle = NewSocket(&link.failedWith)) != kNoHandle) {
        // Watched before the connect, so that its outcome cannot come before the watch.
        Rewatch(link, true);
        if (const int error = BeginConnect(link.handle, to); error != 0) {
            link.failedWith = error;
            Unwatch(link.handle);
            CloseHandle(link.handle);
            link.handle = kNoHandle;
        }
    }
    if (link.handle == kNoHandle) {
        Wake();  // no socket for the loop to watch: the next Wait reports the failure
    }
    return id;
}

void StreamLinks::Flush(Link& link) {
    while (!link.pending.empty()) {
        const Transfer sent = SendSome(link.handle, link.pending);
        if (sent.wouldBlock) {
            return;  // the rest waits for room
        }
        if (sent.ended) {
            link.pending.clear();  // a lost connection, which the next read reports
            return;
        }
        link.pending.erase(0, sent.bytes);
    }
}

void StreamLinks::Send(Connection connection, std::string_view bytes) {
    const auto found = links_.find(connection);
    if (found == links_.end() || found->second.handle == kNoHandle) {
        return;
    }
    found->second.pending.append(bytes);
    if (found->second.open) {
        Flush(found->second);
        Rewatch(found->second, false);
    }
}

void StreamLinks::Drop(Connection connection) {
    const auto found = links_.find(connection);
    if (found != links_.end()) {
        if (found->second.handle != kNoHandle) {
            Unwatch(found->second.handle);
            CloseHandle(found->second.handle);
        }
        links_.erase(found);
    }
}

void StreamLinks::CloseAll() {
    while (!links_.empty()) {
        Drop(links_.begin()->first);
    }
    Unwatch(WakeHandle());
}

void StreamLinks::Read(Connection connection, const Handlers& handlers) {
    for (std::size_t taken = 0; taken < kMostBytesPerWait;) {
        const auto found = links_.find(connection);
        if (found == links_.end()) {
            return;  // closed by a handler
        }
        const Transfer got = ReceiveSome(found->second.handle, buffer_.data(), buffer_.size());
        if (got.wouldBlock) {
            return;
        }
        if (got.ended) {
            Drop(connection);
            handlers.closed(connection);
            return;
        }
        taken += got.bytes;
        handlers.received(connection, std::string_view(buffer_.data(), got.bytes));
    }
}

void StreamLinks::ReportFailures(const Handlers& handlers) {
    std::vector<std::pair<Connection, int>> failures;
    for (const auto& [id, link] : links_) {
        if (link.handle == kNoHandle) {
            failures.emplace_back(id, link.failedWith);
        }
    }
    for (const auto& [id, error] : failures) {
        links_.erase(id);
        handlers.failed(id, error == -1 ? StreamErrorText(StreamError::kNoSocket, 0) : Reason(error));
    }
}

void StreamLinks::OnReady(Connection connection, bool readable, bool writable, bool exceptional,
                          const Handlers& handlers) {
    const auto found = links_.find(connection);
    if (found == links_.end() || !(readable || writable || exceptional)) {
        return;  // quiet, or closed by a handler in this Wait
    }
    Link& link = found->second;
    if (!link.open) {
        if (const int error = ConnectError(link.handle, exceptional); error != 0) {
            Drop(connection);
            handlers.failed(connection, Reason(error));
            return;
        }
        if (!writable && !exceptional) {
            return;  // not made yet
        }
        link.open = true;
        Flush(link);
        Rewatch(link, false);
        handlers.connected(connection);
        // A master that greets at once may have done so already.
        Read(connection, handlers);
        return;
    }
    if (writable) {
        Flush(link);
        Rewatch(link, false);
    }
    if (readable || exceptional) {
        Read(connection, handlers);
    }
}

bool StreamLinks::WatchOn(EventLoop& loop, std::function<void()> ready) {
    if (watcher_ || !loop.WatchSocket(static_cast<std::uintptr_t>(WakeHandle()), ready)) {
        return false;
    }
    watcher_ = &loop;
    onReady_ = std::move(ready);
    for (auto& [id, link] : links_) {
        Rewatch(link, true);
    }
    return true;
}

void StreamLinks::Rewatch(Link& link, bool force) {
    const bool sending = !link.open || !link.pending.empty();
    if (watcher_ && link.handle != kNoHandle && (force || sending != link.watchedSending)) {
        watcher_->WatchConnection(static_cast<std::uintptr_t>(link.handle), onReady_, sending);
        link.watchedSending = sending;
    }
}

void StreamLinks::Unwatch(Handle handle) {
    // Before the socket is closed, so that a later socket given the same number is not taken
    // for it.
    if (watcher_) {
        watcher_->UnwatchSocket(static_cast<std::uintptr_t>(handle));
    }
}

}  // namespace vantorel::platform
