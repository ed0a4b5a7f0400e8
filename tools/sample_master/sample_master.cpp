#include "sample_master.h"

#include <utility>

#include "address_list.h"
#include "net/byte_order.h"
#include "net/csocket.h"
#include "platform/platform.h"
#include "platform/socket_library.h"

namespace vantorel::sampleMaster {

class SampleMaster::Listener : public CSocketEvents {
  public:
    explicit Listener(SampleMaster& owner) : owner_(owner) {}
    void OnConnectionRequest(std::int32_t requestId) override { owner_.Accept(requestId); }

  private:
    SampleMaster& owner_;
};

// One client: its socket, its conversation, and what waits to go out. The socket object
// takes one send at a time, so a reply that comes while one is under way waits for its end.
class SampleMaster::Connection : public CSocketEvents {
  public:
    Connection(SampleMaster& owner, std::shared_ptr<CSocket> socket, std::uint32_t requester, std::uint32_t seed)
        : owner_(owner),
          socket_(std::move(socket)),
          conversation_(owner.settings_.conversation, owner.settings_.servers, requester, seed) {
        socket_->SetListener(this);
    }
    ~Connection() override {
        socket_->SetListener(nullptr);
        socket_->CloseSocket();
    }

    void Start() { Send(conversation_.Greeting(), false); }
    bool Closed() const { return closed_; }
    const MasterConversation& Conversation() const { return conversation_; }
    void Keepalive() {
        if (!closed_ && !closing_) {
            Send(conversation_.Keepalive(), false);
        }
    }

    void OnDataArrival(std::int32_t) override {
        Variant data;
        socket_->GetData(data, Variant::Integer(static_cast<std::int16_t>(VarType::kByteArray)));
        if (data.Type() != VarType::kByteArray || closed_) {
            return;
        }
        const std::vector<std::uint8_t>& bytes = data.AsBytes();
        const bool listedBefore = conversation_.Listed();
        const MasterConversation::Reply reply =
            conversation_.OnBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!listedBefore && (conversation_.Listed() || reply.close) && owner_.onEvent_) {
            owner_.onEvent_((conversation_.Listed() ? "list to " : "refused ") + socket_->RemoteHostIP() + ":" +
                            std::to_string(socket_->RemotePort()));
        }
        Send(reply.send, reply.close);
    }
    void OnSendComplete() override {
        if (!outbox_.empty()) {
            SendNow(std::exchange(outbox_, {}));
        } else if (closing_) {
            socket_->CloseSocket();
        }
    }
    void OnClose() override {
        closed_ = true;
        socket_->CloseSocket();
    }

  private:
    void Send(std::string bytes, bool close) {
        closing_ = closing_ || close;
        if (bytes.empty()) {
            if (close && !socket_->SendPending()) {
                socket_->CloseSocket();
            }
            return;
        }
        if (socket_->SendPending()) {
            outbox_ += bytes;
            return;
        }
        SendNow(std::move(bytes));
    }
    void SendNow(std::string bytes) {
        try {
            socket_->SendData(Variant::Bytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
        } catch (const SocketError&) {
            closed_ = true;  // the client is gone
        }
    }

    SampleMaster& owner_;
    std::shared_ptr<CSocket> socket_;
    MasterConversation conversation_;
    std::string outbox_;
    bool closing_ = false;
    bool closed_ = false;
};

SampleMaster::SampleMaster(Settings settings) : settings_(std::move(settings)) {}

SampleMaster::~SampleMaster() {
    if (keepaliveTimer_ != 0) {
        platform::Current().events->KillTimer(keepaliveTimer_);
    }
    connections_.clear();
    if (socket_) {
        socket_->SetListener(nullptr);
        socket_->CloseSocket();
    }
}

bool SampleMaster::Open(std::string* error) {
    try {
        socket_ = CSocket::Create();
        listener_ = std::make_unique<Listener>(*this);
        socket_->SetListener(listener_.get());
        socket_->Bind(settings_.port, settings_.bind);
        socket_->Listen();
    } catch (const SocketError& failure) {
        *error = settings_.bind + ":" + std::to_string(settings_.port) + ": " + failure.Description();
        socket_.reset();
        return false;
    }
    if (settings_.keepaliveMs != 0) {
        keepaliveTimer_ = platform::Current().events->SetTimer(settings_.keepaliveMs, [this] { SendKeepalives(); });
    }
    return true;
}

int SampleMaster::BoundPort() const {
    platform::SockaddrIn address;
    if (!socket_ || platform::Current().sockets->GetSockName(socket_->SocketHandle(), &address) != 0) {
        return 0;
    }
    return NetworkToHost16(address.port);
}

int SampleMaster::EchoesReceived() const {
    int echoes = 0;
    for (const auto& connection : connections_) {
        echoes += connection->Conversation().EchoesReceived();
    }
    return echoes;
}

void SampleMaster::Accept(std::int32_t requestId) {
    // Connections that have ended go now, outside their own events.
    std::erase_if(connections_, [](const auto& connection) { return connection->Closed(); });
    try {
        auto socket = CSocket::Create();
        socket->Accept(requestId);
        const std::uint32_t requester = ParseIpv4(socket->RemoteHostIP()).value_or(0);
        connections_.push_back(std::make_unique<Connection>(*this, std::move(socket), requester, nextSeed_++));
        connections_.back()->Start();
    } catch (const SocketError&) {
        // The client gave up before it was accepted.
    }
}

void SampleMaster::SendKeepalives() {
    for (const auto& connection : connections_) {
        connection->Keepalive();
    }
}

}  // namespace vantorel::sampleMaster
