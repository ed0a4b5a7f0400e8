#include "platform/stream_sockets.h"

namespace vantorel::platform {

std::string StreamErrorText(StreamError error, int code) {
    switch (error) {
        case StreamError::kRefused: return "refused";
        case StreamError::kUnreachable: return "unreachable";
        case StreamError::kTimedOut: return "timed out";
        case StreamError::kNoSocket: return "no socket to be had";
        case StreamError::kOther: break;
    }
    return "connection failed (system error " + std::to_string(code) + ")";
}

}  // namespace vantorel::platform
