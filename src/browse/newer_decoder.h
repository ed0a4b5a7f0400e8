#pragma once
// The deciphered body of a newer master's answer: the requester's address and default
// port (or the master's error), the keys, the popular values, the servers up to the end
// marker, then the framed later messages. Bytes may come in any pieces; the decoder keeps
// the unfinished unit (bounded by the list's limits) until the rest arrives.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "browse/byte_reader.h"
#include "browse/master_list.h"

namespace vantorel::browse {

class NewerListDecoder {
  public:
    // Later messages are read only when `followUpdates`; otherwise the decoder stops at the
    // end marker.
    NewerListDecoder(MasterList& list, bool followUpdates);

    // More deciphered bytes. Answers what the client must send back (keepalive echoes), in
    // the clear.
    std::string Feed(std::string_view plain);

    // The master closed, or the exchange ran out of time: what is unfinished becomes the
    // list's fault (`timedOut` names which).
    void Finish(bool timedOut);

    bool ListEnded() const { return list_.Complete(); }
    bool Stopped() const { return stage_ == Stage::kStopped; }

  private:
    enum class Stage { kPrelude, kErrorText, kKeyCount, kKeys, kPopularCount, kPopular, kServers, kLater, kStopped };

    Parse Step(ByteReader& reader, std::string& echo);
    Parse ReadKey(ByteReader& reader, FieldTable& table);
    Parse ReadServer(ByteReader& reader, bool inlineTexts, ListedServer& server, bool& endMarker);
    Parse ReadMessage(ByteReader& reader, std::string& echo);
    Parse Bad(std::string why);
    bool SpendTable(std::size_t bytes);

    MasterList& list_;
    bool followUpdates_;
    Stage stage_ = Stage::kPrelude;
    std::string pending_;
    std::uint16_t defaultPort_ = 0;
    unsigned left_ = 0;  // keys or popular values still to come
    std::shared_ptr<FieldTable> building_ = std::make_shared<FieldTable>();
    std::shared_ptr<const FieldTable> table_;
    std::size_t tableBytes_ = 0;
    std::string why_;
};

}  // namespace vantorel::browse
