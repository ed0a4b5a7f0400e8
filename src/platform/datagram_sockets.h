#pragma once
// The UDP sockets that carry the queries of many servers; replies are told apart by their
// sender. One implementation per target, each holding every system call that the engine's
// transport makes: natively a few unconnected sockets for every server, whose closed ports
// the error queue names (posix/datagram_sockets_posix.cpp); on Windows one connected socket
// per server while it is asked, since Winsock reports a closed port (10054) on the socket
// that sent to it and does not always say which destination it was
// (win32/datagram_sockets_win32.cpp). Tests put sockets of their own in their place.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel::platform {

class EventLoop;

// An IPv4 address in network byte order and a port in host byte order.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Endpoint&) const = default;
};

// Looks a host name up, blocking; for a worker thread. Nothing when it has no IPv4 address.
std::optional<std::uint32_t> LookUpHost(const std::string& name);

// How many more sockets the process may open, as far as the system tells.
int SocketsAvailable();

class DatagramSockets {
  public:
    struct Handlers {
        std::function<void(Endpoint from, std::string_view bytes)> datagram;
        // The system reports that a datagram sent to `to` found its port closed.
        std::function<void(Endpoint to)> unreachable;
    };

    virtual ~DatagramSockets() = default;

    virtual int Count() const = 0;
    // How many servers may be asked at a time.
    virtual int MostInFlight() const = 0;
    // False when the system refused the datagram at once.
    virtual bool Send(int socket, Endpoint to, std::string_view bytes) = 0;
    // Nothing more is expected from `to`.
    virtual void Release(Endpoint to) = 0;
    // Whether `from` is one of these sockets: one of their ports at an address of this host.
    virtual bool IsOwn(Endpoint from) const = 0;
    // Datagrams (and reports) read from one socket in one Wait: a sender that never stops
    // must not keep the engine's timers from running, so the rest waits for the next Wait.
    static constexpr int kMostDatagramsPerWait = 64;
    // Waits at most `timeoutMs` (0: not at all; -1: until something comes) for datagrams,
    // reports, or a Wake, then hands over what has arrived by then, at most
    // kMostDatagramsPerWait a socket.
    virtual void Wait(int timeoutMs, const Handlers& handlers) = 0;
    // Ends a Wait early; may be called from any thread.
    virtual void Wake() = 0;
    // Has `ready` run on `loop`'s thread whenever a Wait(0) may have something to hand over
    // (a datagram, a report or a Wake), the sockets opened later for more servers included,
    // for as long as these sockets live. So a window's loop learns of replies without looking
    // on a timer. False when the loop cannot watch them.
    virtual bool WatchOn(EventLoop& loop, std::function<void()> ready) = 0;
};

// Opens `count` sockets (at least one); nothing, with the reason, when not even one can be had.
std::unique_ptr<DatagramSockets> OpenDatagramSockets(int count, std::string* error);

}  // namespace vantorel::platform
