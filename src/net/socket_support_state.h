#pragma once
// The support service's module state, shared by the files of the service only.

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "net/keyed_collection.h"
#include "net/reverse_name_cache.h"
#include "net/socket_error.h"
#include "net/socket_support.h"
#include "platform/window_types.h"

namespace vantorel::MSocketSupport::detail {

inline constexpr std::size_t kMaxReverseLookups = 4;
inline constexpr std::size_t kReverseNameEntries = 256;
inline constexpr std::chrono::minutes kReverseNameAge{5};

struct ModuleState {
    platform::WindowHandle notifyWindow = 0;
    std::intptr_t previousWindowProc = 0;
    std::uint32_t winsockMessage = 0;
    std::uint32_t resolveMessage = 0;
    bool winsockStarted = false;
    // WSAStartup calls not yet matched by WSACleanup: one per living socket object, as
    // Winsock counts them, so that one object's end never stops the library under another.
    int startups = 0;
    std::int32_t maxDatagramSize = 0;
    std::optional<KeyedCollection> socketRegistry;
    std::optional<KeyedCollection> resolveRequests;
    std::optional<KeyedCollection> resolveBuffers;
    ErrorInfo currentError;

    // Reverse lookups in flight, request -> address: at most one per address and
    // kMaxReverseLookups in all, so that a flood of senders cannot start a flood of lookups.
    std::map<std::int32_t, std::uint32_t> reverseRequests;
    ReverseNameCache reverseNames{kReverseNameEntries, kReverseNameAge};

    // Buffers of cancelled lookups, request -> buffer. Winsock may still write into them
    // (Wine does, although the cancel answered success), so each is freed when its
    // completion arrives, or at the library's clean-up.
    std::map<std::int32_t, std::intptr_t> abandonedBuffers;
    std::vector<std::intptr_t> buffersUntilCleanup;  // abandoned under a request number since reused

    // Winsock reuses handle numbers. A closed handle's notifications may still be queued,
    // so they are dropped until the marker posted at its deregistration has come through
    // the queue behind them (handle -> markers still to come).
    std::map<std::int32_t, int> draining;

    // Connections accepted on FD_ACCEPT that no object has taken over yet.
    std::set<std::int32_t> unclaimedAccepts;

    std::map<ObjectAddress, std::weak_ptr<CSocket>> objects;
    ObjectAddress nextAddress = 0x00010000;
};

ModuleState& State();

// The lParam of the marker that follows a deregistered handle's last notification through
// the queue: Winsock never posts a notification without an event.
inline constexpr std::intptr_t kDrainMarker = 0;

// Releases a cancelled lookup's entries but keeps its buffer until its completion arrives.
void AbandonLookup(std::int32_t request, ObjectAddress address);
// Frees every kept buffer; only once the library has been cleaned up.
void FreeAbandonedBuffers();

// The key of one lookup's result buffer: the object and the request, so that two lookups
// of one object each keep their own buffer.
std::string BufferKey(ObjectAddress address, std::int32_t request);

// Releases one pending lookup's buffer and entries, dropping the lookup registries when
// none is left.
void ForgetLookup(std::int32_t request, ObjectAddress address);

}  // namespace vantorel::MSocketSupport::detail
