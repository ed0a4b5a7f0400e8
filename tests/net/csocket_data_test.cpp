#include <gtest/gtest.h>

#include "fakes/fake_sockets.h"
#include "net/csocket.h"
#include "net/event_log.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        socket = CSocket::Create();
        socket->SetListener(&log);
    }
    // A UDP object with a remote address, its socket made.
    void Udp() {
        socket->SetProtocol(CSocket::kUdp);
        socket->SetRemoteHost("10.0.0.1");
        socket->SetRemotePort(23000);
    }
    void ConnectedTcp() {
        socket->Connect(Variant::String("10.0.0.1"), Variant::Long(80));
        socket->PostSocketEvent(winsock::kFdConnect, 0);
        log.events.clear();
    }
    Bytes SentBytes(const Variant& value) {
        fakes.sockets.sent.clear();
        socket->SendData(value);
        EXPECT_EQ(fakes.sockets.sent.size(), 1u);
        return fakes.sockets.sent.empty() ? Bytes{} : fakes.sockets.sent[0].bytes;
    }
    // Puts bytes into the receive buffer through a read notification.
    void Receive(const Bytes& bytes) {
        fakes.sockets.incoming[socket->SocketHandle()].push_back({bytes, {}});
        socket->PostSocketEvent(winsock::kFdRead, 0);
    }
    static std::int32_t ErrorNumber(const std::function<void()>& action, std::string* source = nullptr) {
        try {
            action();
        } catch (const SocketError& error) {
            if (source) {
                *source = error.Source();
            }
            return error.Number();
        }
        return 0;
    }

    testing::FakeSocketPlatform fakes;
    testing::EventLog log;
    std::shared_ptr<CSocket> socket;
};

TEST_F(DataTest, AUdpSendGoesOutAsOneDatagramWithProgressThenCompletion) {
    Udp();
    socket->SendData(Variant::String("\\basic\\"));
    ASSERT_EQ(fakes.sockets.sent.size(), 1u);
    EXPECT_EQ(fakes.sockets.sent[0].bytes, (Bytes{'\\', 'b', 'a', 's', 'i', 'c', '\\'}));
    ASSERT_TRUE(fakes.sockets.sent[0].to.has_value());
    EXPECT_EQ(fakes.sockets.sent[0].to->address, testing::Dotted("10.0.0.1"));
    EXPECT_EQ(fakes.sockets.sent[0].to->port, 0xD859);  // 23000 in network order
    EXPECT_EQ(log.events, (std::vector<std::string>{"SendProgress 7 0"}));
    EXPECT_EQ(fakes.windows.DeliverPosted(), 1);
    EXPECT_EQ(log.events, (std::vector<std::string>{"SendProgress 7 0", "SendComplete"}));
    socket->PostSocketEvent(winsock::kFdWrite, 0);  // a later write notification owes nothing
    EXPECT_EQ(log.events.size(), 2u);
}

TEST_F(DataTest, ValuesBecomeTheirLittleEndianBytes) {
    Udp();
    EXPECT_EQ(SentBytes(Variant::Long(1)), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(SentBytes(Variant::Boolean(true)), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(SentBytes(Variant::Boolean(false)), (Bytes{0, 0}));
    EXPECT_EQ(SentBytes(Variant::Integer(-2)), (Bytes{0xFE, 0xFF}));
    EXPECT_EQ(SentBytes(Variant::Byte(0x7F)), (Bytes{0x7F}));
    EXPECT_EQ(SentBytes(Variant::Single(1.0f)), (Bytes{0, 0, 0x80, 0x3F}));
    EXPECT_EQ(SentBytes(Variant::Double(1.0)), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(SentBytes(Variant::Currency(15000)), (Bytes{0x98, 0x3A, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(SentBytes(Variant::Date(2.0)), (Bytes{0, 0, 0, 0, 0, 0, 0, 0x40}));
    EXPECT_EQ(SentBytes(Variant::Bytes({9, 8, 7})), (Bytes{9, 8, 7}));
    EXPECT_EQ(SentBytes(Variant::String("é€")), (Bytes{0xE9, 0x80}));
}

TEST_F(DataTest, AValueWithoutBytesFailsWithError9AndSendsNothing) {
    Udp();
    for (const Variant& value :
         {Variant(), Variant::Null(), Variant::Object(), Variant::String(""), Variant::Bytes({}), Variant::Error(5)}) {
        std::string source;
        EXPECT_EQ(ErrorNumber([&] { socket->SendData(value); }, &source), 9);
        EXPECT_EQ(source, "CSocket.SendData");
        EXPECT_TRUE(socket->PendingSendBytes().empty());
        EXPECT_TRUE(socket->SendPending());
    }
    EXPECT_TRUE(fakes.sockets.sent.empty());
}

TEST_F(DataTest, TcpWithoutASocketIsInTheWrongState) {
    std::string source;
    EXPECT_EQ(ErrorNumber([&] { socket->SendData(Variant::String("x")); }, &source), 40006);
    EXPECT_EQ(source, "CSocket.SendData");
}

TEST_F(DataTest, AHandleThatIsNoSocketAlsoMeansTheWrongState) {
    ConnectedTcp();
    fakes.sockets.sendFailure = 10038;
    EXPECT_EQ(ErrorNumber([&] { socket->SendData(Variant::String("x")); }), 40006);
    fakes.sockets.sendFailure = 10040;
    try {
        socket->SendData(Variant::String("x"));
        FAIL();
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Number(), 10040);
        EXPECT_EQ(error.Description(), "Message too long.");
        EXPECT_EQ(error.Source(), "CSocket.SendData");
    }
}

TEST_F(DataTest, APartialTcpSendKeepsTheRestForTheNextWriteNotification) {
    ConnectedTcp();
    fakes.sockets.sendLimit = 3;
    socket->SendData(Variant::String("0123456789"));
    EXPECT_EQ(log.events, (std::vector<std::string>{"SendProgress 3 7"}));
    EXPECT_EQ(socket->PendingSendBytes(), (Bytes{'3', '4', '5', '6', '7', '8', '9'}));
    fakes.sockets.sendLimit.reset();
    socket->PostSocketEvent(winsock::kFdWrite, 0);
    EXPECT_EQ(fakes.sockets.sent.back().bytes, (Bytes{'3', '4', '5', '6', '7', '8', '9'}));
    fakes.windows.DeliverPosted();
    EXPECT_EQ(log.events, (std::vector<std::string>{"SendProgress 3 7", "SendProgress 7 0", "SendComplete"}));
}

TEST_F(DataTest, AWouldBlockWaitsAndANewSendReplacesWhatWaited) {
    ConnectedTcp();
    fakes.sockets.sendFailure = 10035;
    socket->SendData(Variant::String("old"));
    EXPECT_TRUE(log.events.empty());
    socket->SendData(Variant::String("new"));
    fakes.sockets.sendFailure = 0;
    socket->PostSocketEvent(winsock::kFdWrite, 0);
    ASSERT_EQ(fakes.sockets.sent.size(), 1u);
    EXPECT_EQ(fakes.sockets.sent[0].bytes, (Bytes{'n', 'e', 'w'}));
}

TEST_F(DataTest, GetDataTakesUpToMaxLenAndKeepsTheRest) {
    Udp();
    Receive({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
    Variant data;
    socket->GetData(data, Variant::Missing(), Variant::Long(4));
    EXPECT_EQ(data, Variant::String("0123"));
    EXPECT_EQ(socket->BytesReceived(), 6);
    socket->GetData(data);
    EXPECT_EQ(data, Variant::String("456789"));
    EXPECT_EQ(socket->BytesReceived(), 0);
    for (const Variant& all : {Variant::Long(0), Variant::Long(-1), Variant::Long(11), Variant()}) {
        Receive({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
        socket->GetData(data, Variant::Missing(), all);
        EXPECT_EQ(data, Variant::String("0123456789"));
        EXPECT_EQ(socket->BytesReceived(), 0);
    }
}

TEST_F(DataTest, PeekDataLeavesTheBufferAsItWas) {
    Udp();
    Receive({'a', 'b', 'c'});
    Variant data;
    socket->PeekData(data, Variant::Missing(), Variant::Long(2));
    EXPECT_EQ(data, Variant::String("ab"));
    EXPECT_EQ(socket->BytesReceived(), 3);
    socket->GetData(data);
    EXPECT_EQ(data, Variant::String("abc"));
}

TEST_F(DataTest, AnEmptyBufferLeavesTheValueAndTheCountAlone) {
    Udp();
    Variant data = Variant::Long(42);
    socket->GetData(data);
    EXPECT_EQ(data, Variant::Long(42));
    EXPECT_EQ(socket->BytesReceived(), 0);
}

TEST_F(DataTest, NumbersAreBuiltFromTheFrontBytesAndTheRestIsDropped) {
    Udp();
    Receive({1, 0, 0, 0, 0xAA, 0xBB});
    Variant data;
    socket->GetData(data, Variant::Integer(3));
    EXPECT_EQ(data, Variant::Long(1));
    EXPECT_EQ(socket->BytesReceived(), 0);

    Receive({0xFE});
    socket->GetData(data, Variant::Integer(2));
    EXPECT_EQ(data, Variant::Integer(0xFE));  // the missing high byte reads as zero

    Receive({0xFF, 0xFF});
    socket->GetData(data, Variant::Integer(11));
    EXPECT_EQ(data, Variant::Boolean(true));

    Receive({5, 6});
    socket->GetData(data, Variant::Integer(8209));
    EXPECT_EQ(data, Variant::Bytes({5, 6}));

    Receive({'J', 0xE9});
    socket->GetData(data, Variant::Integer(8));
    EXPECT_EQ(data, Variant::String("Jé"));
}

TEST_F(DataTest, AnUnknownTypeLeavesTheValueButStillTakesTheBytes) {
    Udp();
    Receive({1, 2, 3});
    Variant data = Variant::String("before");
    socket->GetData(data, Variant::Integer(9));
    EXPECT_EQ(data, Variant::String("before"));
    EXPECT_EQ(socket->BytesReceived(), 0);
}

TEST_F(DataTest, ADatagramSetsTheSenderAsTheRemoteSide) {
    Udp();
    platform::SockaddrIn from;
    from.address = testing::Dotted("10.9.9.9");
    from.port = 0x0C35;  // 13580 in network order
    fakes.sockets.incoming[socket->SocketHandle()].push_back({{'x'}, from});
    socket->PostSocketEvent(winsock::kFdRead, 0);
    EXPECT_EQ(socket->RemoteHostIP(), "10.9.9.9");
    EXPECT_EQ(socket->RemoteHost(), "10.9.9.9");  // no reverse name
    EXPECT_EQ(socket->RemotePort(), 13580);
    fakes.sockets.reverseNames[testing::Dotted("10.8.8.8")] = "game.example";
    from.address = testing::Dotted("10.8.8.8");
    fakes.sockets.incoming[socket->SocketHandle()].push_back({{'y'}, from});
    socket->PostSocketEvent(winsock::kFdRead, 0);
    EXPECT_EQ(socket->RemoteHost(), "10.8.8.8");  // until the reverse name arrives
    fakes.windows.DeliverPosted();
    EXPECT_EQ(socket->RemoteHost(), "game.example");
    EXPECT_EQ(socket->RemoteHostIP(), "10.8.8.8");
}

TEST_F(DataTest, AUdpSendToANameWaitsForTheLookup) {
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("server.example");
    socket->SetRemotePort(23000);
    socket->SendData(Variant::String("\\basic\\"));
    EXPECT_EQ(log.events, (std::vector<std::string>{"SendProgress 0 7"}));
    EXPECT_TRUE(fakes.sockets.sent.empty());
    ASSERT_EQ(fakes.sockets.lookups.size(), 1u);
    const std::int32_t request = fakes.sockets.lookups.begin()->first;
    fakes.sockets.FillLookup(request, "server.example.net", testing::Dotted("10.2.2.2"));
    MSocketSupport::NotifyWindowProc(MSocketSupport::NotifyWindow(), MSocketSupport::ResolveMessage(),
                                     static_cast<std::uintptr_t>(request), 0);
    EXPECT_EQ(socket->State(), CSocket::kHostResolved);
    EXPECT_EQ(socket->RemoteHost(), "server.example.net");
    EXPECT_EQ(socket->RemoteHostIP(), "10.2.2.2");
    ASSERT_EQ(fakes.sockets.sent.size(), 1u);
    EXPECT_EQ(fakes.sockets.sent[0].to->address, testing::Dotted("10.2.2.2"));
    fakes.windows.DeliverPosted();
    EXPECT_EQ(log.events, (std::vector<std::string>{"SendProgress 0 7", "SendProgress 7 0", "SendComplete"}));
}

TEST_F(DataTest, AUdpSendWithoutAnyRemoteHostIsRefused) {
    socket->SetProtocol(CSocket::kUdp);
    EXPECT_EQ(ErrorNumber([&] { socket->SendData(Variant::String("x")); }), 10039);
    EXPECT_TRUE(fakes.sockets.lookups.empty());
}

TEST_F(DataTest, ARefusedDatagramLeavesNothingForALaterAddress) {
    socket->SetProtocol(CSocket::kUdp);
    EXPECT_EQ(ErrorNumber([&] { socket->SendData(Variant::String("x")); }), 10039);
    EXPECT_TRUE(socket->PendingSendBytes().empty());
    EXPECT_FALSE(socket->SendPending());
    socket->SetRemoteHost("10.0.0.1");
    socket->PostSocketEvent(winsock::kFdWrite, 0);
    EXPECT_TRUE(fakes.sockets.sent.empty());
    EXPECT_TRUE(log.events.empty());
}

TEST_F(DataTest, ADatagramLargerThanTheLibraryAllowsIsRefusedAndDropped) {
    Udp();
    std::string source;
    EXPECT_EQ(ErrorNumber([&] { socket->SendData(Variant::String(std::string(65468, 'x'))); }, &source), 10040);
    EXPECT_EQ(source, "CSocket.SendData");
    EXPECT_TRUE(socket->PendingSendBytes().empty());
    EXPECT_TRUE(fakes.sockets.sent.empty());
}

TEST_F(DataTest, AWriteNotificationDuringTheLookupStartsNoSecondLookup) {
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("server.example");
    socket->SendData(Variant::String("x"));
    socket->PostSocketEvent(winsock::kFdWrite, 0);
    EXPECT_EQ(fakes.sockets.lookups.size(), 1u);
    EXPECT_EQ(log.events, (std::vector<std::string>{"SendProgress 0 1"}));
}

TEST_F(DataTest, AUdpSendWithoutASocketDoesNothing) {
    fakes.sockets.socketFailure = 10024;
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("10.0.0.1");
    socket->SendData(Variant::String("x"));
    EXPECT_TRUE(fakes.sockets.sent.empty());
    EXPECT_TRUE(log.events.empty());
}

TEST_F(DataTest, APortOutOfRangeOverflows) {
    Udp();
    socket->SetRemotePort(70000);
    EXPECT_EQ(ErrorNumber([&] { socket->SendData(Variant::String("x")); }), 6);
}

}  // namespace
}  // namespace vantorel
