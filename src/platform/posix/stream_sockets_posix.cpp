#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "platform/stream_sockets.h"

namespace vantorel::platform {
namespace {

StreamError FromErrno(int error) {
    switch (error) {
        case ECONNREFUSED: return StreamError::kRefused;
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
        case EHOSTDOWN: return StreamError::kUnreachable;
        case ETIMEDOUT: return StreamError::kTimedOut;
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM: return StreamError::kNoSocket;
        default: return StreamError::kOther;
    }
}

std::string Reason(int error) {
    return StreamErrorText(FromErrno(error), error);
}

struct Link {
    int fd = -1;
    bool open = false;            // connected; until then the socket waits to be writable
    std::string pending;          // accepted by Send, not yet by the system
    int failedWith = 0;           // an errno the system gave at once, reported by the next Wait
    bool watchedSending = false;  // what the loop watches it for, when a loop watches
};

class PosixStreamSockets : public StreamSockets {
  public:
    PosixStreamSockets(int wakeRead, int wakeWrite) : wakeRead_(wakeRead), wakeWrite_(wakeWrite) {}
    ~PosixStreamSockets() override {
        for (const auto& [id, link] : links_) {
            if (link.fd >= 0) {
                Unwatch(link.fd);
                close(link.fd);
            }
        }
        Unwatch(wakeRead_);
        close(wakeRead_);
        close(wakeWrite_);
    }

    Connection Connect(Endpoint to) override;
    void Send(Connection connection, std::string_view bytes) override;
    void Close(Connection connection) override;
    void Wait(int timeoutMs, const Handlers& handlers) override;
    void Wake() override {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(wakeWrite_, &byte, 1);
    }
    bool WatchOn(EventLoop& loop, std::function<void()> ready) override;

  private:
    // Tells the loop what the link's socket is waited for now: connecting or sending, or
    // reading only.
    void Rewatch(Link& link, bool force);
    void Unwatch(int fd) {
        if (watcher_) {
            watcher_->UnwatchSocket(static_cast<std::uintptr_t>(fd));
        }
    }
    void Flush(Link& link);
    void Drop(Connection connection);
    void Read(Connection connection, const Handlers& handlers);

    int wakeRead_;
    int wakeWrite_;
    std::map<Connection, Link> links_;
    Connection next_ = 1;
    std::vector<pollfd> polled_;
    std::vector<Connection> polledIds_;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    EventLoop* watcher_ = nullptr;
    std::function<void()> onReady_;
};

bool PosixStreamSockets::WatchOn(EventLoop& loop, std::function<void()> ready) {
    if (watcher_ || !loop.WatchSocket(static_cast<std::uintptr_t>(wakeRead_), ready)) {
        return false;
    }
    watcher_ = &loop;
    onReady_ = std::move(ready);
    for (auto& [id, link] : links_) {
        Rewatch(link, true);
    }
    return true;
}

void PosixStreamSockets::Rewatch(Link& link, bool force) {
    const bool sending = !link.open || !link.pending.empty();
    if (watcher_ && link.fd >= 0 && (force || sending != link.watchedSending)) {
        watcher_->WatchConnection(static_cast<std::uintptr_t>(link.fd), onReady_, sending);
        link.watchedSending = sending;
    }
}

StreamSockets::Connection PosixStreamSockets::Connect(Endpoint to) {
    const Connection id = next_++;
    Link& link = links_[id];
    link.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (link.fd < 0) {
        link.failedWith = errno;
        Wake();
        return id;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = to.address;
    address.sin_port = htons(to.port);
    // Made at once or not, the socket turns writable when the outcome is known: one path.
    if (connect(link.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
        link.failedWith = errno;
        close(link.fd);
        link.fd = -1;
        // No socket for the loop to watch: the next Wait reports the failure.
        Wake();
        return id;
    }
    Rewatch(link, true);
    return id;
}

void PosixStreamSockets::Flush(Link& link) {
    while (!link.pending.empty()) {
        const ssize_t sent = send(link.fd, link.pending.data(), link.pending.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Would block: the rest waits for room. Anything else is a lost connection,
            // which the next read reports.
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                link.pending.clear();
            }
            return;
        }
        link.pending.erase(0, static_cast<std::size_t>(sent));
    }
}

void PosixStreamSockets::Send(Connection connection, std::string_view bytes) {
    const auto found = links_.find(connection);
    if (found == links_.end() || found->second.fd < 0) {
        return;
    }
    found->second.pending.append(bytes);
    if (found->second.open) {
        Flush(found->second);
        Rewatch(found->second, false);
    }
}

void PosixStreamSockets::Drop(Connection connection) {
    const auto found = links_.find(connection);
    if (found != links_.end()) {
        if (found->second.fd >= 0) {
            Unwatch(found->second.fd);
            close(found->second.fd);
        }
        links_.erase(found);
    }
}

void PosixStreamSockets::Close(Connection connection) {
    Drop(connection);
}

void PosixStreamSockets::Read(Connection connection, const Handlers& handlers) {
    for (std::size_t taken = 0; taken < kMostBytesPerWait;) {
        const auto found = links_.find(connection);
        if (found == links_.end()) {
            return;  // closed by a handler
        }
        const ssize_t got = recv(found->second.fd, buffer_.data(), buffer_.size(), 0);
        if (got > 0) {
            taken += static_cast<std::size_t>(got);
            handlers.received(connection, std::string_view(buffer_.data(), static_cast<std::size_t>(got)));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        Drop(connection);
        handlers.closed(connection);
        return;
    }
}

void PosixStreamSockets::Wait(int timeoutMs, const Handlers& handlers) {
    polled_.clear();
    polledIds_.clear();
    polled_.push_back({wakeRead_, POLLIN, 0});
    bool reportsWaiting = false;
    for (const auto& [id, link] : links_) {
        if (link.fd < 0) {
            reportsWaiting = true;
            continue;
        }
        const short events = !link.open ? POLLOUT : link.pending.empty() ? POLLIN : POLLIN | POLLOUT;
        polled_.push_back({link.fd, events, 0});
        polledIds_.push_back(id);
    }
    const int ready = poll(polled_.data(), polled_.size(), reportsWaiting ? 0 : timeoutMs);
    if (ready > 0 && polled_[0].revents != 0) {
        char bytes[64];
        while (read(wakeRead_, bytes, sizeof bytes) > 0) {
        }
    }
    // The failures the system gave at once, in the order the connections were begun.
    std::vector<std::pair<Connection, int>> failures;
    for (const auto& [id, link] : links_) {
        if (link.fd < 0) {
            failures.emplace_back(id, link.failedWith);
        }
    }
    for (const auto& [id, error] : failures) {
        links_.erase(id);
        handlers.failed(id, Reason(error));
    }
    if (ready <= 0) {
        return;
    }
    for (std::size_t i = 1; i < polled_.size(); ++i) {
        const short revents = polled_[i].revents;
        const Connection id = polledIds_[i - 1];
        const auto found = links_.find(id);
        if (revents == 0 || found == links_.end()) {
            continue;  // quiet, or closed by a handler in this Wait
        }
        Link& link = found->second;
        if (!link.open) {
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(link.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
                error = errno;
            }
            if (error != 0) {
                Drop(id);
                handlers.failed(id, Reason(error));
                continue;
            }
            link.open = true;
            Flush(link);
            Rewatch(link, false);
            handlers.connected(id);
            // A master that greets at once may have done so already.
            Read(id, handlers);
            continue;
        }
        if (revents & POLLOUT) {
            Flush(link);
            Rewatch(link, false);
        }
        if (revents & (POLLIN | POLLHUP | POLLERR)) {
            Read(id, handlers);
        }
    }
}

}  // namespace

std::unique_ptr<StreamSockets> OpenStreamSockets(std::string* error) {
    int wake[2];
    if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        *error = std::string("no handle left for a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<PosixStreamSockets>(wake[0], wake[1]);
}

}  // namespace vantorel::platform
