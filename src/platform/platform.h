#pragma once
// The one place that says which implementation of each OS service the program uses. The
// backend (win32/ or posix/) fills it at start; tests put fakes in its fields and restore
// them with ScopedPlatform.

namespace vantorel::platform {

class Clock;
class DirectoryListing;
class EventLoop;
class Files;
class FolderPicker;
class GlobalMemory;
class Registry;
class SettingsFolder;
class Shell;
class SocketLibrary;
class WindowSystem;

struct Platform {
    Registry* registry = nullptr;
    Shell* shell = nullptr;
    DirectoryListing* directory = nullptr;
    Files* files = nullptr;
    Clock* clock = nullptr;
    EventLoop* events = nullptr;
    SocketLibrary* sockets = nullptr;
    WindowSystem* windows = nullptr;
    GlobalMemory* memory = nullptr;
    SettingsFolder* settings = nullptr;
    FolderPicker* folderPicker = nullptr;
};

// The process-wide instance, filled with the backend's services on first use.
Platform& Current();

// The backend's own services; defined once per backend.
Platform MakeDefaultPlatform();

// Restores the services that were in force when it was made.
class ScopedPlatform {
  public:
    ScopedPlatform() : saved_(Current()) {}
    ~ScopedPlatform() { Current() = saved_; }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

  private:
    Platform saved_;
};

}  // namespace vantorel::platform
