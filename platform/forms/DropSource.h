// Dragging data out of the program to other programs: a drop source offers its data, the
// desktop's drag runs until the drop or the cancel, and the outcome says what the target did.
// Text is offered as UTF-8, so no letter is lost on the way. The drag itself goes through a
// runner, which tests replace with a fake (nothing in a test starts a real drag).
#pragma once

#include "platform/forms/DragTypes.h"
#include "platform/rtl/Component.h"

#include <QtCore/qnamespace.h>

#include <memory>
#include <string>

class QMimeData;
class QWidget;

namespace kvz {

// How a drag ended.
enum class TDragOutcome { dgCopied = 0, dgMoved = 1, dgLinked = 2, dgCancelled = 3, dgOutOfMemory = 4, dgOther = 5 };

// The desktop's drop actions for the drag types.
Qt::DropActions DropActionsOf(TDragTypes types);
// The outcome of a drag that ended with the target's action: an action the source did not allow,
// or none, is a cancel; copy before move before link when several bits are set.
TDragOutcome DragOutcomeOf(Qt::DropAction action, TDragTypes allowed);

// Whether the mouse, held down at the press point, has gone far enough to start a drag: the
// distance in either direction, not the straight line.
inline constexpr int kTextDragDistance = 10;
bool DragDistanceReached(int pressX, int pressY, int x, int y, int distance = kTextDragDistance);

// Runs one drag from the widget with the data and answers the action the target took
// (Qt::IgnoreAction when the drag was given up).
class TDragRunner {
public:
    virtual ~TDragRunner() = default;
    virtual Qt::DropAction Exec(QWidget* source, std::unique_ptr<QMimeData> data, Qt::DropActions allowed) = 0;
};

// Replaces the desktop's drag while it exists (tests); nested runners restore the one before.
class ScopedDragRunner {
public:
    explicit ScopedDragRunner(TDragRunner& runner);
    ~ScopedDragRunner();
    ScopedDragRunner(const ScopedDragRunner&) = delete;
    ScopedDragRunner& operator=(const ScopedDragRunner&) = delete;

private:
    TDragRunner* previous_;
};

// A source of one kind of data, dragged from a widget. Without a runner set and with nobody at
// the screen (TResponder::Unattended) a drag is a programming error, not a wait.
class TDropSource : public TComponent {
public:
    explicit TDropSource(TComponent* owner) : TComponent(owner) {}
    TDragTypes Dragtypes() const { return dragTypes_; }
    void SetDragtypes(TDragTypes types) { dragTypes_ = types; }

    // Runs one drag to its end.
    TDragOutcome StartDrag(QWidget* source);
    // Puts the data on the clipboard and answers whether the target was told to move or copy
    // it; a source that cannot say so (the text source) answers false.
    bool CutToClipboard() { return TransferToClipboard(); }
    bool CopyToClipboard() { return TransferToClipboard(); }

protected:
    // The data as dragged; nullptr when there is nothing to offer.
    virtual std::unique_ptr<QMimeData> ProvideData() const = 0;
    // Puts the data on the clipboard; false when nothing was put.
    virtual bool PutOnClipboard() { return false; }

private:
    bool TransferToClipboard();
    TDragTypes dragTypes_ = dtCopyBit;
};

// Drags a text (UTF-8).
class TDropTextSource : public TDropSource {
public:
    explicit TDropTextSource(TComponent* owner) : TDropSource(owner) {}
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }

protected:
    std::unique_ptr<QMimeData> ProvideData() const override;
    bool PutOnClipboard() override;

private:
    std::string text_;
};

} // namespace kvz
