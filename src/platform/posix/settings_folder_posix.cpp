#include "platform/posix/settings_folder_posix.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vantorel::platform {

SettingsFolderResult PosixSettingsFolder::Locate() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return {std::string(config) + "/vantorel", {}};
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return {std::string(home) + "/.config/vantorel", {}};
    }
    return {{}, "Neither XDG_CONFIG_HOME nor HOME names a folder."};
}

SettingsFolderResult PosixSettingsFolder::Make() {
    SettingsFolderResult folder = Locate();
    if (folder.path.empty()) {
        return folder;
    }
    // Each folder on the way, as "mkdir -p" does; one that exists already is fine.
    for (std::size_t slash = folder.path.find('/', 1);; slash = folder.path.find('/', slash + 1)) {
        const std::string step = folder.path.substr(0, slash);
        if (mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) {
            return {{}, "Could not make " + step + ": " + std::strerror(errno)};
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    return folder;
}

}  // namespace vantorel::platform
