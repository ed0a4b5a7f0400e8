#pragma once

#include <cstdint>
#include <string>

namespace vantorel {

// The events of a socket object. They are raised synchronously: the handler runs before
// the raising routine goes on, and may call any method of the object.
class CSocketEvents {
  public:
    virtual ~CSocketEvents() = default;
    virtual void OnClose() {}
    virtual void OnConnect() {}
    virtual void OnConnectionRequest(std::int32_t /*requestID*/) {}
    virtual void OnDataArrival(std::int32_t /*bytesTotal*/) {}
    virtual void OnError(std::int16_t /*Number*/, const std::string& /*Description*/, std::int32_t /*Scode*/,
                         const std::string& /*Source*/, const std::string& /*HelpFile*/, std::int32_t /*HelpContext*/,
                         bool& /*CancelDisplay*/) {}
    virtual void OnSendComplete() {}
    virtual void OnSendProgress(std::int32_t /*bytesSent*/, std::int32_t /*bytesRemaining*/) {}
};

}  // namespace vantorel
