#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/datagram_sockets.h"
#include "platform/event_loop.h"

namespace vantorel::platform {
namespace {

struct System {
    std::vector<int> sockets;
    std::vector<std::uint16_t> ports;  // of each socket, in host byte order
    int wakeRead = -1;
    int wakeWrite = -1;
    std::vector<pollfd> polled;
    std::vector<char> buffer = std::vector<char>(65536);
    EventLoop* watcher = nullptr;  // the loop that watches every handle above

    ~System() {
        // A closed handle left in a loop's poll would report itself for ever.
        if (watcher) {
            watcher->UnwatchSocket(static_cast<std::uintptr_t>(wakeRead));
            for (const int s : sockets) {
                watcher->UnwatchSocket(static_cast<std::uintptr_t>(s));
            }
        }
        for (const int s : sockets) {
            close(s);
        }
        if (wakeRead >= 0) {
            close(wakeRead);
            close(wakeWrite);
        }
    }
};

constexpr int kMostReadsPerWait = DatagramSockets::kMostDatagramsPerWait;

Endpoint FromSockaddr(const sockaddr_in& address) {
    return {address.sin_addr.s_addr, ntohs(address.sin_port)};
}

// Datagrams until the socket has none left.
void Drain(System& system, int s, const DatagramSockets::Handlers& handlers) {
    for (int read = 0; read < kMostReadsPerWait; ++read) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got =
            recvfrom(s, system.buffer.data(), system.buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0) {
            // With IP_RECVERR a closed port also shows here once; its address comes from
            // the error queue.
            if (errno == EINTR || errno == ECONNREFUSED) {
                continue;
            }
            return;
        }
        if (from.sin_family == AF_INET) {
            handlers.datagram(FromSockaddr(from),
                              std::string_view(system.buffer.data(), static_cast<std::size_t>(got)));
        }
    }
}

// The error queue names the destination whose port answered "unreachable".
void DrainErrors(int s, const DatagramSockets::Handlers& handlers) {
    for (int read = 0; read < kMostReadsPerWait; ++read) {
        sockaddr_in to{};
        char data[64];
        char control[512];
        iovec io{data, sizeof data};
        msghdr message{};
        message.msg_name = &to;
        message.msg_namelen = sizeof to;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (recvmsg(s, &message, MSG_ERRQUEUE) < 0) {
            return;
        }
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR) {
                continue;
            }
            sock_extended_err error;
            std::memcpy(&error, CMSG_DATA(c), sizeof error);
            if (error.ee_origin == SO_EE_ORIGIN_ICMP && error.ee_errno == ECONNREFUSED && to.sin_family == AF_INET) {
                handlers.unreachable(FromSockaddr(to));
            }
        }
    }
}

}  // namespace

std::optional<std::uint32_t> LookUpHost(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    const std::uint32_t address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return address;
}

int SocketsAvailable() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return 1 << 16;
    }
    // Far more than a few sockets need: not worth listing the open handles.
    if (limit.rlim_cur > 4096) {
        return static_cast<int>(limit.rlim_cur) - 1024;
    }
    // Count what is open already: the limit is on the highest handle number plus one.
    int open = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (readdir(folder) != nullptr) {
            ++open;
        }
        closedir(folder);
        open -= 3;  // ".", ".." and the listing's own handle
    } else {
        open = 3;
    }
    return static_cast<int>(limit.rlim_cur) - open;
}

namespace {

class PosixDatagramSockets : public DatagramSockets {
  public:
    explicit PosixDatagramSockets(std::unique_ptr<System> system) : system_(std::move(system)) {}

    int Count() const override { return static_cast<int>(system_->sockets.size()); }
    int MostInFlight() const override { return 1 << 30; }  // shared sockets: any number
    bool Send(int socket, Endpoint to, std::string_view bytes) override;
    void Release(Endpoint) override {}
    bool IsOwn(Endpoint from) const override;
    void Wait(int timeoutMs, const Handlers& handlers) override;
    void Wake() override;
    bool WatchOn(EventLoop& loop, std::function<void()> ready) override;

  private:
    std::unique_ptr<System> system_;
};

bool PosixDatagramSockets::WatchOn(EventLoop& loop, std::function<void()> ready) {
    System& system = *system_;
    if (system.watcher || !loop.WatchSocket(static_cast<std::uintptr_t>(system.wakeRead), ready)) {
        return false;
    }
    system.watcher = &loop;
    for (const int s : system.sockets) {
        loop.WatchSocket(static_cast<std::uintptr_t>(s), ready);
    }
    return true;
}

bool PosixDatagramSockets::Send(int socket, Endpoint to, std::string_view bytes) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = to.address;
    address.sin_port = htons(to.port);
    const int s = system_->sockets[static_cast<std::size_t>(socket)];
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&address), sizeof address) >=
            0) {
            return true;
        }
        // A closed port reported for an earlier datagram fails this send once; the
        // report itself waits in the error queue.
        if (errno != ECONNREFUSED && errno != EINTR) {
            return false;
        }
    }
    return false;
}

bool PosixDatagramSockets::IsOwn(Endpoint from) const {
    const std::vector<std::uint16_t>& ports = system_->ports;
    if (std::find(ports.begin(), ports.end(), from.port) == ports.end()) {
        return false;
    }
    if ((ntohl(from.address) >> 24) == 127) {
        return true;
    }
    // The system sends to an address of this host from that very address, and to any other
    // from one of its own: asked by connecting a socket, which sends nothing. Rare enough (a
    // datagram from one of our own port numbers) to ask each time.
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = from.address;
    address.sin_port = htons(from.port);
    socklen_t length = sizeof address;
    const bool local = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                       address.sin_addr.s_addr == from.address;
    close(probe);
    return local;
}

void PosixDatagramSockets::Wait(int timeoutMs, const Handlers& handlers) {
    System& system = *system_;
    system.polled.clear();
    system.polled.push_back({system.wakeRead, POLLIN, 0});
    for (const int s : system.sockets) {
        system.polled.push_back({s, POLLIN, 0});
    }
    if (poll(system.polled.data(), system.polled.size(), timeoutMs) <= 0) {
        return;
    }
    if (system.polled[0].revents != 0) {
        char bytes[64];
        while (read(system.wakeRead, bytes, sizeof bytes) > 0) {
        }
    }
    for (std::size_t i = 1; i < system.polled.size(); ++i) {
        if (system.polled[i].revents & POLLERR) {
            DrainErrors(system.polled[i].fd, handlers);
        }
        if (system.polled[i].revents & POLLIN) {
            Drain(system, system.polled[i].fd, handlers);
        }
    }
}

void PosixDatagramSockets::Wake() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(system_->wakeWrite, &byte, 1);
}

}  // namespace

std::unique_ptr<DatagramSockets> OpenDatagramSockets(int count, std::string* error) {
    auto system = std::make_unique<System>();
    int wake[2];
    if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        *error = std::string("no handle left for a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    system->wakeRead = wake[0];
    system->wakeWrite = wake[1];
    for (int i = 0; i < count; ++i) {
        const int s = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (s < 0) {
            if (i > 0) {
                break;  // fewer sockets do as well, only less at a time
            }
            *error = std::string("no socket: ") + std::strerror(errno);
            return nullptr;
        }
        // Bound now, not at the first send, so that its port is known from the start.
        sockaddr_in local{};
        local.sin_family = AF_INET;
        socklen_t length = sizeof local;
        if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
            getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
            close(s);
            if (i > 0) {
                break;
            }
            *error = std::string("no socket: ") + std::strerror(errno);
            return nullptr;
        }
        system->ports.push_back(ntohs(local.sin_port));
        const int on = 1;
        setsockopt(s, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
        // Room for a burst of replies while the queries are still going out.
        const int bytes = 1 << 20;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
        system->sockets.push_back(s);
    }
    return std::make_unique<PosixDatagramSockets>(std::move(system));
}

}  // namespace vantorel::platform
