#include "net/socket_support.h"

#include "net/csocket.h"
#include "net/socket_support_state.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/window_system.h"
#include "platform/winsock_numbers.h"

namespace vantorel::MSocketSupport {

using detail::State;

namespace detail {

ModuleState& State() {
    static ModuleState state;
    return state;
}

}  // namespace detail

namespace {

constexpr long kNotifyEvents = winsock::kFdRead | winsock::kFdWrite | winsock::kFdAccept | winsock::kFdConnect |
                               winsock::kFdClose;  // 59: out-of-band data is not asked for

platform::SocketLibrary& Sockets() {
    return *platform::Current().sockets;
}
platform::WindowSystem& Windows() {
    return *platform::Current().windows;
}

void Record(std::int32_t number, std::string description, const char* source) {
    State().currentError = ErrorInfo{number, std::move(description), source};
}

}  // namespace

platform::WindowHandle NotifyWindow() {
    return State().notifyWindow;
}
std::uint32_t WinsockMessage() {
    return State().winsockMessage;
}
std::uint32_t ResolveMessage() {
    return State().resolveMessage;
}
bool WinsockStarted() {
    return State().winsockStarted;
}
std::int32_t MaxDatagramSize() {
    return State().maxDatagramSize;
}
std::intptr_t PreviousWindowProc() {
    return State().previousWindowProc;
}
const ErrorInfo& CurrentError() {
    return State().currentError;
}
const std::optional<KeyedCollection>& SocketRegistry() {
    return State().socketRegistry;
}
const std::optional<KeyedCollection>& ResolveRequests() {
    return State().resolveRequests;
}
const std::optional<KeyedCollection>& ResolveBuffers() {
    return State().resolveBuffers;
}

std::int32_t InitWinsockService() {
    detail::ModuleState& state = State();
    platform::WsaData data{};
    const int code = Sockets().Startup(0x0101, &data);
    if (code != 0) {
        throw SocketError(code, StartupFailureText(code), "MSocketSupport.InitWinsockService");
    }
    ++state.startups;
    if (state.winsockStarted) {
        return state.maxDatagramSize;
    }
    state.winsockStarted = true;
    state.maxDatagramSize = ShortToUnsigned(static_cast<std::int16_t>(data.maxUdpDatagram));
    const std::string name = Windows().ExecutableName();
    state.resolveMessage = Windows().RegisterMessageName(name + ".ResolveMessage");
    state.winsockMessage = Windows().RegisterMessageName(name + ".WinsockMessage");
    return state.maxDatagramSize;
}

void StopWinsockService() {
    detail::ModuleState& state = State();
    // The last clean-up would close every socket, so it waits while one is registered.
    if (state.startups == 0 || (state.startups == 1 && state.socketRegistry)) {
        return;
    }
    Sockets().Cleanup();
    if (--state.startups > 0) {
        return;
    }
    state.winsockStarted = false;
    // Nothing writes into a lookup buffer once the library is cleaned up.
    detail::FreeAbandonedBuffers();
    state.reverseNames.Clear();
}

platform::WindowHandle CreateNotifyWindow() {
    detail::ModuleState& state = State();
    state.notifyWindow = Windows().CreateStaticWindow("SOCKET_WINDOW");
    if (state.notifyWindow == 0) {
        return 0;
    }
    state.previousWindowProc =
        Windows().SetWindowProcedure(state.notifyWindow, platform::ProcedureValue(NotifyWindowProc));
    return state.notifyWindow;
}

bool DestroyNotifyWindow() {
    detail::ModuleState& state = State();
    Windows().SetWindowProcedure(state.notifyWindow, state.previousWindowProc);
    Windows().DestroyWindow(state.notifyWindow);
    state.notifyWindow = 0;
    // Messages queued for the window went with it, the drain markers among them.
    state.draining.clear();
    return true;
}

bool RegisterSocket(std::int32_t socketHandle, ObjectAddress address) {
    detail::ModuleState& state = State();
    if (state.notifyWindow == 0 && CreateNotifyWindow() == 0) {
        Record(winsock::kWsaEintr, "The operation was canceled.", "MSocketSupport.RegisterSocket");
        return false;
    }
    if (!state.socketRegistry) {
        state.socketRegistry.emplace();
    }
    try {
        state.socketRegistry->Add(SocketKey(socketHandle), address);
    } catch (const SocketError& error) {
        Record(error.Number(), error.Description(), "MSocketSupport.RegisterSocket");
        return false;
    }
    if (Sockets().AsyncSelect(socketHandle, state.notifyWindow, state.winsockMessage, kNotifyEvents) !=
        winsock::kSocketError) {
        return true;
    }
    // The entry stays: the socket object deregisters the handle before it closes it.
    const int error = Sockets().LastError();
    Record(error, SocketErrorText(error), "MSocketSupport.RegisterSocket");
    return false;
}

bool DeregisterSocket(std::int32_t socketHandle) {
    detail::ModuleState& state = State();
    if (!state.socketRegistry || socketHandle == platform::kInvalidSocket) {
        return false;
    }
    Sockets().AsyncSelect(socketHandle, state.notifyWindow, 0, 0);
    state.socketRegistry->Remove(SocketKey(socketHandle));
    if (state.socketRegistry->Count() > 0) {
        // Whatever Winsock queued for this handle lies ahead of the marker; a socket that
        // gets the same number next has its notifications behind it.
        if (Windows().PostMessageTo(state.notifyWindow, state.winsockMessage, static_cast<std::uintptr_t>(socketHandle),
                                    detail::kDrainMarker)) {
            ++state.draining[socketHandle];
        }
        return true;
    }
    state.socketRegistry.reset();
    // Lookups still pending would complete to a window that no longer exists: withdraw
    // them, so that their entries do not stay for ever.
    if (state.resolveRequests) {
        const std::map<std::string, std::intptr_t> pending = state.resolveRequests->Items();
        for (const auto& [key, object] : pending) {
            detail::AbandonLookup(std::stoi(key.substr(1)), static_cast<ObjectAddress>(object));
        }
    }
    return DestroyNotifyWindow();
}

}  // namespace vantorel::MSocketSupport

namespace vantorel::MSocketSupport {

void OfferAcceptedSocket(std::int32_t socketHandle) {
    State().unclaimedAccepts.insert(socketHandle);
}

bool ClaimAcceptedSocket(std::int32_t socketHandle) {
    return State().unclaimedAccepts.erase(socketHandle) > 0;
}

}  // namespace vantorel::MSocketSupport
