#include "ui/win32/bindings.h"

#include "platform/win32/wide.h"

namespace vantorel::ui {

std::string ControlText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return platform::Narrow(text);
}

void BindTextBox(TextBox& model, HWND edit) {
    SetWindowTextW(edit, platform::Widen(model.Text()).c_str());
    model.SetOnChange([&model, edit] {
        if (ControlText(edit) != model.Text()) {
            SetWindowTextW(edit, platform::Widen(model.Text()).c_str());
        }
    });
}

void TextBoxChanged(TextBox& model, HWND edit) {
    model.UserTyped(ControlText(edit));
}

namespace {

// Only the drop-down that has the focus shows its text selected: one that the program
// filled or changed while the user was elsewhere would otherwise show it highlighted.
void UnselectUnlessFocused(HWND combo) {
    const HWND focus = GetFocus();
    if (focus == combo || IsChild(combo, focus)) {
        return;
    }
    SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(-1), 0));
}

class ComboMirror : public ComboBox::Observer {
  public:
    explicit ComboMirror(HWND combo) : combo_(combo) {}
    void ItemsCleared(const ComboBox& box) override {
        SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
        TextChanged(box);
    }
    void ItemAdded(const ComboBox&, const std::string& item) override {
        SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::Widen(item).c_str()));
    }
    void SelectionChanged(const ComboBox& box) override {
        SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(box.ListIndex()), 0);
        TextChanged(box);
    }
    void TextChanged(const ComboBox& box) override {
        if (ControlText(combo_) != box.Text()) {
            SetWindowTextW(combo_, platform::Widen(box.Text()).c_str());
        }
        UnselectUnlessFocused(combo_);
    }

  private:
    HWND combo_;
};

}  // namespace

std::unique_ptr<ComboBox::Observer> BindComboBox(ComboBox& model, HWND combo) {
    auto mirror = std::make_unique<ComboMirror>(combo);
    model.SetObserver(mirror.get());
    mirror->ItemsCleared(model);
    for (const std::string& item : model.Items()) {
        mirror->ItemAdded(model, item);
    }
    return mirror;
}

void ComboBoxCommand(ComboBox& model, HWND combo, WORD notification) {
    if (notification == CBN_SELCHANGE) {
        model.UserPicked(static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
    } else if (notification == CBN_EDITCHANGE) {
        model.UserTyped(ControlText(combo));
    } else if (notification == CBN_KILLFOCUS) {
        UnselectUnlessFocused(combo);
    }
}

namespace {

// The list box's own procedure, and the model it reports the user's scrolling and
// selection to.
struct ListBinding {
    WNDPROC previous;
    ListBox* model;
};

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* binding = static_cast<ListBinding*>(GetPropW(list, L"VantorelList"));
    if (binding == nullptr) {
        return DefWindowProcW(list, message, wParam, lParam);
    }
    const WNDPROC previous = binding->previous;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(list, L"VantorelList");
        delete binding;
        return CallWindowProcW(previous, list, message, wParam, lParam);
    }
    const LRESULT result = CallWindowProcW(previous, list, message, wParam, lParam);
    switch (message) {
        case WM_VSCROLL:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
        case WM_TIMER:  // scrolling while the button is held below the list
            binding->model->UserScrolled(static_cast<int>(CallWindowProcW(previous, list, LB_GETTOPINDEX, 0, 0)));
            binding->model->UserSelected(static_cast<int>(CallWindowProcW(previous, list, LB_GETCURSEL, 0, 0)));
            break;
        default: break;
    }
    return result;
}

}  // namespace

void BindListBox(ListBox& model, HWND list) {
    model.SetObservers([list] { SendMessageW(list, LB_RESETCONTENT, 0, 0); },
                       [list](const std::string& item) {
                           SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::Widen(item).c_str()));
                       },
                       [&model, list] {
                           SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(model.ListIndex()), 0);
                           SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(model.TopIndex()), 0);
                       });
    auto* binding = new ListBinding{nullptr, &model};
    SetPropW(list, L"VantorelList", binding);
    binding->previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
}

void BindCheckBox(CheckBox& model, HWND check) {
    const auto show = [&model, check] {
        SendMessageW(check, BM_SETCHECK, model.Value() == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
        ShowWindow(check, model.Visible() ? SW_SHOWNA : SW_HIDE);
    };
    show();
    model.SetOnChange(show);
}

void CheckBoxClicked(CheckBox& model, HWND check) {
    model.UserClicked(SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
}

void BindTimer(Timer& model, HWND window, UINT_PTR id) {
    model.SetOnChange([&model, window, id] {
        if (model.Enabled()) {
            SetTimer(window, id, model.Interval(), nullptr);  // the same id starts the interval afresh
        } else {
            KillTimer(window, id);
        }
    });
}

}  // namespace vantorel::ui
