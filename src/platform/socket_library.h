#pragma once
// The socket library, shaped like Windows Sockets 1.1: calls answer -1 (or an invalid
// handle) on failure with the reason in LastError, notifications are posted to a window,
// host lookups complete later as a posted message with their result in the caller's
// buffer. Numbers are those of winsock_numbers.h on both targets. There is no blocking
// lookup here on purpose: the one thread must never wait on a resolver.

#include <cstdint>
#include <string>

#include "platform/window_types.h"

namespace vantorel::platform {

using SocketHandle = std::int32_t;
inline constexpr SocketHandle kInvalidSocket = -1;

// An IPv4 socket address as the library takes it: 16 bytes, port and address in network
// byte order.
struct SockaddrIn {
    std::int16_t family = 2;
    std::uint16_t port = 0;
    std::uint32_t address = 0;
    std::uint8_t zero[8] = {};
};
static_assert(sizeof(SockaddrIn) == 16);

// The start-up record; the socket layer uses only the largest datagram size.
struct WsaData {
    std::uint16_t version = 0;
    std::uint16_t highVersion = 0;
    std::uint16_t maxSockets = 0;
    std::uint16_t maxUdpDatagram = 0;
};

class SocketLibrary {
  public:
    virtual ~SocketLibrary() = default;

    virtual int Startup(std::uint16_t version, WsaData* data) = 0;  // 0 or an error number
    virtual int Cleanup() = 0;
    virtual int LastError() = 0;

    virtual SocketHandle Socket(int family, int type, int protocol) = 0;
    virtual int CloseSocket(SocketHandle s) = 0;
    virtual int Bind(SocketHandle s, const SockaddrIn& address) = 0;
    virtual int Listen(SocketHandle s, int backlog) = 0;
    virtual SocketHandle Accept(SocketHandle s, SockaddrIn* peer) = 0;
    virtual int Connect(SocketHandle s, const SockaddrIn& address) = 0;
    virtual int Shutdown(SocketHandle s, int how) = 0;
    virtual int Send(SocketHandle s, const std::uint8_t* data, int length, int flags) = 0;
    virtual int SendTo(SocketHandle s, const std::uint8_t* data, int length, int flags, const SockaddrIn& to) = 0;
    virtual int Recv(SocketHandle s, std::uint8_t* data, int length, int flags) = 0;
    virtual int RecvFrom(SocketHandle s, std::uint8_t* data, int length, int flags, SockaddrIn* from) = 0;
    virtual int GetSockName(SocketHandle s, SockaddrIn* address) = 0;
    virtual int GetPeerName(SocketHandle s, SockaddrIn* address) = 0;
    virtual int GetSockOpt(SocketHandle s, int level, int option, std::int32_t* value) = 0;
    virtual int SetSockOpt(SocketHandle s, int level, int option, std::int32_t value) = 0;

    // Notifications for `events` (FD_ masks) as `message` to `window`; mask 0 turns them off.
    virtual int AsyncSelect(SocketHandle s, WindowHandle window, std::uint32_t message, long events) = 0;
    // Starts a lookup of an 8-bit host name; answers a non-zero request handle, or 0.
    virtual std::int32_t AsyncGetHostByName(WindowHandle window, std::uint32_t message, const std::string& name,
                                            std::uint8_t* buffer, int bufferLength) = 0;
    // Starts a lookup of the official name of an IPv4 address (network order); completes
    // like AsyncGetHostByName, with the name in the record.
    virtual std::int32_t AsyncGetHostByAddr(WindowHandle window, std::uint32_t message, std::uint32_t address,
                                            std::uint8_t* buffer, int bufferLength) = 0;
    // Winsock may still write into a cancelled lookup's buffer (Wine does, after answering
    // success), so a caller keeps the buffer until the completion arrives or the library
    // is cleaned up.
    virtual int CancelAsyncRequest(std::int32_t request) = 0;
    // The official name and the first IPv4 address of a completed lookup's buffer.
    virtual bool ReadHostRecord(const std::uint8_t* buffer, std::string* name, std::uint32_t* firstAddress) = 0;

    virtual std::uint32_t InetAddr(const std::string& dotted) = 0;  // network order, or INADDR_NONE
    virtual std::string InetNtoa(std::uint32_t address) = 0;
};

}  // namespace vantorel::platform
