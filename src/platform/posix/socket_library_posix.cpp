#include "platform/posix/socket_library_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/posix/winsock_errors.h"
#include "platform/winsock_numbers.h"

namespace vantorel::platform {
namespace {

sockaddr_in ToNative(const SockaddrIn& address) {
    sockaddr_in native{};
    native.sin_family = AF_INET;
    native.sin_port = address.port;
    native.sin_addr.s_addr = address.address;
    return native;
}

SockaddrIn FromNative(const sockaddr_in& native) {
    SockaddrIn address;
    address.family = winsock::kAfInet;
    address.port = native.sin_port;
    address.address = native.sin_addr.s_addr;
    return address;
}

int NativeOption(int option) {
    switch (option) {
        case winsock::kSoBroadcast: return SO_BROADCAST;
        case winsock::kSoRcvBuf: return SO_RCVBUF;
        case winsock::kSoType: return SO_TYPE;
        case winsock::kSoError: return SO_ERROR;
        default: return -1;
    }
}

}  // namespace

PosixSocketLibrary::PosixSocketLibrary(PosixEventLoop& loop) : loop_(loop), channel_(std::make_shared<Channel>()) {
    channel_->loop = &loop;
    channel_->library = this;
}

PosixSocketLibrary::~PosixSocketLibrary() {
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        channel_->loop = nullptr;
        channel_->library = nullptr;
    }
    CloseAll();
}

int PosixSocketLibrary::Fail(int winsockError) {
    lastError_ = winsockError;
    return winsock::kSocketError;
}

int PosixSocketLibrary::FailFromErrno() {
    return Fail(WinsockErrorFromErrno(errno));
}

PosixSocketLibrary::Entry* PosixSocketLibrary::Find(SocketHandle s) {
    const auto found = sockets_.find(s);
    return found == sockets_.end() ? nullptr : &found->second;
}

int PosixSocketLibrary::Startup(std::uint16_t version, WsaData* data) {
    if ((version & 0xFF) < 1) {
        return winsock::kWsaVernotsupported;
    }
    ++started_;
    data->version = 0x0101;
    data->highVersion = 0x0202;
    data->maxSockets = 32767;
    data->maxUdpDatagram = 65467;  // what Winsock reports
    return 0;
}

int PosixSocketLibrary::Cleanup() {
    if (started_ == 0) {
        return Fail(winsock::kWsaNotinitialised);
    }
    // As WSACleanup does, the last clean-up closes whatever sockets are left.
    if (--started_ == 0) {
        CloseAll();
    }
    return 0;
}

void PosixSocketLibrary::CloseAll() {
    for (auto& [handle, entry] : sockets_) {
        loop_.Unwatch(entry.fd);
        close(entry.fd);
    }
    sockets_.clear();
    lookups_.clear();
}

SocketHandle PosixSocketLibrary::Adopt(int fd, int type) {
    // Handles are never reused, so a notification still queued for a closed socket cannot
    // reach the socket that follows it.
    const SocketHandle handle = nextHandle_;
    nextHandle_ += 4;
    Entry entry;
    entry.fd = fd;
    entry.type = type;
    sockets_[handle] = entry;
    return handle;
}

SocketHandle PosixSocketLibrary::Socket(int family, int type, int protocol) {
    if (started_ == 0) {
        return Fail(winsock::kWsaNotinitialised);
    }
    if (family != winsock::kAfInet) {
        return Fail(winsock::kWsaEafnosupport);
    }
    if (type != winsock::kSockStream && type != winsock::kSockDgram) {
        return Fail(winsock::kWsaEsocktnosupport);
    }
    const int nativeType = type == winsock::kSockStream ? SOCK_STREAM : SOCK_DGRAM;
    const int fd = socket(AF_INET, nativeType | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        return FailFromErrno();
    }
    return Adopt(fd, type);
}

int PosixSocketLibrary::CloseSocket(SocketHandle s) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    loop_.Unwatch(entry->fd);
    close(entry->fd);
    sockets_.erase(s);
    return 0;
}

int PosixSocketLibrary::Bind(SocketHandle s, const SockaddrIn& address) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    const sockaddr_in native = ToNative(address);
    if (bind(entry->fd, reinterpret_cast<const sockaddr*>(&native), sizeof native) != 0) {
        return FailFromErrno();
    }
    return 0;
}

int PosixSocketLibrary::Listen(SocketHandle s, int backlog) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    if (listen(entry->fd, backlog) != 0) {
        return FailFromErrno();
    }
    entry->listening = true;
    UpdateWatch(s);
    return 0;
}

SocketHandle PosixSocketLibrary::Accept(SocketHandle s, SockaddrIn* peer) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    entry->readNotified = false;
    sockaddr_in native{};
    socklen_t length = sizeof native;
    const int fd = accept4(entry->fd, reinterpret_cast<sockaddr*>(&native), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int error = errno;
    UpdateWatch(s);
    if (fd < 0) {
        return Fail(WinsockErrorFromErrno(error));
    }
    if (peer) {
        *peer = FromNative(native);
    }
    // The accepted socket has the listening socket's notifications.
    const Entry listener = *entry;
    const SocketHandle accepted = Adopt(fd, winsock::kSockStream);
    Entry& created = sockets_[accepted];
    created.connected = true;
    created.window = listener.window;
    created.message = listener.message;
    created.events = listener.events;
    Notify(accepted, created, winsock::kFdWrite, 0);
    UpdateWatch(accepted);
    return accepted;
}

int PosixSocketLibrary::Connect(SocketHandle s, const SockaddrIn& address) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    const sockaddr_in native = ToNative(address);
    if (entry->type == winsock::kSockDgram) {
        // Winsock only records a datagram socket's peer: connect succeeds at once and no
        // FD_CONNECT follows.
        return connect(entry->fd, reinterpret_cast<const sockaddr*>(&native), sizeof native) == 0 ? 0 : FailFromErrno();
    }
    if (connect(entry->fd, reinterpret_cast<const sockaddr*>(&native), sizeof native) == 0) {
        // Winsock finishes every non-blocking connect with FD_CONNECT, even a quick one.
        entry->connected = true;
        Notify(s, *entry, winsock::kFdConnect, 0);
        Notify(s, *entry, winsock::kFdWrite, 0);
    } else if (errno == EINPROGRESS) {
        entry->connecting = true;
    } else if (errno == ECONNREFUSED || errno == ETIMEDOUT || errno == ENETUNREACH || errno == EHOSTUNREACH) {
        entry->closeNotified = true;
        Notify(s, *entry, winsock::kFdConnect, WinsockErrorFromErrno(errno));
    } else {
        return FailFromErrno();
    }
    UpdateWatch(s);
    return Fail(winsock::kWsaEwouldblock);
}

int PosixSocketLibrary::Shutdown(SocketHandle s, int how) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    const int nativeHow = how == 0 ? SHUT_RD : how == winsock::kSdSend ? SHUT_WR : SHUT_RDWR;
    if (shutdown(entry->fd, nativeHow) != 0) {
        return FailFromErrno();
    }
    return 0;
}

int PosixSocketLibrary::Send(SocketHandle s, const std::uint8_t* data, int length, int flags) {
    return SendBytes(s, data, length, flags, nullptr);
}

int PosixSocketLibrary::SendTo(SocketHandle s, const std::uint8_t* data, int length, int flags, const SockaddrIn& to) {
    return SendBytes(s, data, length, flags, &to);
}

int PosixSocketLibrary::SendBytes(SocketHandle s, const std::uint8_t* data, int length, int flags,
                                  const SockaddrIn* to) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    // Linux delivers a datagram to 0.0.0.0 to the local host; Winsock refuses it.
    if (to && to->address == winsock::kInaddrAny) {
        return Fail(winsock::kWsaEaddrnotavail);
    }
    // sendto without an address is send, on a connected stream as on a datagram socket.
    sockaddr_in native{};
    if (to) {
        native = ToNative(*to);
    }
    const ssize_t sent = sendto(entry->fd, data, static_cast<std::size_t>(length), flags | MSG_NOSIGNAL,
                                to ? reinterpret_cast<const sockaddr*>(&native) : nullptr, to ? sizeof native : 0);
    if (sent < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            entry->writeWanted = true;  // FD_WRITE once room is back
            UpdateWatch(s);
        }
        return FailFromErrno();
    }
    return static_cast<int>(sent);
}

int PosixSocketLibrary::Recv(SocketHandle s, std::uint8_t* data, int length, int flags) {
    return RecvFrom(s, data, length, flags, nullptr);
}

int PosixSocketLibrary::RecvFrom(SocketHandle s, std::uint8_t* data, int length, int flags, SockaddrIn* from) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    entry->readNotified = false;
    sockaddr_in native{};
    socklen_t nativeLength = sizeof native;
    // MSG_TRUNC makes a datagram larger than the area show its real size, so that it is
    // refused as Winsock refuses it instead of arriving cut.
    const int truncate = entry->type == winsock::kSockDgram ? MSG_TRUNC : 0;
    const ssize_t received = recvfrom(entry->fd, data, static_cast<std::size_t>(length), flags | truncate,
                                      reinterpret_cast<sockaddr*>(&native), &nativeLength);
    const int error = errno;
    UpdateWatch(s);
    if (received < 0) {
        return Fail(WinsockErrorFromErrno(error));
    }
    if (received > length) {
        return Fail(winsock::kWsaEmsgsize);
    }
    if (from) {
        *from = FromNative(native);
    }
    return static_cast<int>(received);
}

int PosixSocketLibrary::AddressOf(SocketHandle s, SockaddrIn* address, int (*query)(int, sockaddr*, socklen_t*)) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    sockaddr_in native{};
    socklen_t length = sizeof native;
    if (query(entry->fd, reinterpret_cast<sockaddr*>(&native), &length) != 0) {
        return FailFromErrno();
    }
    *address = FromNative(native);
    return 0;
}

int PosixSocketLibrary::GetSockName(SocketHandle s, SockaddrIn* address) {
    return AddressOf(s, address, getsockname);
}

int PosixSocketLibrary::GetPeerName(SocketHandle s, SockaddrIn* address) {
    return AddressOf(s, address, getpeername);
}

int PosixSocketLibrary::GetSockOpt(SocketHandle s, int level, int option, std::int32_t* value) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    const int native = NativeOption(option);
    if (level != winsock::kSolSocket || native < 0) {
        return Fail(winsock::kWsaEnoprotoopt);
    }
    int result = 0;
    socklen_t length = sizeof result;
    if (getsockopt(entry->fd, SOL_SOCKET, native, &result, &length) != 0) {
        return FailFromErrno();
    }
    if (native == SO_TYPE) {
        result = result == SOCK_STREAM ? winsock::kSockStream : winsock::kSockDgram;
    } else if (native == SO_ERROR && result != 0) {
        result = WinsockErrorFromErrno(result);
    }
    *value = result;
    return 0;
}

int PosixSocketLibrary::SetSockOpt(SocketHandle s, int level, int option, std::int32_t value) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    const int native = NativeOption(option);
    if (level != winsock::kSolSocket || native < 0 || native == SO_TYPE || native == SO_ERROR) {
        return Fail(winsock::kWsaEnoprotoopt);
    }
    const int nativeValue = value;
    if (setsockopt(entry->fd, SOL_SOCKET, native, &nativeValue, sizeof nativeValue) != 0) {
        return FailFromErrno();
    }
    return 0;
}

int PosixSocketLibrary::AsyncSelect(SocketHandle s, WindowHandle window, std::uint32_t message, long events) {
    Entry* entry = Find(s);
    if (!entry) {
        return Fail(winsock::kWsaEnotsock);
    }
    entry->window = window;
    entry->message = message;
    entry->events = events;
    entry->readNotified = false;
    const bool canSend = entry->type == winsock::kSockDgram || entry->connected;
    if (events != 0 && canSend) {
        Notify(s, *entry, winsock::kFdWrite, 0);
    }
    UpdateWatch(s);
    return 0;
}

void PosixSocketLibrary::Notify(SocketHandle s, const Entry& entry, long event, int error) {
    if ((entry.events & event) == 0 || entry.window == 0) {
        return;
    }
    const auto lParam =
        static_cast<std::intptr_t>((static_cast<std::uint32_t>(error) << 16) | static_cast<std::uint32_t>(event));
    loop_.Post(entry.window, entry.message, static_cast<std::uintptr_t>(s), lParam);
}

void PosixSocketLibrary::UpdateWatch(SocketHandle s) {
    Entry* entry = Find(s);
    if (!entry) {
        return;
    }
    short events = 0;
    if (entry->events != 0) {
        if (entry->connecting || entry->writeWanted) {
            events |= POLLOUT;
        }
        // An unconnected stream socket reports a hang-up at once, so only sockets that can
        // receive are watched for reading.
        const bool canReceive = entry->type == winsock::kSockDgram || entry->listening || entry->connected;
        if (canReceive && !entry->readNotified && !entry->closeNotified && !entry->connecting) {
            events |= POLLIN;
        }
    }
    if (events == 0) {
        loop_.Unwatch(entry->fd);
        return;
    }
    loop_.Watch(entry->fd, events, [this, s](short revents) { OnReady(s, revents); });
}

void PosixSocketLibrary::OnReady(SocketHandle s, short revents) {
    Entry* entry = Find(s);
    if (!entry) {
        return;
    }
    if (entry->connecting && (revents & (POLLOUT | POLLERR | POLLHUP))) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(entry->fd, SOL_SOCKET, SO_ERROR, &error, &length);
        entry->connecting = false;
        if (error == 0) {
            entry->connected = true;
            Notify(s, *entry, winsock::kFdConnect, 0);
            Notify(s, *entry, winsock::kFdWrite, 0);
        } else {
            entry->closeNotified = true;
            Notify(s, *entry, winsock::kFdConnect, WinsockErrorFromErrno(error));
        }
    } else if (entry->writeWanted && (revents & (POLLOUT | POLLERR | POLLHUP))) {
        entry->writeWanted = false;
        Notify(s, *entry, winsock::kFdWrite, 0);
    }
    if ((revents & (POLLIN | POLLERR | POLLHUP)) && !entry->readNotified && !entry->closeNotified &&
        !entry->connecting) {
        if (entry->listening) {
            entry->readNotified = true;
            Notify(s, *entry, winsock::kFdAccept, 0);
        } else if (entry->type == winsock::kSockDgram) {
            entry->readNotified = true;
            Notify(s, *entry, winsock::kFdRead, 0);
        } else if (entry->connected) {
            // A stream's end is reported only once everything before it has been read.
            char byte;
            const ssize_t waiting = recv(entry->fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
            if (waiting > 0) {
                entry->readNotified = true;
                Notify(s, *entry, winsock::kFdRead, 0);
            } else if (waiting == 0) {
                entry->closeNotified = true;
                Notify(s, *entry, winsock::kFdClose, 0);
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                entry->closeNotified = true;
                Notify(s, *entry, winsock::kFdClose, WinsockErrorFromErrno(errno));
            }
        }
    }
    UpdateWatch(s);
}

std::uint32_t PosixSocketLibrary::InetAddr(const std::string& dotted) {
    return inet_addr(dotted.c_str());
}

std::string PosixSocketLibrary::InetNtoa(std::uint32_t address) {
    in_addr native{};
    native.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &native, text, sizeof text);
    return text;
}

}  // namespace vantorel::platform
