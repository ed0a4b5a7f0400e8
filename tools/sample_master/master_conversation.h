#pragma once
// One client's exchange with the sample master, without the transport: what the master
// says on accepting, and what it answers to the bytes the client sends. It speaks one list
// protocol, checks the legacy validation, and enciphers as a community master does.

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "browse/game.h"
#include "browse/goa_cipher.h"
#include "browse/master_list.h"

namespace vantorel::sampleMaster {

class MasterConversation {
  public:
    struct Settings {
        browse::ListProtocol protocol = browse::ListProtocol::kNewer;  // kNewer or kLegacy
        // Legacy: the one encoding served; a client asking for another is refused. Both
        // when empty.
        std::optional<int> enctype;
        // Newer: send the values of the fields the client asks for.
        bool sendFields = false;
        // Stay connected after the list, as a master does for push updates.
        bool keepOpen = false;
        // Legacy: take any game name and validation, as masters do for list scrapers.
        bool lenient = false;
    };

    struct Reply {
        std::string send;
        bool close = false;
    };

    // `requester` is the client's address as the master sees it.
    MasterConversation(Settings settings, const std::vector<browse::ServerAddress>& servers, std::uint32_t requester,
                       std::uint32_t seed);

    // What the master sends as it accepts: a legacy master's greeting, nothing for a newer one.
    std::string Greeting();
    Reply OnBytes(std::string_view bytes);
    // A keepalive in the answer's cipher stream; empty before the list has gone out.
    std::string Keepalive();

    bool Listed() const { return listed_; }
    const std::string& Filter() const { return filter_; }
    int EchoesReceived() const { return echoes_; }
    // The values the master sends for a server's field (UTF-8 is never needed: all ASCII).
    static std::string FieldValue(std::string_view field, std::size_t serverIndex);

  private:
    Reply OnLegacyBytes();
    Reply OnNewerBytes();
    Reply NewerList(std::string_view challenge, std::string_view fields, std::uint32_t options);
    std::string RandomText(std::size_t length);

    Settings settings_;
    const std::vector<browse::ServerAddress>& servers_;
    std::uint32_t requester_;
    std::mt19937 random_;
    std::string received_;
    std::string challenge_;
    std::string filter_;
    std::optional<browse::GoaCipher> cipher_;
    bool listed_ = false;
    bool refused_ = false;
    int echoes_ = 0;
};

}  // namespace vantorel::sampleMaster
