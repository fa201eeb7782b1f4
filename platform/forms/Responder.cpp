#include "platform/forms/Responder.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"

#include <QDialog>

#include <stdexcept>

namespace kvz {

namespace {
TResponder* current = nullptr;
}

TResponder::TResponder() : previous_(current) { current = this; }
TResponder::~TResponder() { current = previous_; }
TResponder* TResponder::Current() { return current; }

bool& TResponder::Unattended() {
    static bool unattended = false;
    return unattended;
}

int TResponder::AnswerMessageBox(const TMessageBoxParams& params) {
    MessageBoxes.push_back(params);
    if (!MessageBoxAnswers.empty()) {
        int answer = MessageBoxAnswers.front();
        MessageBoxAnswers.pop_front();
        return answer;
    }
    if (OnMessageBox) return OnMessageBox(params);
    throw std::logic_error("No answer for the message box \"" + params.Text + "\"");
}

int TResponder::AnswerShowModal(TForm& form) {
    if (!OnShowModal) throw std::logic_error("No answer for the modal window \"" + form.Caption() + "\"");
    return OnShowModal(form);
}

int TResponder::AnswerDialog(QDialog& dialog) {
    if (!OnDialog) throw std::logic_error("No answer for the dialog \"" + dialog.windowTitle().toStdString() + "\"");
    return OnDialog(dialog);
}

TDropAnswer TResponder::AnswerDrag(TControl& source, const QMimeData& data) {
    if (!OnDrag) throw std::logic_error("No answer for dragging " + source.Name());
    return OnDrag(source, data);
}

TMenuItem* TResponder::AnswerPopupMenu(TPopupMenu& menu) { return OnPopupMenu ? OnPopupMenu(menu) : nullptr; }

} // namespace kvz
