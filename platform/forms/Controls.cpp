#include "platform/forms/Controls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Responder.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QMimeData>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>

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

namespace {
bool IsForm(const TControl* c) { return dynamic_cast<const TForm*>(c) != nullptr; }
} // namespace

QWidget* HomeWidget(TComponent* owner) {
    auto* home = dynamic_cast<TWinControl*>(owner);
    return home && home->Widget() ? home->ClientWidget() : nullptr;
}

TControl::TControl(TComponent* owner, QWidget* widget) : TComponent(owner), widget_(widget) {
    // A control waits in its owner's window, hidden, until it gets its parent: it almost always
    // stands there.
    if (QWidget* home = HomeWidget(owner); home && widget->windowType() == Qt::Widget) {
        if (widget->parentWidget() != home) widget->setParent(home);
        widget->hide();
    }
    widget->setAcceptDrops(true);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) area->viewport()->setAcceptDrops(true);
}

TControl::~TControl() {
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        // A windowed control leaves the tab order too, or the next reordering reaches it.
        auto& tabs = parent_->tabList_;
        auto isThis = [this](TWinControl* w) { return static_cast<TControl*>(w) == this; };
        tabs.erase(std::remove_if(tabs.begin(), tabs.end(), isThis), tabs.end());
    }
    if (widget_) {
        // Events and signals that the widget's end raises find no control.
        QWidget* w = widget_.data();
        widget_.clear();
        w->blockSignals(true);
        delete w;
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    const bool visible = Visible();
    if (TWinControl* old = parent_) {
        auto& list = old->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        auto& tabs = old->tabList_;
        tabs.erase(std::remove(tabs.begin(), tabs.end(), this), tabs.end());
        parent_ = nullptr;
        Guarded([&] { old->ControlRemoved(this); });
    }
    parent_ = parent;
    if (!widget_) return;
    const QRect geometry = widget_->geometry();
    QWidget* home = parent ? parent->ClientWidget() : nullptr;
    if (widget_->parentWidget() != home || !parent) widget_->setParent(home);
    widget_->setGeometry(geometry);
    if (parent) {
        parent->controls_.push_back(this);
        if (auto* w = dynamic_cast<TWinControl*>(this)) parent->tabList_.push_back(w);
        widget_->setVisible(visible);
        if (parentColor_) ParentColorChanged();
        Guarded([&] { parent->ControlAdded(this); });
        if (align_ != TAlign::alNone) parent->AlignControls();
    } else {
        hiddenWithoutParent_ = !visible;
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

int TControl::Left() const { return widget_ ? widget_->x() : 0; }
int TControl::Top() const { return widget_ ? widget_->y() : 0; }
int TControl::Width() const { return widget_ ? widget_->width() : 0; }
int TControl::Height() const { return widget_ ? widget_->height() : 0; }

void TControl::SetBounds(int left, int top, int width, int height) {
    if (!widget_) return;
    width = std::max(0, width);
    height = std::max(0, height);
    if (widget_->isWindow()) {
        widget_->move(left, top);
        widget_->resize(width, height);
    } else {
        widget_->setGeometry(left, top, width, height);
    }
    SendPendingResize();
    if (parent_ && align_ != TAlign::alNone && !settingBounds_) parent_->AlignControls();
}

void TControl::SendPendingResize() {
    // Qt tells a hidden widget of its new size only when it shows; the control's OnResize and
    // its aligned children follow the size at once.
    if (!widget_ || !widget_->testAttribute(Qt::WA_PendingResizeEvent)) return;
    widget_->setAttribute(Qt::WA_PendingResizeEvent, false);
    QResizeEvent e(widget_->size(), QSize());
    QCoreApplication::sendEvent(widget_, &e);
}

void TControl::WidgetResized() { Guarded([&] { Resize(); }); }

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->AlignControls();
}

bool TControl::Visible() const {
    if (!widget_) return false;
    if (IsForm(this)) return widget_->isVisible();
    if (!parent_) return !hiddenWithoutParent_;
    return !(widget_->isHidden() && widget_->testAttribute(Qt::WA_WState_ExplicitShowHide));
}

void TControl::SetVisible(bool visible) {
    if (!widget_ || visible == Visible()) return;
    if (parent_ || IsForm(this))
        widget_->setVisible(visible);
    else
        hiddenWithoutParent_ = !visible;
    if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
    Guarded([&] { VisibleChanged(); });
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->Visible()) return false;
    return true;
}

bool TControl::Enabled() const { return widget_ && !widget_->testAttribute(Qt::WA_ForceDisabled); }

void TControl::SetEnabled(bool enabled) {
    if (!widget_ || enabled == Enabled()) return;
    widget_->setEnabled(enabled);
    Guarded([&] { EnabledChanged(); });
}

TColor TControl::Color() const {
    if (parentColor_ && parent_) return parent_->Color();
    return color_;
}

void TControl::SetColor(TColor color) {
    color_ = color;
    colorSet_ = true;
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
    ApplyPalette();
    ColorChanged();
}

TFont TControl::Font() const {
    TFont font = parentFont_ ? (parent_ ? parent_->Font() : TFont()) : font_;
    if (font.Size <= 0 && widget_) font.Size = widget_->font().pointSize();
    return font;
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    parentFont_ = false;
    if (widget_) widget_->setFont(font.ToQFont());
    ApplyPalette();
}

void TControl::SetParentFont(bool on) {
    if (on == parentFont_) return;
    if (!on) font_ = Font();
    parentFont_ = on;
    // A widget with no font of its own takes its parent's, and Qt tells it (FontChanged).
    if (widget_) widget_->setFont(on ? QFont() : font_.ToQFont());
    ApplyPalette();
}

void TControl::ApplyPalette() {
    if (!widget_) return;
    // A control with the desktop's colours keeps the desktop's palette, so that it follows a
    // change of theme; only what was set is laid over it.
    const TFont font = Font();
    const bool ownText = font.Color != clWindowText;
    const bool ownColor = colorSet_ || (parentColor_ && parent_ && parent_->colorSet_);
    if (!ownText && !ownColor) return;
    QPalette pal = widget_->palette();
    if (ownColor) {
        pal.setColor(QPalette::Window, ToQColor(Color()));
        pal.setColor(QPalette::Base, ToQColor(Color()));
    }
    if (ownText) {
        QColor text = ToQColor(font.Color);
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            pal.setColor(QPalette::Active, role, text);
            pal.setColor(QPalette::Inactive, role, text);
        }
    }
    widget_->setPalette(pal);
}

namespace {
const char* const CaptionProperty = "kvzCaption";
}

std::string TControl::WidgetText() const {
    return widget_ ? widget_->property(CaptionProperty).toString().toStdString() : std::string();
}

void TControl::SetWidgetText(std::string_view text) {
    if (widget_) widget_->setProperty(CaptionProperty, ToQString(text));
}

void TControl::SetCaption(std::string_view caption) {
    if (caption == WidgetText()) return;
    SetWidgetText(caption);
    Guarded([&] { TextChanged(); });
}

// The whole hint lives in the widget's status tip; the tooltip shows its short part.
std::string TControl::Hint() const { return widget_ ? widget_->statusTip().toStdString() : std::string(); }

void TControl::SetHint(std::string_view hint) {
    if (widget_) widget_->setStatusTip(ToQString(hint));
    ApplyToolTip();
}

void TControl::SetShowHint(bool on) {
    showHint_ = on;
    ApplyToolTip();
}

void TControl::ApplyToolTip() {
    if (!widget_) return;
    QString hint = widget_->statusTip().section('|', 0, 0);
    widget_->setToolTip(showHint_ ? hint : QString());
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

void TControl::BringToFront() {
    if (widget_) widget_->raise();
}

void TControl::SendToBack() {
    if (widget_) widget_->lower();
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

// ---- dragging ----

namespace {
// The drag under way in this program: its source, and the control that took the drop.
QPointer<QWidget> dragSourceWidget;
TControl* dragSource = nullptr;
TControl* dropTarget = nullptr;
TPoint dropPoint;

bool OfferDrop(TControl* target, const TDragObject& object, int x, int y) {
    bool accept = false;
    if (target->OnDragOver) target->OnDragOver(target, object, x, y, TDragState::dsDragEnter, accept);
    if (!accept) return false;
    if (target->OnDragDrop) target->OnDragDrop(target, object, x, y);
    return true;
}
} // namespace

TControl* TControl::DragSource() { return dragSourceWidget ? dragSource : nullptr; }

void TControl::BeginDrag(bool immediate) {
    if (!immediate) {
        dragPending_ = true;
        QPoint p = widget_ ? widget_->mapFromGlobal(QCursor::pos()) : QPoint();
        dragX_ = p.x();
        dragY_ = p.y();
        return;
    }
    dragPending_ = false;
    mouseCapture_ = false;
    auto* data = new QMimeData;
    data->setData("application/x-kvz-control", QByteArray());
    std::unique_ptr<QMimeData> owned(data);
    if (OnStartDrag) OnStartDrag(this, *data);
    dragSource = this;
    dragSourceWidget = widget_.data();
    dropTarget = nullptr;
    QPointer<QWidget> alive(widget_.data());
    struct Reset {
        ~Reset() {
            dragSource = nullptr;
            dragSourceWidget = nullptr;
        }
    } reset;
    if (TResponder* responder = TResponder::Current()) {
        TDropAnswer answer = responder->AnswerDrag(*this, *data);
        if (answer.Target && OfferDrop(answer.Target, {this, data}, answer.X, answer.Y)) {
            dropTarget = answer.Target;
            dropPoint = {answer.X, answer.Y};
        }
    } else if (TResponder::Unattended()) {
        throw std::logic_error("No answer for dragging " + Name());
    } else {
        auto* drag = new QDrag(widget_.data());
        drag->setMimeData(owned.release());
        drag->exec(Qt::CopyAction | Qt::MoveAction);
    }
    if (!alive) return;
    if (OnEndDrag) OnEndDrag(this, dropTarget, dropPoint.X, dropPoint.Y);
}

void TControl::Paint(TCanvas&) {}

void TControl::WidgetPaint(QPainter& painter) {
    TCanvas canvas(painter);
    canvas.Font = Font();
    canvas.Brush.Color = Color();
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

TGraphicControl::TGraphicControl(TComponent* owner) : TGraphicControl(owner, new TControlWidget<QWidget>(this, HomeWidget(owner))) {
    SetCustomPaint(true);
}

TGraphicControl::TGraphicControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {
    Widget()->setFocusPolicy(Qt::NoFocus);
}

void TGraphicControl::Paint(TCanvas&) {
    if (OnPaint) OnPaint(this);
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) { SetCustomPaint(true); }

void TCustomControl::Paint(TCanvas&) {
    if (OnPaint) OnPaint(this);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TWinControl(owner, new TControlWidget<QWidget>(this, HomeWidget(owner))) {
    Widget()->setAutoFillBackground(true);
    ApplyPalette();
}

TWinControl::TWinControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {}

TWinControl::~TWinControl() {
    // The descendant's part is gone: what the widget says from now on (a tab widget losing
    // its pages) reaches nobody.
    if (Widget()) Widget()->blockSignals(true);
    // The children's widgets leave this widget, so that Qt does not free them under their
    // controls; the controls go with their owner.
    for (TControl* c : controls_) {
        c->parent_ = nullptr;
        if (c->widget_) c->widget_->setParent(nullptr);
    }
    controls_.clear();
    tabList_.clear();
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const auto& tabs = Parent()->tabList_;
    return int(std::find(tabs.begin(), tabs.end(), this) - tabs.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent()) return;
    auto& tabs = Parent()->tabList_;
    tabs.erase(std::remove(tabs.begin(), tabs.end(), this), tabs.end());
    order = std::clamp(order, 0, int(tabs.size()));
    tabs.insert(tabs.begin() + order, this);
    // Qt's focus chain runs through the whole window; chaining the siblings in order puts
    // them in that order and leaves the rest of the chain as it was.
    for (size_t i = 1; i < tabs.size(); ++i)
        if (tabs[i - 1]->Widget() && tabs[i]->Widget()) QWidget::setTabOrder(tabs[i - 1]->Widget(), tabs[i]->Widget());
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
    AlignClientArea(r);
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
    if (!Alive(c) || !c->customPaint_) return;
    // A scroll area paints its viewport, never itself.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();
    QPainter painter(w);
    c->WidgetPaint(painter);
}

bool WidgetReports::MousePress(TControl* c, QMouseEvent* e, bool dbl) {
    TMouseButton button;
    if (!Alive(c) || !ButtonOf(e->button(), button)) return false;
    TShiftState shift = ShiftOf(e->modifiers(), e->buttons()) | (dbl ? unsigned(ssDouble) : 0u);
    int x = int(e->position().x()), y = int(e->position().y());
    if (button == TMouseButton::mbLeft) {
        c->mouseCapture_ = true;
        if (c->dragMode_ == TDragMode::dmAutomatic) {
            c->dragPending_ = true;
            c->dragX_ = x;
            c->dragY_ = y;
        }
    }
    Guarded([&] { c->MouseDown(button, shift, x, y); });
    if (dbl && Alive(c)) Guarded([&] { c->DblClick(); });
    return true;
}

void WidgetReports::MouseMove(TControl* c, QMouseEvent* e) {
    if (!Alive(c)) return;
    if (c->dragPending_ && (e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - QPoint(c->dragX_, c->dragY_)).manhattanLength() >= QApplication::startDragDistance()) {
        Guarded([&] { c->BeginDrag(true); });
        return;
    }
    Guarded([&] { c->MouseMove(ShiftOf(e->modifiers(), e->buttons()), int(e->position().x()), int(e->position().y())); });
}

void WidgetReports::MouseRelease(TControl* c, QMouseEvent* e) {
    TMouseButton button;
    if (!Alive(c) || !ButtonOf(e->button(), button)) return;
    int x = int(e->position().x()), y = int(e->position().y());
    bool captured = c->mouseCapture_;
    if (button == TMouseButton::mbLeft) {
        c->mouseCapture_ = false;
        c->dragPending_ = false;
    }
    bool inside = x >= 0 && y >= 0 && x < c->Width() && y < c->Height();
    if (button == TMouseButton::mbLeft && captured && inside && c->clickOnRelease_ && c->Enabled())
        Guarded([&] { c->Click(); });
    if (Alive(c)) Guarded([&] { c->MouseUp(button, ShiftOf(e->modifiers(), e->buttons()), x, y); });
}

void WidgetReports::Enter(TControl* c) {
    if (!Alive(c)) return;
    // The status bar shows the long part of the hint under the mouse.
    QString hint = c->Widget()->statusTip();
    Application().SetHint(hint.section('|', hint.contains('|') ? 1 : 0).toStdString());
    Guarded([&] { c->MouseEnter(); });
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

void WidgetReports::Resized(TControl* c) {
    if (Alive(c)) c->WidgetResized();
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
    // Fonts come down from the parent and the desktop through Qt.
    if (e->type() == QEvent::FontChange && Alive(c)) Guarded([&] { c->FontChanged(); });
}

bool WidgetReports::Drag(TControl* c, QEvent* e) {
    if (!Alive(c) || !c->OnDragOver) return false;
    auto* drop = static_cast<QDropEvent*>(e);
    TDragObject object;
    object.Source = TControl::DragSource();
    if (e->type() == QEvent::DragLeave) {
        bool ignored = false;
        Guarded([&] { c->OnDragOver(c, object, -1, -1, TDragState::dsDragLeave, ignored); });
        return true;
    }
    object.Data = drop->mimeData();
    const QPoint p = drop->position().toPoint();
    if (e->type() == QEvent::Drop) {
        Guarded([&] {
            if (c->OnDragDrop) c->OnDragDrop(c, object, p.x(), p.y());
        });
        drop->acceptProposedAction();
        dropTarget = c;
        dropPoint = {p.x(), p.y()};
        return true;
    }
    bool accept = false;
    TDragState state = e->type() == QEvent::DragEnter ? TDragState::dsDragEnter : TDragState::dsDragMove;
    Guarded([&] { c->OnDragOver(c, object, p.x(), p.y(), state, accept); });
    if (accept)
        drop->acceptProposedAction();
    else
        drop->ignore();
    return true;
}

} // namespace detail

} // namespace kvz
