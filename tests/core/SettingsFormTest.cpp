#include "core/SettingsForm.h"

#include "core/Data1.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "forms/FormsTesting.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;

struct FakeWindows : SetupWindowServices {
    std::vector<std::string> calls;
    OutlookLook look;
    TColor TargetColor(SetupTarget target) const override { return TColor(0x102030 + int(target)); }
    void PickColor(SetupTarget target) override { calls.push_back("color " + std::to_string(int(target))); }
    void PickFont(SetupTarget target, int maxSize) override {
        calls.push_back("font " + std::to_string(int(target)) + " " + std::to_string(maxSize));
    }
    void VymenColor(int module) override { calls.push_back("VymenColor " + std::to_string(module)); }
    void VymenFont(int module) override { calls.push_back("VymenFont " + std::to_string(module)); }
    void UlozDoPola(int module) override { calls.push_back("UlozDoPola " + std::to_string(module)); }
    void ShowSplitEnableButton(bool on) override { calls.push_back(on ? "split on" : "split off"); }
    void EditCategories() override { calls.push_back("categories"); }
    void ApplyEnvelopeFeed(int feed) override { calls.push_back("feed " + std::to_string(feed)); }
    void SetEnvelopePosition(int position) override { calls.push_back("position " + std::to_string(position)); }
    void SetWeekNumbers(bool on) override { calls.push_back(on ? "weeks on" : "weeks off"); }
    void ChangeFirstDay(int day) override { calls.push_back("first day " + std::to_string(day)); }
    bool OutlookHasActiveHeader() const override { return true; }
    void ApplyOutlookLook(const OutlookLook& l) override {
        look = l;
        calls.push_back("outlook");
    }
    void FrameFormShow() override { calls.push_back("frame show"); }
};

class SettingsFormTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        frame.DataFolder = dir.path();
        frame.TableFolder = dir.path();
        frame.UserPrefix = "Jano";
        frame.Settings = &settings;
        frame.Locks = &locks;
        settings.ZakladneNastavenia();
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        data->OpenAllTables("");
    }
    void TearDown() override { SetLanguage(2); }

    SettingsStore Saved() const {
        SettingsStore s;
        s.LoadSettings(dir.path());
        return s;
    }

    TempFolder dir;
    SettingsStore settings;
    TTableLocks locks;
    FrameState frame;
    std::unique_ptr<TDataModule1> data;
    FakeWindows windows;
};

TEST_F(SettingsFormTest, OkStoresTheSchedulingChoicesAndLeavesTheCategoriesAlone) {
    frame.ActiveModule = TasksModule;
    settings.Nastavenia[Slot::Categories] = 1;
    TSetupForm form(nullptr, frame, *data, windows);
    form.FormShow(&form);
    EXPECT_FALSE(form.TabSheet1->TabVisible());
    EXPECT_FALSE(form.CheckBox1->Enabled());
    EXPECT_TRUE(form.TabSheet4->TabVisible());
    form.PSpinUpDown->SetPosition(25);
    form.CheckBox2->SetChecked(true);
    form.ComboBox2->SetItemIndex(2);
    form.ComboBox2Change(form.ComboBox2);
    form.BitBtn1Click(form.BitBtn1);
    const SettingsStore saved = Saved();
    EXPECT_EQ(saved.Nastavenia[Slot::ReminderLead], 25);
    EXPECT_EQ(saved.Nastavenia[Slot::WeekNumbers], 1);
    EXPECT_EQ(saved.Nastavenia[Slot::FirstWeekDay], 3);
    EXPECT_EQ(saved.Nastavenia[Slot::Categories], 1);
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"weeks on", "first day 3", "UlozDoPola 3"}));
}

// Whatever module is open, OK writes the file: the global page's choices are not lost.
TEST_F(SettingsFormTest, OkSavesTheGlobalPageFromEveryModule) {
    for (int module : {AddressModule, ReportsModule, TasksModule, LinksModule}) {
        SCOPED_TRACE(module);
        frame.ActiveModule = module;
        settings.Nastavenia[Slot::HeaderColor] = 1;
        settings.Nastavenia[Slot::Categories] = 0;
        TSetupForm form(nullptr, frame, *data, windows);
        form.FormShow(&form);
        form.Button29Click(form.Button29);
        form.ViewStyle->SetItemIndex(3);
        form.ViewStyleClick(form.ViewStyle);
        EXPECT_EQ(windows.look.ViewStyle, 3);
        form.BitBtn1Click(form.BitBtn1);
        const SettingsStore saved = Saved();
        EXPECT_EQ(saved.Nastavenia[Slot::HeaderColor], 8421504);
        EXPECT_EQ(saved.Nastavenia[Slot::HeaderEndColor], 16777215);
        EXPECT_EQ(saved.Nastavenia[Slot::ViewStyle], 3);
        EXPECT_EQ(windows.calls.back(), module == AddressModule ? "split off" : "UlozDoPola " + std::to_string(module));
    }
}

TEST_F(SettingsFormTest, TheLinksSourceStoresTheFieldItShows) {
    const std::vector<std::string> fields = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < data->AddressTable->FieldDefs().Count(); ++i) out.push_back(data->AddressTable->FieldDefs()[i].Name());
        return out;
    }();
    ASSERT_EQ(fields.size(), 33u);
    frame.ActiveModule = LinksModule;
    TSetupForm form(nullptr, frame, *data, windows);
    form.FormShow(&form);
    EXPECT_EQ(form.ComboBox4->ItemIndex(), 1);
    struct Case {
        int index;
        std::string field;
    } cases[] = {{0, "Firma"}, {3, "Mesto"}, {12, "Banka"}, {13, fields[31]}, {14, fields[32]}};
    for (const Case& c : cases) {
        form.ComboBox4->SetItemIndex(c.index);
        form.ComboBox4Change(form.ComboBox4);
        EXPECT_EQ(settings.NastaveniaText[TextSlot::LinksAddressField], c.field) << c.index;
    }
}

TEST_F(SettingsFormTest, EnablingCategoriesAddsTheFieldToTheFileThatWasOpenedAndKeepsTheRows) {
    const fs::path other = dir.path() / "other";
    fs::create_directory(other);
    {
        TVolgaTable t;
        for (const char* name : {"Number", "Firma"}) t.FieldDefs().Add(name, ftString, 20);
        t.Open();
        for (const char* firm : {"Alfa", "Beta"}) {
            t.Append();
            t.FieldByName("Number").SetAsString(std::string(firm) + "1");
            t.FieldByName("Firma").SetAsString(firm);
            t.Post();
        }
        t.SaveToFile(other / "Eva_address.d");
    }
    data->OpenAdressTable(other / "Eva_address.d", "", other / "Eva_address.mpf");
    frame.ActiveModule = AddressModule;
    TSetupForm form(nullptr, frame, *data, windows);
    form.FormShow(&form);
    form.CheckBox1->SetChecked(true);
    form.BitBtn1Click(form.BitBtn1);
    TVolgaTable again;
    again.SetTableName((other / "Eva_address.d").string());
    again.Open();
    const TFieldDefs& defs = again.FieldDefs();
    ASSERT_GE(defs.Count(), 3);
    EXPECT_EQ(defs[defs.Count() - 1].Name(), "Split_field");
    EXPECT_EQ(again.RecordCount(), 2);
    EXPECT_EQ(Saved().Nastavenia[Slot::Categories], 1);
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"UlozDoPola 1", "frame show", "split on"}));
}

TEST_F(SettingsFormTest, ColourAndFontButtonsGoToTheirControlsWithTheirSizeLimits) {
    frame.ActiveModule = AddressModule;
    TSetupForm form(nullptr, frame, *data, windows);
    form.FormShow(&form);
    form.Button2->Click();
    form.Button3->Click();
    form.Button7->Click();
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"font 0 22", "color 1", "VymenFont 1"}));
    EXPECT_EQ(form.AdrNoteShape->Brush.Color, TColor(0x102031));
    EXPECT_EQ(form.ReportShape->Brush.Color, clGray);
}

TEST_F(SettingsFormTest, EveryPageInThreeLanguages) {
    const char* const names[] = {"", "en", "sk", "cs"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        for (int module : {AddressModule, ReportsModule, LinksModule, TasksModule}) {
            frame.ActiveModule = module;
            TSetupForm form(nullptr, frame, *data, windows);
            form.Show();
            const std::string name = std::string("setup_") + names[language] + "_" + std::to_string(module);
            testing::SaveWindowPicture(form, name);
            form.PageControl1->SetActivePage(form.TabSheet5);
            testing::SaveWindowPicture(form, name + "_global");
            form.Close();
        }
    }
}

} // namespace
} // namespace kvz
