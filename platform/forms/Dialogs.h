// Message boxes over QMessageBox. They return the platform's button numbers.
#pragma once

#include <QIcon>

#include <functional>
#include <string>
#include <string_view>

class QWidget;
class QDialog;

namespace kvz {

enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7, IDHELP = 9 };

constexpr unsigned MB_OK = 0, MB_OKCANCEL = 1, MB_ABORTRETRYIGNORE = 2, MB_YESNOCANCEL = 3, MB_YESNO = 4,
                   MB_RETRYCANCEL = 5, MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40,
                   MB_ICONINFORMATION = 0x40, MB_USERICON = 0x80, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200,
                   MB_HELP = 0x4000;

struct TMessageBoxParams {
    QWidget* Owner = nullptr;
    std::string Text;
    std::string Caption;
    unsigned Style = MB_OK;
    // Shown with MB_USERICON.
    QIcon UserIcon;
    // Run by the Help button (MB_HELP) and F1; the box stays open.
    std::function<void()> OnHelp;
};

// Shows the box and returns the number of the button that closed it (Escape or the window's
// close gives Cancel where there is one, else the only button). A scripted responder, when
// one is installed, answers instead.
int ShowMessageBox(const TMessageBoxParams& params);
int ShowMessageBox(std::string_view text, std::string_view caption, unsigned style);
// An information box with OK, captioned with the application's title.
void ShowMessage(std::string_view text);
// Runs a platform dialog modally (a scripted responder answers instead when installed) and
// returns its result code.
int ExecDialog(QDialog& dialog);
// The system sound of a box kind (0, 0x10, 0x20, 0x30, 0x40).
void MessageBeep(unsigned type);

} // namespace kvz
