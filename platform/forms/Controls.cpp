#include "platform/forms/Controls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>

#include <algorithm>
#include <map>

namespace kvz {

namespace {

std::map<TCursor, QCursor>& CustomCursors() {
    static std::map<TCursor, QCursor> cursors;
    return cursors;
}


uint16_t VirtualKeyOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return uint16_t(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return uint16_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return uint16_t(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
    }
}

TShiftState ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier) s |= ssShift;
    if (mods & Qt::AltModifier) s |= ssAlt;
    if (mods & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
    case Qt::LeftButton: out = TMouseButton::mbLeft; return true;
    case Qt::RightButton: out = TMouseButton::mbRight; return true;
    case Qt::MiddleButton: out = TMouseButton::mbMiddle; return true;
    default: return false;
    }
}

bool Alive(TControl* c) { return c && c->Widget() && !c->Destroying(); }

} // namespace

QCursor CursorShape(TCursor cursor) {
    auto it = CustomCursors().find(cursor);
    if (it != CustomCursors().end()) return it->second;
    switch (cursor) {
    case crNone: return QCursor(Qt::BlankCursor);
    case crCross: return QCursor(Qt::CrossCursor);
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeNESW: return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS: case crVSplit: return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE: return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE: case crHSplit: return QCursor(Qt::SizeHorCursor);
    case crUpArrow: return QCursor(Qt::UpArrowCursor);
    case crHourGlass: return QCursor(Qt::WaitCursor);
    case crDrag: case crMultiDrag: return QCursor(Qt::DragMoveCursor);
    case crNoDrop: case crNo: return QCursor(Qt::ForbiddenCursor);
    case crAppStart: return QCursor(Qt::BusyCursor);
    case crHelp: return QCursor(Qt::WhatsThisCursor);
    case crHandPoint: return QCursor(Qt::PointingHandCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    default: return QCursor(Qt::ArrowCursor);
    }
}

void RegisterCursor(TCursor cursor, const QCursor& shape) { CustomCursors()[cursor] = shape; }

void Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

char32_t AccelCharOf(std::string_view caption) {
    QString s = ToQString(caption);
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != '&') continue;
        if (s[i + 1] == '&') {
            ++i;
            continue;
        }
        return s[i + 1].toLower().unicode();
    }
    return 0;
}

// ---- TControl ----

TControl::TControl(TComponent* owner, QWidget* widget) : TComponent(owner), widget_(widget) {}

TControl::~TControl() {
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    if (widget_) {
        // Events that the widget's end raises find no control.
        QWidget* w = widget_.data();
        widget_.clear();
        delete w;
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = parent;
    if (!widget_) return;
    widget_->setParent(parent ? parent->Widget() : nullptr);
    if (parent) {
        parent->controls_.push_back(this);
        widget_->setGeometry(left_, top_, width_, height_);
        widget_->setVisible(visible_);
        if (parentFont_) ParentFontChanged();
        if (parentColor_) ParentColorChanged();
        if (align_ != TAlign::alNone) parent->AlignControls();
    }
}

TForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c) {
        if (auto* form = dynamic_cast<TForm*>(const_cast<TControl*>(c))) return form;
        c = c->parent_;
    }
    return nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (widget_) {
        if (widget_->isWindow()) {
            widget_->move(left, top);
            widget_->resize(width, height);
        } else {
            widget_->setGeometry(left, top, width, height);
        }
    }
    if (parent_ && align_ != TAlign::alNone && !settingBounds_) parent_->AlignControls();
    if (resized) Guarded([&] { Resize(); });
}

void TControl::WidgetResized(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    Guarded([&] { Resize(); });
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (widget_ && (parent_ || !visible || dynamic_cast<TForm*>(this))) widget_->setVisible(visible);
    if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
    Guarded([&] { VisibleChanged(); });
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (widget_) widget_->setEnabled(enabled);
    Guarded([&] { EnabledChanged(); });
}

void TControl::SetColor(TColor color) {
    color_ = color;
    parentColor_ = false;
    ApplyPalette();
    ColorChanged();
    if (auto* w = dynamic_cast<TWinControl*>(this))
        for (TControl* c : w->controls_)
            if (c->parentColor_) c->ParentColorChanged();
}

void TControl::SetParentColor(bool on) {
    parentColor_ = on;
    if (on) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (parent_) color_ = parent_->Color();
    ApplyPalette();
    ColorChanged();
}

const TFont& TControl::Font() const {
    if (parentFont_ && parent_) return parent_->Font();
    return font_;
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    parentFont_ = false;
    ParentFontChanged();
}

void TControl::SetParentFont(bool on) {
    if (!on && parentFont_) font_ = Font();
    parentFont_ = on;
    ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (widget_) widget_->setFont(Font().ToQFont());
    ApplyPalette();
    Guarded([&] { FontChanged(); });
    if (auto* w = dynamic_cast<TWinControl*>(this))
        for (TControl* c : w->controls_)
            if (c->parentFont_) c->ParentFontChanged();
}

void TControl::ApplyPalette() {
    if (!widget_) return;
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Window, ToQColor(color_));
    QColor text = ToQColor(Font().Color);
    pal.setColor(QPalette::Active, QPalette::WindowText, text);
    pal.setColor(QPalette::Inactive, QPalette::WindowText, text);
    widget_->setPalette(pal);
}

void TControl::SetCaption(std::string_view caption) {
    if (caption == caption_) return;
    caption_ = std::string(caption);
    Guarded([&] { TextChanged(); });
}

void TControl::SetHint(std::string_view hint) {
    hint_ = std::string(hint);
    ApplyToolTip();
}

void TControl::SetShowHint(bool on) {
    showHint_ = on;
    ApplyToolTip();
}

void TControl::ApplyToolTip() {
    if (widget_) widget_->setToolTip(showHint_ ? ToQString(hint_) : QString());
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = menu;
    if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    if (!widget_) return;
    if (cursor == crDefault)
        widget_->unsetCursor();
    else
        widget_->setCursor(CursorShape(cursor));
}

void TControl::Invalidate() {
    if (widget_) widget_->update();
}

void TControl::Repaint() {
    if (widget_) widget_->repaint();
}

TPoint TControl::ClientToScreen(TPoint p) const {
    if (!widget_) return p;
    QPoint q = widget_->mapToGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

TPoint TControl::ScreenToClient(TPoint p) const {
    if (!widget_) return p;
    QPoint q = widget_->mapFromGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::Paint(TCanvas&) {}

void TControl::WidgetPaint(QPainter& painter) {
    TCanvas canvas(painter);
    canvas.Font = Font();
    canvas.Brush.Color = color_;
    canvas_ = &canvas;
    Guarded([&] { Paint(canvas); });
    canvas_ = nullptr;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}
void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}
void TControl::KeyDown(uint16_t&, TShiftState) {}
void TControl::KeyPress(char32_t&) {}
void TControl::KeyUp(uint16_t&, TShiftState) {}

// ---- TGraphicControl, TCustomControl ----

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner, new TControlWidget<QWidget>(this)) {
    Widget()->setFocusPolicy(Qt::NoFocus);
}

void TGraphicControl::Paint(TCanvas&) {
    if (OnPaint) OnPaint(this);
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::Paint(TCanvas&) {
    if (OnPaint) OnPaint(this);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TWinControl(owner, new TControlWidget<QWidget>(this)) {
    Widget()->setAutoFillBackground(true);
    ApplyPalette();
}

TWinControl::TWinControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {}

TWinControl::~TWinControl() {
    // The children's widgets leave this widget, so that Qt does not free them under their
    // controls; the controls go with their owner.
    for (TControl* c : controls_) {
        c->parent_ = nullptr;
        if (c->widget_) c->widget_->setParent(nullptr);
    }
    controls_.clear();
}

bool TWinControl::Focused() const { return Widget() && Widget()->hasFocus(); }

bool TWinControl::CanFocus() const {
    return Widget() && Showing() && Enabled() && Widget()->focusPolicy() != Qt::NoFocus;
}

void TWinControl::SetFocus() {
    if (Widget()) Widget()->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::TabStop() const { return Widget() && (Widget()->focusPolicy() & Qt::TabFocus); }

void TWinControl::SetTabStop(bool on) {
    if (Widget()) Widget()->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void TWinControl::AlignControls() {
    TRect r = ClientRect();
    auto place = [](TControl* c, int l, int t, int w, int h) {
        c->settingBounds_ = true;
        c->SetBounds(l, t, w, h);
        c->settingBounds_ = false;
    };
    for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
        for (TControl* c : controls_) {
            if (c->Align() != pass || !c->Visible()) continue;
            switch (pass) {
            case TAlign::alTop: place(c, r.Left, r.Top, r.Width(), c->Height()); r.Top += c->Height(); break;
            case TAlign::alBottom: r.Bottom -= c->Height(); place(c, r.Left, r.Bottom, r.Width(), c->Height()); break;
            case TAlign::alLeft: place(c, r.Left, r.Top, c->Width(), r.Height()); r.Left += c->Width(); break;
            case TAlign::alRight: r.Right -= c->Width(); place(c, r.Right, r.Top, c->Width(), r.Height()); break;
            default: place(c, r.Left, r.Top, r.Width(), r.Height()); break;
            }
        }
}

bool TWinControl::BroadcastDialogChar(char32_t key) {
    for (TControl* c : controls_) {
        if (!c->Visible()) continue;
        bool took = false;
        Guarded([&] { took = c->DialogChar(key); });
        if (took) return true;
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->BroadcastDialogChar(key)) return true;
    }
    return false;
}

void TWinControl::Resize() {
    AlignControls();
    TControl::Resize();
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}
void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyPress(char32_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

// ---- the widget's reports ----

namespace detail {

void WidgetReports::Paint(TControl* c, QWidget* w) {
    if (!Alive(c)) return;
    QPainter painter(w);
    c->WidgetPaint(painter);
}

bool WidgetReports::MousePress(TControl* c, QMouseEvent* e, bool dbl) {
    TMouseButton button;
    if (!Alive(c) || !ButtonOf(e->button(), button)) return false;
    TShiftState shift = ShiftOf(e->modifiers(), e->buttons()) | (dbl ? unsigned(ssDouble) : 0u);
    int x = int(e->position().x()), y = int(e->position().y());
    if (button == TMouseButton::mbLeft) c->mouseCapture_ = true;
    Guarded([&] { c->MouseDown(button, shift, x, y); });
    if (dbl && Alive(c)) Guarded([&] { c->DblClick(); });
    return true;
}

void WidgetReports::MouseMove(TControl* c, QMouseEvent* e) {
    if (!Alive(c)) return;
    Guarded([&] { c->MouseMove(ShiftOf(e->modifiers(), e->buttons()), int(e->position().x()), int(e->position().y())); });
}

void WidgetReports::MouseRelease(TControl* c, QMouseEvent* e) {
    TMouseButton button;
    if (!Alive(c) || !ButtonOf(e->button(), button)) return;
    int x = int(e->position().x()), y = int(e->position().y());
    bool captured = c->mouseCapture_;
    if (button == TMouseButton::mbLeft) c->mouseCapture_ = false;
    bool inside = x >= 0 && y >= 0 && x < c->Width() && y < c->Height();
    if (button == TMouseButton::mbLeft && captured && inside && c->clickOnRelease_ && c->Enabled())
        Guarded([&] { c->Click(); });
    if (Alive(c)) Guarded([&] { c->MouseUp(button, ShiftOf(e->modifiers(), e->buttons()), x, y); });
}

void WidgetReports::Enter(TControl* c) {
    if (Alive(c)) Guarded([&] { c->MouseEnter(); });
}

void WidgetReports::Leave(TControl* c) {
    if (Alive(c)) Guarded([&] { c->MouseLeave(); });
}

bool WidgetReports::KeyPress(TControl* c, QKeyEvent* e) {
    if (!Alive(c) || QApplication::focusWidget() != c->Widget()) return false;
    uint16_t key = VirtualKeyOf(e->key());
    TShiftState shift = ShiftOf(e->modifiers(), Qt::NoButton);
    QString text = e->text();
    char32_t ch = text.isEmpty() ? 0 : text.toUcs4().value(0);
    TForm* form = c->ParentForm();
    bool consumed = false;
    Guarded([&] {
        if (form && form != c && form->KeyPreview()) {
            if (key) {
                static_cast<TControl*>(form)->KeyDown(key, shift);
                if (!key) consumed = true;
            }
            if (!consumed && ch) {
                static_cast<TControl*>(form)->KeyPress(ch);
                if (!ch) consumed = true;
            }
        }
        if (!consumed && key) {
            c->KeyDown(key, shift);
            if (!key) consumed = true;
        }
        if (!consumed && ch) {
            c->KeyPress(ch);
            if (!ch) consumed = true;
        }
        if (!consumed && form && (shift & ssAlt)) {
            QString k = QKeySequence(e->key()).toString().toLower();
            char32_t accel = k.size() == 1 ? k[0].unicode() : 0;
            if (accel && form->BroadcastDialogChar(accel)) consumed = true;
        }
    });
    return consumed;
}

void WidgetReports::KeyRelease(TControl* c, QKeyEvent* e) {
    if (!Alive(c) || QApplication::focusWidget() != c->Widget()) return;
    uint16_t key = VirtualKeyOf(e->key());
    TShiftState shift = ShiftOf(e->modifiers(), Qt::NoButton);
    if (key) Guarded([&] { c->KeyUp(key, shift); });
}

void WidgetReports::Focus(TControl* c, bool in) {
    if (!Alive(c)) return;
    Guarded([&] {
        if (in)
            c->DoEnter();
        else
            c->DoExit();
    });
}

void WidgetReports::Resized(TControl* c, int width, int height) {
    if (Alive(c)) c->WidgetResized(width, height);
}

bool WidgetReports::ContextMenu(TControl* c, int x, int y) {
    if (!Alive(c) || !c->PopupMenu() || !c->PopupMenu()->AutoPopup()) return false;
    TPoint p = c->ClientToScreen({x, y});
    Guarded([&] { c->PopupMenu()->Popup(p.X, p.Y, c); });
    return true;
}

void WidgetReports::Changed(TControl* c, QEvent* e) {
    // A window hears of the desktop's colours itself; the widgets in it as a palette change.
    const bool colours = e->type() == QEvent::ApplicationPaletteChange || e->type() == QEvent::PaletteChange;
    if (colours && Alive(c)) Guarded([&] { c->SysColorChange(); });
}

} // namespace detail

} // namespace kvz
