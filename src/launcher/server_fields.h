#pragma once
// The checks of a favourite's server and port before they are stored: the game is later
// started with "+joinServer <server>:<port>", so both must be something it can use.

#include <string>
#include <string_view>

namespace vantorel::serverFields {

// Why the text is neither a dotted IPv4 address (four numbers from 0 to 255) nor a host
// name (letters, digits, "-" and "."), or the empty text when it is one of them. 0.0.0.0
// is refused too: the favourites file uses it to mark a removed favourite.
std::string ServerRefusal(std::string_view server);

// Why the text is not a whole number from 1 to 65535, or the empty text when it is.
std::string PortRefusal(std::string_view port);

}  // namespace vantorel::serverFields
