// The standard controls: each a thin wrapper of the Qt widget that does the job. Text, state
// and items live in the widget; the wrapper keeps only what Qt has no place for.
#pragma once

#include "platform/forms/Controls.h"

#include <memory>
#include <string>
#include <string_view>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QAbstractButton;
class QPushButton;
class QCheckBox;
class QRadioButton;
class QGroupBox;

namespace kvz {

enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList };

// A caption. With a FocusControl, its "&" letter (Alt and the letter) moves the focus there.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const;
    void SetLayout(TTextLayout layout);
    bool WordWrap() const;
    void SetWordWrap(bool on);
    // Fits the label to its text whenever the text or the font changes (on by default).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    bool Transparent() const;
    void SetTransparent(bool on);

protected:
    void TextChanged() override;
    void FontChanged() override;
    bool DialogChar(char32_t key) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    QLabel* Label() const;
    void ShowText();
    void FitText();
    TWinControl* focusControl_ = nullptr;
    bool autoSize_ = true;
};

// A one-line edit; OnChange follows every change of the text, typed or set.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    // 0: no limit. Counts characters.
    int MaxLength() const;
    void SetMaxLength(int length);
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    // Any character but 0 hides what is typed.
    char32_t PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char32_t c);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase charCase);
    bool Modified() const;
    void SetModified(bool on);
    // Characters, not bytes.
    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    void SetSelLength(int length);
    std::string SelText() const;
    void SelectAll();
    void Clear() { SetText(""); }
    // Whether entering the edit with Tab selects its text (on by default).
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool on) { autoSelect_ = on; }
    TNotifyEvent OnChange;

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
    void DoEnter() override;
    QLineEdit* Edit() const;

private:
    char32_t passwordChar_ = 0;
    TEditCharCase charCase_ = TEditCharCase::ecNormal;
    bool autoSelect_ = true;
};

// A text of many lines. Lines is the widget's text seen as a list.
class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;
    TStrings& Lines() { return *lines_; }
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    // 0: no limit. Counts characters; what goes beyond is not taken.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool WordWrap() const;
    void SetWordWrap(bool on);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle style);
    // Enter starts a new line (on by default); off, it presses the form's default button.
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool on) { wantReturns_ = on; }
    // Tab types a tab (off by default: it moves to the next control).
    bool WantTabs() const;
    void SetWantTabs(bool on);
    bool Modified() const;
    void SetModified(bool on);
    void SelectAll();
    void Clear() { SetText(""); }
    TNotifyEvent OnChange;

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    // A memo whose text is stored with CR LF counts each line end as two characters of MaxLength.
    void SetLineEndsCountTwo(bool on) { lineEndsCountTwo_ = on; }

private:
    QPlainTextEdit* Edit() const;
    std::unique_ptr<TStrings> lines_;
    int maxLength_ = 0;
    bool lineEndsCountTwo_ = false;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    bool wantReturns_ = true;
};

// A push button; one with a ModalResult ends its modal form with it. The Default button is
// pressed by Enter anywhere in its form, the Cancel button by Escape.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Default() const;
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }
    void Click() override;

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;

private:
    int modalResult_ = 0;
    bool cancel_ = false;
};

// A check box; OnClick follows every change of its state, clicked or set.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const;
    void SetChecked(bool on);
    TCheckBoxState State() const;
    void SetState(TCheckBoxState state);
    bool AllowGrayed() const;
    void SetAllowGrayed(bool on);

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
};

// A radio button; the radio buttons of one parent exclude each other.
class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const;
    void SetChecked(bool on);

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
};

// A frame with a caption around other controls.
class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
};

// A combo box: csDropDown lets the user type, csDropDownList only choose. OnChange follows
// what the user does (typing or choosing), not what the program sets.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner);
    ~TComboBox() override;
    TStrings& Items() { return *items_; }
    TComboBoxStyle Style() const;
    void SetStyle(TComboBoxStyle style);
    int ItemIndex() const;
    void SetItemIndex(int index);
    int DropDownCount() const;
    void SetDropDownCount(int count);
    int MaxLength() const;
    void SetMaxLength(int length);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    TNotifyEvent OnChange, OnSelect, OnDropDown;

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;

private:
    friend class TComboItems;
    QComboBox* Combo() const;
    std::unique_ptr<TStrings> items_;
    bool sorted_ = false;
};

// A list to choose from; OnClick follows a choice the user makes.
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* owner);
    ~TListBox() override;
    TStrings& Items() { return *items_; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    bool MultiSelect() const;
    void SetMultiSelect(bool on);
    bool Selected(int index) const;
    void SetSelected(int index, bool on);
    int SelCount() const;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    void Clear() { items_->Clear(); }

protected:
    QListWidget* List() const;

private:
    friend class TListItems;
    std::unique_ptr<TStrings> items_;
    bool sorted_ = false;
};

// A list box whose items have check boxes; OnClickCheck follows the user's ticks.
class TCheckListBox : public TListBox {
public:
    explicit TCheckListBox(TComponent* owner);
    bool Checked(int index) const;
    void SetChecked(int index, bool on);
    TNotifyEvent OnClickCheck;
};

} // namespace kvz
