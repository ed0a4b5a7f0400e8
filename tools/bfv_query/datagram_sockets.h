#pragma once
// The UDP sockets that carry the queries of many servers; replies are told apart by their
// sender. One implementation per target, each holding every system call that bfv-query
// makes: natively a few unconnected sockets for every server, whose closed ports the error
// queue names (datagram_sockets_posix.cpp); on Windows one connected socket per server
// while it is asked, since Winsock reports a closed port (10054) on the socket that sent
// to it and does not always say which destination it was (datagram_sockets_win32.cpp).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel::bfvQuery {

// An IPv4 address in network byte order and a port in host byte order.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Endpoint&) const = default;
};

std::string AddressText(std::uint32_t address);

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

    // Opens `count` sockets (at least one); nothing, with the reason, when not even one can be had.
    static std::unique_ptr<DatagramSockets> Open(int count, std::string* error);
    ~DatagramSockets();

    int Count() const;
    // How many servers may be asked at a time.
    int MostInFlight() const;
    // False when the system refused the datagram at once.
    bool Send(int socket, Endpoint to, std::string_view bytes);
    // Nothing more is expected from `to`.
    void Release(Endpoint to);
    // Whether `from` is one of these sockets: one of their ports at an address of this host.
    bool IsOwn(Endpoint from) const;
    // Datagrams (and reports) read from one socket in one Wait: a sender that never stops
    // must not keep the engine's timers from running, so the rest waits for the next Wait.
    static constexpr int kMostDatagramsPerWait = 64;
    // Waits at most `timeoutMs` (0: not at all) for datagrams, reports, or a Wake, then hands
    // over what has arrived by then, at most kMostDatagramsPerWait a socket.
    void Wait(int timeoutMs, const Handlers& handlers);
    // Ends a Wait early; may be called from any thread.
    void Wake();

    struct System;  // the target's handles

  private:
    explicit DatagramSockets(std::unique_ptr<System> system);
    std::unique_ptr<System> system_;
};

}  // namespace vantorel::bfvQuery
