#pragma once

#include "platform/clock.h"

namespace vantorel::platform {

// Date and time in the formats of the environment's LC_TIME locale ("%x" and "%X").
class PosixClock : public Clock {
  public:
    std::string DateText() override;
    std::string TimeText() override;
};

}  // namespace vantorel::platform
