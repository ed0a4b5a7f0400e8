#include "net/socket_support.h"
#include "net/socket_support_state.h"

namespace vantorel::MSocketSupport {

ObjectAddress AssignAddress(std::weak_ptr<CSocket> object) {
    detail::ModuleState& state = detail::State();
    // Identities count up and skip those in use, so that an ended object's identity is not
    // handed to a new one while a message may still name it.
    ObjectAddress address = state.nextAddress++;
    while (address == 0 || state.objects.count(address) > 0) {
        address = state.nextAddress++;
    }
    state.objects[address] = std::move(object);
    return address;
}

void ReleaseAddress(ObjectAddress address) {
    detail::State().objects.erase(address);
}

std::shared_ptr<CSocket> SocketFromPointer(ObjectAddress address) {
    const auto& objects = detail::State().objects;
    const auto found = objects.find(address);
    return found == objects.end() ? nullptr : found->second.lock();
}

}  // namespace vantorel::MSocketSupport
