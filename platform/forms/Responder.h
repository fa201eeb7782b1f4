// A scripted responder answers message boxes, modal forms and pop-up menus while it exists,
// so that a window can be driven headless and nothing waits for a person. A box or modal
// form that appears with no answer set raises an error instead of blocking.
#pragma once

#include "platform/forms/Dialogs.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QMimeData;

namespace kvz {

class TForm;
class TPopupMenu;
class TMenuItem;
class TControl;

// Where a scripted drag ends: on a control at a point of it, or on nothing.
struct TDropAnswer {
    TControl* Target = nullptr;
    int X = 0, Y = 0;
};

class TResponder {
public:
    TResponder();
    ~TResponder();
    TResponder(const TResponder&) = delete;
    TResponder& operator=(const TResponder&) = delete;
    static TResponder* Current();
    // Set where nobody sits at the screen (tests): a box or modal form that appears with no
    // responder fails at once, naming itself, instead of waiting for a person.
    static bool& Unattended();

    // Answers in turn; an answer of IDHELP presses Help and the box asks again.
    std::deque<int> MessageBoxAnswers;
    // Used when the queue is empty.
    std::function<int(const TMessageBoxParams&)> OnMessageBox;
    // Every box shown, in order.
    std::vector<TMessageBoxParams> MessageBoxes;

    // Called once the modal form is shown: it may set controls and call handlers; it returns
    // the modal result (or mrNone to keep the one the form set).
    std::function<int(TForm&)> OnShowModal;
    // Answers a platform dialog (a folder or file chooser) in place of its exec(): it may set
    // the dialog up and returns QDialog::Accepted or QDialog::Rejected.
    std::function<int(QDialog&)> OnDialog;
    // The item to choose, or none to close the menu without a choice.
    std::function<TMenuItem*(TPopupMenu&)> OnPopupMenu;
    // Ends a drag in place of the person holding the mouse.
    std::function<TDropAnswer(TControl& source, const QMimeData& data)> OnDrag;

    int AnswerMessageBox(const TMessageBoxParams& params);
    int AnswerShowModal(TForm& form);
    TMenuItem* AnswerPopupMenu(TPopupMenu& menu);
    int AnswerDialog(QDialog& dialog);
    TDropAnswer AnswerDrag(TControl& source, const QMimeData& data);

private:
    TResponder* previous_;
};

} // namespace kvz
