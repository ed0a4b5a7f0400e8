// Winsock's select takes at most FD_SETSIZE sockets, 64 unless the program says otherwise.
#define FD_SETSIZE 1024
#include <winsock2.h>
#include <ws2tcpip.h>

#include <map>
#include <vector>

#include "platform/stream_sockets.h"

namespace vantorel::platform {
namespace {

StreamError FromWinsock(int error) {
    switch (error) {
        case WSAECONNREFUSED: return StreamError::kRefused;
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
        case WSAENETDOWN:
        case WSAEHOSTDOWN: return StreamError::kUnreachable;
        case WSAETIMEDOUT: return StreamError::kTimedOut;
        case WSAEMFILE:
        case WSAENOBUFS: return StreamError::kNoSocket;
        default: return StreamError::kOther;
    }
}

std::string Reason(int error) {
    return StreamErrorText(FromWinsock(error), error);
}

struct Link {
    SOCKET s = INVALID_SOCKET;
    bool open = false;    // connected; until then the socket waits to be writable
    std::string pending;  // accepted by Send, not yet by the system
    int failedWith = 0;   // an error the system gave at once, reported by the next Wait
};

// Every connection and the wake socket fit one select.
constexpr std::size_t kMostLinks = FD_SETSIZE - 1;

class Win32StreamSockets : public StreamSockets {
  public:
    Win32StreamSockets(SOCKET wake, sockaddr_in wakeAddress) : wake_(wake), wakeAddress_(wakeAddress) {}
    ~Win32StreamSockets() override {
        for (const auto& [id, link] : links_) {
            if (link.s != INVALID_SOCKET) {
                Unwatch(link.s);
                closesocket(link.s);
            }
        }
        Unwatch(wake_);
        closesocket(wake_);
        WSACleanup();
    }

    Connection Connect(Endpoint to) override;
    void Send(Connection connection, std::string_view bytes) override;
    void Close(Connection connection) override;
    void Wait(int timeoutMs, const Handlers& handlers) override;
    void Wake() override {
        const char byte = 1;
        sendto(wake_, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&wakeAddress_), sizeof wakeAddress_);
    }
    bool WatchOn(EventLoop& loop, std::function<void()> ready) override;

  private:
    void Watch(SOCKET s) {
        if (watcher_) {
            watcher_->WatchConnection(static_cast<std::uintptr_t>(s), onReady_, true);
        }
    }
    // Before the socket is closed, so that a later socket given the same handle is not taken
    // for it.
    void Unwatch(SOCKET s) {
        if (watcher_) {
            watcher_->UnwatchSocket(static_cast<std::uintptr_t>(s));
        }
    }
    void Flush(Link& link);
    void Drop(Connection connection);
    void Read(Connection connection, const Handlers& handlers);

    SOCKET wake_;
    sockaddr_in wakeAddress_;
    std::map<Connection, Link> links_;
    Connection next_ = 1;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    EventLoop* watcher_ = nullptr;
    std::function<void()> onReady_;
};

bool Win32StreamSockets::WatchOn(EventLoop& loop, std::function<void()> ready) {
    if (watcher_ || !loop.WatchSocket(static_cast<std::uintptr_t>(wake_), ready)) {
        return false;
    }
    watcher_ = &loop;
    onReady_ = std::move(ready);
    for (const auto& [id, link] : links_) {
        if (link.s != INVALID_SOCKET) {
            Watch(link.s);
        }
    }
    return true;
}

StreamSockets::Connection Win32StreamSockets::Connect(Endpoint to) {
    const Connection id = next_++;
    Link& link = links_[id];
    if (links_.size() > kMostLinks) {
        link.failedWith = WSAEMFILE;
        Wake();  // no socket for the loop to watch: the next Wait reports the failure
        return id;
    }
    link.s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (link.s == INVALID_SOCKET) {
        link.failedWith = WSAGetLastError();
        Wake();
        return id;
    }
    u_long on = 1;
    ioctlsocket(link.s, FIONBIO, &on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = to.address;
    address.sin_port = htons(to.port);
    // Made at once or not, the socket turns writable (or exceptional) when the outcome is
    // known: one path.
    // Watched before the connect, so that its outcome cannot come before the watch.
    Watch(link.s);
    if (connect(link.s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        link.failedWith = WSAGetLastError();
        Unwatch(link.s);
        closesocket(link.s);
        link.s = INVALID_SOCKET;
        Wake();
    }
    return id;
}

void Win32StreamSockets::Flush(Link& link) {
    while (!link.pending.empty()) {
        const int sent = send(link.s, link.pending.data(), static_cast<int>(link.pending.size()), 0);
        if (sent == SOCKET_ERROR) {
            // Would block: the rest waits for room. Anything else is a lost connection,
            // which the next read reports.
            if (WSAGetLastError() != WSAEWOULDBLOCK) {
                link.pending.clear();
            }
            return;
        }
        link.pending.erase(0, static_cast<std::size_t>(sent));
    }
}

void Win32StreamSockets::Send(Connection connection, std::string_view bytes) {
    const auto found = links_.find(connection);
    if (found == links_.end() || found->second.s == INVALID_SOCKET) {
        return;
    }
    found->second.pending.append(bytes);
    if (found->second.open) {
        Flush(found->second);
    }
}

void Win32StreamSockets::Drop(Connection connection) {
    const auto found = links_.find(connection);
    if (found != links_.end()) {
        if (found->second.s != INVALID_SOCKET) {
            Unwatch(found->second.s);
            closesocket(found->second.s);
        }
        links_.erase(found);
    }
}

void Win32StreamSockets::Close(Connection connection) {
    Drop(connection);
}

void Win32StreamSockets::Read(Connection connection, const Handlers& handlers) {
    for (std::size_t taken = 0; taken < kMostBytesPerWait;) {
        const auto found = links_.find(connection);
        if (found == links_.end()) {
            return;  // closed by a handler
        }
        const int got = recv(found->second.s, buffer_.data(), static_cast<int>(buffer_.size()), 0);
        if (got > 0) {
            taken += static_cast<std::size_t>(got);
            handlers.received(connection, std::string_view(buffer_.data(), static_cast<std::size_t>(got)));
            continue;
        }
        if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            return;
        }
        Drop(connection);
        handlers.closed(connection);
        return;
    }
}

void Win32StreamSockets::Wait(int timeoutMs, const Handlers& handlers) {
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(wake_, &readable);
    bool reportsWaiting = false;
    for (const auto& [id, link] : links_) {
        if (link.s == INVALID_SOCKET) {
            reportsWaiting = true;
        } else if (!link.open) {
            // Winsock reports a failed connect as exceptional, not writable.
            FD_SET(link.s, &writable);
            FD_SET(link.s, &failed);
        } else {
            FD_SET(link.s, &readable);
            if (!link.pending.empty()) {
                FD_SET(link.s, &writable);
            }
        }
    }
    const int waitMs = reportsWaiting ? 0 : timeoutMs;
    timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
    const int ready = select(0, &readable, &writable, &failed, waitMs < 0 ? nullptr : &wait);
    if (ready > 0 && FD_ISSET(wake_, &readable)) {
        char bytes[64];
        while (recv(wake_, bytes, sizeof bytes, 0) > 0) {
        }
    }
    std::vector<std::pair<Connection, int>> failures;
    std::vector<std::pair<Connection, SOCKET>> active;
    for (const auto& [id, link] : links_) {
        if (link.s == INVALID_SOCKET) {
            failures.emplace_back(id, link.failedWith);
        } else {
            active.emplace_back(id, link.s);
        }
    }
    for (const auto& [id, error] : failures) {
        links_.erase(id);
        handlers.failed(id, Reason(error));
    }
    if (ready <= 0) {
        return;
    }
    for (const auto& [id, s] : active) {
        const auto found = links_.find(id);
        if (found == links_.end()) {
            continue;  // closed by a handler in this Wait
        }
        Link& link = found->second;
        if (!link.open) {
            if (FD_ISSET(s, &failed)) {
                int error = 0;
                int length = sizeof error;
                if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error == 0) {
                    error = WSAECONNREFUSED;
                }
                Drop(id);
                handlers.failed(id, Reason(error));
            } else if (FD_ISSET(s, &writable)) {
                link.open = true;
                Flush(link);
                handlers.connected(id);
                // A master that greets at once may have done so already.
                Read(id, handlers);
            }
            continue;
        }
        if (FD_ISSET(s, &writable)) {
            Flush(link);
        }
        if (FD_ISSET(s, &readable)) {
            Read(id, handlers);
        }
    }
}

}  // namespace

std::unique_ptr<StreamSockets> OpenStreamSockets(std::string* error) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        *error = "Windows Sockets could not be started";
        return nullptr;
    }
    // select waits on sockets only: Wake sends a byte to this one, from itself.
    const SOCKET wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    u_long on = 1;
    if (wake == INVALID_SOCKET || ioctlsocket(wake, FIONBIO, &on) != 0 ||
        bind(wake, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        getsockname(wake, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        *error = "no socket: error " + std::to_string(WSAGetLastError());
        if (wake != INVALID_SOCKET) {
            closesocket(wake);
        }
        WSACleanup();
        return nullptr;
    }
    return std::make_unique<Win32StreamSockets>(wake, address);
}

}  // namespace vantorel::platform
