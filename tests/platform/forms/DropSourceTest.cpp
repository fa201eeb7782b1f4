// Dragging text out of the program: what the target did becomes the outcome, the text keeps
// every letter, and the clipboard commands report as a source without a drop effect does. The
// drags end in a fake runner; none reaches the desktop.
#include "forms/FormsTesting.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/DropSource.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <QMimeData>

#include <stdexcept>
#include <string>

namespace kvz {
namespace {

using testing::FormsTest;

// Answers every drag with one action and keeps what it was offered.
class FakeDrag : public TDragRunner {
public:
    explicit FakeDrag(Qt::DropAction answer) : answer(answer) {}
    Qt::DropAction Exec(QWidget*, std::unique_ptr<QMimeData> data, Qt::DropActions allowed) override {
        ++drags;
        text = data->text().toStdString();
        offered = allowed;
        return answer;
    }
    Qt::DropAction answer;
    int drags = 0;
    std::string text;
    Qt::DropActions offered;
};

TEST(DropSourceRules, TheTargetsActionBecomesTheOutcome) {
    struct Case {
        Qt::DropAction action;
        TDragTypes allowed;
        TDragOutcome outcome;
    };
    const Case cases[] = {
        {Qt::CopyAction, dtCopyBit, TDragOutcome::dgCopied},
        {Qt::MoveAction, dtCopyBit | dtMoveBit, TDragOutcome::dgMoved},
        {Qt::LinkAction, dtCopyBit | dtLinkBit, TDragOutcome::dgLinked},
        // An action the source did not allow is no drop.
        {Qt::MoveAction, dtCopyBit | dtLinkBit, TDragOutcome::dgCancelled},
        {Qt::LinkAction, dtCopyBit, TDragOutcome::dgCancelled},
        {Qt::IgnoreAction, dtCopyBit | dtMoveBit | dtLinkBit, TDragOutcome::dgCancelled},
        // Copy wins over move, move over link.
        {Qt::DropAction(int(Qt::CopyAction) | int(Qt::MoveAction)), dtCopyBit | dtMoveBit, TDragOutcome::dgCopied},
        {Qt::DropAction(int(Qt::MoveAction) | int(Qt::LinkAction)), dtMoveBit | dtLinkBit, TDragOutcome::dgMoved},
    };
    for (const Case& c : cases) EXPECT_EQ(DragOutcomeOf(c.action, c.allowed), c.outcome) << int(c.action) << " " << c.allowed;
    EXPECT_EQ(DropActionsOf(dtCopyBit | dtLinkBit), Qt::CopyAction | Qt::LinkAction);
    EXPECT_EQ(DropActionsOf(0), Qt::DropActions());
}

// The mouse must go 10 pixels in either direction; the straight line does not count.
TEST(DropSourceRules, ADragStartsTenPixelsFromThePress) {
    struct Case {
        int dx, dy;
        bool starts;
    };
    const Case cases[] = {{0, 0, false},  {9, 9, false},  {-9, -9, false}, {10, 0, true},  {0, 10, true},
                          {-10, 0, true}, {0, -10, true}, {9, -10, true},  {100, 3, true}, {7, 7, false}};
    for (const Case& c : cases)
        EXPECT_EQ(DragDistanceReached(50, 40, 50 + c.dx, 40 + c.dy), c.starts) << c.dx << "," << c.dy;
}

TEST_F(FormsTest, TheTextSourceDragsItsTextInUtf8) {
    TForm form(nullptr);
    TDropTextSource source(&form);
    source.SetDragtypes(dtCopyBit | dtLinkBit);
    source.SetText("Účet č. 2600123456/1100 – Žilina ľščťžýáíé");
    FakeDrag fake(Qt::CopyAction);
    ScopedDragRunner use(fake);
    EXPECT_EQ(source.StartDrag(form.Widget()), TDragOutcome::dgCopied);
    EXPECT_EQ(fake.text, "Účet č. 2600123456/1100 – Žilina ľščťžýáíé");
    EXPECT_EQ(fake.offered, Qt::CopyAction | Qt::LinkAction);
    fake.answer = Qt::MoveAction;
    EXPECT_EQ(source.StartDrag(form.Widget()), TDragOutcome::dgCancelled);
    fake.answer = Qt::LinkAction;
    EXPECT_EQ(source.StartDrag(form.Widget()), TDragOutcome::dgLinked);
    // An empty text still drags, as an empty text.
    source.SetText("");
    EXPECT_EQ(source.StartDrag(form.Widget()), TDragOutcome::dgLinked);
    EXPECT_EQ(fake.text, "");
    EXPECT_EQ(fake.drags, 4);
}

TEST_F(FormsTest, CutAndCopyPutTheTextOnTheClipboardAndReportFalse) {
    TForm form(nullptr);
    TDropTextSource source(&form);
    Clipboard().SetAsText("before");
    source.SetText("Ďakujem");
    EXPECT_FALSE(source.CopyToClipboard());
    EXPECT_EQ(Clipboard().AsText(), "Ďakujem");
    source.SetText("Cut");
    EXPECT_FALSE(source.CutToClipboard());
    EXPECT_EQ(Clipboard().AsText(), "Cut");
    // Nothing to put: the clipboard keeps what it had.
    source.SetText("");
    EXPECT_FALSE(source.CopyToClipboard());
    EXPECT_EQ(Clipboard().AsText(), "Cut");
}

TEST_F(FormsTest, ADragWithNobodyToEndItFailsInsteadOfWaiting) {
    TForm form(nullptr);
    TDropTextSource source(&form);
    source.SetText("x");
    EXPECT_THROW(source.StartDrag(form.Widget()), std::logic_error);
}

} // namespace
} // namespace kvz
