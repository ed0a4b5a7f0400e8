#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "platform/posix/event_loop_posix.h"

namespace vantorel::platform {
namespace {

struct Seen {
    static inline std::vector<std::uint32_t> messages;
    static inline std::vector<std::uintptr_t> wParams;
};

std::intptr_t Record(WindowHandle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    Seen::messages.push_back(message);
    Seen::wParams.push_back(wParam);
    return 0;
}

std::intptr_t Repost(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t);

PosixEventLoop* repostLoop = nullptr;

std::intptr_t Repost(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    Seen::messages.push_back(message);
    repostLoop->Post(window, message, wParam + 1, 0);
    return 0;
}

class PosixEventLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Seen::messages.clear();
        Seen::wParams.clear();
    }
    PosixEventLoop loop;
};

TEST_F(PosixEventLoopTest, RegisteredMessagesKeepTheirNumber) {
    const std::uint32_t first = loop.RegisterMessage("query.WinsockMessage");
    EXPECT_GE(first, 0xC000u);
    EXPECT_NE(loop.RegisterMessage("query.ResolveMessage"), first);
    EXPECT_EQ(loop.RegisterMessage("query.WinsockMessage"), first);
}

TEST_F(PosixEventLoopTest, PostedMessagesReachTheCurrentProcedureOfALiveWindow) {
    const WindowHandle window = loop.CreateWindow(nullptr);
    loop.Post(window, 0x401, 1, 0);
    loop.DoEvents();  // a window without a procedure answers nothing
    EXPECT_EQ(loop.SetWindowProcedure(window, Record), nullptr);
    loop.Post(window, 0x402, 2, 0);
    loop.DoEvents();
    EXPECT_EQ(Seen::messages, (std::vector<std::uint32_t>{0x402}));
    EXPECT_EQ(loop.SetWindowProcedure(window, nullptr), Record);

    loop.SetWindowProcedure(window, Record);
    loop.Post(window, 0x403, 3, 0);
    EXPECT_TRUE(loop.DestroyWindow(window));
    loop.DoEvents();
    EXPECT_EQ(Seen::messages.size(), 1u);
    EXPECT_FALSE(loop.IsWindow(window));
    EXPECT_NE(loop.CreateWindow(nullptr), window);  // handles are not reused
}

TEST_F(PosixEventLoopTest, DoEventsRunsOnlyWhatWasWaiting) {
    repostLoop = &loop;
    const WindowHandle window = loop.CreateWindow(Repost);
    loop.Post(window, 0x400, 0, 0);
    loop.DoEvents();
    loop.DoEvents();
    EXPECT_EQ(Seen::messages.size(), 2u);
}

TEST_F(PosixEventLoopTest, PostsFromAnotherThreadWakeTheLoop) {
    const WindowHandle window = loop.CreateWindow(Record);
    std::thread poster([&] { loop.Post(window, 0x500, 7, 0); });
    poster.join();
    loop.RunOnce(5000);
    ASSERT_EQ(Seen::wParams.size(), 1u);
    EXPECT_EQ(Seen::wParams[0], 7u);
}

TEST_F(PosixEventLoopTest, TimersRepeatUntilKilled) {
    int ticks = 0;
    TimerId id = 0;
    id = loop.SetTimer(1, [&] {
        if (++ticks == 3) {
            loop.KillTimer(id);
            loop.Quit();
        }
    });
    loop.Run();
    EXPECT_EQ(ticks, 3);
}

TEST_F(PosixEventLoopTest, AnIdleLoopSleepsInPoll) {
    const std::uint64_t before = loop.WakeUps();
    loop.RunOnce(50);
    EXPECT_EQ(loop.WakeUps() - before, 1u);
}

// A watched socket wakes a sleeping loop as soon as it has something to read, and not
// before; once unwatched it is no longer looked at.
TEST_F(PosixEventLoopTest, AWatchedSocketRunsItsCallbackWhenReadable) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int ready = 0;
    ASSERT_TRUE(loop.WatchSocket(static_cast<std::uintptr_t>(fds[0]), [&] {
        char byte;
        ASSERT_EQ(read(fds[0], &byte, 1), 1);
        ++ready;
    }));
    loop.RunOnce(0);
    EXPECT_EQ(ready, 0);
    std::thread writer([&] { ASSERT_EQ(write(fds[1], "x", 1), 1); });
    writer.join();
    loop.RunOnce(5000);
    EXPECT_EQ(ready, 1);
    loop.UnwatchSocket(static_cast<std::uintptr_t>(fds[0]));
    ASSERT_EQ(write(fds[1], "y", 1), 1);
    const std::uint64_t before = loop.WakeUps();
    loop.RunOnce(20);
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(loop.WakeUps() - before, 1u);
    close(fds[0]);
    close(fds[1]);
}

// A connection's socket wakes the loop for room to send only while it is watched for
// sending: a connection being made turns writable when it is made, an idle one must not
// keep the loop turning.
TEST_F(PosixEventLoopTest, AConnectionIsWatchedForRoomToSendOnlyWhileSending) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    int ready = 0;
    const auto socket = static_cast<std::uintptr_t>(fds[0]);
    ASSERT_TRUE(loop.WatchConnection(
        socket, [&] { ++ready; }, true));
    loop.RunOnce(0);
    EXPECT_EQ(ready, 1);
    ASSERT_TRUE(loop.WatchConnection(
        socket, [&] { ++ready; }, false));
    loop.RunOnce(0);
    EXPECT_EQ(ready, 1);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    loop.RunOnce(5000);
    EXPECT_EQ(ready, 2);
    loop.UnwatchSocket(socket);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace vantorel::platform
