#pragma once

namespace vantorel::platform {

// The Winsock number for an errno value: the one table of the stand-in.
int WinsockErrorFromErrno(int error);

// The Winsock number for a getaddrinfo() result.
int WinsockErrorFromLookup(int result);

}  // namespace vantorel::platform
