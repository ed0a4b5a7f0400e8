#pragma once
// What both targets' TCP connections share: the table of connections, the bytes that wait
// for room, the failures the system gave at once, the reading of a ready connection within
// the bound of one Wait, and what the loop watches each socket for. A backend supplies the
// system calls and its one way of waiting on many sockets (poll, select).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stream_sockets.h"

namespace vantorel::platform {

class StreamLinks : public StreamSockets {
  public:
    Connection Connect(Endpoint to) override;
    void Send(Connection connection, std::string_view bytes) override;
    void Close(Connection connection) override { Drop(connection); }
    bool WatchOn(EventLoop& loop, std::function<void()> ready) override;

  protected:
    // A file descriptor, or a SOCKET; kNoHandle for none (INVALID_SOCKET is all ones too).
    using Handle = std::intptr_t;
    static constexpr Handle kNoHandle = -1;

    struct Link {
        Handle handle = kNoHandle;
        bool open = false;    // connected; until then the socket waits to be writable
        std::string pending;  // accepted by Send, not yet by the system
        int failedWith = 0;   // an error the system gave at once, reported by the next Wait
        bool watchedSending = false;
    };

    // What a send or a receive did: a count of bytes, or why none.
    struct Transfer {
        std::size_t bytes = 0;
        bool wouldBlock = false;  // no room, or nothing to read yet
        bool ended = false;       // the connection is closed or lost
    };

    // The system calls, each on one socket.
    // A non-blocking TCP socket, or kNoHandle with the system's error.
    virtual Handle NewSocket(int* error) = 0;
    // Begins the connection; the system's error when it failed at once, else 0.
    virtual int BeginConnect(Handle handle, Endpoint to) = 0;
    virtual Transfer SendSome(Handle handle, std::string_view bytes) = 0;
    virtual Transfer ReceiveSome(Handle handle, char* into, std::size_t size) = 0;
    virtual void CloseHandle(Handle handle) = 0;
    // Why a connection under way ended: its pending error, or one that says the connection was
    // refused when `exceptional` and the system keeps none; 0 when it is made.
    virtual int ConnectError(Handle handle, bool exceptional) = 0;
    virtual std::string Reason(int error) = 0;
    // The socket or pipe that Wake makes readable.
    virtual Handle WakeHandle() const = 0;

    explicit StreamLinks(std::size_t mostLinks = std::numeric_limits<std::size_t>::max()) : mostLinks_(mostLinks) {}
    // Each backend's destructor calls this, while its system calls still can be.
    void CloseAll();

    // For the backend's Wait: the failures the system gave at once, in the order the
    // connections were begun; then, for each connection its wait found ready, what it found.
    void ReportFailures(const Handlers& handlers);
    void OnReady(Connection connection, bool readable, bool writable, bool exceptional, const Handlers& handlers);

    std::map<Connection, Link> links_;

  private:
    void Flush(Link& link);
    void Drop(Connection connection);
    void Read(Connection connection, const Handlers& handlers);
    // Tells the loop what the link's socket is waited for now: its connection or room to send,
    // or reading only.
    void Rewatch(Link& link, bool force);
    void Unwatch(Handle handle);

    std::size_t mostLinks_;
    Connection next_ = 1;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    EventLoop* watcher_ = nullptr;
    std::function<void()> onReady_;
};

}  // namespace vantorel::platform
