#pragma once

#include "platform/shell.h"

namespace vantorel::platform {

class Win32Shell : public Shell {
  public:
    ShellResult Open(const std::string& program, const std::string& parameters, const std::string& folder,
                     int showMode) override;
};

}  // namespace vantorel::platform
