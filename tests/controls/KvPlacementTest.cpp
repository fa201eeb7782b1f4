#include "TempFolder.h"
#include "controls/KvFileUtil.h"
#include "controls/KvPlacement.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <QFileDialog>

#include <filesystem>

namespace kvz {
namespace {

namespace fs = std::filesystem;
using testing::FormsTest;

class TPlacementTestForm : public TForm {
public:
    explicit TPlacementTestForm(TComponent* owner) : TForm(owner) {
        Edit1->SetName("Edit1");
        Edit1->SetParent(this);
        Timer1->SetName("Timer1");
    }
    TEdit* Edit1 = new TEdit(this);
    TComponent* Timer1 = new TComponent(this);
};

TEST_F(FormsTest, StoredPlacementComesBackThroughTheIniFile) {
    TempFolder temp;
    const fs::path file = temp.path() / "place.ini";
    {
        TForm form(nullptr);
        form.SetBounds(100, 120, 300, 200);
        TIniStorage storage(file);
        SaveFormPlacement(form, &storage, "Form1");
        storage.UpdateFile();
    }
    TIniStorage storage(file);
    EXPECT_EQ(storage.File().ReadString("Form1", "NormPos", ""), "100,120,400,320");
    EXPECT_EQ(storage.File().ReadString("Form1", "NormPos" + ScreenSizeSuffix(), ""), "100,120,400,320");
    EXPECT_EQ(storage.File().ReadInteger("Form1", "ShowCmd", 0), 1);
    TForm form(nullptr);
    RestoreFormPlacement(form, &storage, "Form1", true, true);
    EXPECT_EQ(form.BoundsRect(), Bounds(100, 120, 300, 200));

    // Another resolution's key is missing: the plain key serves.
    storage.File().DeleteKey("Form1", "NormPos" + ScreenSizeSuffix());
    storage.File().WriteString("Form1", "NormPos", "10, 20, 210, 170");
    RestoreFormPlacement(form, &storage, "Form1", true, true);
    EXPECT_EQ(form.BoundsRect(), Rect(10, 20, 210, 170));
}

TEST_F(FormsTest, PlacementFromAnotherPixelDensityRestoresTheStateOnly) {
    TempFolder temp;
    TIniStorage storage(temp.path() / "place.ini");
    storage.File().WriteString("Form1", "NormPos", "10,20,210,170");
    storage.File().WriteInteger("Form1", "PixelsPerInch", Screen().PixelsPerInch() + 24);
    storage.File().WriteInteger("Form1", "ShowCmd", 3);
    TForm form(nullptr);
    form.SetBounds(1, 2, 100, 100);
    form.Show();
    RestoreFormPlacement(form, &storage, "Form1", true, true);
    EXPECT_EQ(form.BoundsRect(), Bounds(1, 2, 100, 100));
    EXPECT_EQ(form.WindowState(), TWindowState::wsMaximized);
}

TEST_F(FormsTest, QuotedStringsSurviveAnIniFile) {
    TempFolder temp;
    const fs::path file = temp.path() / "values.ini";
    const std::string values[] = {"\"quoted\"", "'single'", "plain", "\"half"};
    {
        TIniStorage storage(file);
        for (size_t i = 0; i < std::size(values); ++i)
            WriteIniOrRegString(&storage, "S", "K" + std::to_string(i), values[i]);
        WriteIniOrRegInteger(&storage, "S", "N", 42);
        storage.UpdateFile();
    }
    TIniStorage storage(file);
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(ReadIniOrRegString(&storage, "S", "K" + std::to_string(i), ""), values[i]);
    EXPECT_EQ(ReadIniOrRegInteger(&storage, "S", "N", 0), 42);
    EXPECT_EQ(ReadIniOrRegString(nullptr, "S", "K0", "none"), "none");
    WriteIniOrRegString(nullptr, "S", "K0", "ignored"); // no storage: nothing happens
    EraseIniOrRegSection(&storage, "S");
    EXPECT_FALSE(storage.File().SectionExists("S"));
}

TEST_F(FormsTest, ComponentIniNamesFollowTheOwnerForm) {
    TPlacementTestForm form(nullptr);
    TCustomControl loose(nullptr);
    loose.SetName("Loose");
    EXPECT_EQ(ComponentIniName(nullptr), "");
    EXPECT_EQ(ComponentIniName(&form), "TPlacementTestForm");
    EXPECT_EQ(ComponentIniName(form.Edit1), "TPlacementTestFormEdit1");
    EXPECT_EQ(ComponentIniName(form.Timer1), "TPlacementTestForm.Timer1");
    EXPECT_EQ(ComponentIniName(&loose), "Loose");
}

TEST_F(FormsTest, PlacementComponentSavesOnCloseAndRestoresOnShow) {
    TempFolder temp;
    const std::string file = (temp.path() / "forms.ini").string();
    std::vector<std::string> log;
    TIniLink link;
    {
        TPlacementTestForm form(nullptr);
        form.OnCloseQuery = [&](TComponent*, bool&) { log.push_back("form closequery"); };
        auto* placement = new TFormPlacement(&form);
        placement->SetIniFileName(file);
        placement->SetOptions(fpState | fpPosition | fpActiveControl);
        link.SetPlacement(placement);
        link.OnSave = [&] {
            log.push_back("link save");
            WriteIniOrRegString(link.Storage(), "Extra", "Width", "77");
        };
        form.Show();
        form.SetBounds(10, 10, 250, 150);
        form.Widget()->move(40, 50); // as the user drags it
        form.Edit1->SetFocus();
        QApplication::processEvents();
        form.Close();
        EXPECT_EQ(log, (std::vector<std::string>{"form closequery", "link save"}));
        link.SetPlacement(nullptr);
    }
    IniFile ini(file);
    EXPECT_EQ(ini.ReadString("TPlacementTestForm", "NormPos", ""), "40,50,290,200");
    EXPECT_EQ(ini.ReadString("TPlacementTestForm", "ActiveControl", ""), "Edit1");
    EXPECT_EQ(ini.ReadString("Extra", "Width", ""), "77");

    TPlacementTestForm again(nullptr);
    auto* placement = new TFormPlacement(&again);
    placement->SetIniFileName(file);
    again.Show();
    EXPECT_EQ(again.BoundsRect(), Bounds(40, 50, 250, 150));
    // A newer version of the window ignores what an older one stored.
    TPlacementTestForm newer(nullptr);
    auto* versioned = new TFormPlacement(&newer);
    versioned->SetIniFileName(file);
    versioned->SetVersion(2);
    newer.SetBounds(5, 5, 100, 100);
    newer.Show();
    EXPECT_EQ(newer.BoundsRect(), Bounds(5, 5, 100, 100));
}

TEST_F(FormsTest, PathRoutines) {
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\", "D:\\"}, {"D:\\Data\\", "D:\\Data"}, {"/", "/"}, {"/home/data/", "/home/data"}, {"x", "x"}, {"", ""}};
    for (auto& [in, out] : cases) EXPECT_EQ(WithoutTrailingBackslash(in), out) << in;
    TempFolder temp;
    fs::create_directories(temp.path() / "KvZirtData" / "Data");
    EXPECT_TRUE(IsExistingDirectory((temp.path() / "KvZirtData").string()));
    EXPECT_FALSE(IsExistingDirectory((temp.path() / "missing").string()));
    EXPECT_EQ(LongNameOf((temp.path() / "kvzirtdata").string()), "KvZirtData");
    EXPECT_EQ(LongNameOf((temp.path() / "missing").string()), "");
    EXPECT_EQ(LongPathOf((temp.path() / "kvzirtdata" / "DATA").string()),
              (temp.path() / "KvZirtData" / "Data").string());
}

TEST_F(FormsTest, FolderDialogReturnsTheChosenFolderAndCancelKeepsIt) {
    TempFolder temp;
    const fs::path chosen = temp.path() / "Backup";
    fs::create_directories(chosen);
    TResponder responder;
    QString shownAt;
    responder.OnDialog = [&](QDialog& d) {
        auto& dialog = static_cast<QFileDialog&>(d);
        shownAt = dialog.directory().absolutePath();
        dialog.selectFile(QString::fromStdString(chosen.string()));
        return int(QDialog::Accepted);
    };
    std::string folder = temp.path().string();
    EXPECT_TRUE(SelectFolderDialog(folder, "Choose", 0));
    EXPECT_EQ(shownAt.toStdString(), temp.path().string());
    EXPECT_EQ(folder, chosen.string());
    responder.OnDialog = [](QDialog&) { return int(QDialog::Rejected); };
    std::string missing = (temp.path() / "missing").string();
    EXPECT_FALSE(SelectFolderDialog(missing, "Choose", 0));
    EXPECT_EQ(missing, (temp.path() / "missing").string());
}

} // namespace
} // namespace kvz
