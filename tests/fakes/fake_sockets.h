#pragma once
// Scriptable fakes of the socket library, the window system and global memory, so that
// every failure of the socket layer can be produced. FakeSocketPlatform puts them in force
// for one test.

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/global_memory.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/window_system.h"

namespace vantorel::testing {

// What inet_addr gives: one to four parts in decimal, octal (leading 0) or hexadecimal
// (0x), the last filling the bytes that are left; INADDR_NONE otherwise.
std::uint32_t Dotted(const std::string& text);

class FakeWindowSystem;

class FakeSocketLibrary : public platform::SocketLibrary {
  public:
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        platform::SockaddrIn from;
    };
    struct Sent {
        platform::SocketHandle socket;
        std::vector<std::uint8_t> bytes;
        std::optional<platform::SockaddrIn> to;
    };
    struct Lookup {
        platform::WindowHandle window;
        std::uint32_t message;
        std::string name;
        std::uint8_t* buffer;
        std::optional<std::uint32_t> address;  // set for a reverse lookup
    };
    struct Option {
        platform::SocketHandle socket;
        int option;
        std::int32_t value;
    };

    // Scripted results.
    int startupResult = 0;
    std::uint16_t maxUdpDatagram = 65467;
    int socketFailure = 0;       // socket() fails with this error
    int asyncSelectFailure = 0;  // WSAAsyncSelect refuses with this error
    int closeFailure = 0;        // closesocket fails with this error
    int lookupFailure = 0;       // WSAAsyncGetHostByName refuses with this error
    int connectResult = 10035;   // error of connect(); 0 for an immediate success
    int listenFailure = 0;
    int bindFailure = 0;
    int setOptionFailure = 0;
    int shutdownFailure = 0;
    std::optional<int> sendLimit;  // send() and sendto() take at most this many bytes
    int sendFailure = 0;
    int receiveFailure = 0;
    std::int32_t receiveBufferSize = 8192;
    platform::SocketHandle acceptResult = 2000;
    std::optional<platform::SockaddrIn> localAddress;
    std::optional<platform::SockaddrIn> peerAddress;
    int socketType = 1;
    // Reverse lookups of these addresses complete at once: the completion is posted to the
    // fake window system. Others stay pending until the test completes them.
    std::map<std::uint32_t, std::string> reverseNames;
    FakeWindowSystem* windows = nullptr;
    bool reuseHandles = false;  // hand out the lowest free handle number, as Winsock does

    // What happened.
    int startups = 0;
    int cleanups = 0;
    std::vector<platform::SocketHandle> created;
    std::vector<platform::SocketHandle> closed;
    std::map<platform::SocketHandle, long> selected;
    std::vector<Sent> sent;
    std::vector<Option> options;
    std::vector<platform::SockaddrIn> connects;
    std::vector<platform::SockaddrIn> binds;
    std::vector<std::int32_t> cancelled;
    // Every lookup started. As Wine does, a cancelled lookup stays here and may still be
    // completed (written into) by the test.
    std::map<std::int32_t, Lookup> lookups;
    std::map<platform::SocketHandle, std::deque<Datagram>> incoming;  // what recv/recvfrom give

    // Writes a lookup's result into its buffer, as the library does before it posts.
    void FillLookup(std::int32_t request, const std::string& officialName, std::uint32_t address);

    int Startup(std::uint16_t version, platform::WsaData* data) override;
    int Cleanup() override;
    int LastError() override { return lastError_; }
    platform::SocketHandle Socket(int family, int type, int protocol) override;
    int CloseSocket(platform::SocketHandle s) override;
    int Bind(platform::SocketHandle s, const platform::SockaddrIn& address) override;
    int Listen(platform::SocketHandle s, int backlog) override;
    platform::SocketHandle Accept(platform::SocketHandle s, platform::SockaddrIn* peer) override;
    int Connect(platform::SocketHandle s, const platform::SockaddrIn& address) override;
    int Shutdown(platform::SocketHandle s, int how) override;
    int Send(platform::SocketHandle s, const std::uint8_t* data, int length, int flags) override;
    int SendTo(platform::SocketHandle s, const std::uint8_t* data, int length, int flags,
               const platform::SockaddrIn& to) override;
    int Recv(platform::SocketHandle s, std::uint8_t* data, int length, int flags) override;
    int RecvFrom(platform::SocketHandle s, std::uint8_t* data, int length, int flags,
                 platform::SockaddrIn* from) override;
    int GetSockName(platform::SocketHandle s, platform::SockaddrIn* address) override;
    int GetPeerName(platform::SocketHandle s, platform::SockaddrIn* address) override;
    int GetSockOpt(platform::SocketHandle s, int level, int option, std::int32_t* value) override;
    int SetSockOpt(platform::SocketHandle s, int level, int option, std::int32_t value) override;
    int AsyncSelect(platform::SocketHandle s, platform::WindowHandle window, std::uint32_t message,
                    long events) override;
    std::int32_t AsyncGetHostByName(platform::WindowHandle window, std::uint32_t message, const std::string& name,
                                    std::uint8_t* buffer, int bufferLength) override;
    std::int32_t AsyncGetHostByAddr(platform::WindowHandle window, std::uint32_t message, std::uint32_t address,
                                    std::uint8_t* buffer, int bufferLength) override;
    int CancelAsyncRequest(std::int32_t request) override;
    bool ReadHostRecord(const std::uint8_t* buffer, std::string* name, std::uint32_t* firstAddress) override;
    std::uint32_t InetAddr(const std::string& dotted) override { return Dotted(dotted); }
    std::string InetNtoa(std::uint32_t address) override;

  private:
    int Fail(int error);
    int lastError_ = 0;
    platform::SocketHandle nextSocket_ = 1000;
    std::set<platform::SocketHandle> open_;
    std::int32_t nextRequest_ = 5;
};

class FakeWindowSystem : public platform::WindowSystem {
  public:
    struct Posted {
        platform::WindowHandle window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    bool createFails = false;
    std::vector<platform::WindowHandle> created;
    std::set<platform::WindowHandle> alive;
    std::map<platform::WindowHandle, std::intptr_t> procedures;
    std::vector<std::string> registeredNames;
    std::deque<Posted> posted;
    std::vector<Posted> previousProcedureCalls;  // messages that reached the window's own procedure

    // Runs the posted messages through the current procedures of live windows, as the
    // message loop would; answers how many ran.
    int DeliverPosted();
    // Sends one message to a window's current procedure at once.
    std::intptr_t Send(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);

    platform::WindowHandle CreateStaticWindow(const std::string& title) override;
    bool DestroyWindow(platform::WindowHandle window) override;
    std::intptr_t SetWindowProcedure(platform::WindowHandle window, std::intptr_t procedure) override;
    std::intptr_t CallPreviousProcedure(std::intptr_t previous, platform::WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostMessageTo(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    std::uint32_t RegisterMessageName(const std::string& name) override;
    std::string ExecutableName() override { return "query"; }

    // The value a window has as its own procedure before it is subclassed.
    static constexpr std::intptr_t kStaticProcedure = 0x5747;
    static constexpr std::intptr_t kStaticAnswer = 77;

  private:
    platform::WindowHandle nextWindow_ = 0x1000;
    std::map<std::string, std::uint32_t> numbers_;
};

class FakeGlobalMemory : public platform::GlobalMemory {
  public:
    bool allocFails = false;
    bool lockFails = false;
    int live = 0;  // blocks allocated and not freed

    std::intptr_t Alloc(unsigned flags, std::size_t bytes) override;
    void* Lock(std::intptr_t handle) override;
    bool Unlock(std::intptr_t handle) override;
    std::intptr_t Free(std::intptr_t handle) override;

  private:
    std::map<std::intptr_t, std::vector<std::uint8_t>> blocks_;
    std::intptr_t next_ = 0x100;
};

class FakeSocketPlatform {
  public:
    FakeSocketPlatform() {
        platform::Platform& current = platform::Current();
        current.sockets = &sockets;
        current.windows = &windows;
        current.memory = &memory;
        sockets.windows = &windows;
    }

    FakeSocketLibrary sockets;
    FakeWindowSystem windows;
    FakeGlobalMemory memory;

  private:
    platform::ScopedPlatform restore_;
};

}  // namespace vantorel::testing
