#include "controls/ToolEdit.h"

#include "controls/KvDateUtil.h"
#include "controls/KvFileUtil.h"
#include "controls/PickDate.h"
#include "platform/rtl/Clock.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QMimeData>
#include <QScreen>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace kvz {
namespace {

TShiftState ShiftOfModifiers(Qt::KeyboardModifiers mods) {
    return (mods & Qt::ShiftModifier ? unsigned(ssShift) : 0u) | (mods & Qt::ControlModifier ? unsigned(ssCtrl) : 0u) |
           (mods & Qt::AltModifier ? unsigned(ssAlt) : 0u);
}

// The keys a dropped-down panel takes, as key codes; 0 for the others.
uint16_t PanelKeyOf(const QKeyEvent* e) {
    if (e->modifiers() & Qt::KeypadModifier) {
        if (e->key() == Qt::Key_Plus) return VkNumpadAdd;
        if (e->key() == Qt::Key_Minus) return VkNumpadSubtract;
    }
    switch (e->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    default: return 0;
    }
}

// A picture drawn on the spot for the buttons; white is transparent.
TBitmap DrawnGlyph(int width, int height, const std::function<void(QPainter&)>& draw) {
    TBitmap glyph(width, height);
    glyph.Image().fill(Qt::white);
    {
        QPainter p(&glyph.Image());
        draw(p);
    }
    glyph.SetTransparent(true);
    glyph.SetTransparentColor(clWhite);
    return glyph;
}

// A page of a calendar, in colour and greyed.
TBitmap CalendarGlyph() {
    return DrawnGlyph(32, 16, [](QPainter& p) {
        for (int i = 0; i < 2; ++i) {
            const int x = i * 16;
            const QColor frame = i ? QColor(0x9a, 0x9a, 0x9a) : QColor(0x45, 0x5a, 0x70);
            const QColor band = i ? QColor(0xb4, 0xb4, 0xb4) : QColor(0xd0, 0x3b, 0x2f);
            p.fillRect(x + 1, 2, 14, 13, QColor(0xfe, 0xfe, 0xfe));
            p.fillRect(x + 1, 2, 14, 4, band);
            p.setPen(frame);
            p.drawRect(x + 1, 2, 13, 12);
            p.fillRect(x + 4, 1, 1, 3, frame);
            p.fillRect(x + 11, 1, 1, 3, frame);
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 4; ++col) p.fillRect(x + 3 + col * 3, 7 + row * 2 + row / 2, 2, 1, frame);
        }
    });
}

TBitmap FolderGlyph() {
    return DrawnGlyph(16, 14, [](QPainter& p) {
        const QColor edge(0xb0, 0x83, 0x1e), fill(0xf4, 0xc4, 0x4e), tab(0xe6, 0xae, 0x35);
        p.fillRect(1, 1, 6, 3, tab);
        p.fillRect(1, 3, 14, 10, fill);
        p.setPen(edge);
        p.drawRect(1, 3, 13, 9);
        p.drawLine(1, 1, 6, 1);
        p.drawLine(1, 1, 1, 3);
        p.drawLine(6, 1, 7, 3);
    });
}

TBitmap DropDownGlyph() {
    return DrawnGlyph(7, 4, [](QPainter& p) {
        for (int y = 0; y < 4; ++y) p.fillRect(y, y, 7 - 2 * y, 1, Qt::black);
    });
}

// Three dots, by the button's width.
TBitmap EllipsisGlyph(int buttonWidth) {
    const int width = std::max(1, buttonWidth - 6);
    const int gap = std::clamp((width - 6) / 2, 1, 3);
    const int indent = (width - 6 - 2 * gap) / 2;
    return DrawnGlyph(width, 4, [&](QPainter& p) {
        for (int x : {indent, indent + gap + 2, indent + 2 * gap + 4}) p.fillRect(x, 1, 2, 2, Qt::black);
    });
}

} // namespace

// The line edit behind a combo edit: hands keypad keys and dropped files to its control and
// keeps the focus changes that a drop-down causes from reading as leaving the edit.
class TComboEditWidget : public TControlWidget<QLineEdit> {
public:
    explicit TComboEditWidget(TCustomComboEdit* edit) : TControlWidget<QLineEdit>(edit), edit_(edit) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->modifiers() & Qt::KeypadModifier && (e->key() == Qt::Key_Plus || e->key() == Qt::Key_Minus)) {
            bool taken = false;
            Guarded([&] { taken = edit_->KeypadKey(PanelKeyOf(e), ShiftOfModifiers(e->modifiers())); });
            if (taken) return;
        }
        TControlWidget<QLineEdit>::keyPressEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override {
        TControlWidget<QLineEdit>::mousePressEvent(e);
        if (e->button() == Qt::LeftButton) Guarded([&] { edit_->PlaceCaretAfterClick(); });
    }
    void focusInEvent(QFocusEvent* e) override {
        if (e->reason() == Qt::PopupFocusReason) return QLineEdit::focusInEvent(e);
        TControlWidget<QLineEdit>::focusInEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        if (e->reason() == Qt::PopupFocusReason) return QLineEdit::focusOutEvent(e);
        TControlWidget<QLineEdit>::focusOutEvent(e);
    }
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (edit_->AcceptsDroppedFiles() && e->mimeData()->hasUrls())
            e->acceptProposedAction();
        else
            TControlWidget<QLineEdit>::dragEnterEvent(e);
    }
    void dropEvent(QDropEvent* e) override {
        if (!edit_->AcceptsDroppedFiles() || !e->mimeData()->hasUrls()) return TControlWidget<QLineEdit>::dropEvent(e);
        std::vector<std::string> names;
        for (const QUrl& url : e->mimeData()->urls())
            if (url.isLocalFile()) names.push_back(url.toLocalFile().toStdString());
        e->acceptProposedAction();
        Guarded([&] { edit_->DropFiles(names); });
    }

private:
    TCustomComboEdit* edit_;
};

// The panel's window: a pop-up over everything, closed by a press outside it.
class TPopupWidget : public TControlWidget<QWidget> {
public:
    explicit TPopupWidget(TPopupWindow* popup) : TControlWidget<QWidget>(popup), popup_(popup) {
        setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        TControlWidget<QWidget>::paintEvent(e);
        QPainter p(this);
        p.setPen(ToQColor(clBtnShadow));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (rect().contains(e->position().toPoint())) return TControlWidget<QWidget>::mousePressEvent(e);
        // A press on the edit's own button closes the panel taking its value, as the button
        // would; any other press outside cancels.
        TCustomComboEdit* edit = popup_->Edit();
        QWidget* button = edit ? edit->Button()->Widget() : nullptr;
        const bool onButton =
            button && button->isVisible() && button->rect().contains(button->mapFromGlobal(e->globalPosition().toPoint()));
        Guarded([&] {
            if (edit) edit->CloseDropDown(onButton);
        });
        hide();
    }
    void keyPressEvent(QKeyEvent* e) override {
        TCustomComboEdit* edit = popup_->Edit();
        if (edit) QApplication::sendEvent(edit->Widget(), e);
    }
    void hideEvent(QHideEvent* e) override {
        TControlWidget<QWidget>::hideEvent(e);
        Guarded([this] { popup_->ClosedOutside(); });
    }

private:
    TPopupWindow* popup_;
};

// ---- TPopupWindow ----

TPopupWindow::TPopupWindow(TCustomComboEdit* edit) : TWinControl(edit, new TPopupWidget(this)), edit_(edit) {}

void TPopupWindow::Finish(bool accept) {
    if (OnCloseUp) OnCloseUp(this, accept);
}

void TPopupWindow::ShowAt(TPoint origin) {
    SetBounds(origin.X, origin.Y, Width(), Height());
    Widget()->show();
    Widget()->raise();
}

void TPopupWindow::HideWindow() { Widget()->hide(); }

void TPopupWindow::ClosedOutside() {
    if (edit_ && edit_->PopupVisible() && edit_->Popup() == this) edit_->CloseDropDown(false);
}

bool TPopupWindow::PopupKeyDown(uint16_t, TShiftState) { return false; }
bool TPopupWindow::PopupKeyPress(char32_t) { return false; }

void TPopupWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TWinControl::MouseUp(button, shift, x, y);
    if (button == TMouseButton::mbLeft) Finish(x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight());
}

// ---- TEditButton ----

TEditButton::TEditButton(TComponent* owner) : TKvSpeedButton(owner) {
    SetFlat(true);
    SetTransparent(true);
    Widget()->setCursor(Qt::ArrowCursor);
}

void TEditButton::Paint(TCanvas& canvas) {
    TKvSpeedButton::Paint(canvas);
    if (State() == TButtonState::bsDown) return;
    canvas.Pen.Color = clBtnFace;
    canvas.MoveTo(0, 2);
    canvas.LineTo(0, Height() - 2);
}

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    auto* edit = dynamic_cast<TCustomComboEdit*>(Parent());
    if (button == TMouseButton::mbLeft && edit) {
        NoAction = edit->Popup() && edit->PopupVisible();
        if (NoAction)
            edit->CloseDropDown(true);
        else if (edit->TabStop() && edit->CanFocus() && !edit->Focused())
            edit->SetFocus();
    }
    TKvSpeedButton::MouseDown(button, shift, x, y);
}

// ---- TCustomComboEdit ----

TCustomComboEdit::TCustomComboEdit(TComponent* owner) : TWinControl(owner, new TComboEditWidget(this)) {
    QLineEdit* edit = LineEdit();
    edit->setClearButtonEnabled(false);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { Changed(); });
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this] { modified_ = true; });
    button_ = new TEditButton(this);
    button_->SetParent(this);
    button_->OnClick = [this](TComponent*) {
        if (button_->NoAction) {
            button_->NoAction = false;
            return;
        }
        ButtonClick();
    };
    SetBounds(0, 0, 121, 21);
    PlaceButton();
}

TCustomComboEdit::~TCustomComboEdit() = default;

std::string TCustomComboEdit::WidgetText() const { return LineEdit()->text().toStdString(); }

void TCustomComboEdit::SetWidgetText(std::string_view text) { LineEdit()->setText(ToQString(text)); }


void TCustomComboEdit::SelectAll() {
    if (directInput_) LineEdit()->selectAll();
}

void TCustomComboEdit::Changed() {
    if (popupVisible_) return;
    Change();
}

void TCustomComboEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboEdit::SetButtonWidth(int width) {
    if (width == buttonWidth_) return;
    buttonWidth_ = width;
    RebuildGlyph();
    PlaceButton();
}

void TCustomComboEdit::SetDirectInput(bool on) {
    directInput_ = on;
    UpdateReadOnly();
}

void TCustomComboEdit::SetReadOnly(bool on) {
    readOnly_ = on;
    UpdateReadOnly();
}

void TCustomComboEdit::UpdateReadOnly() {
    LineEdit()->setReadOnly(readOnly_ || !directInput_ || (popupVisible_ && popup_));
}

void TCustomComboEdit::SetGlyph(const TBitmap& glyph) {
    glyphKind_ = TGlyphKind::gkCustom;
    button_->SetGlyph(glyph);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind kind) {
    glyphKind_ = kind;
    RebuildGlyph();
    PlaceButton();
}

void TCustomComboEdit::RebuildGlyph() {
    switch (glyphKind_) {
    case TGlyphKind::gkCustom: return;
    case TGlyphKind::gkDefault: {
        const TBitmap glyph = DefaultGlyph();
        button_->SetGlyph(glyph);
        button_->SetNumGlyphs(DefaultNumGlyphs());
        if (!glyph.Empty()) buttonWidth_ = std::max(glyph.Width() / DefaultNumGlyphs() + 6, buttonWidth_);
        return;
    }
    case TGlyphKind::gkDropDown:
        button_->SetGlyph(DropDownGlyph());
        button_->SetNumGlyphs(1);
        buttonWidth_ = LineEdit()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        return;
    case TGlyphKind::gkEllipsis:
        button_->SetGlyph(EllipsisGlyph(buttonWidth_));
        button_->SetNumGlyphs(1);
        return;
    }
}

void TCustomComboEdit::PlaceButton() {
    QLineEdit* edit = LineEdit();
    const int frame = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    const bool shown = buttonWidth_ > 1;
    button_->SetVisible(shown);
    if (shown) button_->SetBounds(Width() - buttonWidth_ - frame, frame, buttonWidth_, Height() - 2 * frame);
    edit->setTextMargins(0, 0, shown ? buttonWidth_ : 0, 0);
}

void TCustomComboEdit::Resize() {
    // An edit lower than its text grows back to hold it.
    const int minimum = LineEdit()->fontMetrics().height() + 4;
    if (Height() < minimum && !Loading()) {
        SetHeight(minimum);
        return;
    }
    PlaceButton();
    TWinControl::Resize();
}

void TCustomComboEdit::EnabledChanged() {
    button_->SetEnabled(Enabled());
    TWinControl::EnabledChanged();
}

void TCustomComboEdit::FontChanged() {
    TWinControl::FontChanged();
    Resize();
}

void TCustomComboEdit::SetPopup(TPopupWindow* popup) {
    popup_ = popup;
    if (popup_) popup_->OnCloseUp = [this](TPopupWindow*, bool accept) { CloseDropDown(accept); };
}

void TCustomComboEdit::ButtonClick() {
    if (GetReadOnly() && !AlwaysEnable) return;
    if (OnButtonClick) OnButtonClick(this);
    if (!popup_) return;
    if (popupVisible_)
        CloseDropDown(true);
    else
        DropDown();
}

void TCustomComboEdit::DropDown() {
    if (!popup_ || GetReadOnly() || popupVisible_) return;
    QLineEdit* edit = LineEdit();
    const QPoint origin = edit->mapToGlobal(QPoint(0, 0));
    QScreen* screen = edit->screen() ? edit->screen() : QApplication::primaryScreen();
    const TRect area = screen ? FromQRect(screen->availableGeometry()) : Rect(0, 0, 1 << 16, 1 << 16);
    const TPoint at = DropDownOrigin(Bounds(origin.x(), origin.y(), Width(), Height()), popup_->Width(),
                                     popup_->Height(), area, popupAlign_);
    PassValueToPopup();
    if (CanFocus()) SetFocus();
    popupVisible_ = true;
    UpdateReadOnly();
    popup_->ShowAt(at);
}

void TCustomComboEdit::CloseDropDown(bool accept) {
    if (!popup_ || !popupVisible_) return;
    popupVisible_ = false;
    TPopupValue value = popup_->GetPopupValue();
    popup_->HideWindow();
    if (CanFocus()) SetFocus();
    UpdateReadOnly();
    Invalidate();
    if (accept && CanAcceptValue(value) && !GetReadOnly()) {
        TakeValue(value);
        if (Focused()) SelectAll();
    }
}

bool TCustomComboEdit::CanAcceptValue(TPopupValue&) { return true; }

void TCustomComboEdit::TakeValue(const TPopupValue&) {}

void TCustomComboEdit::PassValueToPopup() {
    if (popup_) popup_->SetPopupValue(std::nullopt);
}

void TCustomComboEdit::DropFiles(const std::vector<std::string>&) {}

bool TCustomComboEdit::KeypadKey(uint16_t key, TShiftState shift) {
    KeyDown(key, shift);
    return key == 0;
}

void TCustomComboEdit::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (!key) return;
    if (popupVisible_ && (key == VK_RETURN || key == VK_ESCAPE)) {
        CloseDropDown(key == VK_RETURN);
        key = 0;
        return;
    }
    const TShortCut pressed = TShortCut(key | (shift & ssShift ? scShift : 0) | (shift & ssCtrl ? scCtrl : 0) |
                                        (shift & ssAlt ? scAlt : 0));
    if (pressed == clickKey_ && buttonWidth_ > 0) {
        ButtonClick();
        key = 0;
    }
}

void TCustomComboEdit::KeyPress(char32_t& key) {
    TWinControl::KeyPress(key);
    // Typed text waits while the panel is down.
    if (popupVisible_ && popup_ && key) key = 0;
}

void TCustomComboEdit::DoExit() {
    CloseDropDown(false);
    TWinControl::DoExit();
}

// ---- TComboEdit ----

TAlignment TComboEdit::Alignment() const {
    const Qt::Alignment a = LineEdit()->alignment();
    if (a & Qt::AlignRight) return taRightJustify;
    if (a & Qt::AlignHCenter) return taCenter;
    return taLeftJustify;
}

void TComboEdit::SetAlignment(TAlignment alignment) {
    LineEdit()->setAlignment(alignment == taRightJustify ? Qt::AlignRight
                             : alignment == taCenter   ? Qt::AlignHCenter
                                                       : Qt::AlignLeft);
}

// ---- TFileDirEdit, TDirectoryEdit ----

TFileDirEdit::TFileDirEdit(TComponent* owner) : TCustomComboEdit(owner) { SetGlyphKind(TGlyphKind::gkDefault); }

TBitmap TFileDirEdit::DefaultGlyph() const { return FolderGlyph(); }

void TFileDirEdit::SetAcceptFiles(bool on) {
    acceptFiles_ = on;
    LineEdit()->setAcceptDrops(on);
}

void TFileDirEdit::DropFiles(const std::vector<std::string>& names) {
    if (names.empty()) return;
    ClearDroppedNames();
    for (const std::string& name : names) {
        ReceiveDroppedName(name);
        if (!MultipleDirs_) break;
    }
    if (OnDropFiles) OnDropFiles(this);
}

TDirectoryEdit::TDirectoryEdit(TComponent* owner) : TFileDirEdit(owner) {}

void TDirectoryEdit::ButtonClick() {
    if (GetReadOnly() && !AlwaysEnable) return;
    TFileDirEdit::ButtonClick();
    std::string folder = Text();
    bool action = true;
    if (OnBeforeDialog) OnBeforeDialog(this, folder, action);
    if (!action) return;
    folder = DirectoryDialogStart(folder, initialDir_);
    action = SelectFolderDialog(folder, dialogText_, 0);
    if (CanFocus()) SetFocus();
    if (OnAfterDialog) OnAfterDialog(this, folder, action);
    if (!action) return;
    if (LineEdit()->hasSelectedText()) LineEdit()->del();
    SetText(AddDirectoryText(Text(), folder, MultipleDirs_));
    if (!folder.empty() && IsExistingDirectory(folder)) initialDir_ = folder;
}

void TDirectoryEdit::ReceiveDroppedName(const std::string& name) {
    SetText(AddDirectoryText(Text(), DroppedDirectoryName(name), MultipleDirs_));
}

std::string TDirectoryEdit::LongPathText() const { return MapDirectoryList(Text(), MultipleDirs_, &LongPathOf); }
std::string TDirectoryEdit::ShortPathText() const { return MapDirectoryList(Text(), MultipleDirs_, &ShortPathOf); }

// ---- TCustomDateEdit ----

TCustomDateEdit::TCustomDateEdit(TComponent* owner) : TCustomComboEdit(owner), dialogTitle_("Select a Date") {
    // A new date edit speaks the program's language; a window changes it only for a reason.
    model_.SetSettings(Application().Formats());
    SetPopup(MakeCalendarPopup(this));
    Popup()->SetColor(popupColor_);
    if (auto* calendar = dynamic_cast<TPopupCalendar*>(Popup())) calendar->SetFormatSettings(Settings());
    SetGlyphKind(TGlyphKind::gkDefault);
    RefreshDateFormat();
}

TCustomDateEdit::~TCustomDateEdit() = default;

std::string TCustomDateEdit::WidgetText() const { return LineEdit()->displayText().toStdString(); }

TBitmap TCustomDateEdit::DefaultGlyph() const { return CalendarGlyph(); }

void TCustomDateEdit::SetFormatSettings(const FormatSettings& fs) {
    const TDateTime date = Date();
    model_.SetSettings(fs);
    if (auto* calendar = dynamic_cast<TPopupCalendar*>(Popup())) calendar->SetFormatSettings(fs);
    RefreshDateFormat(date);
}

void TCustomDateEdit::SetBlanksChar(char c) {
    const TDateTime date = Date();
    model_.SetBlanksChar(c);
    RefreshDateFormat(date);
}

void TCustomDateEdit::SetYearDigits(TYearDigits digits) {
    yearDigits_ = digits;
    RefreshDateFormat();
}

void TCustomDateEdit::SetCalendarHints(const std::vector<std::string>& hints) {
    calendarHints_.assign(hints.begin(), hints.begin() + std::min<ptrdiff_t>(ptrdiff_t(hints.size()), 4));
    ConfigurePopup();
}

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle style) {
    if (style == CalendarStyle()) return;
    if (style == TCalendarStyle::csDialog) {
        CloseDropDown(false);
        TPopupWindow* popup = Popup();
        SetPopup(nullptr);
        delete popup;
    } else {
        SetPopup(MakeCalendarPopup(this));
        Popup()->SetColor(popupColor_);
        if (auto* calendar = dynamic_cast<TPopupCalendar*>(Popup())) calendar->SetFormatSettings(Settings());
        ConfigurePopup();
    }
}

TColor TCustomDateEdit::PopupColor() const { return Popup() ? Popup()->Color() : popupColor_; }

void TCustomDateEdit::SetPopupColor(TColor color) {
    popupColor_ = color;
    if (Popup()) Popup()->SetColor(color);
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName day) {
    startOfWeek_ = day;
    ConfigurePopup();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek days) {
    weekends_ = days;
    ConfigurePopup();
}

void TCustomDateEdit::SetWeekendColor(TColor color) {
    weekendColor_ = color;
    ConfigurePopup();
}

void TCustomDateEdit::ConfigurePopup() {
    ConfigureCalendarPopup(Popup(), startOfWeek_, weekends_, weekendColor_, &calendarHints_);
}

void TCustomDateEdit::RefreshDateFormat() { RefreshDateFormat(Date()); }

void TCustomDateEdit::RefreshDateFormat(TDateTime date) {
    const QString mask = ToQString(model_.EditMask());
    if (LineEdit()->inputMask() != mask) {
        LineEdit()->setInputMask(QString());
        LineEdit()->setInputMask(mask);
    }
    ConfigurePopup();
    SetDate(date);
}

void TCustomDateEdit::SetDate(TDateTime date) {
    const TDateTime before = Date();
    SetText(model_.TextOf(date));
    SetModified(Date() != before);
}

void TCustomDateEdit::SetDateAndSelect(TDateTime date) {
    SetDate(date);
    SelectAll();
}

void TCustomDateEdit::ValidateDateText() {
    if (model_.IsBlank(Text())) return;
    formatting_ = true;
    try {
        SetDate(model_.ValidDate(Text()));
    } catch (...) {
        formatting_ = false;
        // Later, not inside the focus change that may have called this: taking the focus
        // back there would make Qt take it away again.
        QMetaObject::invokeMethod(
            LineEdit(), [this] { if (CanFocus()) SetFocus(); }, Qt::QueuedConnection);
        throw;
    }
    formatting_ = false;
}

void TCustomDateEdit::Change() {
    if (!formatting_) TCustomComboEdit::Change();
}

bool TCustomDateEdit::CanAcceptValue(TPopupValue& value) {
    if (!OnAcceptDate) return true;
    TDateTime date = value ? *value : NoDate;
    bool action = true;
    OnAcceptDate(this, date, action);
    if (action) value = date;
    return action;
}

void TCustomDateEdit::TakeValue(const TPopupValue& value) { SetDate(value ? *value : NoDate); }

void TCustomDateEdit::PassValueToPopup() {
    if (!Popup()) return;
    TDateTime date = NoDate;
    if (model_.IsBlank(Text()) || !TryTextToDate(model_.DateFormat(), Text(), date, Settings())) date = Today();
    Popup()->SetPopupValue(date);
}

void TCustomDateEdit::ButtonClick() {
    if (Popup()) return TCustomComboEdit::ButtonClick();
    if (GetReadOnly() && !AlwaysEnable) return;
    TCustomComboEdit::ButtonClick();
    TDateTime date = Date();
    const bool picked =
        PickDateInDialog(date, dialogTitle_, startOfWeek_, weekends_, weekendColor_, &calendarHints_, Settings());
    if (CanFocus()) SetFocus();
    if (!picked) return;
    bool action = true;
    if (OnAcceptDate) OnAcceptDate(this, date, action);
    if (!action) return;
    SetDate(date);
    if (Focused()) SelectAll();
}

void TCustomDateEdit::KeyDown(uint16_t& key, TShiftState shift) {
    const bool calendarKey = key == VK_PRIOR || key == VK_NEXT || key == VK_LEFT || key == VK_RIGHT || key == VK_UP ||
                             key == VK_DOWN || key == VkNumpadAdd || key == VkNumpadSubtract;
    if (PopupVisible() && calendarKey) {
        if (Popup()) Popup()->PopupKeyDown(key, shift);
        key = 0;
        return;
    }
    if ((key == VkNumpadAdd || key == VkNumpadSubtract) && !(shift & (ssShift | ssCtrl | ssAlt)) && DirectInput()) {
        SetDateAndSelect(model_.StepDate(Text(), key == VkNumpadAdd ? 1 : -1));
        key = 0;
        return;
    }
    TCustomComboEdit::KeyDown(key, shift);
}

void TCustomDateEdit::KeyPress(char32_t& key) {
    const bool dateChar = key == U'+' || key == U'-' || key == U'T' || key == U't';
    if (PopupVisible() && dateChar) {
        if (Popup()) Popup()->PopupKeyPress(key);
        key = 0;
        return;
    }
    if (dateChar && DirectInput()) {
        if (key == U'T' || key == U't') SetDateAndSelect(Today());
        key = 0;
        return;
    }
    TCustomComboEdit::KeyPress(key);
}

void TCustomDateEdit::PlaceCaretAfterClick() {
    // A click into an empty date lands among the blanks; typing starts with the first digit.
    if (model_.IsBlank(Text())) LineEdit()->setCursorPosition(0);
}

void TCustomDateEdit::DoExit() {
    TCustomComboEdit::DoExit();
    // A window that closes takes the focus away too: that is no leaving to be checked.
    if (checkOnExit_ && Widget()->isVisible() && FocusMovedWithinWindow()) ValidateDateText();
}

bool TCustomDateEdit::FocusMovedWithinWindow() const {
    const QWidget* to = QApplication::focusWidget();
    return to && to->window() == Widget()->window();
}

} // namespace kvz
