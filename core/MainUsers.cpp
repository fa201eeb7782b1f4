// The frame window's user and language steps: the version marker and the move of old data, the
// language dialog, the choice of user, the captions, and the password by role.
#include "core/Languages.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "core/Migration.h"
#include "core/UserForms.h"
#include "core/Users.h"
#include "core/VersionInfo.h"

namespace kvz {

void InstallUserSteps() {
    UserSteps& steps = RegisteredUserSteps();
    steps.CheckDataVersion = [](TMainForm&) {
        // The marker lies in the data folder; the old data, if any, beside the program.
        const DataVersion version = CheckDataVersion(ProgramState().DataFolder);
        RunDataMigration(ProgramState().ProgramFolder, ProgramState().DataFolder, version.MigrationNeeded);
    };
    steps.SelectLanguage = [](TMainForm& frame) {
        RunLanguageDialog(ProgramSettings(), frame.FirstStart, [&frame] {
            frame.TranslateOnShow = true;
            TranslateMainWindow(frame, Language());
            frame.SetHelpFileByLanguage();
            frame.RefreshActiveModule();
        });
    };
    steps.ScanUser = [](TMainForm& frame) {
        ScanUser(ProgramSettings(), ProgramState(), frame.DataModule1, frame.FirstStart, frame.TablePassword);
    };
    steps.PickUser = [](TMainForm& frame) {
        return PickUserByDialog(ProgramState(), frame.DataModule1, false, frame.TablePassword, frame.OfflineMode);
    };
    steps.TranslateMainWindow = [](TMainForm& frame) { TranslateMainWindow(frame, Language()); };
    steps.EnableKeyByRole = [](TMainForm& frame) {
        EnableKeyByRole(frame, ProgramState().NetworkMode, ProgramSettings().ClientMode);
    };
    steps.ChangePassword = [](TMainForm& frame) {
        if (frame.DataModule1) RunChangeKeyDialog(*frame.DataModule1, ProgramState(), frame.TablePassword);
    };
}

} // namespace kvz
