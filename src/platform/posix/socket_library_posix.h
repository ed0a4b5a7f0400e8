#pragma once
// The native stand-in for Windows Sockets: non-blocking BSD sockets whose readiness the
// message loop turns into the notifications of WSAAsyncSelect, following Winsock's rules:
// one message per event until the call that re-enables it (recv/recvfrom for FD_READ,
// send/sendto after a refused send for FD_WRITE, accept for FD_ACCEPT); FD_READ and
// FD_ACCEPT come again after that call while data or a connection still waits; FD_WRITE
// comes when notifications are turned on and sending is possible, after a connect
// completes or a connection is accepted, and after a send that would have blocked once
// room is back; FD_CONNECT comes once, with the error of a failed connect and no FD_CLOSE
// after it; FD_CLOSE comes once, after all data has been read, and never after
// closesocket. Host lookups run on worker threads and come back as posted messages.

#include <sys/socket.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/posix/event_loop_posix.h"
#include "platform/socket_library.h"

namespace vantorel::platform {

class PosixSocketLibrary : public SocketLibrary {
  public:
    explicit PosixSocketLibrary(PosixEventLoop& loop);
    ~PosixSocketLibrary() override;
    PosixSocketLibrary(const PosixSocketLibrary&) = delete;
    PosixSocketLibrary& operator=(const PosixSocketLibrary&) = delete;

    int Startup(std::uint16_t version, WsaData* data) override;
    int Cleanup() override;
    int LastError() override { return lastError_; }

    SocketHandle Socket(int family, int type, int protocol) override;
    int CloseSocket(SocketHandle s) override;
    int Bind(SocketHandle s, const SockaddrIn& address) override;
    int Listen(SocketHandle s, int backlog) override;
    SocketHandle Accept(SocketHandle s, SockaddrIn* peer) override;
    int Connect(SocketHandle s, const SockaddrIn& address) override;
    int Shutdown(SocketHandle s, int how) override;
    int Send(SocketHandle s, const std::uint8_t* data, int length, int flags) override;
    int SendTo(SocketHandle s, const std::uint8_t* data, int length, int flags, const SockaddrIn& to) override;
    int Recv(SocketHandle s, std::uint8_t* data, int length, int flags) override;
    int RecvFrom(SocketHandle s, std::uint8_t* data, int length, int flags, SockaddrIn* from) override;
    int GetSockName(SocketHandle s, SockaddrIn* address) override;
    int GetPeerName(SocketHandle s, SockaddrIn* address) override;
    int GetSockOpt(SocketHandle s, int level, int option, std::int32_t* value) override;
    int SetSockOpt(SocketHandle s, int level, int option, std::int32_t value) override;

    int AsyncSelect(SocketHandle s, WindowHandle window, std::uint32_t message, long events) override;
    std::int32_t AsyncGetHostByName(WindowHandle window, std::uint32_t message, const std::string& name,
                                    std::uint8_t* buffer, int bufferLength) override;
    std::int32_t AsyncGetHostByAddr(WindowHandle window, std::uint32_t message, std::uint32_t address,
                                    std::uint8_t* buffer, int bufferLength) override;
    int CancelAsyncRequest(std::int32_t request) override;
    bool ReadHostRecord(const std::uint8_t* buffer, std::string* name, std::uint32_t* firstAddress) override;

    std::uint32_t InetAddr(const std::string& dotted) override;
    std::string InetNtoa(std::uint32_t address) override;

    // The result of one lookup, as the worker found it.
    struct LookupResult {
        int error = 0;
        std::string name;
        std::uint32_t address = 0;
    };
    void CompleteLookup(std::int32_t request, const LookupResult& result);

  private:
    struct Entry {
        int fd = -1;
        int type = 0;
        bool listening = false;
        bool connecting = false;
        bool connected = false;
        WindowHandle window = 0;
        std::uint32_t message = 0;
        long events = 0;
        bool readNotified = false;   // FD_READ or FD_ACCEPT posted; waits for the re-enabling call
        bool writeWanted = false;    // a send would have blocked; FD_WRITE once room is back
        bool closeNotified = false;  // FD_CLOSE (or a failed FD_CONNECT) posted; nothing more comes
    };
    struct PendingLookup {
        WindowHandle window = 0;
        std::uint32_t message = 0;
        std::uint8_t* buffer = nullptr;
        int length = 0;
    };
    // What the lookup workers share with the library: they post their results through
    // it, and stop once the library has gone.
    struct Channel {
        std::mutex mutex;
        PosixEventLoop* loop = nullptr;
        PosixSocketLibrary* library = nullptr;
    };

    Entry* Find(SocketHandle s);
    int SendBytes(SocketHandle s, const std::uint8_t* data, int length, int flags, const SockaddrIn* to);
    // The local or the peer address, by getsockname or getpeername.
    int AddressOf(SocketHandle s, SockaddrIn* address, int (*query)(int, sockaddr*, socklen_t*));
    int Fail(int winsockError);
    int FailFromErrno();
    void Notify(SocketHandle s, const Entry& entry, long event, int error);
    void UpdateWatch(SocketHandle s);
    void OnReady(SocketHandle s, short revents);
    SocketHandle Adopt(int fd, int type);
    std::int32_t StartLookup(WindowHandle window, std::uint32_t message, std::uint8_t* buffer, int bufferLength,
                             std::function<LookupResult()> work);
    void CloseAll();

    PosixEventLoop& loop_;
    std::map<SocketHandle, Entry> sockets_;
    SocketHandle nextHandle_ = 0x100;
    int lastError_ = 0;
    int started_ = 0;
    std::map<std::int32_t, PendingLookup> lookups_;
    std::int32_t nextLookup_ = 1;
    std::shared_ptr<Channel> channel_;
};

}  // namespace vantorel::platform
