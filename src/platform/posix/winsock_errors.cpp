#include "platform/posix/winsock_errors.h"

#include <netdb.h>

#include <cerrno>

#include "platform/winsock_numbers.h"

namespace vantorel::platform {

int WinsockErrorFromErrno(int error) {
    using namespace winsock;
    struct Pair {
        int error;
        int winsock;
    };
    static constexpr Pair kTable[] = {
        {EINTR, kWsaEintr},
        {EBADF, kWsaEbadf},
        {EACCES, kWsaEacces},
        {EPERM, kWsaEacces},
        {EFAULT, kWsaEfault},
        {EINVAL, kWsaEinval},
        {EMFILE, kWsaEmfile},
        {ENFILE, kWsaEmfile},
        {EAGAIN, kWsaEwouldblock},
        {EINPROGRESS, kWsaEinprogress},
        {EALREADY, kWsaEalready},
        {ENOTSOCK, kWsaEnotsock},
        {EDESTADDRREQ, kWsaEdestaddrreq},
        {EMSGSIZE, kWsaEmsgsize},
        {EPROTOTYPE, kWsaEprototype},
        {ENOPROTOOPT, kWsaEnoprotoopt},
        {EPROTONOSUPPORT, kWsaEprotonosupport},
        {ESOCKTNOSUPPORT, kWsaEsocktnosupport},
        {EOPNOTSUPP, kWsaEopnotsupp},
        {EPFNOSUPPORT, kWsaEpfnosupport},
        {EAFNOSUPPORT, kWsaEafnosupport},
        {EADDRINUSE, kWsaEaddrinuse},
        {EADDRNOTAVAIL, kWsaEaddrnotavail},
        {ENETDOWN, kWsaEnetdown},
        {ENETUNREACH, kWsaEnetunreach},
        {ENETRESET, kWsaEnetreset},
        {ECONNABORTED, kWsaEconnaborted},
        {ECONNRESET, kWsaEconnreset},
        {ENOBUFS, kWsaEnobufs},
        {ENOMEM, kWsaEnobufs},
        {EISCONN, kWsaEisconn},
        {ENOTCONN, kWsaEnotconn},
        {ESHUTDOWN, kWsaEshutdown},
        {EPIPE, kWsaEshutdown},
        {ETIMEDOUT, kWsaEtimedout},
        {ECONNREFUSED, kWsaEconnrefused},
        {EHOSTDOWN, kWsaEhostdown},
        {EHOSTUNREACH, kWsaEhostunreach},
    };
    for (const Pair& pair : kTable) {
        if (pair.error == error) {
            return pair.winsock;
        }
    }
    return kWsaSyscallfailure;
}

int WinsockErrorFromLookup(int result) {
    switch (result) {
        case 0: return 0;
        case EAI_NONAME:
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return winsock::kWsaHostNotFound;
        case EAI_AGAIN: return winsock::kWsaTryAgain;
        case EAI_MEMORY: return winsock::kWsaEnobufs;
        default: return winsock::kWsaNoRecovery;
    }
}

}  // namespace vantorel::platform
