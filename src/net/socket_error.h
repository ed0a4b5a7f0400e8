#pragma once
// Errors of the socket layer: a number, a description and a source ("CSocket.SendData").

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vantorel {

// Numbers that are not socket errors but the run-time's own.
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrSubscriptOutOfRange = 9;
inline constexpr std::int32_t kErrWrongProtocolOrState = 40006;

struct ErrorInfo {
    std::int32_t number = 0;
    std::string description;
    std::string source;
};

class SocketError : public std::runtime_error {
  public:
    SocketError(std::int32_t number, std::string description, std::string source);
    explicit SocketError(ErrorInfo info);

    std::int32_t Number() const { return info_.number; }
    const std::string& Description() const { return info_.description; }
    const std::string& Source() const { return info_.source; }
    const ErrorInfo& Info() const { return info_; }

    // The same error with another source, as a method reports what failed inside it.
    SocketError WithSource(std::string source) const;

  private:
    ErrorInfo info_;
};

// The run-time's errors 6 (overflow), 9 (subscript out of range) and 40006.
SocketError RuntimeError(std::int32_t number, std::string source);

namespace MSocketSupport {

// The message text of a socket error number; "Unknown error." for any other number.
std::string SocketErrorText(std::int32_t number);

// The text for a code that the library's start-up call returned; empty for codes without one.
std::string StartupFailureText(std::int32_t code);

}  // namespace MSocketSupport
}  // namespace vantorel
