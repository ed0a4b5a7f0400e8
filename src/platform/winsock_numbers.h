#pragma once
// The numbers of Windows Sockets 1.1 that the socket layer uses, the same on both targets:
// the POSIX stand-in speaks them too, so nothing above the platform sees an errno.

#include <cstdint>

namespace vantorel::winsock {

inline constexpr int kAfInet = 2;
inline constexpr int kSockStream = 1;
inline constexpr int kSockDgram = 2;
inline constexpr int kIpProtoTcp = 6;
inline constexpr int kIpProtoUdp = 17;

inline constexpr int kSolSocket = 0xFFFF;
inline constexpr int kSoBroadcast = 0x0020;
inline constexpr int kSoError = 0x1007;
inline constexpr int kSoRcvBuf = 0x1002;
inline constexpr int kSoType = 0x1008;

inline constexpr int kSdSend = 1;
inline constexpr int kSocketError = -1;

inline constexpr long kFdRead = 1;
inline constexpr long kFdWrite = 2;
inline constexpr long kFdOob = 4;
inline constexpr long kFdAccept = 8;
inline constexpr long kFdConnect = 16;
inline constexpr long kFdClose = 32;

inline constexpr std::uint32_t kInaddrAny = 0;
inline constexpr std::uint32_t kInaddrNone = 0xFFFFFFFF;

inline constexpr int kMaxGetHostStruct = 1024;

// Error numbers.
inline constexpr int kWsaEintr = 10004;
inline constexpr int kWsaEbadf = 10009;
inline constexpr int kWsaEacces = 10013;
inline constexpr int kWsaEfault = 10014;
inline constexpr int kWsaEinval = 10022;
inline constexpr int kWsaEmfile = 10024;
inline constexpr int kWsaEwouldblock = 10035;
inline constexpr int kWsaEinprogress = 10036;
inline constexpr int kWsaEalready = 10037;
inline constexpr int kWsaEnotsock = 10038;
inline constexpr int kWsaEdestaddrreq = 10039;
inline constexpr int kWsaEmsgsize = 10040;
inline constexpr int kWsaEprototype = 10041;
inline constexpr int kWsaEnoprotoopt = 10042;
inline constexpr int kWsaEprotonosupport = 10043;
inline constexpr int kWsaEsocktnosupport = 10044;
inline constexpr int kWsaEopnotsupp = 10045;
inline constexpr int kWsaEpfnosupport = 10046;
inline constexpr int kWsaEafnosupport = 10047;
inline constexpr int kWsaEaddrinuse = 10048;
inline constexpr int kWsaEaddrnotavail = 10049;
inline constexpr int kWsaEnetdown = 10050;
inline constexpr int kWsaEnetunreach = 10051;
inline constexpr int kWsaEnetreset = 10052;
inline constexpr int kWsaEconnaborted = 10053;
inline constexpr int kWsaEconnreset = 10054;
inline constexpr int kWsaEnobufs = 10055;
inline constexpr int kWsaEisconn = 10056;
inline constexpr int kWsaEnotconn = 10057;
inline constexpr int kWsaEshutdown = 10058;
inline constexpr int kWsaEtimedout = 10060;
inline constexpr int kWsaEconnrefused = 10061;
inline constexpr int kWsaEhostdown = 10064;
inline constexpr int kWsaEhostunreach = 10065;
inline constexpr int kWsaEproclim = 10067;
inline constexpr int kWsaSysnotready = 10091;
inline constexpr int kWsaVernotsupported = 10092;
inline constexpr int kWsaNotinitialised = 10093;
inline constexpr int kWsaEdiscon = 10101;
inline constexpr int kWsaSyscallfailure = 10107;
inline constexpr int kWsaTypeNotFound = 10109;
inline constexpr int kWsaHostNotFound = 11001;
inline constexpr int kWsaTryAgain = 11002;
inline constexpr int kWsaNoRecovery = 11003;
inline constexpr int kWsaNoData = 11004;

}  // namespace vantorel::winsock
