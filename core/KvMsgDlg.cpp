#include "core/KvMsgDlg.h"

#include "platform/forms/Forms.h"

#include <QApplication>
#include <QStyle>

namespace kvz {

TKvMsgDlgBase::TKvMsgDlgBase(TComponent* owner) : TComponent(owner) {}

unsigned TKvMsgDlgBase::ButtonStyle(TKvMsgDlgButtonGroup group) {
    switch (group) {
    case TKvMsgDlgButtonGroup::bgAbortRetryIgnore: return MB_ABORTRETRYIGNORE;
    case TKvMsgDlgButtonGroup::bgOKCancel: return MB_OKCANCEL;
    case TKvMsgDlgButtonGroup::bgRetryCancel: return MB_RETRYCANCEL;
    case TKvMsgDlgButtonGroup::bgYesNo: return MB_YESNO;
    case TKvMsgDlgButtonGroup::bgYesNoCancel: return MB_YESNOCANCEL;
    default: return MB_OK;
    }
}

std::string TKvMsgDlgBase::DefaultTitle(TKvMsgDlgKind kind) {
    switch (kind) {
    case TKvMsgDlgKind::mkWarning: return "Warning";
    case TKvMsgDlgKind::mkInformation: return "Information";
    case TKvMsgDlgKind::mkQuery: return "Confirm";
    case TKvMsgDlgKind::mkError: return "Error";
    default: return {};
    }
}

namespace {
// The sound of each kind, as the box kinds' icons go.
unsigned SoundOf(TKvMsgDlgKind kind) {
    switch (kind) {
    case TKvMsgDlgKind::mkWarning: return MB_ICONEXCLAMATION;
    case TKvMsgDlgKind::mkInformation: return MB_ICONASTERISK;
    case TKvMsgDlgKind::mkQuery: return MB_ICONQUESTION;
    case TKvMsgDlgKind::mkError: return MB_ICONHAND;
    default: return 0;
    }
}
} // namespace

int TKvMsgDlgBase::Execute() {
    if (makeSound_) MessageBeep(SoundOf(kind_));
    return ShowBox();
}

std::string TKvMsgDlgBase::Caption() const {
    if (!title_.empty()) return title_;
    std::string title = DefaultTitle(kind_);
    return title.empty() ? Application().Title() : title;
}

void TKvMsgDlgBase::OpenHelp() const {
    std::string file = helpFile_;
    if (file.empty())
        if (auto* form = dynamic_cast<TForm*>(Owner())) file = form->HelpFile();
    Application().HelpContext(file, helpContext_);
}

QIcon TKvWinMsgDlgCustom::KindIcon() const {
    QStyle* style = QApplication::style();
    switch (Kind()) {
    case TKvMsgDlgKind::mkWarning: return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case TKvMsgDlgKind::mkInformation: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case TKvMsgDlgKind::mkQuery: return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case TKvMsgDlgKind::mkError: return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case TKvMsgDlgKind::mkWinLogo: return style->standardIcon(QStyle::SP_ComputerIcon);
    case TKvMsgDlgKind::mkUser: {
        // The program's own icons are resources named as the old ones were.
        QIcon named(":/" + QString::fromStdString(IconResource().empty() ? "MAINICON" : IconResource()));
        if (!named.availableSizes().isEmpty()) return named;
        return QApplication::windowIcon();
    }
    default: return QApplication::windowIcon();
    }
}

int TKvWinMsgDlgCustom::ShowBox() {
    TMessageBoxParams params;
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    params.Owner = owner ? owner->Widget() : nullptr;
    params.Text = Text();
    params.Caption = Caption();
    params.Style = ButtonStyle(ButtonGroup()) | MB_USERICON;
    params.UserIcon = KindIcon();
    if (HelpContext() != 0) {
        params.Style |= MB_HELP;
        params.OnHelp = [this] { OpenHelp(); };
    }
    return ShowMessageBox(params);
}

} // namespace kvz
