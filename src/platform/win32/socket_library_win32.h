#pragma once

#include "platform/socket_library.h"

namespace vantorel::platform {

// Windows Sockets itself.
class Win32SocketLibrary : public SocketLibrary {
  public:
    int Startup(std::uint16_t version, WsaData* data) override;
    int Cleanup() override;
    int LastError() override;

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
};

}  // namespace vantorel::platform
