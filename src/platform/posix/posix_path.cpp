#include "platform/posix/posix_path.h"

namespace vantorel::platform {

std::string ToPosixPath(std::string_view path) {
    std::string converted(path);
    for (char& c : converted) {
        if (c == '\\') {
            c = '/';
        }
    }
    return converted;
}

}  // namespace vantorel::platform
