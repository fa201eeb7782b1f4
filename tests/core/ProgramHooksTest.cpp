#include "core/ProgramHooks.h"
#include "core/SmallRoutines.h"
#include "engine/DbUtils.h"
#include "engine/KvMemDS.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysInfo.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

using testing::FormsTest;

class TAdresyReportForm : public TForm {
public:
    using TForm::TForm;
};

TEST_F(FormsTest, TheProgramConnectsTheHooksOfTheEngineAndTheSystemRoutines) {
    InstallProgramHooks();
    // The desktop's opener and the help stay out of the other tests.
    SetShellOpener(nullptr);
    Application().OnHelp = nullptr;
    // A dataset on a form keeps its layout under the form's name.
    TAdresyReportForm form(nullptr);
    auto* data = new TKvMemoryData(&form);
    data->SetName("ReportTable");
    EXPECT_EQ(DataSetIniSection(*data, ""), "TAdresyReportForm");
    // A locate through the dataset shows the hourglass meanwhile and restores the cursor.
    data->FieldDefs().Add("Name", ftString, 10);
    data->Open();
    data->AppendRecord({Variant("a")});
    data->AppendRecord({Variant("b")});
    auto locate = NewLocateObject(data);
    bool sawHourGlass = false;
    data->AfterScroll = [&](TDataSet&) { sawHourGlass = sawHourGlass || Screen().Cursor() == crHourGlass; };
    EXPECT_TRUE(locate->FindRecord("Name", "a", true, true));
    EXPECT_TRUE(sawHourGlass);
    EXPECT_EQ(Screen().Cursor(), crDefault);
    // The desktop names the kinds of files it knows.
    EXPECT_NE(GetShellFileTypeName("notes.txt"), "TXT File");
    SetShellTypeNameProvider(nullptr);
}

} // namespace
} // namespace kvz
