#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/stream_links.h"

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

class PosixStreamSockets : public StreamLinks {
  public:
    PosixStreamSockets(int wakeRead, int wakeWrite) : wakeRead_(wakeRead), wakeWrite_(wakeWrite) {}
    ~PosixStreamSockets() override {
        CloseAll();
        close(wakeRead_);
        close(wakeWrite_);
    }

    void Wait(int timeoutMs, const Handlers& handlers) override;
    void Wake() override {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(wakeWrite_, &byte, 1);
    }

  private:
    Handle NewSocket(int* error) override {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        *error = fd < 0 ? errno : 0;
        return fd < 0 ? kNoHandle : fd;
    }
    int BeginConnect(Handle handle, Endpoint to) override {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = to.address;
        address.sin_port = htons(to.port);
        // Made at once or not, the socket turns writable when the outcome is known: one path.
        const bool begun =
            connect(static_cast<int>(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
            errno == EINPROGRESS;
        return begun ? 0 : errno;
    }
    Transfer SendSome(Handle handle, std::string_view bytes) override {
        for (;;) {
            const ssize_t sent = send(static_cast<int>(handle), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent >= 0) {
                return {static_cast<std::size_t>(sent)};
            }
            if (errno != EINTR) {
                return {0, errno == EAGAIN || errno == EWOULDBLOCK, errno != EAGAIN && errno != EWOULDBLOCK};
            }
        }
    }
    Transfer ReceiveSome(Handle handle, char* into, std::size_t size) override {
        for (;;) {
            const ssize_t got = recv(static_cast<int>(handle), into, size, 0);
            if (got > 0) {
                return {static_cast<std::size_t>(got)};
            }
            if (got < 0 && errno == EINTR) {
                continue;
            }
            const bool wouldBlock = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
            return {0, wouldBlock, !wouldBlock};
        }
    }
    void CloseHandle(Handle handle) override { close(static_cast<int>(handle)); }
    int ConnectError(Handle handle, bool) override {
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(static_cast<int>(handle), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
        return error;
    }
    std::string Reason(int error) override { return StreamErrorText(FromErrno(error), error); }
    Handle WakeHandle() const override { return wakeRead_; }

    int wakeRead_;
    int wakeWrite_;
    std::vector<pollfd> polled_;
    std::vector<Connection> polledIds_;
};

void PosixStreamSockets::Wait(int timeoutMs, const Handlers& handlers) {
    polled_.clear();
    polledIds_.clear();
    polled_.push_back({wakeRead_, POLLIN, 0});
    bool reportsWaiting = false;
    for (const auto& [id, link] : links_) {
        if (link.handle == kNoHandle) {
            reportsWaiting = true;
            continue;
        }
        const short events = !link.open ? POLLOUT : link.pending.empty() ? POLLIN : POLLIN | POLLOUT;
        polled_.push_back({static_cast<int>(link.handle), events, 0});
        polledIds_.push_back(id);
    }
    const int ready = poll(polled_.data(), polled_.size(), reportsWaiting ? 0 : timeoutMs);
    if (ready > 0 && polled_[0].revents != 0) {
        char bytes[64];
        while (read(wakeRead_, bytes, sizeof bytes) > 0) {
        }
    }
    ReportFailures(handlers);
    if (ready <= 0) {
        return;
    }
    for (std::size_t i = 1; i < polled_.size(); ++i) {
        const short revents = polled_[i].revents;
        OnReady(polledIds_[i - 1], (revents & POLLIN) != 0, (revents & POLLOUT) != 0,
                (revents & (POLLHUP | POLLERR)) != 0, handlers);
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
