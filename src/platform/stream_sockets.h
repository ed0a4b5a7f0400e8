#pragma once
// TCP connections for the masters' lists: many connects under way at once, none of them
// blocking, and one bounded wait over all of them. bfv-query makes no window, so this cannot
// be the socket layer of src/net, whose notifications come through the hidden one. One
// implementation per target (posix/stream_sockets_posix.cpp, win32/stream_sockets_win32.cpp),
// each holding every system call; both reduce what the system says to the few outcomes below.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/datagram_sockets.h"
#include "platform/event_loop.h"

namespace vantorel::platform {

// Why a connection could not be made, or was lost, whatever the system's own number.
enum class StreamError {
    kRefused,      // nothing listens on that port
    kUnreachable,  // no route to the host or its network
    kTimedOut,     // the system gave up on the connection
    kNoSocket,     // the system would give no socket (out of handles or memory)
    kOther,
};

// "refused", "unreachable", ...; `code` (the system's number) is named for kOther only.
std::string StreamErrorText(StreamError error, int code);

class StreamSockets {
  public:
    using Connection = int;

    struct Handlers {
        std::function<void(Connection)> connected;
        // The connection was never made; nothing more comes for it.
        std::function<void(Connection, const std::string& reason)> failed;
        std::function<void(Connection, std::string_view bytes)> received;
        // The other side closed, or the connection was lost; nothing more comes for it.
        std::function<void(Connection)> closed;
    };

    // Bytes read from one connection in one Wait: a master that never stops sending must not
    // keep its caller's timers from running, so the rest waits for the next Wait.
    static constexpr std::size_t kMostBytesPerWait = 256 << 10;

    virtual ~StreamSockets() = default;

    // Begins a connection and names it; whether it was made comes in a later Wait, even when
    // the system answered at once.
    virtual Connection Connect(Endpoint to) = 0;
    // Sends once the connection is made; what the system does not take at once goes out as
    // it makes room. Nothing for a connection that has ended.
    virtual void Send(Connection connection, std::string_view bytes) = 0;
    // Ends the connection (or the attempt); no report comes for it afterwards.
    virtual void Close(Connection connection) = 0;
    // Waits at most `timeoutMs` (0: not at all; -1: until something comes) for any report or a
    // Wake, then hands over what has happened by then. The handlers may call Send and Close.
    virtual void Wait(int timeoutMs, const Handlers& handlers) = 0;
    // Ends a Wait early; may be called from any thread.
    virtual void Wake() = 0;
    // Has `ready` run on `loop`'s thread whenever a Wait(0) may have something to hand over
    // (a connection made or failed, bytes, a close, room to send, a Wake), for the connections
    // begun later too, for as long as these sockets live. So a window's loop drives them
    // without looking on a timer. False when the loop cannot watch them.
    virtual bool WatchOn(EventLoop& loop, std::function<void()> ready) = 0;
};

// Nothing, with the reason, when the system gives no means to wait at all.
std::unique_ptr<StreamSockets> OpenStreamSockets(std::string* error);

}  // namespace vantorel::platform
