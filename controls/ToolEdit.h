// Edits with a small button at their right end: the button runs a handler of the window, drops
// down a panel under the edit, or opens a dialog. The plain combo edit, the folder edit and the
// date edits, with the drop-down panel they share.
#pragma once

#include "controls/CalendarModel.h"
#include "controls/KVCtrls.h"
#include "controls/ToolEditModel.h"
#include "platform/forms/Controls.h"

#include <QLineEdit>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TCustomComboEdit;

// What a drop-down panel and its edit pass each other: a date, or nothing.
using TPopupValue = std::optional<TDateTime>;

// A key with its shift keys, as the platform's shortcuts hold them.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

// A borderless panel that drops down under its edit. It never takes the focus: the edit keeps
// it and hands the panel the keys that belong to it.
class TPopupWindow : public TWinControl {
public:
    explicit TPopupWindow(TCustomComboEdit* edit);

    TCustomComboEdit* Edit() const { return edit_; }
    virtual TPopupValue GetPopupValue() const = 0;
    virtual void SetPopupValue(const TPopupValue& value) = 0;
    // Calls the close-up callback.
    virtual void Finish(bool accept);
    // Shows the panel on top at the screen point.
    void ShowAt(TPoint origin);
    void HideWindow();
    // Keys the edit hands over while the panel is down; true when taken.
    virtual bool PopupKeyDown(uint16_t key, TShiftState shift);
    virtual bool PopupKeyPress(char32_t key);

    std::function<void(TPopupWindow* sender, bool accept)> OnCloseUp;

protected:
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    friend class TPopupWidget;
    void ClosedOutside();
    TCustomComboEdit* edit_;
};

enum class TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

// The button inside a combo edit.
class TEditButton : public TKvSpeedButton {
public:
    explicit TEditButton(TComponent* owner);
    // Set while the press closes the panel, so that its click does not open it again.
    bool NoAction = false;

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
};

class TCustomComboEdit : public TWinControl {
public:
    explicit TCustomComboEdit(TComponent* owner);
    ~TCustomComboEdit() override;

    QLineEdit* LineEdit() const { return static_cast<QLineEdit*>(Widget()); }
    bool Modified() const { return modified_; }
    void SetModified(bool on) { modified_ = on; }
    // Selects the whole text when typing is allowed.
    void SelectAll();

    TEditButton* Button() const { return button_; }
    std::string ButtonHint() const { return button_->Hint(); }
    void SetButtonHint(std::string_view hint) { button_->SetHint(hint); }
    int ButtonWidth() const { return buttonWidth_; }
    // 1 or less hides the button.
    void SetButtonWidth(int width);
    TShortCut ClickKey() const { return clickKey_; }
    void SetClickKey(TShortCut key) { clickKey_ = key; }
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool on);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    const TBitmap& Glyph() const { return button_->Glyph(); }
    void SetGlyph(const TBitmap& glyph);
    int NumGlyphs() const { return button_->NumGlyphs(); }
    void SetNumGlyphs(int count) { button_->SetNumGlyphs(count); }
    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind kind);
    TPopupAlign PopupAlign() const { return popupAlign_; }
    void SetPopupAlign(TPopupAlign align) { popupAlign_ = align; }
    int MaxLength() const { return LineEdit()->maxLength(); }
    void SetMaxLength(int length) { LineEdit()->setMaxLength(length); }

    TPopupWindow* Popup() const { return popup_; }
    bool PopupVisible() const { return popupVisible_; }
    // Opens the panel under the edit (on the edit's screen); typing waits while it is down.
    virtual void DropDown();
    virtual void CloseDropDown(bool accept);
    // What the button and the click key do.
    virtual void ButtonClick();

    TNotifyEvent OnButtonClick, OnChange;

protected:
    // The picture of gkDefault; none here.
    virtual TBitmap DefaultGlyph() const { return {}; }
    virtual int DefaultNumGlyphs() const { return 1; }
    virtual bool CanAcceptValue(TPopupValue& value);
    virtual void TakeValue(const TPopupValue& value);
    virtual void PassValueToPopup();
    virtual bool GetReadOnly() const { return readOnly_; }
    // Files dropped on the edit from the desktop; none are taken here.
    virtual bool AcceptsDroppedFiles() const { return false; }
    virtual void DropFiles(const std::vector<std::string>& names);
    // The panel takes the keys that belong to it while it is down.
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void DoExit() override;
    void Resize() override;
    void EnabledChanged() override;
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
    void FontChanged() override;
    void SetPopup(TPopupWindow* popup);
    // Where the caret goes after a left press into the text; Qt's place under the mouse here.
    virtual void PlaceCaretAfterClick() {}
    // The text changed: OnChange, unless the panel is down.
    virtual void Change();
    bool AlwaysEnable = false;

private:
    friend class TComboEditWidget;
    void PlaceButton();
    void UpdateReadOnly();
    void RebuildGlyph();
    void Changed();
    bool KeypadKey(uint16_t key, TShiftState shift);

    TEditButton* button_;
    TPopupWindow* popup_ = nullptr;
    TShortCut clickKey_ = scAlt | VK_DOWN;
    int buttonWidth_ = 21;
    bool directInput_ = true, readOnly_ = false, popupVisible_ = false, modified_ = false;
    TGlyphKind glyphKind_ = TGlyphKind::gkCustom;
    TPopupAlign popupAlign_ = TPopupAlign::epaRight;
};

class TComboEdit : public TCustomComboEdit {
public:
    explicit TComboEdit(TComponent* owner) : TCustomComboEdit(owner) {}
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
};

using TDropNamesEvent = std::function<void(TComponent* sender, std::string& name, bool& action)>;

// A path edit: takes files dropped from the desktop and asks the window before and after its
// dialog.
class TFileDirEdit : public TCustomComboEdit {
public:
    explicit TFileDirEdit(TComponent* owner);

    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool on);
    virtual std::string LongPathText() const = 0;
    virtual std::string ShortPathText() const = 0;

    TNotifyEvent OnDropFiles;
    TDropNamesEvent OnBeforeDialog, OnAfterDialog;

protected:
    TBitmap DefaultGlyph() const override;
    bool AcceptsDroppedFiles() const override { return acceptFiles_; }
    void DropFiles(const std::vector<std::string>& names) override;
    virtual void ReceiveDroppedName(const std::string& name) = 0;
    virtual void ClearDroppedNames() {}
    bool MultipleDirs_ = false;

private:
    bool acceptFiles_ = false;
};

enum TSelectDirOpt : unsigned { sdAllowCreate = 1, sdPerformCreate = 2, sdPrompt = 4 };
enum class TDirDialogKind { dkVCL, dkWin32 };

// A folder path edit whose button opens the folder browser.
class TDirectoryEdit : public TFileDirEdit {
public:
    explicit TDirectoryEdit(TComponent* owner);

    unsigned DialogOptions() const { return dialogOptions_; }
    void SetDialogOptions(unsigned options) { dialogOptions_ = options; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(std::string_view dir) { initialDir_ = std::string(dir); }
    const std::string& DialogText() const { return dialogText_; }
    void SetDialogText(std::string_view text) { dialogText_ = std::string(text); }
    TDirDialogKind DialogKind() const { return dialogKind_; }
    void SetDialogKind(TDirDialogKind kind) { dialogKind_ = kind; }
    bool MultipleDirs() const { return MultipleDirs_; }
    void SetMultipleDirs(bool on) { MultipleDirs_ = on; }
    std::string LongPathText() const override;
    std::string ShortPathText() const override;
    void ButtonClick() override;

protected:
    void ReceiveDroppedName(const std::string& name) override;

private:
    unsigned dialogOptions_ = 0;
    std::string initialDir_, dialogText_;
    TDirDialogKind dialogKind_ = TDirDialogKind::dkVCL;
};

enum class TCalendarStyle { csPopup, csDialog };
using TAcceptDateEvent = std::function<void(TComponent* sender, TDateTime& date, bool& action)>;

// An edit of a date in the language's date order with four-digit years, whose button drops
// down a calendar or opens the date dialog.
class TCustomDateEdit : public TCustomComboEdit {
public:
    explicit TCustomDateEdit(TComponent* owner);
    ~TCustomDateEdit() override;

    const FormatSettings& Settings() const { return model_.Settings(); }
    void SetFormatSettings(const FormatSettings& fs);
    const TDateTextModel& TextModel() const { return model_; }

    char BlanksChar() const { return model_.BlanksChar(); }
    void SetBlanksChar(char c);
    const std::vector<std::string>& CalendarHints() const { return calendarHints_; }
    // Entries past the fourth are dropped.
    void SetCalendarHints(const std::vector<std::string>& hints);
    TCalendarStyle CalendarStyle() const { return Popup() ? TCalendarStyle::csPopup : TCalendarStyle::csDialog; }
    void SetCalendarStyle(TCalendarStyle style);
    bool CheckOnExit() const { return checkOnExit_; }
    void SetCheckOnExit(bool on) { checkOnExit_ = on; }
    bool DefaultToday() const { return model_.DefaultToday(); }
    void SetDefaultToday(bool on) { model_.SetDefaultToday(on); }
    const std::string& DialogTitle() const { return dialogTitle_; }
    void SetDialogTitle(std::string_view title) { dialogTitle_ = std::string(title); }
    TColor PopupColor() const;
    void SetPopupColor(TColor color);
    TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName day);
    TDaysOfWeek Weekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek days);
    TColor WeekendColor() const { return weekendColor_; }
    void SetWeekendColor(TColor color);
    // Kept for the windows that set it; years have four digits whatever it says.
    TYearDigits YearDigits() const { return yearDigits_; }
    void SetYearDigits(TYearDigits digits);

    // The date the text shows; never fails (no date is 0, or today with DefaultToday).
    TDateTime Date() const { return model_.DateValue(Text()); }
    void SetDate(TDateTime date);
    void SetDateAndSelect(TDateTime date);
    // A text that is neither blank nor a date takes the focus back and throws.
    void ValidateDateText();
    void RefreshDateFormat();
    void ButtonClick() override;

    TAcceptDateEvent OnAcceptDate;

protected:
    TBitmap DefaultGlyph() const override;
    int DefaultNumGlyphs() const override { return 2; }
    bool CanAcceptValue(TPopupValue& value) override;
    void TakeValue(const TPopupValue& value) override;
    void PassValueToPopup() override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void DoExit() override;
    // Whether the focus that left went to another control of the same window: a message box,
    // a popup or another window that takes it is no leaving of the edit.
    bool FocusMovedWithinWindow() const;
    void Change() override;
    void PlaceCaretAfterClick() override;
    // The text as shown, blanks and separators included.
    std::string WidgetText() const override;

private:
    void ConfigurePopup();
    void RefreshDateFormat(TDateTime date);
    TDateTextModel model_;
    std::string dialogTitle_;
    std::vector<std::string> calendarHints_;
    bool checkOnExit_ = false, formatting_ = false;
    TDayOfWeekName startOfWeek_ = TDayOfWeekName::Mon;
    TDaysOfWeek weekends_ = DayBit(TDayOfWeekName::Sun);
    TColor weekendColor_ = clRed;
    TColor popupColor_ = clBtnFace;
    TYearDigits yearDigits_ = TYearDigits::dyDefault;
};

class TDateEdit : public TCustomDateEdit {
public:
    explicit TDateEdit(TComponent* owner) : TCustomDateEdit(owner) {}
};

} // namespace kvz
