#include <gtest/gtest.h>

#include "fakes/fake_sockets.h"
#include "net/csocket.h"
#include "net/socket_support.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

namespace support = MSocketSupport;

// Records what the service hands to it.
class Recorder : public CSocketEvents {
  public:
    void OnError(std::int16_t number, const std::string& description, std::int32_t, const std::string& source,
                 const std::string&, std::int32_t, bool&) override {
        errors.push_back({number, description, source});
    }
    std::vector<ErrorInfo> errors;
};

class SocketSupportTest : public ::testing::Test {
  protected:
    std::shared_ptr<CSocket> NewSocket() {
        std::shared_ptr<CSocket> socket = CSocket::Create();
        socket->SetListener(&recorder);
        return socket;
    }
    std::intptr_t Notify(std::int32_t socket, std::int32_t event, std::int32_t error) {
        return support::NotifyWindowProc(support::NotifyWindow(), support::WinsockMessage(),
                                         static_cast<std::uintptr_t>(socket), (error << 16) | event);
    }

    testing::FakeSocketPlatform fakes;
    Recorder recorder;
};

TEST_F(SocketSupportTest, EachObjectStartsTheLibraryAndOnlyTheLastEndCleansItUp) {
    auto first = NewSocket();
    auto second = NewSocket();
    EXPECT_EQ(fakes.sockets.startups, 2);
    EXPECT_EQ(support::MaxDatagramSize(), 65467);
    EXPECT_EQ(fakes.windows.registeredNames,
              (std::vector<std::string>{"query.ResolveMessage", "query.WinsockMessage"}));
    first.reset();
    EXPECT_TRUE(support::WinsockStarted());
    second->SetProtocol(CSocket::kUdp);
    second->SetRemoteHost("10.0.0.1");  // the library still makes sockets for the other object
    EXPECT_NE(second->SocketHandle(), -1);
    second.reset();
    EXPECT_FALSE(support::WinsockStarted());
    EXPECT_EQ(fakes.sockets.cleanups, 2);
}

TEST_F(SocketSupportTest, AStartUpFailureRaisesItsOwnTextAndTheNextObjectTriesAgain) {
    fakes.sockets.startupResult = 10091;
    try {
        NewSocket();
        FAIL() << "creation should fail";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Number(), 10091);
        EXPECT_EQ(error.Description(), "The underlying network subsystem is not ready for network communication.");
        EXPECT_EQ(error.Source(), "MSocketSupport.InitWinsockService");
    }
    EXPECT_FALSE(support::WinsockStarted());
    EXPECT_TRUE(fakes.windows.registeredNames.empty());

    fakes.sockets.startupResult = 10036;
    try {
        NewSocket();
        FAIL() << "creation should fail";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Number(), 10036);
        EXPECT_EQ(error.Description(), "");
    }
    fakes.sockets.startupResult = 0;
    EXPECT_NE(NewSocket(), nullptr);
    EXPECT_EQ(fakes.sockets.startups, 3);
}

TEST_F(SocketSupportTest, TheFirstRegistrationMakesTheWindowAndTheLastDestroysIt) {
    auto socket = NewSocket();
    ASSERT_TRUE(support::RegisterSocket(1234, socket->Address()));
    ASSERT_EQ(fakes.windows.created.size(), 1u);
    const platform::WindowHandle window = support::NotifyWindow();
    EXPECT_EQ(fakes.windows.procedures[window], platform::ProcedureValue(support::NotifyWindowProc));
    EXPECT_EQ(support::PreviousWindowProc(), testing::FakeWindowSystem::kStaticProcedure);
    EXPECT_TRUE(support::SocketRegistry()->Contains("S1234"));
    EXPECT_EQ(fakes.sockets.selected[1234], 59);

    ASSERT_TRUE(support::RegisterSocket(1235, socket->Address()));
    EXPECT_EQ(fakes.windows.created.size(), 1u);
    EXPECT_TRUE(support::DeregisterSocket(1234));
    EXPECT_TRUE(fakes.windows.alive.count(window));
    EXPECT_TRUE(support::DeregisterSocket(1235));
    EXPECT_FALSE(fakes.windows.alive.count(window));
    EXPECT_EQ(fakes.windows.procedures[window], testing::FakeWindowSystem::kStaticProcedure);
    EXPECT_FALSE(support::SocketRegistry().has_value());
    EXPECT_EQ(support::NotifyWindow(), 0);
    EXPECT_EQ(fakes.sockets.selected[1235], 0);

    ASSERT_TRUE(support::RegisterSocket(1236, socket->Address()));
    EXPECT_EQ(fakes.windows.created.size(), 2u);
    EXPECT_NE(support::NotifyWindow(), window);
    EXPECT_TRUE(support::DeregisterSocket(1236));
}

TEST_F(SocketSupportTest, RegistrationFailuresAreRecordedNotRaised) {
    auto socket = NewSocket();
    fakes.windows.createFails = true;
    EXPECT_FALSE(support::RegisterSocket(1, socket->Address()));
    EXPECT_EQ(support::CurrentError().number, 10004);
    EXPECT_EQ(support::CurrentError().description, "The operation was canceled.");
    EXPECT_EQ(support::CurrentError().source, "MSocketSupport.RegisterSocket");
    EXPECT_FALSE(support::SocketRegistry().has_value());

    fakes.windows.createFails = false;
    fakes.sockets.asyncSelectFailure = 10038;
    EXPECT_FALSE(support::RegisterSocket(2, socket->Address()));
    EXPECT_EQ(support::CurrentError().number, 10038);
    EXPECT_EQ(support::CurrentError().description, "Socket operation on nonsocket.");
    EXPECT_TRUE(support::SocketRegistry()->Contains("S2"));       // until the object takes it out
    EXPECT_FALSE(support::RegisterSocket(2, socket->Address()));  // the key is taken
    EXPECT_TRUE(support::DeregisterSocket(2));
    EXPECT_FALSE(support::SocketRegistry().has_value());
}

TEST_F(SocketSupportTest, DeregisteringNothingAnswersFalse) {
    EXPECT_FALSE(support::DeregisterSocket(5));
    auto socket = NewSocket();
    ASSERT_TRUE(support::RegisterSocket(7, socket->Address()));
    EXPECT_FALSE(support::DeregisterSocket(-1));
    EXPECT_THROW(support::DeregisterSocket(8), SocketError);
    EXPECT_TRUE(support::DeregisterSocket(7));
}

TEST_F(SocketSupportTest, StoppingWhileASocketIsRegisteredDoesNothing) {
    auto socket = NewSocket();
    ASSERT_TRUE(support::RegisterSocket(7, socket->Address()));
    support::StopWinsockService();
    EXPECT_TRUE(support::WinsockStarted());
    EXPECT_EQ(fakes.sockets.cleanups, 0);
    support::DeregisterSocket(7);
}

TEST_F(SocketSupportTest, NotificationsReachTheirObjectOrAreDropped) {
    auto socket = NewSocket();
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("10.0.0.1");  // creates and registers the socket
    const std::int32_t handle = socket->SocketHandle();
    EXPECT_EQ(Notify(handle, winsock::kFdRead, 10061), 0);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].number, 10061);
    EXPECT_EQ(socket->State(), CSocket::kError);
    // The socket is gone now; a notification still queued for it is dropped.
    EXPECT_EQ(Notify(handle, winsock::kFdRead, 10061), 0);
    EXPECT_EQ(recorder.errors.size(), 1u);
}

TEST_F(SocketSupportTest, OtherMessagesGoToTheWindowsOwnProcedure) {
    auto socket = NewSocket();
    ASSERT_TRUE(support::RegisterSocket(7, socket->Address()));
    EXPECT_EQ(fakes.windows.Send(support::NotifyWindow(), 0x0010, 1, 2), testing::FakeWindowSystem::kStaticAnswer);
    ASSERT_EQ(fakes.windows.previousProcedureCalls.size(), 1u);
    EXPECT_EQ(fakes.windows.previousProcedureCalls[0].message, 0x0010u);
    support::DeregisterSocket(7);
}

class LookupTest : public SocketSupportTest {
  protected:
    void SetUp() override {
        socket = NewSocket();
        ASSERT_TRUE(support::RegisterSocket(7, socket->Address()));
    }
    void TearDown() override { support::DeregisterSocket(7); }
    std::intptr_t Complete(std::int32_t request, std::int32_t error) {
        return support::NotifyWindowProc(support::NotifyWindow(), support::ResolveMessage(),
                                         static_cast<std::uintptr_t>(request), error << 16);
    }
    std::shared_ptr<CSocket> socket;
};

TEST_F(LookupTest, ALookupIsFiledUnderItsRequestAndReleasedWhenItCompletes) {
    const std::int32_t request = support::ResolveHost("server.example", socket->Address());
    ASSERT_EQ(request, 5);
    EXPECT_TRUE(support::ResolveRequests()->Contains("R5"));
    EXPECT_EQ(fakes.memory.live, 1);
    EXPECT_EQ(fakes.sockets.lookups.at(5).name, "server.example");
    fakes.sockets.FillLookup(5, "server.example.net", testing::Dotted("10.1.2.3"));
    EXPECT_EQ(Complete(5, 0), 0);
    EXPECT_EQ(fakes.memory.live, 0);
    EXPECT_FALSE(support::ResolveRequests().has_value());
    EXPECT_FALSE(support::ResolveBuffers().has_value());
}

TEST_F(LookupTest, AFailedCompletionDeliversNothingButTheError) {
    socket->SetProtocol(CSocket::kTcp);
    socket->Connect(Variant::String("nowhere.invalid"), Variant::Long(80));
    const std::int32_t request = socket->State() == CSocket::kResolvingHost ? 5 : 0;
    ASSERT_EQ(request, 5);
    Complete(5, 11001);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].number, 11001);
    EXPECT_EQ(recorder.errors[0].description, "Host not found.");
    EXPECT_EQ(recorder.errors[0].source, "");
    EXPECT_EQ(socket->State(), CSocket::kError);
    EXPECT_EQ(fakes.memory.live, 0);
}

TEST_F(LookupTest, ALookupThatCannotStartUndoesItsEntriesAndRecordsTheError) {
    fakes.sockets.lookupFailure = 10055;
    EXPECT_EQ(support::ResolveHost("server.example", socket->Address()), 0);
    EXPECT_EQ(support::CurrentError().number, 10055);
    EXPECT_EQ(support::CurrentError().source, "MSocketSupport.ResolveHost");
    EXPECT_FALSE(support::ResolveRequests().has_value());
    EXPECT_EQ(fakes.memory.live, 0);
}

TEST_F(LookupTest, ABufferThatCannotBeHadGivesZeroWithoutAnError) {
    fakes.memory.allocFails = true;
    EXPECT_EQ(support::ResolveHost("server.example", socket->Address()), 0);
    EXPECT_EQ(support::CurrentError().number, 0);
    fakes.memory.allocFails = false;
    fakes.memory.lockFails = true;
    EXPECT_EQ(support::ResolveHost("server.example", socket->Address()), 0);
    EXPECT_EQ(fakes.memory.live, 0);
}

TEST_F(LookupTest, TwoLookupsOfOneObjectKeepTheirOwnBuffers) {
    const std::int32_t first = support::ResolveHost("a.example", socket->Address());
    const std::int32_t second = support::ResolveHost("b.example", socket->Address());
    EXPECT_EQ(fakes.memory.live, 2);
    EXPECT_NE(fakes.sockets.lookups.at(first).buffer, fakes.sockets.lookups.at(second).buffer);
    fakes.sockets.FillLookup(first, "a.example", testing::Dotted("10.0.0.1"));
    Complete(first, 0);
    EXPECT_EQ(fakes.memory.live, 1);
    EXPECT_TRUE(support::ResolveRequests()->Contains(support::RequestKey(second)));
    fakes.sockets.FillLookup(second, "b.example", testing::Dotted("10.0.0.2"));
    Complete(second, 0);
    EXPECT_EQ(fakes.memory.live, 0);
    EXPECT_FALSE(support::ResolveRequests().has_value());
}

TEST_F(LookupTest, AWithdrawnLookupKeepsItsBufferUntilItsCompletionArrives) {
    auto other = NewSocket();
    const std::int32_t request = support::ResolveHost("a.example", other->Address());
    other.reset();
    EXPECT_EQ(fakes.sockets.cancelled, (std::vector<std::int32_t>{request}));
    EXPECT_FALSE(support::ResolveRequests().has_value());
    EXPECT_EQ(fakes.memory.live, 1);
    // Wine answers the cancel with success and writes the result all the same.
    fakes.sockets.FillLookup(request, "a.example", testing::Dotted("10.0.0.1"));
    EXPECT_EQ(Complete(request, 0), 0);  // reaches nothing, and frees the buffer
    EXPECT_EQ(fakes.memory.live, 0);
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(SocketSupportTest, ABufferWhoseCompletionNeverComesIsFreedAtTheCleanUp) {
    auto socket = NewSocket();
    ASSERT_TRUE(support::RegisterSocket(7, socket->Address()));
    support::ResolveHost("a.example", socket->Address());
    support::DeregisterSocket(7);  // the window goes, and the completion with it
    EXPECT_EQ(fakes.memory.live, 1);
    socket.reset();
    EXPECT_EQ(fakes.memory.live, 0);
}

TEST_F(SocketSupportTest, AClosedHandlesQueuedNotificationsNeverReachTheSocketThatReusesItsNumber) {
    fakes.sockets.reuseHandles = true;
    auto keeper = NewSocket();  // keeps the window, and with it the queue
    keeper->SetProtocol(CSocket::kUdp);
    keeper->SetRemoteHost("10.0.0.9");
    auto first = NewSocket();
    first->SetProtocol(CSocket::kUdp);
    first->SetRemoteHost("10.0.0.1");
    const std::int32_t handle = first->SocketHandle();
    fakes.windows.DeliverPosted();
    // Winsock queued a reset for the socket; the object closes it before that is handled.
    fakes.windows.PostMessageTo(support::NotifyWindow(), support::WinsockMessage(), handle, 10054 << 16 | 1);
    first->CloseSocket();
    auto second = NewSocket();
    second->SetProtocol(CSocket::kUdp);
    second->SetRemoteHost("10.0.0.2");
    ASSERT_EQ(second->SocketHandle(), handle);
    fakes.windows.DeliverPosted();
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(second->State(), CSocket::kClosed);
    EXPECT_EQ(second->SocketHandle(), handle);
    // Its own notifications still arrive.
    EXPECT_EQ(Notify(handle, winsock::kFdRead, 10054), 0);
    EXPECT_EQ(second->State(), CSocket::kError);
}

TEST_F(SocketSupportTest, WhateverAHandlerThrowsStaysInTheWindowProcedure) {
    struct Throws : CSocketEvents {
        void OnDataArrival(std::int32_t) override { throw 42; }
    } throws;
    auto socket = NewSocket();
    socket->SetListener(&throws);
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("10.0.0.1");
    fakes.sockets.incoming[socket->SocketHandle()].push_back({{'x'}, {}});
    std::intptr_t result = -1;
    EXPECT_NO_THROW(result = Notify(socket->SocketHandle(), winsock::kFdRead, 0));
    EXPECT_EQ(result, 0);
}

TEST(SocketSupportConversions, WordsShortsAndKeys) {
    EXPECT_EQ(support::LowWord(-1), 65535);
    EXPECT_EQ(support::HighWord(static_cast<std::int32_t>(0xFFFF0000u)), 65535);
    EXPECT_EQ(support::HighWord(65536), 1);
    EXPECT_EQ(support::UnsignedToShort(32768), -32768);
    EXPECT_EQ(support::UnsignedToShort(65535), -1);
    EXPECT_EQ(support::UnsignedToShort(80), 80);
    try {
        support::UnsignedToShort(65536);
        FAIL();
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Number(), 6);
    }
    EXPECT_THROW(support::UnsignedToShort(-1), SocketError);
    EXPECT_EQ(support::ShortToUnsigned(-32768), 32768);
    EXPECT_EQ(support::ShortToUnsigned(-1), 65535);
    EXPECT_EQ(support::SocketKey(1234), "S1234");
    EXPECT_EQ(support::RequestKey(5), "R5");
    EXPECT_EQ(support::ObjectKey(0x80000001u), "S-2147483647");
    EXPECT_EQ(support::AnsiStringAt(""), "");
    EXPECT_EQ(support::AnsiStringAt(nullptr), "");
    EXPECT_EQ(support::AnsiStringAt("caf\xE9"), "café");
}

TEST(SocketErrorText, TableAndStartUpTexts) {
    EXPECT_EQ(support::SocketErrorText(10035), "Resource temporarily unavailable.");
    EXPECT_EQ(support::SocketErrorText(11004), "Valid name, no data record of requested type.");
    EXPECT_EQ(support::SocketErrorText(10004), "Interrupted function call.");
    EXPECT_EQ(support::SocketErrorText(10061), "Connection refused.");
    for (const std::int32_t unknown : {0, -1, 10066, 12000}) {
        EXPECT_EQ(support::SocketErrorText(unknown), "Unknown error.") << unknown;
    }
    EXPECT_EQ(support::StartupFailureText(10022),
              "The Windows Sockets version specified by the application is not supported by this DLL.");
    EXPECT_EQ(support::StartupFailureText(10092),
              "The version of Windows Sockets API support requested is not provided by this particular Windows "
              "Sockets implementation.");
    EXPECT_EQ(support::StartupFailureText(10036), "");
}

}  // namespace
}  // namespace vantorel
