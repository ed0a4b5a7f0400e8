#pragma once
// A newer master's whole answer as it comes off the connection: the header in the clear
// (backend flags and the master's challenge), then the enciphered body. A master that
// refuses before the header sends plain text instead, which becomes its error.

#include <optional>
#include <string>
#include <string_view>

#include "browse/goa_cipher.h"
#include "browse/master_list.h"
#include "browse/newer_decoder.h"

namespace vantorel::browse {

class NewerAnswer {
  public:
    NewerAnswer(MasterList& list, std::string clientChallenge, bool followUpdates);

    // Bytes as received. Answers what the client must send back (keepalive echoes).
    std::string Feed(std::string_view bytes);
    // The master closed, or the time ran out.
    void Finish(bool timedOut);

    bool ListEnded() const { return decoder_.ListEnded(); }
    bool Stopped() const { return decoder_.Stopped(); }

  private:
    enum class Stage { kHeader, kPlainText, kBody };

    MasterList& list_;
    std::string clientChallenge_;
    Stage stage_ = Stage::kHeader;
    std::string held_;  // the header, or the plain text, so far
    std::optional<GoaCipher> cipher_;
    NewerListDecoder decoder_;
};

}  // namespace vantorel::browse
