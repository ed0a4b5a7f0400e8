#pragma once
// The state of the windows' simple controls, as their handlers see it. Each window's real
// control mirrors this state through the control's observer and reports the user's input
// back, so every handler runs the same natively, in tests and on Windows.

#include <functional>
#include <string>
#include <vector>

namespace vantorel {

enum class MessageIcon { kInformation, kExclamation, kCritical };

class Label {
  public:
    explicit Label(std::string caption = {}) : caption_(std::move(caption)) {}
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    void SetOnChange(std::function<void()> observer) { onChange_ = std::move(observer); }

  private:
    std::string caption_;
    std::function<void()> onChange_;
};

class TextBox {
  public:
    explicit TextBox(std::string text = {}) : text_(std::move(text)) {}
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    // The user typed: the control already shows it, so the observer is not told.
    void UserTyped(const std::string& text) { text_ = text; }
    void SetOnChange(std::function<void()> observer) { onChange_ = std::move(observer); }

  private:
    std::string text_;
    std::function<void()> onChange_;
};

class ListBox {
  public:
    void Clear();
    void AddItem(const std::string& text);
    const std::vector<std::string>& Items() const { return items_; }
    int ListCount() const { return static_cast<int>(items_.size()); }
    // The selected line (-1 for none) and the first line in view.
    int ListIndex() const { return index_; }
    int TopIndex() const { return top_; }
    void SetListIndex(int index);
    void SetTopIndex(int top);
    // From the window: the user selected a line or scrolled; the control already shows it.
    void UserSelected(int index) { index_ = index >= 0 && index < ListCount() ? index : -1; }
    void UserScrolled(int top) { top_ = top >= 0 && top < ListCount() ? top : 0; }
    void SetObservers(std::function<void()> onClear, std::function<void(const std::string&)> onAdd,
                      std::function<void()> onView = {}) {
        onClear_ = std::move(onClear);
        onAdd_ = std::move(onAdd);
        onView_ = std::move(onView);
    }

  private:
    std::vector<std::string> items_;
    int index_ = -1;
    int top_ = 0;
    std::function<void()> onClear_;
    std::function<void(const std::string&)> onAdd_;
    std::function<void()> onView_;
};

class CheckBox {
  public:
    explicit CheckBox(std::string caption, bool visible = true) : caption_(std::move(caption)), visible_(visible) {}
    const std::string& Caption() const { return caption_; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    int Value() const { return value_; }  // 0 unticked, 1 ticked
    void SetValue(int value);
    // The user ticked or unticked it: the control already shows it; the handler runs.
    void UserClicked(int value);
    void SetOnChange(std::function<void()> observer) { onChange_ = std::move(observer); }
    void SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

  private:
    std::string caption_;
    bool visible_;
    int value_ = 0;
    std::function<void()> onChange_;
    std::function<void()> onClick_;
};

// A timer control: its window starts and stops a real timer as Enabled changes, and calls
// the handler on every tick.
class Timer {
  public:
    explicit Timer(unsigned intervalMs) : interval_(intervalMs) {}
    unsigned Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Starts the interval afresh.
    void Restart();
    void SetOnChange(std::function<void()> observer) { onChange_ = std::move(observer); }

  private:
    unsigned interval_;
    bool enabled_ = false;
    std::function<void()> onChange_;
};

}  // namespace vantorel
