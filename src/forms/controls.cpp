#include "forms/controls.h"

namespace vantorel {
namespace {

void Tell(const std::function<void()>& observer) {
    if (observer) {
        observer();
    }
}

}  // namespace

void Label::SetCaption(const std::string& caption) {
    caption_ = caption;
    Tell(onChange_);
}

void TextBox::SetText(const std::string& text) {
    text_ = text;
    Tell(onChange_);
}

void ListBox::Clear() {
    items_.clear();
    index_ = -1;
    top_ = 0;
    Tell(onClear_);
}

void ListBox::AddItem(const std::string& text) {
    items_.push_back(text);
    if (onAdd_) {
        onAdd_(text);
    }
}

void ListBox::SetListIndex(int index) {
    index_ = index >= 0 && index < ListCount() ? index : -1;
    Tell(onView_);
}

void ListBox::SetTopIndex(int top) {
    top_ = top >= 0 && top < ListCount() ? top : 0;
    Tell(onView_);
}

void CheckBox::UserClicked(int value) {
    value_ = value;
    Tell(onClick_);
}

void CheckBox::SetVisible(bool visible) {
    visible_ = visible;
    Tell(onChange_);
}

void CheckBox::SetValue(int value) {
    value_ = value;
    Tell(onChange_);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    Tell(onChange_);
}

void Timer::Restart() {
    enabled_ = true;
    Tell(onChange_);
}

}  // namespace vantorel
