#pragma once

#include <functional>
#include <string>
#include <vector>

#include "net/csocket_events.h"

namespace vantorel::testing {

// Records every event of a socket object in order; a hook can run inside OnDataArrival.
class EventLog : public CSocketEvents {
  public:
    void OnClose() override { events.push_back("Close"); }
    void OnConnect() override { events.push_back("Connect"); }
    void OnConnectionRequest(std::int32_t requestID) override {
        events.push_back("ConnectionRequest " + std::to_string(requestID));
        if (onConnectionRequest) {
            onConnectionRequest(requestID);
        }
    }
    void OnDataArrival(std::int32_t bytesTotal) override {
        events.push_back("DataArrival " + std::to_string(bytesTotal));
        if (onData) {
            onData();
        }
    }
    void OnError(std::int16_t number, const std::string& description, std::int32_t scode, const std::string& source,
                 const std::string& helpFile, std::int32_t helpContext, bool& cancelDisplay) override {
        events.push_back("Error " + std::to_string(number) + " " + description + " [" + source + "] " +
                         std::to_string(scode) + helpFile + std::to_string(helpContext) +
                         (cancelDisplay ? "cancel" : ""));
    }
    void OnSendComplete() override { events.push_back("SendComplete"); }
    void OnSendProgress(std::int32_t sent, std::int32_t remaining) override {
        events.push_back("SendProgress " + std::to_string(sent) + " " + std::to_string(remaining));
    }

    std::vector<std::string> events;
    std::function<void()> onData;
    std::function<void(std::int32_t)> onConnectionRequest;
};

}  // namespace vantorel::testing
