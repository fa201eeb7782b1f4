#include "platform/forms/Dialogs.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

#include <stdexcept>

#include <utility>
#include <vector>

namespace kvz {

namespace {

std::vector<std::pair<QMessageBox::StandardButton, int>> ButtonsOf(unsigned style) {
    using B = QMessageBox;
    switch (style & 0x0F) {
    case MB_OKCANCEL: return {{B::Ok, IDOK}, {B::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{B::Abort, IDABORT}, {B::Retry, IDRETRY}, {B::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{B::Yes, IDYES}, {B::No, IDNO}, {B::Cancel, IDCANCEL}};
    case MB_YESNO: return {{B::Yes, IDYES}, {B::No, IDNO}};
    case MB_RETRYCANCEL: return {{B::Retry, IDRETRY}, {B::Cancel, IDCANCEL}};
    default: return {{B::Ok, IDOK}};
    }
}
} // namespace

int ShowMessageBox(const TMessageBoxParams& shown) {
    // Texts of the system (an engine's error, a grid's question) reach the user in his language.
    TMessageBoxParams params = shown;
    params.Text = Application().UserText(shown.Text);
    params.Caption = Application().UserText(shown.Caption);
    if (TResponder* responder = TResponder::Current()) {
        for (;;) {
            int answer = responder->AnswerMessageBox(params);
            if (answer != IDHELP || !(params.Style & MB_HELP)) return answer;
            if (params.OnHelp) params.OnHelp();
        }
    }
    if (TResponder::Unattended()) throw std::logic_error("No answer for the message box \"" + params.Text + "\"");
    QMessageBox box(params.Owner);
    box.setWindowTitle(ToQString(params.Caption));
    box.setText(ToQString(params.Text));
    if (params.Style & MB_USERICON) {
        box.setIconPixmap(params.UserIcon.pixmap(32, 32));
    } else {
        switch (params.Style & 0x70) {
        case MB_ICONSTOP: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: break;
        }
    }
    auto buttons = ButtonsOf(params.Style);
    std::vector<std::pair<QAbstractButton*, int>> ids;
    for (auto [standard, id] : buttons) ids.emplace_back(box.addButton(standard), id);
    size_t def = (params.Style & MB_DEFBUTTON3) ? 2 : (params.Style & MB_DEFBUTTON2) ? 1 : 0;
    if (def < ids.size()) box.setDefaultButton(static_cast<QPushButton*>(ids[def].first));
    if (params.Style & MB_HELP) {
        // Help leaves the box open: the button is taken off the box's own click handling.
        QPushButton* help = box.addButton(QMessageBox::Help);
        QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
        auto runHelp = [&params] { Guarded([&] { if (params.OnHelp) params.OnHelp(); }); };
        QObject::connect(help, &QAbstractButton::clicked, &box, runHelp);
        auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &box);
        QObject::connect(f1, &QShortcut::activated, &box, runHelp);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (auto [button, id] : ids)
        if (button == clicked) return id;
    return ids.size() == 1 ? ids.front().second : IDCANCEL;
}

int ShowMessageBox(std::string_view text, std::string_view caption, unsigned style) {
    TMessageBoxParams params;
    params.Text = std::string(text);
    params.Caption = std::string(caption);
    params.Style = style;
    return ShowMessageBox(params);
}

void ShowMessage(std::string_view text) { ShowMessageBox(text, Application().Title(), MB_OK); }

int ExecDialog(QDialog& dialog) {
    if (TResponder* responder = TResponder::Current()) return responder->AnswerDialog(dialog);
    if (TResponder::Unattended())
        throw std::logic_error("No answer for the dialog \"" + dialog.windowTitle().toStdString() + "\"");
    return dialog.exec();
}

void MessageBeep(unsigned) { QApplication::beep(); }

} // namespace kvz
