#pragma once

#include <string>

namespace vantorel {

// The operations of a combo box that the list fills use.
class ListControl {
  public:
    virtual ~ListControl() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const std::string& text) = 0;
    virtual int ListCount() const = 0;
    // Selecting by code runs the same handler as a user's pick.
    virtual void SetListIndex(int index) = 0;
    virtual void SetText(const std::string& text) = 0;
};

}  // namespace vantorel
