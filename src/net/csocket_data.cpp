// The socket object's data path: sending with progress and completion events, receiving
// one chunk per read notification, and handing waiting bytes out as values.

#include <algorithm>

#include "common/number.h"
#include "net/byte_order.h"
#include "net/csocket.h"
#include "platform/ansi.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/window_system.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

platform::SocketLibrary& Sockets() {
    return *platform::Current().sockets;
}

// The numbers that GetData and PeekData turn bytes into, in the order they are tried.
bool IsDataType(std::int32_t code) {
    switch (static_cast<VarType>(code)) {
        case VarType::kByteArray:
        case VarType::kBoolean:
        case VarType::kByte:
        case VarType::kCurrency:
        case VarType::kDate:
        case VarType::kDouble:
        case VarType::kInteger:
        case VarType::kLong:
        case VarType::kSingle:
        case VarType::kString: return true;
        default: return false;
    }
}

std::int64_t WholeValue(const Variant& value) {
    const std::optional<double> number = value.AsNumber();
    if (!number || *number < -2147483648.0 || *number > 2147483647.0) {
        return 0;
    }
    return static_cast<std::int64_t>(RoundHalfEven(*number));
}

}  // namespace

void CSocket::SendData(const Variant& varData) {
    try {
        if (protocol_ != kTcp) {
            if (!EnsureSocket()) {
                return;
            }
        } else if (socketHandle_ == platform::kInvalidSocket) {
            throw RuntimeError(kErrWrongProtocolOrState, "");
        }
        sendBuffer_ = VariantToBytes(varData);
        sendPending_ = true;
        FlushSendBuffer();
    } catch (const SocketError& failure) {
        // A handle that is no socket (closed under the object) means the object is in no
        // state to send.
        if (failure.Number() == winsock::kWsaEnotsock) {
            throw RuntimeError(kErrWrongProtocolOrState, "CSocket.SendData");
        }
        throw failure.WithSource("CSocket.SendData");
    }
}

void CSocket::FlushSendBuffer() {
    sendPending_ = true;
    int sent = 0;
    if (protocol_ == kTcp || !remoteHostIP_.empty()) {
        if (sendBuffer_.empty()) {
            throw RuntimeError(kErrSubscriptOutOfRange, "CSocket.SendData");
        }
        const int length = static_cast<int>(sendBuffer_.size());
        sent = protocol_ == kTcp ? Sockets().Send(socketHandle_, sendBuffer_.data(), length, 0)
                                 : Sockets().SendTo(socketHandle_, sendBuffer_.data(), length, 0,
                                                    AddressRecord(Sockets().InetAddr(remoteHostIP_), remotePort_));
    } else {
        // Without a name to look up there is nowhere to send to; every target would
        // otherwise resolve the empty name differently. The refused datagram is dropped,
        // so that no later write notification sends it wherever the address points by then.
        if (remoteHost_.empty()) {
            sendBuffer_.clear();
            sendPending_ = false;
            RaiseError(winsock::kWsaEdestaddrreq, "CSocket.SendData");
        }
        // The data waits here until the lookup completes.
        lookupPurpose_ = 1;
        lookupHandle_ = MSocketSupport::ResolveHost(remoteHost_, address_);
    }
    if (sent == winsock::kSocketError) {
        const int error = Sockets().LastError();
        if (error == winsock::kWsaEwouldblock) {
            return;  // the next write notification sends the rest
        }
        if (protocol_ != kTcp) {
            // A refused datagram is dropped: kept, the next write notification would send
            // it to whatever address is set by then.
            sendBuffer_.clear();
            sendPending_ = false;
        }
        RaiseError(error, "CSocket.SendData");
    }
    if (sent < static_cast<int>(sendBuffer_.size())) {
        sendBuffer_.erase(sendBuffer_.begin(), sendBuffer_.begin() + sent);
    } else {
        sendBuffer_.clear();
        // A write notification of our own completes the send once SendData has returned.
        platform::Current().windows->PostMessageTo(MSocketSupport::NotifyWindow(), MSocketSupport::WinsockMessage(),
                                                   static_cast<std::uintptr_t>(socketHandle_), winsock::kFdWrite);
    }
    RaiseOnSendProgress(sent, static_cast<std::int32_t>(sendBuffer_.size()));
}

std::int32_t CSocket::RecvToBuffer() {
    // One area for the object's life, left uninitialised: clearing 64 KB for each datagram
    // would cost more than the datagram.
    const auto size = static_cast<std::size_t>(ReceiveAreaSize());
    if (receiveAreaSize_ != size) {
        receiveArea_.reset(new std::uint8_t[size]);
        receiveAreaSize_ = size;
    }
    std::uint8_t* const area = receiveArea_.get();
    int received = 0;
    if (protocol_ != kTcp) {
        platform::SockaddrIn from;
        received = Sockets().RecvFrom(socketHandle_, area, static_cast<int>(size), 0, &from);
        if (received != winsock::kSocketError) {
            remotePort_ = MSocketSupport::ShortToUnsigned(static_cast<std::int16_t>(NetworkToHost16(from.port)));
            remoteHostIP_ = Sockets().InetNtoa(from.address);
            // The sender's name is looked up without waiting: the dotted address stands in
            // until the name arrives.
            remoteHost_ = remoteHostIP_;
            lastSenderAddress_ = from.address;
            AskNames();
        }
    } else {
        received = Sockets().Recv(socketHandle_, area, static_cast<int>(size), 0);
    }
    if (received > 0) {
        receiveBuffer_.insert(receiveBuffer_.end(), area, area + received);
        return received;
    }
    if (received == 0) {
        return 0;
    }
    RaiseError(Sockets().LastError(), "CSocket.RecvToBuffer");
    return 0;
}

void CSocket::GetData(Variant& varData, const Variant& varType, const Variant& maxLen) {
    try {
        ReadReceiveBuffer(varData, false, varType, maxLen);
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.GetData");
    }
}

void CSocket::PeekData(Variant& varData, const Variant& varType, const Variant& maxLen) {
    try {
        ReadReceiveBuffer(varData, true, varType, maxLen);
    } catch (const SocketError& failure) {
        throw failure.WithSource("CSocket.PeekData");
    }
}

void CSocket::ReadReceiveBuffer(Variant& varData, bool peek, const Variant& varType, const Variant& maxLen) {
    if (receiveBuffer_.empty()) {
        return;
    }
    const std::int64_t most = maxLen.IsMissing() ? 0 : WholeValue(maxLen);
    const std::size_t count = most > 0 && static_cast<std::size_t>(most) <= receiveBuffer_.size()
                                  ? static_cast<std::size_t>(most)
                                  : receiveBuffer_.size();
    const std::vector<std::uint8_t> taken(receiveBuffer_.begin(), receiveBuffer_.begin() + count);
    if (!peek) {
        receiveBuffer_.erase(receiveBuffer_.begin(), receiveBuffer_.begin() + count);
    }
    if (varType.IsMissing() || varType.IsEmpty()) {
        varData = Variant::String(platform::AnsiToUtf8(std::string(taken.begin(), taken.end())));
    } else {
        const auto code = static_cast<std::int32_t>(WholeValue(varType));
        if (IsDataType(code)) {
            VariantFromBytes(code, taken, &varData);
        }
    }
    bytesReceived_ = static_cast<std::int32_t>(receiveBuffer_.size());
}

}  // namespace vantorel
