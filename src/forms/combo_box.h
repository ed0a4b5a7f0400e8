#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/list_control.h"

namespace vantorel {

// An editable drop-down combo box as the window's handlers see it. The window's real
// control mirrors this state through the observer and reports the user's typing and picks
// back; a selection made by code runs OnClick exactly as the user's pick does.
class ComboBox : public ListControl {
  public:
    class Observer {
      public:
        virtual ~Observer() = default;
        // The list was emptied; then one call per item added, so that a fill of n items
        // costs the real control n additions, not n re-fills.
        virtual void ItemsCleared(const ComboBox& box) = 0;
        virtual void ItemAdded(const ComboBox& box, const std::string& item) = 0;
        virtual void SelectionChanged(const ComboBox& box) = 0;
        virtual void TextChanged(const ComboBox& box) = 0;
    };

    void Clear() override;
    void AddItem(const std::string& text) override;
    int ListCount() const override { return static_cast<int>(items_.size()); }
    void SetListIndex(int index) override;
    void SetText(const std::string& text) override;

    int ListIndex() const { return index_; }
    const std::string& Text() const { return text_; }
    const std::vector<std::string>& Items() const { return items_; }

    // From the window: the user picked an item, or typed into the edit field.
    void UserPicked(int index) { SetListIndex(index); }
    void UserTyped(const std::string& text);

    void SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }
    void SetObserver(Observer* observer) { observer_ = observer; }

  private:
    std::vector<std::string> items_;
    int index_ = -1;
    std::string text_;
    std::function<void()> onClick_;
    Observer* observer_ = nullptr;
};

}  // namespace vantorel
