#include "core/ProgramHooks.h"

#include "controls/KvPlacement.h"
#include "core/Help.h"
#include "core/PasswordDlg.h"
#include "core/SmallRoutines.h"
#include "engine/DbUtils.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysInfo.h"

#include <QDesktopServices>
#include <QDir>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>

namespace kvz {

namespace {

// The desktop opens files, folders and addresses; a program with parameters is started.
int OpenThroughDesktop(const std::string& fileName, const std::string& parameters, const std::string& folder, int) {
    const QString name = QString::fromStdString(fileName);
    if (!parameters.empty())
        return QProcess::startDetached(name, QProcess::splitCommand(QString::fromStdString(parameters)),
                                       QString::fromStdString(folder))
                   ? 33
                   : kShellNoAssociation;
    const QUrl url = name.contains("://") || name.startsWith("mailto:") || name.startsWith("tel:")
                         ? QUrl(name)
                         : QUrl::fromLocalFile(QDir(QString::fromStdString(folder)).absoluteFilePath(name));
    return QDesktopServices::openUrl(url) ? 33 : kShellNoAssociation;
}

} // namespace

void InstallProgramHooks() {
    SetShellOpener(OpenThroughDesktop);
    InstallHelp();
    SetScreenCursorHook([](int cursor) {
        const int old = Screen().Cursor();
        Screen().SetCursor(cursor);
        return old;
    });
    SetFormIniNameHook([](TComponent* owner) {
        return dynamic_cast<TForm*>(owner) ? ComponentIniName(owner) : std::string();
    });
    SetShellTypeNameProvider([](const std::string& fileName) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(fileName), QMimeDatabase::MatchExtension);
        return type.isDefault() ? std::string() : type.comment().toStdString();
    });
    InstallPasswordPrompt();
}

} // namespace kvz
