#include "controls/KVCtrls.h"

#include "controls/KvGraph.h"
#include "platform/forms/Forms.h"

#include <QApplication>

namespace kvz {

namespace {

unsigned AlignFlag(TAlignment a) {
    return a == TAlignment::taRightJustify ? DT_RIGHT : a == TAlignment::taCenter ? DT_CENTER : DT_LEFT;
}

QImage Dither() {
    QImage image(8, 8, QImage::Format_RGB32);
    const QRgb face = ToQColor(clBtnFace).rgb(), light = ToQColor(clBtnHighlight).rgb();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) image.setPixel(x, y, (x + y) % 2 == 0 ? light : face);
    return image;
}

} // namespace

int DrawTextWithShadow(TCanvas& canvas, std::string_view text, TRect& rect, unsigned flags, int shadowSize,
                       TColor shadowColor, TShadowPosition shadowPos) {
    TRect shadow = rect;
    const int s = shadowSize;
    switch (shadowPos) {
    case TShadowPosition::spLeftTop: OffsetRect(shadow, -s, -s); break;
    case TShadowPosition::spLeftBottom: OffsetRect(shadow, -s, s); break;
    case TShadowPosition::spRightBottom: OffsetRect(shadow, s, s); break;
    case TShadowPosition::spRightTop: OffsetRect(shadow, s, -s); break;
    }
    const TColor textColor = canvas.Font.Color;
    canvas.Font.Color = shadowColor;
    int height = canvas.DrawText(text, shadow, flags);
    canvas.Font.Color = textColor;
    canvas.DrawText(text, rect, flags);
    rect = UnionRect(rect, shadow);
    return height > 0 ? height + s : height;
}

// ---- label ----

TKvCustomLabel::TKvCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetParentColor(true);
    SetBounds(0, 0, 65, 17);
    QObject::connect(qApp, &QApplication::focusChanged, Widget(), [this](QWidget*, QWidget* now) { FocusMoved(now); });
}

TKvCustomLabel::~TKvCustomLabel() = default;

void TKvCustomLabel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}
void TKvCustomLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    FitLabelSize();
}
void TKvCustomLabel::SetLayout(TTextLayout layout) {
    layout_ = layout;
    Invalidate();
}
void TKvCustomLabel::SetShadowColor(TColor color) {
    shadowColor_ = color;
    Invalidate();
}
void TKvCustomLabel::SetShadowSize(int size) {
    shadowSize_ = std::clamp(size, 0, 255);
    FitLabelSize();
    Invalidate();
}
void TKvCustomLabel::SetShadowPos(TShadowPosition pos) {
    shadowPos_ = pos;
    Invalidate();
}
void TKvCustomLabel::SetShowAccelChar(bool on) {
    showAccelChar_ = on;
    FitLabelSize();
    Invalidate();
}
void TKvCustomLabel::SetShowFocus(bool on) {
    showFocus_ = on;
    Invalidate();
}
void TKvCustomLabel::SetTransparent(bool on) {
    transparent_ = on;
    Invalidate();
}
void TKvCustomLabel::SetWordWrap(bool on) {
    wordWrap_ = on;
    FitLabelSize();
    Invalidate();
}

void TKvCustomLabel::SetFocusControl(TWinControl* control) {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = control;
    if (control) control->FreeNotification(this);
    FocusMoved(QApplication::focusWidget());
}

void TKvCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TKvCustomLabel::FocusMoved(QWidget* now) {
    bool focused = focusControl_ && now && now == focusControl_->Widget();
    if (focused == focused_) return;
    focused_ = focused;
    if (showFocus_) Invalidate();
}

int TKvCustomLabel::PaintLabelText(TCanvas& canvas, TRect& rect, unsigned flags) {
    std::string text = Caption();
    // An empty line still has a height.
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    canvas.Font = Font();
    TColor shadowColor = shadowColor_;
    int size = shadowSize_;
    TShadowPosition pos = shadowPos_;
    if (!Enabled()) {
        canvas.Font.Color = clGrayText;
        shadowColor = clBtnHighlight;
        if (size == 0) {
            size = 1;
            pos = TShadowPosition::spRightBottom;
        }
    }
    return DrawTextWithShadow(canvas, text, rect, flags, size, shadowColor, pos);
}

void TKvCustomLabel::Paint(TCanvas& canvas) {
    if (!Enabled()) dragging_ = false;
    if (!transparent_) {
        canvas.Brush.Color = Color();
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.FillRect(ClientRect());
    }
    canvas.Brush.Style = TBrushStyle::bsClear;
    TRect r = ClientRect();
    r.Left += 1;
    r.Right -= 1;
    const unsigned flags = (wordWrap_ ? DT_WORDBREAK : 0) | AlignFlag(alignment_) | DT_EXPANDTABS;
    if (layout_ != TTextLayout::tlTop) {
        PaintLabelText(canvas, r, flags | DT_CALCRECT);
        r.Left = 0;
        r.Right = Width();
        int dy = Height() - r.Bottom;
        if (layout_ == TTextLayout::tlCenter) dy /= 2;
        OffsetRect(r, 0, dy);
    }
    PaintLabelText(canvas, r, flags);
    if (showFocus_ && focusControl_ && focused_) {
        InflateRect(r, 1, 0);
        canvas.Brush.Color = Color();
        canvas.DrawFocusRect(r);
    }
    TGraphicControl::Paint(canvas);
}

void TKvCustomLabel::FitLabelSize() {
    if (!autoSize_ || Loading()) return;
    QImage device(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&device);
    TRect r = ClientRect();
    r.Left += 1;
    r.Right -= 1;
    PaintLabelText(canvas, r, DT_CALCRECT | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0));
    r.Left -= 1;
    r.Right += 1;
    int left = Left();
    if (alignment_ == TAlignment::taRightJustify) left = Left() + Width() - r.Width();
    SetBounds(left, Top(), r.Width(), r.Height());
}

void TKvCustomLabel::TrackMouseHover() {
    const bool in = Enabled() && pointerInside_ && OwnThreadIsActive();
    if (in == mouseInControl_) return;
    mouseInControl_ = in;
    if (in)
        TGraphicControl::MouseEnter();
    else
        TGraphicControl::MouseLeave();
}

void TKvCustomLabel::MouseEnter() {
    pointerInside_ = true;
    if (mouseInControl_ || !Enabled() || !OwnThreadIsActive()) return;
    mouseInControl_ = true;
    TGraphicControl::MouseEnter();
}

void TKvCustomLabel::MouseLeave() {
    pointerInside_ = false;
    if (!mouseInControl_ || !Enabled() || dragging_) return;
    mouseInControl_ = false;
    TGraphicControl::MouseLeave();
}

void TKvCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    pointerInside_ = true;
    if (button == TMouseButton::mbLeft && Enabled()) dragging_ = true;
    if (button == TMouseButton::mbRight) TrackMouseHover();
}

void TKvCustomLabel::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    pointerInside_ = x >= 0 && y >= 0 && x < Width() && y < Height();
}

void TKvCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == TMouseButton::mbLeft) dragging_ = false;
    TrackMouseHover();
}

bool TKvCustomLabel::DialogChar(char32_t key) {
    if (!focusControl_ || !Enabled() || !showAccelChar_ || key == 0 || key != AccelCharOf(Caption())) return false;
    if (!focusControl_->CanFocus()) return false;
    focusControl_->SetFocus();
    return true;
}

void TKvCustomLabel::EnabledChanged() {
    TrackMouseHover();
    Invalidate();
}

void TKvCustomLabel::VisibleChanged() {
    if (Visible()) TrackMouseHover();
}

void TKvCustomLabel::TextChanged() {
    FitLabelSize();
    Invalidate();
}

void TKvCustomLabel::FontChanged() {
    FitLabelSize();
    Invalidate();
}

// ---- speed button ----

TKvSpeedButton::TKvSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 25, 25);
    SetClickOnRelease(false);
    SetShowHint(true);
    // The click that closes the drop-down menu does not press the button again.
    Widget()->setAttribute(Qt::WA_NoMouseReplay);
    glyph_.OnChange = [this] { Invalidate(); };
}

TKvSpeedButton::~TKvSpeedButton() = default;

TRect TKvSpeedButton::PaintButtonEdges(TCanvas& canvas, const TRect& client, bool isDown, TButtonStyle style, bool flat) {
    TRect r = client;
    QPainter& p = canvas.Painter();
    auto frame = [&](TColor topLeft, TColor bottomRight) {
        const QColor a = ToQColor(topLeft), b = ToQColor(bottomRight);
        p.fillRect(QRect(r.Left, r.Top, 1, r.Height()), a);
        p.fillRect(QRect(r.Left, r.Top, r.Width() - 1, 1), a);
        p.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), b);
        p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), b);
        InflateRect(r, -1, -1);
    };
    const bool newLook = style != TButtonStyle::bsWin31;
    if (isDown) {
        if (flat) {
            frame(clWindowFrame, clBtnHighlight);
        } else if (newLook) {
            frame(clWindowFrame, clBtnHighlight);
            frame(clBtnShadow, clBtnFace);
        } else {
            frame(clWindowFrame, clWindowFrame);
            const QColor shadow = ToQColor(clBtnShadow);
            p.fillRect(QRect(r.Left, r.Top, 1, r.Height()), shadow);
            p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), shadow);
            InflateRect(r, -1, -1);
        }
    } else if (flat) {
        frame(clBtnHighlight, newLook ? clBtnShadow : clWindowFrame);
    } else if (newLook) {
        frame(clBtnHighlight, clWindowFrame);
        frame(clBtnFace, clBtnShadow);
    } else {
        frame(clWindowFrame, clWindowFrame);
        frame(clBtnHighlight, clBtnShadow);
    }
    InflateRect(r, -1, -1);
    return r;
}

void TKvSpeedButton::Paint(TCanvas& canvas) {
    if (!Enabled()) {
        state_ = TButtonState::bsDisabled;
        dragging_ = false;
    } else if (state_ == TButtonState::bsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? TButtonState::bsExclusive : TButtonState::bsUp;
    }
    const TButtonState paintState = flat_ && !mouseInControl_ ? TButtonState::bsInactive : state_;
    TRect r = ClientRect();
    if (!transparent_) {
        canvas.Brush.Color = clBtnFace;
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.FillRect(r);
    }
    const bool pressed = state_ == TButtonState::bsDown || state_ == TButtonState::bsExclusive;
    if (paintState != TButtonState::bsInactive || state_ == TButtonState::bsExclusive)
        r = PaintButtonEdges(canvas, r, pressed, style_, flat_);
    else
        InflateRect(r, -2, -2);
    if (state_ == TButtonState::bsExclusive && !transparent_ && (!flat_ || !mouseInControl_)) {
        canvas.Brush.Pattern = Dither();
        canvas.FillRect(r);
        canvas.Brush.Pattern = QImage();
    }
    if (pressed) OffsetRect(r, 1, 1);
    const TButtonState imageState = grayedInactive_ && state_ != TButtonState::bsDisabled ? paintState : state_;
    canvas.Font = Font();
    canvas.Brush.Style = TBrushStyle::bsClear;
    glyph_.PaintFace(canvas, r, Caption(), layout_, margin_, spacing_, markDropDown_ && dropDownMenu_, imageState,
                     AlignFlag(glyph_.Alignment()));
}

void TKvSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (menuTracking_) return;
    TGraphicControl::MouseDown(button, shift, x, y);
    pointerInside_ = true;
    if (Enabled() && !mouseInControl_) {
        mouseInControl_ = true;
        Invalidate();
    }
    if (button != TMouseButton::mbLeft || !Enabled()) {
        if (button == TMouseButton::mbRight) TrackMouse();
        return;
    }
    if (!down_) {
        state_ = TButtonState::bsDown;
        Invalidate();
    }
    dragging_ = true;
    menuTracking_ = true;
    try {
        if (DropMenuIfAny(MenuAnchor(), false)) FinishPress(button, shift, x, y);
    } catch (...) {
        menuTracking_ = false;
        throw;
    }
    menuTracking_ = false;
    if (allowTimer_) {
        if (!repeatTimer_) {
            repeatTimer_ = new TTimer(this);
            repeatTimer_->OnTimer = [this](TComponent*) { RepeatTick(); };
        }
        repeatTimer_->SetEnabled(false);
        repeatTimer_->SetInterval(initPause_);
        repeatTimer_->SetEnabled(true);
    }
}

void TKvSpeedButton::RepeatTick() {
    repeatTimer_->SetInterval(repeatInterval_);
    if (state_ != TButtonState::bsDown || !MouseCapture()) return;
    try {
        Click();
    } catch (...) {
        repeatTimer_->SetEnabled(false);
        throw;
    }
}

void TKvSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    pointerInside_ = Inside(x, y);
    if (!dragging_) return;
    const TButtonState next = down_ ? TButtonState::bsExclusive : Inside(x, y) ? TButtonState::bsDown : TButtonState::bsUp;
    if (next == state_) return;
    state_ = next;
    Invalidate();
}

void TKvSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    FinishPress(button, shift, x, y);
    if (repeatTimer_) repeatTimer_->SetEnabled(false);
}

void TKvSpeedButton::FinishPress(TMouseButton button, TShiftState, int x, int y) {
    if (button == TMouseButton::mbLeft && dragging_) {
        dragging_ = false;
        const bool clicked = Inside(x, y);
        if (groupIndex_ == 0) {
            state_ = TButtonState::bsUp;
            mouseInControl_ = false;
        } else if (clicked) {
            SetDown(!down_);
        } else {
            // Released away from the button: it shows as it was before the press.
            state_ = down_ ? TButtonState::bsExclusive : TButtonState::bsUp;
        }
        Invalidate();
        if (clicked && !menuTracking_) Click();
    }
    TrackMouse();
}

void TKvSpeedButton::Click() {
    if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
    TGraphicControl::Click();
}

void TKvSpeedButton::DblClick() {
    if (menuTracking_) return;
    if (down_) TGraphicControl::DblClick();
}

bool TKvSpeedButton::DialogChar(char32_t key) {
    if (key == 0 || key != AccelCharOf(Caption()) || !Enabled()) return false;
    Click();
    return true;
}

void TKvSpeedButton::TrackMouse() {
    const bool in = Enabled() && pointerInside_ && OwnThreadIsActive();
    if (in == mouseInControl_) return;
    mouseInControl_ = in;
    if (flat_) Invalidate();
    if (in)
        TGraphicControl::MouseEnter();
    else
        TGraphicControl::MouseLeave();
}

void TKvSpeedButton::MouseEnter() {
    pointerInside_ = true;
    if (mouseInControl_ || !Enabled() || !OwnThreadIsActive()) return;
    mouseInControl_ = true;
    if (flat_) Repaint();
    TGraphicControl::MouseEnter();
}

void TKvSpeedButton::MouseLeave() {
    pointerInside_ = false;
    if (!mouseInControl_ || !Enabled() || dragging_) return;
    mouseInControl_ = false;
    if (flat_) Invalidate();
    TGraphicControl::MouseLeave();
}

void TKvSpeedButton::EnabledChanged() {
    glyph_.MakeStateImage(!Enabled() ? TButtonState::bsDisabled : flat_ ? TButtonState::bsInactive : TButtonState::bsUp);
    TrackMouse();
    Invalidate();
}

void TKvSpeedButton::VisibleChanged() {
    if (Visible()) TrackMouse();
}

void TKvSpeedButton::SysColorChange() {
    // The images were made in the old colours.
    glyph_.DropStateImages();
    Invalidate();
}

void TKvSpeedButton::SetDown(bool down) {
    if (groupIndex_ == 0) down = false;
    if (down == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = down;
    state_ = down ? TButtonState::bsExclusive : TButtonState::bsUp;
    Invalidate();
    if (down) NotifyGroup();
}

void TKvSpeedButton::SetGroupIndex(int index) {
    groupIndex_ = index;
    NotifyGroup();
}

void TKvSpeedButton::SetAllowAllUp(bool on) {
    allowAllUp_ = on;
    NotifyGroup();
}

void TKvSpeedButton::NotifyGroup() {
    if (groupIndex_ == 0 || !Parent()) return;
    for (int i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TKvSpeedButton*>(Parent()->Controls(i)); other && other != this)
            other->ButtonPressed(groupIndex_, this);
}

void TKvSpeedButton::ButtonPressed(int group, TKvSpeedButton* sender) {
    if (group != groupIndex_ || sender == this) return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = TButtonState::bsUp;
        Invalidate();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TKvSpeedButton::SetAllowTimer(bool on) {
    allowTimer_ = on;
    if (!on) {
        delete repeatTimer_;
        repeatTimer_ = nullptr;
    }
}

void TKvSpeedButton::SetDropDownMenu(TPopupMenu* menu) {
    if (dropDownMenu_) dropDownMenu_->RemoveFreeNotification(this);
    dropDownMenu_ = menu;
    if (menu) menu->FreeNotification(this);
    Invalidate();
}

void TKvSpeedButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == dropDownMenu_) {
        dropDownMenu_ = nullptr;
        Invalidate();
    }
    if (component == repeatTimer_) repeatTimer_ = nullptr;
}

TPoint TKvSpeedButton::MenuAnchor() const {
    if (!dropDownMenu_) return {};
    const TPopupAlignment a = dropDownMenu_->Alignment();
    if (menuPosition_ == TKvDropDownMenuPos::dmpBottom) {
        int x = a == TPopupAlignment::paLeft ? -1 : a == TPopupAlignment::paRight ? Width() + 1 : Width() / 2;
        return {x, Height()};
    }
    if (a == TPopupAlignment::paLeft) return {Width(), -1};
    if (a == TPopupAlignment::paRight) return {-1, -1};
    return {Width() / 2, Height()};
}

bool TKvSpeedButton::DropMenuIfAny(TPoint point, bool manual) {
    if (!dropDownMenu_ || (!manual && !dropDownMenu_->AutoPopup())) return false;
    TPoint p = ClientToScreen(point);
    dropDownMenu_->Popup(p.X, p.Y, this);
    return true;
}

void TKvSpeedButton::SetFlat(bool on) {
    flat_ = on;
    Invalidate();
}
void TKvSpeedButton::SetGrayedInactive(bool on) {
    grayedInactive_ = on;
    Invalidate();
}
void TKvSpeedButton::SetLayout(TButtonLayout layout) {
    layout_ = layout;
    Invalidate();
}
void TKvSpeedButton::SetMargin(int margin) {
    margin_ = margin;
    Invalidate();
}
void TKvSpeedButton::SetMarkDropDown(bool on) {
    markDropDown_ = on;
    Invalidate();
}
void TKvSpeedButton::SetSpacing(int spacing) {
    spacing_ = spacing;
    Invalidate();
}
void TKvSpeedButton::SetStyle(TButtonStyle style) {
    style_ = style;
    Invalidate();
}
void TKvSpeedButton::SetTransparent(bool on) {
    transparent_ = on;
    Invalidate();
}

TKvTimerSpeedButton::TKvTimerSpeedButton(TComponent* owner) : TKvSpeedButton(owner) {
    SetStyle(TButtonStyle::bsWin31);
    SetAllowTimer(true);
}

} // namespace kvz
