#pragma once
// A legacy master's list as it comes off the connection: for enctype 2 a header with the
// list's key, then the enciphered list; for enctype 0 the list in the clear. The list is a
// run of 6-byte records (IPv4 address, big-endian port) ended by "\final\"; a master that
// refuses sends "\error\TEXT\" instead.

#include <optional>
#include <string>
#include <string_view>

#include "browse/list_cipher.h"
#include "browse/master_list.h"

namespace vantorel::browse {

class LegacyAnswer {
  public:
    LegacyAnswer(MasterList& list, int enctype);

    void Feed(std::string_view bytes);
    // The master closed, or the time ran out.
    void Finish(bool timedOut);

    bool ListEnded() const { return list_.Complete(); }
    bool Stopped() const { return stage_ == Stage::kStopped; }

  private:
    enum class Stage { kHeader, kRecords, kErrorText, kStopped };

    void ReadRecords();
    void Fail(MasterFault fault);

    MasterList& list_;
    Stage stage_;
    std::string header_;
    std::optional<ListCipher> cipher_;
    std::string plain_;  // deciphered bytes not yet read
};

}  // namespace vantorel::browse
