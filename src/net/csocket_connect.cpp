// How the socket object gets its addresses and connections: the remote host, connecting
// (directly or after a host lookup), binding, listening and accepting.

#include <cmath>

#include "common/number.h"
#include "net/byte_order.h"
#include "net/csocket.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

platform::SocketLibrary& Sockets() {
    return *platform::Current().sockets;
}

bool IsDottedAddress(const std::string& text) {
    return !text.empty() && Sockets().InetAddr(text) != winsock::kInaddrNone;
}

bool EndsWithBroadcastOctet(const std::string& text) {
    return text.size() >= 4 && text.compare(text.size() - 4, 4, ".255") == 0;
}

std::string VariantText(const Variant& value) {
    if (value.Type() == VarType::kString) {
        return value.AsString();
    }
    const std::optional<double> number = value.AsNumber();
    if (!number) {
        return {};
    }
    const double whole = std::floor(*number);
    return whole == *number ? std::to_string(static_cast<long long>(whole)) : std::to_string(*number);
}

}  // namespace

void CSocket::SetRemoteHost(const std::string& value) {
    const bool changed = value != remoteHost_;
    remoteHost_ = value;
    lastSenderAddress_.reset();  // a late reverse name must not replace what was set here
    if (!IsDottedAddress(value)) {
        // A new name (or none) must not keep the old host's address: the next send would
        // go to that other host. The next send looks the new name up.
        if (changed) {
            remoteHostIP_.clear();
        }
        return;
    }
    remoteHostIP_ = value;
    if (protocol_ != kUdp || !EnsureSocket()) {
        return;
    }
    const bool broadcast = EndsWithBroadcastOctet(value);
    if (broadcast != broadcastOn_) {
        if (Sockets().SetSockOpt(socketHandle_, winsock::kSolSocket, winsock::kSoBroadcast, broadcast ? 1 : 0) ==
            winsock::kSocketError) {
            RaiseError(Sockets().LastError(), "CSocket.RemoteHost");
        }
        broadcastOn_ = broadcast;
    }
}

void CSocket::ConnectTo(std::uint32_t address) {
    if (Sockets().Connect(socketHandle_, AddressRecord(address, remotePort_)) == winsock::kSocketError) {
        const int error = Sockets().LastError();
        if (error != winsock::kWsaEwouldblock) {
            RaiseError(error, "");
        }
        state_ = kConnecting;
    }
}

void CSocket::Connect(const Variant& strRemoteHost, const Variant& lngRemotePort) {
    try {
        if (!EnsureSocket()) {
            return;
        }
        if (!strRemoteHost.IsMissing()) {
            const std::string host = VariantText(strRemoteHost);
            if (!host.empty()) {
                remoteHost_ = host;
                lastSenderAddress_.reset();
            }
        }
        if (!lngRemotePort.IsMissing()) {
            if (const std::optional<double> port = lngRemotePort.AsNumber()) {
                const double rounded = RoundHalfEven(*port);
                if (rounded < -2147483648.0 || rounded > 2147483647.0) {
                    throw RuntimeError(kErrOverflow, "");
                }
                remotePort_ = static_cast<std::int32_t>(rounded);
            }
        }
        if (remoteHost_.empty()) {
            RaiseError(winsock::kWsaEaddrnotavail, "");
        }
        lookupPurpose_ = 0;
        if (!IsDottedAddress(remoteHost_)) {
            state_ = kResolvingHost;
            lookupHandle_ = 0;
            lookupHandle_ = MSocketSupport::ResolveHost(remoteHost_, address_);
            if (lookupHandle_ == 0) {
                ErrorInfo error = MSocketSupport::CurrentError();
                if (error.number == 0) {
                    // No result buffer could be had.
                    error = {winsock::kWsaEnobufs, MSocketSupport::SocketErrorText(winsock::kWsaEnobufs), ""};
                }
                DestroySocket();
                throw SocketError(error);
            }
            return;
        }
        ConnectTo(Sockets().InetAddr(remoteHost_));
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.Connect");
    }
}

void CSocket::PostGetHostEvent(std::int32_t requestHandle, std::int32_t address, const std::string& hostName,
                               std::int32_t error) {
    try {
        if (requestHandle == 0 || requestHandle != lookupHandle_) {
            return;  // an older lookup's completion, failed or not
        }
        lookupHandle_ = 0;
        if (error > 0 && !IsDottedAddress(hostName)) {
            state_ = kError;
            RaiseOnError(error, MSocketSupport::SocketErrorText(error), "");
            return;
        }
        state_ = kHostResolved;
        remoteHost_ = hostName;
        lastSenderAddress_.reset();
        remoteHostIP_ = Sockets().InetNtoa(static_cast<std::uint32_t>(address));
        if (lookupPurpose_ == 1) {
            FlushSendBuffer();
            return;
        }
        if (Sockets().Connect(socketHandle_, AddressRecord(static_cast<std::uint32_t>(address), remotePort_)) ==
            winsock::kSocketError) {
            const int failure = Sockets().LastError();
            if (failure == winsock::kWsaEwouldblock) {
                state_ = kConnecting;
            } else {
                RaiseOnError(failure, MSocketSupport::SocketErrorText(failure), "CSocket.PostGetHostEvent");
            }
        }
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.PostGetHostEvent");
    }
}

void CSocket::Bind(std::int32_t lngLocalPort, const std::string& strLocalIP) {
    try {
        if (!EnsureSocket()) {
            return;
        }
        if (!strLocalIP.empty()) {
            localIP_ = strLocalIP;
        }
        if (lngLocalPort > 0) {
            localPort_ = lngLocalPort;
        }
        std::uint32_t address = winsock::kInaddrAny;
        if (!localIP_.empty()) {
            address = Sockets().InetAddr(localIP_);
            if (address == winsock::kInaddrNone) {
                RaiseError(winsock::kWsaEaddrnotavail, "");
            }
        }
        if (Sockets().Bind(socketHandle_, AddressRecord(address, localPort_)) == winsock::kSocketError) {
            RaiseError(Sockets().LastError(), "");
        }
        isBound_ = true;
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.Bind");
    }
}

void CSocket::Listen() {
    try {
        if (!EnsureSocket()) {
            return;
        }
        if (!isBound_) {
            Bind(0, "");
        }
        if (Sockets().Listen(socketHandle_, 5) == winsock::kSocketError) {
            state_ = kError;
            RaiseError(Sockets().LastError(), "");
        }
        state_ = kListening;
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.Listen");
    }
}

void CSocket::Accept(std::int32_t requestID) {
    try {
        if (requestID == platform::kInvalidSocket) {
            // The listening object's accept failed: there is no connection to take over.
            RaiseError(winsock::kWsaEnotsock, "");
        }
        if (socketHandle_ != platform::kInvalidSocket && socketHandle_ != requestID) {
            // The socket the object had would otherwise stay open and filed for ever.
            DestroySocket();
        }
        MSocketSupport::ClaimAcceptedSocket(requestID);
        socketHandle_ = requestID;
        platform::SockaddrIn record;
        if (Sockets().GetSockName(socketHandle_, &record) != winsock::kSocketError) {
            localPort_ = MSocketSupport::ShortToUnsigned(static_cast<std::int16_t>(NetworkToHost16(record.port)));
            localIP_ = Sockets().InetNtoa(record.address);
            localHostName_ = localIP_;
        }
        if (Sockets().GetPeerName(socketHandle_, &record) != winsock::kSocketError) {
            remotePort_ = MSocketSupport::ShortToUnsigned(static_cast<std::int16_t>(NetworkToHost16(record.port)));
            remoteHostIP_ = Sockets().InetNtoa(record.address);
            remoteHost_ = remoteHostIP_;
        }
        std::int32_t type = 0;
        if (Sockets().GetSockOpt(socketHandle_, winsock::kSolSocket, winsock::kSoType, &type) !=
            winsock::kSocketError) {
            protocol_ = type == winsock::kSockStream ? kTcp : kUdp;
        }
        ReadBufferSizes();
        if (MSocketSupport::RegisterSocket(socketHandle_, address_)) {
            state_ = kConnected;
        }
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.Accept");
    }
}

}  // namespace vantorel
