#pragma once
// A local stand-in for a community master: it listens on one TCP port and gives every
// client that connects the list of the configured servers, over the list protocol it is
// set to speak. It runs on the event loop, through the socket layer.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browse/master_list.h"
#include "master_conversation.h"
#include "platform/event_loop.h"

namespace vantorel {
class CSocket;
}

namespace vantorel::sampleMaster {

class SampleMaster {
  public:
    struct Settings {
        std::string bind = "127.0.0.1";
        int port = browse::kNewerMasterPort;  // 0: the system's choice
        MasterConversation::Settings conversation;
        std::vector<browse::ServerAddress> servers;
        // Newer, kept open: a keepalive to every listed client this often (0: never).
        unsigned keepaliveMs = 0;
    };

    explicit SampleMaster(Settings settings);
    ~SampleMaster();
    SampleMaster(const SampleMaster&) = delete;
    SampleMaster& operator=(const SampleMaster&) = delete;

    // Listens; false with the reason when the port cannot be had.
    bool Open(std::string* error);
    int BoundPort() const;

    // Runs after each list sent and each refusal, with a line saying to whom.
    void SetOnEvent(std::function<void(const std::string& line)> hook) { onEvent_ = std::move(hook); }
    // The keepalive echoes received from all clients so far.
    int EchoesReceived() const;

  private:
    class Listener;
    class Connection;
    void Accept(std::int32_t requestId);
    void SendKeepalives();

    Settings settings_;
    std::shared_ptr<CSocket> socket_;
    std::unique_ptr<Listener> listener_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::function<void(const std::string&)> onEvent_;
    platform::TimerId keepaliveTimer_ = 0;
    std::uint32_t nextSeed_ = 0x5EED;
};

}  // namespace vantorel::sampleMaster
