#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

namespace vantorel::platform {

// The native stand-in for the shell's "open": the game is a Windows program, so nothing is
// run here. Each start is recorded, and a program file that is missing or unreadable is
// refused with the reason the shell would give.
class RecordingShell : public Shell {
  public:
    struct Start {
        std::string program;
        std::string parameters;
        std::string folder;
        int showMode = 0;
    };

    ShellResult Open(const std::string& program, const std::string& parameters, const std::string& folder,
                     int showMode) override;

    const std::vector<Start>& Starts() const { return starts_; }
    void ClearStarts() { starts_.clear(); }

  private:
    std::vector<Start> starts_;
};

}  // namespace vantorel::platform
