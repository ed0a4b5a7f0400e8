#include "platform/posix/shell_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_path.h"

namespace vantorel::platform {

ShellResult RecordingShell::Open(const std::string& program, const std::string& parameters, const std::string& folder,
                                 int showMode) {
    const std::string path = ToPosixPath(program);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return {false, "The system cannot find the file specified."};
    }
    if (access(path.c_str(), R_OK) != 0) {
        return {false, "Access is denied."};
    }
    starts_.push_back({program, parameters, folder, showMode});
    return {true, {}};
}

}  // namespace vantorel::platform
