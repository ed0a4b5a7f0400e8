#include "platform/platform.h"

namespace vantorel::platform {

Platform& Current() {
    static Platform current = MakeDefaultPlatform();
    return current;
}

}  // namespace vantorel::platform
