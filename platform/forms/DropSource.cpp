#include "platform/forms/DropSource.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/Responder.h"

#include <QDrag>
#include <QMimeData>
#include <QPointer>
#include <QWidget>

#include <cstdlib>
#include <stdexcept>

namespace kvz {

namespace {

class DesktopDrag : public TDragRunner {
public:
    Qt::DropAction Exec(QWidget* source, std::unique_ptr<QMimeData> data, Qt::DropActions allowed) override {
        if (TResponder::Unattended()) throw std::logic_error("A drag out of the program with nobody to end it");
        // The drag object belongs to the source widget; Qt frees it when the drag is over.
        auto* drag = new QDrag(source);
        drag->setMimeData(data.release());
        return drag->exec(allowed, Qt::CopyAction);
    }
};

TDragRunner*& CurrentRunner() {
    static DesktopDrag desktop;
    static TDragRunner* runner = &desktop;
    return runner;
}

} // namespace

Qt::DropActions DropActionsOf(TDragTypes types) {
    Qt::DropActions actions;
    if (types & dtCopyBit) actions |= Qt::CopyAction;
    if (types & dtMoveBit) actions |= Qt::MoveAction;
    if (types & dtLinkBit) actions |= Qt::LinkAction;
    return actions;
}

TDragOutcome DragOutcomeOf(Qt::DropAction action, TDragTypes allowed) {
    const Qt::DropActions shared = DropActionsOf(allowed) & action;
    if (shared & Qt::CopyAction) return TDragOutcome::dgCopied;
    if (shared & Qt::MoveAction) return TDragOutcome::dgMoved;
    if (shared & Qt::LinkAction) return TDragOutcome::dgLinked;
    return TDragOutcome::dgCancelled;
}

bool DragDistanceReached(int pressX, int pressY, int x, int y, int distance) {
    return std::abs(x - pressX) >= distance || std::abs(y - pressY) >= distance;
}

ScopedDragRunner::ScopedDragRunner(TDragRunner& runner) : previous_(CurrentRunner()) { CurrentRunner() = &runner; }
ScopedDragRunner::~ScopedDragRunner() { CurrentRunner() = previous_; }

TDragOutcome TDropSource::StartDrag(QWidget* source) {
    std::unique_ptr<QMimeData> data = ProvideData();
    if (!data) return TDragOutcome::dgOther;
    const Qt::DropAction action = CurrentRunner()->Exec(source, std::move(data), DropActionsOf(dragTypes_));
    return DragOutcomeOf(action, dragTypes_);
}

bool TDropSource::TransferToClipboard() {
    // Only a source that says which effect the target is to take reports success; none here
    // does, so the data goes on the clipboard and the answer is false.
    PutOnClipboard();
    return false;
}

std::unique_ptr<QMimeData> TDropTextSource::ProvideData() const {
    auto data = std::make_unique<QMimeData>();
    data->setText(QString::fromUtf8(text_.data(), qsizetype(text_.size())));
    return data;
}

bool TDropTextSource::PutOnClipboard() {
    if (text_.empty()) return false;
    Clipboard().SetAsText(text_);
    return true;
}

} // namespace kvz
