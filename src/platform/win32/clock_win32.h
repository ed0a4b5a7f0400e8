#pragma once

#include "platform/clock.h"

namespace vantorel::platform {

class Win32Clock : public Clock {
  public:
    std::string DateText() override;
    std::string TimeText() override;
};

}  // namespace vantorel::platform
