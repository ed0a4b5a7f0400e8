#pragma once
// The process-wide service under every socket object: it starts the socket library once
// and stops it when no socket is left, owns the hidden window that receives all socket
// notifications, files socket objects under their socket handles, runs host lookups with
// their result buffers, and hands each notification to its socket object.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/keyed_collection.h"
#include "net/socket_error.h"
#include "platform/window_types.h"

namespace vantorel {

class CSocket;

namespace MSocketSupport {

// A socket object's identity, by which the service files it. It is handed out by the
// service and holds no reference to the object.
using ObjectAddress = std::uint32_t;

// Module state, read by the socket object.
platform::WindowHandle NotifyWindow();
std::uint32_t WinsockMessage();
std::uint32_t ResolveMessage();
bool WinsockStarted();
std::int32_t MaxDatagramSize();
std::intptr_t PreviousWindowProc();

// The error that RegisterSocket and ResolveHost recorded when they answered False or 0.
const ErrorInfo& CurrentError();

// The registries, while they exist.
const std::optional<KeyedCollection>& SocketRegistry();
const std::optional<KeyedCollection>& ResolveRequests();
const std::optional<KeyedCollection>& ResolveBuffers();

// Starts the library for one more socket object and answers the largest datagram size;
// raises when the library cannot start.
std::int32_t InitWinsockService();
// Undoes one object's start-up; the last one cleans the library up.
void StopWinsockService();

bool RegisterSocket(std::int32_t socketHandle, ObjectAddress address);
bool DeregisterSocket(std::int32_t socketHandle);

// Starts a lookup for the object; answers the request handle, or 0.
std::int32_t ResolveHost(const std::string& hostName, ObjectAddress address);
void RemoveResolveBuffer(const std::string& key);
// Withdraws the object's pending lookups, so that a late completion reaches nothing.
void WithdrawLookups(ObjectAddress address);

// The official name of an address when a fresh one is known. Otherwise answers false and,
// unless the address is known to have none, starts a reverse lookup: never more than one
// per address nor more than a few in all. Its completion hands the name to every socket
// object through PostReverseName.
bool ReverseName(std::uint32_t address, std::string* name);
std::size_t PendingReverseLookups();

// A connection accepted on FD_ACCEPT waits here for an object's Accept; one that no
// object takes over while its OnConnectionRequest runs is closed by the listening object.
void OfferAcceptedSocket(std::int32_t socketHandle);
// Answers whether the handle was still waiting (and takes it off the list).
bool ClaimAcceptedSocket(std::int32_t socketHandle);

platform::WindowHandle CreateNotifyWindow();
bool DestroyNotifyWindow();
std::intptr_t NotifyWindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam);

// Identities of socket objects.
ObjectAddress AssignAddress(std::weak_ptr<CSocket> object);
void ReleaseAddress(ObjectAddress address);
// A counted reference that keeps the object alive while the caller holds it; empty when
// the object has ended.
std::shared_ptr<CSocket> SocketFromPointer(ObjectAddress address);

// Keys: a letter and the number in signed decimal.
std::string SocketKey(std::int32_t socketHandle);
std::string RequestKey(std::int32_t requestHandle);
std::string ObjectKey(ObjectAddress address);

// Conversions.
std::int32_t LowWord(std::int32_t value);
std::int32_t HighWord(std::int32_t value);
std::int16_t UnsignedToShort(std::int32_t value);  // raises the overflow error outside 0..65535
std::int32_t ShortToUnsigned(std::int16_t value);
std::string AnsiStringAt(const char* text);

}  // namespace MSocketSupport
}  // namespace vantorel
