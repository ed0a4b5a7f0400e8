#include "forms/combo_box.h"

namespace vantorel {

void ComboBox::Clear() {
    items_.clear();
    index_ = -1;
    text_.clear();
    if (observer_) {
        observer_->ItemsCleared(*this);
    }
}

void ComboBox::AddItem(const std::string& text) {
    items_.push_back(text);
    if (observer_) {
        observer_->ItemAdded(*this, text);
    }
}

void ComboBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) {
        return;
    }
    index_ = index;
    if (index >= 0) {
        text_ = items_[static_cast<std::size_t>(index)];
    }
    if (observer_) {
        observer_->SelectionChanged(*this);
    }
    if (onClick_) {
        onClick_();
    }
}

void ComboBox::SetText(const std::string& text) {
    text_ = text;
    index_ = -1;
    if (observer_) {
        observer_->TextChanged(*this);
    }
}

void ComboBox::UserTyped(const std::string& text) {
    // The control already shows what was typed: no echo back to the observer.
    text_ = text;
    index_ = -1;
}

}  // namespace vantorel
