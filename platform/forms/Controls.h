// Controls: components that show themselves through a Qt widget. TControl carries the common
// properties and events; TGraphicControl paints itself and never takes the focus (a child
// widget without a native window, drawn into its parent's backing store); TWinControl holds
// child controls and the focus; TCustomControl is a TWinControl that paints itself.
#pragma once

#include "platform/forms/Graphics.h"
#include "platform/rtl/Classes.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QCursor;
class QMouseEvent;
class QKeyEvent;
class QMimeData;
class QDropEvent;
class QDragLeaveEvent;

namespace kvz {

class TWinControl;
class TControl;
class TPopupMenu;
class TForm;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;

// The shape of a cursor (platform numbers or one registered by the program).
QCursor CursorShape(TCursor cursor);
void RegisterCursor(TCursor cursor, const QCursor& shape);

// Virtual key codes that handlers see in OnKeyDown and OnKeyUp.
enum : uint16_t {
    VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18, VK_ESCAPE = 27,
    VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38,
    VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46, VK_F1 = 112
};

using TMouseEvent = std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TComponent* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TComponent* sender, char32_t& key)>;

// Dragging: a control of this program starts it (by hand with BeginDrag, or at once when its
// DragMode is automatic), or another program drops data; a control with OnDragOver takes part.
enum class TDragMode { dmManual, dmAutomatic };
enum class TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// What is dragged: the control it came from (none when it came from another program) and
// the data (the text or files another program offers, what OnStartDrag added).
struct TDragObject {
    TControl* Source = nullptr;
    const QMimeData* Data = nullptr;
};
using TDragOverEvent =
    std::function<void(TComponent* sender, const TDragObject& source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TComponent* sender, const TDragObject& source, int x, int y)>;
using TStartDragEvent = std::function<void(TComponent* sender, QMimeData& data)>;
// The target is none when the drag ended on nothing that took it.
using TEndDragEvent = std::function<void(TComponent* sender, TComponent* target, int x, int y)>;

// Runs an event handler; what it throws goes to the application's exception handler, so that
// nothing escapes into Qt's event loop.
void Guarded(const std::function<void()>& handler);
// The application's exception handler (defined with the application object).
void HandleException(std::exception_ptr error);

// The character that follows a single "&" in a caption, lower-cased; 0 when there is none.
char32_t AccelCharOf(std::string_view caption);

template <class Base>
class TControlWidget;

// Where a control's widget waits until the control gets its parent: the owner's client
// widget when the owner is a windowed control. A widget made there costs less than one made
// a window and moved in later.
QWidget* HomeWidget(TComponent* owner);

// What TControlWidget reports to its control.
namespace detail {
struct WidgetReports {
    static void Paint(TControl* c, QWidget* w);
    static bool MousePress(TControl* c, QMouseEvent* e, bool dbl);
    static void MouseMove(TControl* c, QMouseEvent* e);
    static void MouseRelease(TControl* c, QMouseEvent* e);
    static void Enter(TControl* c);
    static void Leave(TControl* c);
    // True when the key was consumed before the widget's own handling.
    static bool KeyPress(TControl* c, QKeyEvent* e);
    static void KeyRelease(TControl* c, QKeyEvent* e);
    static void Focus(TControl* c, bool in);
    static void Resized(TControl* c);
    static bool ContextMenu(TControl* c, int x, int y);
    static void Changed(TControl* c, QEvent* e);
    // True when the control took the drag event (it has OnDragOver).
    static bool Drag(TControl* c, QEvent* e);
};
} // namespace detail

class TControl : public TComponent {
public:
    ~TControl() override;

    QWidget* Widget() const { return widget_.data(); }
    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);
    // The form this control stands on (itself for a form), or none.
    TForm* ParentForm() const;

    // Geometry is the widget's: what a layout or the user did shows here at once. A form's
    // Left and Top are its frame's place on the screen, its Width and Height its client size.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
    virtual TRect ClientRect() const { return Rect(0, 0, Width(), Height()); }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    // The control's own flag: it shows when its parents show.
    bool Visible() const;
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent.
    bool Showing() const;
    // The control's own flag (a disabled parent disables it too, but leaves this as it is).
    bool Enabled() const;
    void SetEnabled(bool enabled);
    TColor Color() const;
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool on);
    // The font the control shows (with ParentFont, its parent's; a size of 0 in a set font
    // means the desktop's size).
    TFont Font() const;
    void SetFont(const TFont& font);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool on);
    std::string Caption() const { return WidgetText(); }
    void SetCaption(std::string_view caption);
    std::string Text() const { return Caption(); }
    void SetText(std::string_view text) { SetCaption(text); }
    std::string Hint() const;
    void SetHint(std::string_view hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }

    // Whether the left button went down here and is still held.
    bool MouseCapture() const { return mouseCapture_; }
    void Invalidate();
    void Repaint();
    void BringToFront();
    void SendToBack();
    TPoint ClientToScreen(TPoint point) const;
    TPoint ScreenToClient(TPoint point) const;
    // Raises the click as a press of the control would.
    virtual void Click();

    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode mode) { dragMode_ = mode; }
    // Starts dragging this control; returns when it is dropped or given up. Without
    // immediate, the drag starts once the mouse moves the desktop's drag distance.
    void BeginDrag(bool immediate);
    // The control being dragged in this program, or none.
    static TControl* DragSource();
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

    TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    // A control shows itself through the widget that its class makes and hands over here.
    TControl(TComponent* owner, QWidget* widget);

    // Where the caption lives: a control over a Qt widget with a text of its own reads and
    // writes that (a button's text, an edit's text, a window's title); the default keeps it
    // as a property of the widget.
    virtual std::string WidgetText() const;
    virtual void SetWidgetText(std::string_view text);

    // The widget reports to these; descendants override and call the base to keep the events.
    virtual void Paint(TCanvas& canvas);
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DblClick();
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void KeyDown(uint16_t& key, TShiftState shift);
    virtual void KeyPress(char32_t& key);
    virtual void KeyUp(uint16_t& key, TShiftState shift);
    virtual void DoEnter() {}
    virtual void DoExit() {}
    virtual void Resize();
    virtual void EnabledChanged() { Invalidate(); }
    virtual void VisibleChanged() {}
    virtual void FontChanged() { Invalidate(); }
    virtual void TextChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }
    // The desktop's colours changed.
    virtual void SysColorChange() { Invalidate(); }
    // An accelerator typed in the form (Alt and a letter); true when this control took it.
    virtual bool DialogChar(char32_t key) {
        (void)key;
        return false;
    }
    void Notification(TComponent* component, TOperation operation) override;

    // The paint canvas while Paint runs, else none.
    TCanvas* Canvas() const { return canvas_; }
    // Whether a left-button release inside raises Click (controls with their own click rule turn it off).
    void SetClickOnRelease(bool on) { clickOnRelease_ = on; }
    // The colour a control of this kind has until one is set (a window's background, or the
    // face colour of buttons and panels); a control with the default keeps the desktop's palette.
    void SetDefaultColor(TColor color) { color_ = color; }
    // Whether Paint runs after the widget paints (controls that draw all or part of themselves).
    void SetCustomPaint(bool on) { customPaint_ = on; }

private:
    friend struct detail::WidgetReports;
    friend class TWinControl;
    friend class TForm;
    void ParentColorChanged();
    void ApplyPalette();
    void ApplyToolTip();
    void WidgetPaint(QPainter& painter);
    void WidgetResized();
    void SendPendingResize();

    QPointer<QWidget> widget_;
    bool clickOnRelease_ = true;
    TWinControl* parent_ = nullptr;
    TAlign align_ = TAlign::alNone;
    TColor color_ = clBtnFace;
    bool colorSet_ = false, parentColor_ = false;
    TFont font_;
    bool parentFont_ = true;
    bool showHint_ = false;
    TPopupMenu* popupMenu_ = nullptr;
    TCursor cursor_ = crDefault;
    int helpContext_ = 0;
    bool mouseCapture_ = false;
    TCanvas* canvas_ = nullptr;
    bool settingBounds_ = false;
    // A control that stands on nothing has no window to show in: whether it shows once it
    // gets a parent.
    bool hiddenWithoutParent_ = false;
    bool customPaint_ = false;
    TDragMode dragMode_ = TDragMode::dmManual;
    bool dragPending_ = false;
    int dragX_ = 0, dragY_ = 0;
};

// A control without a window of its own that paints itself (labels, speed buttons).
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    TNotifyEvent OnPaint;
    using TControl::Canvas;

protected:
    // A graphic control shown by a Qt widget that draws itself (a label, a frame).
    TGraphicControl(TComponent* owner, QWidget* widget);
    void Paint(TCanvas& canvas) override;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return int(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(size_t(index)); }
    bool Focused() const;
    bool CanFocus() const;
    void SetFocus();
    bool TabStop() const;
    void SetTabStop(bool on);
    // The place among its siblings that Tab visits; setting it moves the others up or down.
    int TabOrder() const;
    void SetTabOrder(int order);
    // Lays out the aligned child controls.
    void AlignControls();
    // Offers an accelerator to this control and its children; true when one took it.
    bool BroadcastDialogChar(char32_t key);
    // The widget that child controls' widgets stand in (a scroll box's scrolled area, a frame
    // window's client area); a Qt layout of the children belongs on it.
    virtual QWidget* ClientWidget() const { return Widget(); }

    TNotifyEvent OnEnter, OnExit;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    TWinControl(TComponent* owner, QWidget* widget);
    // A child control arrived or left (a tool bar adds its buttons, a page control its sheets).
    virtual void ControlAdded(TControl* control) { (void)control; }
    virtual void ControlRemoved(TControl* control) { (void)control; }
    // What the aligned children leave free (a frame window shows its client area there).
    virtual void AlignClientArea(const TRect& rest) { (void)rest; }
    void DoEnter() override;
    void DoExit() override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void KeyUp(uint16_t& key, TShiftState shift) override;
    void Resize() override;

private:
    friend class TControl;
    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
};

// A windowed control that paints itself.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    TNotifyEvent OnPaint;
    using TControl::Canvas;

protected:
    void Paint(TCanvas& canvas) override;
};

// The widget behind a control: reports Qt's events to it.
template <class Base>
class TControlWidget : public Base {
public:
    explicit TControlWidget(TControl* control, QWidget* parent = nullptr) : Base(parent), control_(control) {}
    TControl* Control() const { return control_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool event(QEvent* e) override;

private:
    TControl* control_;
};


} // namespace kvz

#include "platform/forms/ControlWidget.inc"
