#include "core/ProgramHooks.h"

#include "controls/KvPlacement.h"
#include "core/PasswordDlg.h"
#include "engine/DbUtils.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysInfo.h"

#include <QMimeDatabase>

namespace kvz {

void InstallProgramHooks() {
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
