// The sample master: its server lists, its checks, and the transport-free client talking
// to it over real loopback TCP in every framing and read size.

#include <gtest/gtest.h>

#include <algorithm>

#include "address_list.h"
#include "browse/master_session.h"
#include "master_conversation.h"
#include "net/csocket.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "sample_master.h"

namespace vantorel::sampleMaster {
namespace {

using namespace std::chrono_literals;
using browse::ListProtocol;
using browse::MasterSession;

TEST(AddressList, ItemsRangesAndFiles) {
    std::vector<browse::ServerAddress> servers;
    std::string why;
    EXPECT_TRUE(AddServers("127.0.0.1", servers, &why));
    EXPECT_TRUE(AddServers("10.0.0.2:23005-23007", servers, &why));
    EXPECT_TRUE(AddServersFromText("# sample servers\n\n 10.0.0.3:15567 \r\n", servers, &why));
    std::vector<std::string> texts;
    std::transform(servers.begin(), servers.end(), std::back_inserter(texts), [](auto& s) { return s.Text(); });
    EXPECT_EQ(texts, (std::vector<std::string>{"127.0.0.1:23000", "10.0.0.2:23005", "10.0.0.2:23006", "10.0.0.2:23007",
                                               "10.0.0.3:15567"}));
    for (const char* bad : {"256.0.0.1", "1.2.3", "1.2.3.4:0", "1.2.3.4:9-8", "1.2.3.4:70000", "host:23000"}) {
        EXPECT_FALSE(AddServers(bad, servers, &why)) << bad;
    }
    EXPECT_FALSE(AddServersFromText("1.2.3.4\nnonsense\n", servers, &why));
    EXPECT_EQ(why, "line 2: \"nonsense\" is not IP, IP:PORT or IP:FIRST-LAST");
}

TEST(MasterConversation, ALegacyClientMustValidate) {
    const std::vector<browse::ServerAddress> servers{{0x7F000001, 23000}};
    MasterConversation::Settings settings;
    settings.protocol = ListProtocol::kLegacy;
    MasterConversation conversation(settings, servers, 0x7F000001, 1);
    EXPECT_EQ(conversation.Greeting().rfind("\\basic\\\\secure\\", 0), 0u);
    const MasterConversation::Reply reply = conversation.OnBytes(
        "\\gamename\\bfvietnam\\gamever\\2\\location\\0\\validate\\AAAAAAAA\\enctype\\0\\final\\\\queryid\\1.1\\"
        "\\list\\cmp\\gamename\\bfvietnam\\final\\");
    EXPECT_EQ(reply.send, "\\error\\Validation error\\");
    EXPECT_TRUE(reply.close);
    EXPECT_FALSE(conversation.Listed());
}

// Connects a session to a port with the socket layer and follows what it says, handing it
// each read in pieces of `piece` bytes (0: as read).
class Driver : public CSocketEvents {
  public:
    Driver(MasterSession& session, int port, std::size_t piece) : session_(session), piece_(piece) {
        socket_ = CSocket::Create();
        socket_->SetListener(this);
        socket_->Connect(Variant::String("127.0.0.1"), Variant::Long(port));
    }
    ~Driver() override { socket_->SetListener(nullptr); }

    // Runs the loop until the session is done, at most ten seconds.
    bool Run() {
        const auto limit = MasterSession::Clock::now() + 10s;
        while (!session_.Done() && MasterSession::Clock::now() < limit) {
            const auto now = MasterSession::Clock::now();
            const auto due = session_.Deadline().value_or(now + 100ms);
            if (now >= due) {
                Follow(session_.OnTime(now));
                continue;
            }
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - now) + 1ms;
            platform::Current().events->RunOnce(static_cast<int>(std::min<long long>(wait.count(), 100)));
        }
        return session_.Done();
    }

    void OnConnect() override { Follow(session_.OnConnected(MasterSession::Clock::now())); }
    void OnDataArrival(std::int32_t) override {
        Variant data;
        socket_->GetData(data, Variant::Integer(static_cast<std::int16_t>(VarType::kByteArray)));
        const std::vector<std::uint8_t>& bytes = data.AsBytes();
        const std::string_view read(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const std::size_t step = piece_ == 0 ? read.size() : piece_;
        for (std::size_t at = 0; at < read.size() && !session_.Done(); at += step) {
            Follow(session_.OnBytes(read.substr(at, step), MasterSession::Clock::now()));
        }
    }
    void OnClose() override { Follow(session_.OnClosed()); }
    void OnError(std::int16_t, const std::string& description, std::int32_t, const std::string&, const std::string&,
                 std::int32_t, bool&) override {
        Follow(session_.OnConnectFailed(description));
    }

  private:
    void Follow(const MasterSession::Step& step) {
        if (!step.send.empty()) {
            socket_->SendData(Variant::Bytes(std::vector<std::uint8_t>(step.send.begin(), step.send.end())));
        }
        if (step.close) {
            socket_->CloseSocket();
        }
    }

    MasterSession& session_;
    std::size_t piece_;
    std::shared_ptr<CSocket> socket_;
};

TEST(SampleMasterLoopback, EveryFramingInEveryReadSize) {
    struct Case {
        const char* what;
        ListProtocol protocol;
        int enctype;
        bool fields;
        bool keepOpen;
    };
    const Case cases[] = {
        {"newer", ListProtocol::kNewer, 2, false, false},
        {"newer with field values, kept open", ListProtocol::kNewer, 2, true, true},
        {"legacy, enctype 0", ListProtocol::kLegacy, 0, false, false},
        {"legacy, enctype 2, kept open", ListProtocol::kLegacy, 2, false, true},
    };
    std::vector<browse::ServerAddress> servers;
    std::string why;
    ASSERT_TRUE(AddServers("127.0.0.1:23000-23099", servers, &why));
    ASSERT_TRUE(AddServers("10.9.8.7:15567", servers, &why));
    for (const Case& c : cases) {
        SampleMaster::Settings settings;
        settings.port = 0;
        settings.servers = servers;
        settings.conversation.protocol = c.protocol;
        settings.conversation.sendFields = c.fields;
        settings.conversation.keepOpen = c.keepOpen;
        SampleMaster master(settings);
        ASSERT_TRUE(master.Open(&why)) << why;
        for (const std::size_t piece : {1u, 37u, 0u}) {
            MasterSession::Settings client;
            client.enctype = c.enctype;
            client.greetingWait = 100ms;  // loopback: a greeting comes at once or not at all
            MasterSession session(client, MasterSession::Clock::now());
            Driver driver(session, master.BoundPort(), piece);
            ASSERT_TRUE(driver.Run()) << c.what << " " << piece;
            const browse::MasterList& list = session.List();
            EXPECT_EQ(session.Spoken(), c.protocol) << c.what;
            EXPECT_TRUE(list.Complete()) << c.what << " " << piece << " "
                                         << (list.Fault() ? list.Fault()->Reason() : "");
            ASSERT_EQ(list.Servers().size(), servers.size()) << c.what;
            EXPECT_EQ(list.Servers()[42].address, servers[42]);
            EXPECT_EQ(list.Servers().back().address.Text(), "10.9.8.7:15567");
            const auto fields = list.Servers()[42].fields.Decode();
            if (c.fields) {
                ASSERT_EQ(fields.size(), 17u) << c.what;
                EXPECT_EQ(fields[0], (std::pair<std::string, std::string>{"hostname", "Vantorel Sample Server 43"}));
                EXPECT_EQ(fields[2], (std::pair<std::string, std::string>{"mapname", "Khe Sanh"}));
                EXPECT_EQ(fields[4], (std::pair<std::string, std::string>{"numplayers", "9"}));
            } else {
                EXPECT_TRUE(fields.empty()) << c.what;
            }
        }
    }
}

TEST(SampleMasterLoopback, AKeptConnectionEchoesTheMastersKeepalives) {
    SampleMaster::Settings settings;
    settings.port = 0;
    settings.servers = {{0x7F000001, 23000}};
    settings.conversation.keepOpen = true;
    settings.keepaliveMs = 20;
    SampleMaster master(settings);
    std::string why;
    ASSERT_TRUE(master.Open(&why)) << why;
    MasterSession::Settings client;
    client.protocol = ListProtocol::kNewer;
    client.pushUpdates = true;
    MasterSession session(client, MasterSession::Clock::now());
    Driver driver(session, master.BoundPort(), 0);
    const auto limit = MasterSession::Clock::now() + 10s;
    while (master.EchoesReceived() < 2 && MasterSession::Clock::now() < limit) {
        platform::Current().events->RunOnce(100);
    }
    EXPECT_GE(master.EchoesReceived(), 2);
    EXPECT_TRUE(session.List().Complete());
    EXPECT_FALSE(session.Done());
}

}  // namespace
}  // namespace vantorel::sampleMaster
