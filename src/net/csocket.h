#pragma once
// An event-driven IPv4 socket object (TCP or UDP) with properties, methods and events. Every
// socket call is non-blocking; completions come back as events, raised from the support
// service's notifications on the user-interface thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/csocket_events.h"
#include "net/socket_support.h"
#include "net/variant.h"
#include "platform/socket_library.h"

namespace vantorel {

class CSocket : public std::enable_shared_from_this<CSocket> {
  public:
    // Connection states.
    static constexpr std::int32_t kClosed = 0;
    static constexpr std::int32_t kListening = 2;
    static constexpr std::int32_t kResolvingHost = 4;
    static constexpr std::int32_t kHostResolved = 5;
    static constexpr std::int32_t kConnecting = 6;
    static constexpr std::int32_t kConnected = 7;
    static constexpr std::int32_t kClosing = 8;
    static constexpr std::int32_t kError = 9;

    static constexpr std::int32_t kTcp = 0;
    static constexpr std::int32_t kUdp = 1;

    // Starts the socket library on first use; raises when it cannot start.
    static std::shared_ptr<CSocket> Create();
    ~CSocket();
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    void SetListener(CSocketEvents* listener) { listener_ = listener; }

    // Methods.
    void SendData(const Variant& varData);
    void PeekData(Variant& varData, const Variant& varType = Variant::Missing(),
                  const Variant& maxLen = Variant::Missing());
    void Listen();
    void GetData(Variant& varData, const Variant& varType = Variant::Missing(),
                 const Variant& maxLen = Variant::Missing());
    void Connect(const Variant& strRemoteHost = Variant::Missing(), const Variant& lngRemotePort = Variant::Missing());
    void CloseSocket();
    void Bind(std::int32_t lngLocalPort, const std::string& strLocalIP);
    void Accept(std::int32_t requestID);

    // Properties.
    std::int32_t State() const { return state_; }
    std::int32_t SocketHandle() const { return socketHandle_; }
    std::int32_t RemotePort() const { return remotePort_; }
    void SetRemotePort(std::int32_t value) { remotePort_ = value; }
    const std::string& RemoteHostIP() const { return remoteHostIP_; }
    const std::string& RemoteHost() const { return remoteHost_; }
    void SetRemoteHost(const std::string& value);
    std::int32_t Protocol() const { return protocol_; }
    void SetProtocol(std::int32_t value);
    std::int32_t LocalPort() const { return localPort_; }
    void SetLocalPort(std::int32_t value) { localPort_ = value; }
    const std::string& LocalIP() const { return localIP_; }
    const std::string& LocalHostName() const { return localHostName_; }
    std::int32_t BytesReceived() const { return bytesReceived_; }

    // Creates and registers a socket; -1 when that fails (the reason is discarded).
    std::int32_t vbSocket();

    // Entry points of the support service's window procedure.
    void PostSocketEvent(std::int32_t event, std::int32_t error);
    void PostGetHostEvent(std::int32_t requestHandle, std::int32_t address, const std::string& hostName,
                          std::int32_t error);
    // A reverse lookup's result ("" when the address has no name): it replaces the dotted
    // RemoteHost only while that address is still the last sender, and LocalHostName only
    // while it is still the local address it was asked for.
    void PostReverseName(std::uint32_t address, const std::string& name);

    // What is waiting to go out; for the tests of the data path.
    const std::vector<std::uint8_t>& PendingSendBytes() const { return sendBuffer_; }
    bool SendPending() const { return sendPending_; }
    MSocketSupport::ObjectAddress Address() const { return address_; }

  private:
    CSocket();

    bool EnsureSocket();
    void ReadBufferSizes();
    void DestroySocket();
    void FlushSendBuffer();
    std::int32_t RecvToBuffer();
    void ReadReceiveBuffer(Variant& varData, bool peek, const Variant& varType, const Variant& maxLen);
    void ConnectTo(std::uint32_t address);
    platform::SockaddrIn AddressRecord(std::uint32_t address, std::int32_t port) const;
    std::int32_t ReceiveAreaSize() const;
    void RaiseError(std::int32_t number, const std::string& source);
    bool SendLookupPending() const { return lookupPurpose_ == 1 && lookupHandle_ != 0; }
    void AskNames();

    // Events.
    void RaiseOnClose();
    void RaiseOnConnect();
    void RaiseOnConnectionRequest(std::int32_t requestID);
    void RaiseOnDataArrival(std::int32_t bytesTotal);
    void RaiseOnError(std::int32_t number, const std::string& description, const std::string& source);
    void RaiseOnSendComplete();
    void RaiseOnSendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining);

    std::int32_t lookupPurpose_ = 0;  // 0: for Connect, 1: for a UDP send
    std::int32_t protocol_ = kTcp;
    std::int32_t state_ = kClosed;
    std::int32_t bytesReceived_ = 0;
    std::string localHostName_;
    std::string localIP_;
    std::int32_t localPort_ = 0;
    std::string remoteHost_;
    std::string remoteHostIP_;
    std::int32_t remotePort_ = 0;
    std::int32_t socketHandle_ = platform::kInvalidSocket;
    std::int32_t lookupHandle_ = 0;
    std::vector<std::uint8_t> sendBuffer_;
    std::vector<std::uint8_t> receiveBuffer_;
    std::unique_ptr<std::uint8_t[]> receiveArea_;  // what one receive call reads into
    std::size_t receiveAreaSize_ = 0;
    std::int32_t receiveChunkSize_ = 0;
    std::int32_t datagramLimit_ = 0;
    bool isBound_ = false;
    bool sendPending_ = false;
    bool broadcastOn_ = false;

    // The address whose name RemoteHost may still take: the last sender's, until RemoteHost
    // is set otherwise. The same for LocalHostName after a connect.
    std::optional<std::uint32_t> lastSenderAddress_;
    std::optional<std::uint32_t> localNameAddress_;

    MSocketSupport::ObjectAddress address_ = 0;
    CSocketEvents* listener_ = nullptr;
};

}  // namespace vantorel
