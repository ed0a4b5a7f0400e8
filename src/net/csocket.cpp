// The socket object: creation and end, states, and the notifications turned into state
// changes and events.

#include "net/csocket.h"

#include <limits>

#include "net/byte_order.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

platform::SocketLibrary& Sockets() {
    return *platform::Current().sockets;
}

}  // namespace

std::shared_ptr<CSocket> CSocket::Create() {
    std::shared_ptr<CSocket> object(new CSocket());
    object->address_ = MSocketSupport::AssignAddress(object);
    return object;
}

CSocket::CSocket() : datagramLimit_(MSocketSupport::InitWinsockService()) {}

CSocket::~CSocket() {
    try {
        if (socketHandle_ != platform::kInvalidSocket) {
            DestroySocket();
        }
    } catch (const SocketError&) {
        // An object that ends has no caller left to tell.
    }
    MSocketSupport::WithdrawLookups(address_);
    MSocketSupport::ReleaseAddress(address_);
    MSocketSupport::StopWinsockService();
}

void CSocket::SetProtocol(std::int32_t value) {
    if (socketHandle_ == platform::kInvalidSocket && (value == kTcp || value == kUdp)) {
        protocol_ = value;
    }
}

std::int32_t CSocket::vbSocket() {
    const bool udp = protocol_ == kUdp;
    const platform::SocketHandle handle =
        Sockets().Socket(winsock::kAfInet, udp ? winsock::kSockDgram : winsock::kSockStream,
                         udp ? winsock::kIpProtoUdp : winsock::kIpProtoTcp);
    if (handle == platform::kInvalidSocket) {
        return platform::kInvalidSocket;
    }
    if (!MSocketSupport::RegisterSocket(handle, address_)) {
        // A refused select leaves the handle filed; take it out before the handle goes.
        try {
            MSocketSupport::DeregisterSocket(handle);
        } catch (const SocketError&) {
        }
        Sockets().CloseSocket(handle);
        return platform::kInvalidSocket;
    }
    return handle;
}

bool CSocket::EnsureSocket() {
    if (socketHandle_ != platform::kInvalidSocket) {
        return true;
    }
    socketHandle_ = vbSocket();
    if (socketHandle_ == platform::kInvalidSocket) {
        return false;
    }
    ReadBufferSizes();
    return true;
}

void CSocket::ReadBufferSizes() {
    if (protocol_ != kTcp) {
        receiveChunkSize_ = datagramLimit_;
        return;
    }
    std::int32_t size = 0;
    if (Sockets().GetSockOpt(socketHandle_, winsock::kSolSocket, winsock::kSoRcvBuf, &size) != winsock::kSocketError) {
        receiveChunkSize_ = size;
    }
}

std::int32_t CSocket::ReceiveAreaSize() const {
    // A library that reports no limit still needs a receive area: the largest datagram,
    // or a common stream chunk.
    if (receiveChunkSize_ > 0) {
        return receiveChunkSize_;
    }
    return protocol_ != kTcp ? 65535 : 8192;
}

void CSocket::RaiseError(std::int32_t number, const std::string& source) {
    throw SocketError(number, MSocketSupport::SocketErrorText(number), source);
}

void CSocket::DestroySocket() {
    receiveBuffer_.clear();
    if (socketHandle_ == platform::kInvalidSocket) {
        return;
    }
    try {
        MSocketSupport::DeregisterSocket(socketHandle_);
    } catch (const SocketError&) {
        // A handle that was never filed is closed all the same.
    }
    if (Sockets().CloseSocket(socketHandle_) == winsock::kSocketError) {
        RaiseError(Sockets().LastError(), "CSocket.DestroySocket");
    }
    socketHandle_ = platform::kInvalidSocket;
    isBound_ = false;
    broadcastOn_ = false;
}

void CSocket::CloseSocket() {
    if (socketHandle_ == platform::kInvalidSocket) {
        return;
    }
    if (state_ == kConnected) {
        state_ = kClosing;
        Sockets().Shutdown(socketHandle_, winsock::kSdSend);
        return;
    }
    try {
        DestroySocket();
    } catch (const SocketError&) {
    }
    state_ = kClosed;
}

void CSocket::PostSocketEvent(std::int32_t event, std::int32_t error) {
    try {
        if (error >= 1) {
            state_ = kError;
            DestroySocket();
            RaiseOnError(error, MSocketSupport::SocketErrorText(error), "");
            return;
        }
        switch (event) {
            case winsock::kFdRead: {
                std::int32_t count = 0;
                try {
                    count = RecvToBuffer();
                } catch (const SocketError& failure) {
                    // A datagram socket learns of a "port unreachable" answer to what it sent as
                    // a reset on its next receive. Raised alone it would reach no one (the
                    // window procedure drops it), so the application hears of it as an event.
                    if (protocol_ == kUdp && failure.Number() == winsock::kWsaEconnreset) {
                        RaiseOnError(failure.Number(), failure.Description(), "CSocket.PostSocketEvent");
                    }
                    throw;
                }
                const std::int64_t total = static_cast<std::int64_t>(bytesReceived_) + count;
                if (total > std::numeric_limits<std::int32_t>::max()) {
                    throw RuntimeError(kErrOverflow, "");
                }
                bytesReceived_ = static_cast<std::int32_t>(total);
                if (count > 0) {
                    RaiseOnDataArrival(static_cast<std::int32_t>(receiveBuffer_.size()));
                }
                break;
            }
            case winsock::kFdWrite:
                if (!sendBuffer_.empty()) {
                    // The lookup's completion sends the data; sending now would start a second.
                    if (!SendLookupPending()) {
                        FlushSendBuffer();
                    }
                } else if (sendPending_) {
                    sendPending_ = false;
                    RaiseOnSendComplete();
                }
                break;
            case winsock::kFdAccept: {
                platform::SockaddrIn peer;
                const platform::SocketHandle accepted = Sockets().Accept(socketHandle_, &peer);
                if (accepted == platform::kInvalidSocket) {
                    RaiseOnConnectionRequest(accepted);
                    break;
                }
                // A connection that no object takes over in the handler is closed, however
                // the handler ends.
                struct CloseUnclaimed {
                    platform::SocketHandle handle;
                    ~CloseUnclaimed() {
                        if (MSocketSupport::ClaimAcceptedSocket(handle)) {
                            Sockets().CloseSocket(handle);
                        }
                    }
                } closeUnclaimed{accepted};
                MSocketSupport::OfferAcceptedSocket(accepted);
                RaiseOnConnectionRequest(accepted);
                break;
            }
            case winsock::kFdConnect: {
                platform::SockaddrIn local;
                if (Sockets().GetSockName(socketHandle_, &local) != winsock::kSocketError) {
                    localPort_ =
                        MSocketSupport::ShortToUnsigned(static_cast<std::int16_t>(NetworkToHost16(local.port)));
                    localIP_ = Sockets().InetNtoa(local.address);
                    // The name comes later through PostReverseName; until then the address.
                    localHostName_ = localIP_;
                    localNameAddress_ = local.address;
                    AskNames();
                }
                state_ = kConnected;
                RaiseOnConnect();
                break;
            }
            case winsock::kFdClose:
                while (RecvToBuffer() > 0) {
                    RaiseOnDataArrival(static_cast<std::int32_t>(receiveBuffer_.size()));
                }
                if (state_ != kClosing) {
                    state_ = kClosing;
                    if (!sendBuffer_.empty()) {
                        FlushSendBuffer();
                    }
                }
                DestroySocket();
                state_ = kClosed;
                RaiseOnClose();
                break;
            default: break;
        }
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.PostSocketEvent");
    }
}

void CSocket::AskNames() {
    std::string name;
    if (lastSenderAddress_ && MSocketSupport::ReverseName(*lastSenderAddress_, &name)) {
        remoteHost_ = name;
        lastSenderAddress_.reset();
    }
    if (localNameAddress_ && MSocketSupport::ReverseName(*localNameAddress_, &name)) {
        localHostName_ = name;
        localNameAddress_.reset();
    }
}

void CSocket::PostReverseName(std::uint32_t address, const std::string& name) {
    if (lastSenderAddress_ == address) {
        if (!name.empty()) {
            remoteHost_ = name;
        }
        lastSenderAddress_.reset();
    }
    if (localNameAddress_ == address) {
        if (!name.empty()) {
            localHostName_ = name;
        }
        localNameAddress_.reset();
    }
    // A lookup has finished: one refused while all were busy may start now.
    AskNames();
}

platform::SockaddrIn CSocket::AddressRecord(std::uint32_t address, std::int32_t port) const {
    platform::SockaddrIn record;
    record.family = winsock::kAfInet;
    record.port = HostToNetwork16(static_cast<std::uint16_t>(MSocketSupport::UnsignedToShort(port)));
    record.address = address;
    return record;
}

void CSocket::RaiseOnClose() {
    if (listener_) {
        listener_->OnClose();
    }
}

void CSocket::RaiseOnConnect() {
    if (listener_) {
        listener_->OnConnect();
    }
}

void CSocket::RaiseOnConnectionRequest(std::int32_t requestID) {
    if (listener_) {
        listener_->OnConnectionRequest(requestID);
    }
}

void CSocket::RaiseOnDataArrival(std::int32_t bytesTotal) {
    if (listener_) {
        listener_->OnDataArrival(bytesTotal);
    }
}

void CSocket::RaiseOnError(std::int32_t number, const std::string& description, const std::string& source) {
    if (listener_) {
        bool cancelDisplay = false;
        listener_->OnError(static_cast<std::int16_t>(number), description, 0, source, "", 0, cancelDisplay);
    }
}

void CSocket::RaiseOnSendComplete() {
    if (listener_) {
        listener_->OnSendComplete();
    }
}

void CSocket::RaiseOnSendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining) {
    if (listener_) {
        listener_->OnSendProgress(bytesSent, bytesRemaining);
    }
}

}  // namespace vantorel
