#pragma once

#include <string>

namespace vantorel::platform {

inline constexpr int kShowNormal = 1;

struct ShellResult {
    bool started = false;
    std::string reason;  // why the program could not be started
};

// Starting a program as the shell's "open" does: program, parameter text, working folder
// and show mode.
class Shell {
  public:
    virtual ~Shell() = default;
    virtual ShellResult Open(const std::string& program, const std::string& parameters, const std::string& folder,
                             int showMode) = 0;
};

}  // namespace vantorel::platform
