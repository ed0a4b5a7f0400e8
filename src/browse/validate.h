#pragma once
// The answer a legacy master expects to its greeting's challenge: the challenge run through
// the game's key, optionally masked again for the encrypted list, in base64.

#include <string>
#include <string_view>

namespace vantorel::browse {

// `enctype` is 0 (plain list) or 2 (encrypted list); any other value is treated as 0, which
// is what a master assumes when the client names none.
std::string Validate(std::string_view challenge, std::string_view key, int enctype);

}  // namespace vantorel::browse
