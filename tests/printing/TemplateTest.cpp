// The label-sheet template dialog over the report window of a running program: templates
// saved, shown, edited, deleted and used, the file written at once, and its pictures.
#include "core/Data1.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Files.h"
#include "printing/Template.h"
#include "printing/ZostavyChild.h"

#include "TempFolder.h"
#include "core/FrameTesting.h"
#include "forms/FormsTesting.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace kvz {
namespace {

constexpr size_t kRecordSize = 326;

class TemplateDialogTest : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
        ReportsState() = ReportsRunState{};
        RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
        RegisteredModules().Reports = [this](TComponent* owner) {
            reports = new TZostavyChildForm(owner, *data, ProgramState());
            return reports;
        };
    }
    void TearDown() override {
        dialog.reset();
        if (frame) frame->CloseActiveModule();
        reports = nullptr;
        ProgramRunTest::TearDown();
    }
    void Start(int language = 1) {
        std::filesystem::create_directories(dataFolder);
        WriteFileDurably(dataFolder / "Zirt.ini", "[ZirtSettings]\nNastavenia67=" + std::to_string(language) +
                                                      "\nNastavenia36=1\nNastavenia49=0\n");
        StartProgram();
        frame->SetClientSize(1100, 700);
        frame->OpenModule(ReportsModule);
        QApplication::processEvents();
        ASSERT_NE(reports, nullptr);
    }
    TTemplateForm& Open(TTemplateMode mode) {
        dialog.reset();
        dialog = std::make_unique<TTemplateForm>(nullptr, *data, *reports, mode);
        return *dialog;
    }
    std::filesystem::path File() const { return dataFolder / "Template" / "label_templates.dte"; }
    size_t FileRows() const {
        std::error_code ec;
        const auto size = std::filesystem::file_size(File(), ec);
        return ec ? 0 : size / kRecordSize;
    }
    std::string Field(const char* name) { return data->TemplatesMemoryTable->FieldByName(name).AsString(); }
    // Saves the report window's sheet as a new template of that name.
    void SaveNew(const std::string& name) {
        TTemplateForm& d = Open(TTemplateMode::New);
        d.Edit1->SetText(name);
        d.BitBtn3Click();
    }

    TZostavyChildForm* reports = nullptr;
    std::unique_ptr<TTemplateForm> dialog;
};

// A new template takes the report window's geometry, is in the file at once, and comes back
// value by value, the top margin and the row gap each from its own field.
TEST_F(TemplateDialogTest, SavedTemplateIsWrittenAtOnceAndComesBack) {
    Start();
    reports->TakeLabelTemplate({2, 8000, 4000, 1500, 700, 1200, 550});
    TTemplateForm& d = Open(TTemplateMode::New);
    EXPECT_EQ(d.Edit1->Text(), "nazov sablony");
    EXPECT_TRUE(d.Panel2->Visible());
    EXPECT_FALSE(d.Panel1->Visible());
    EXPECT_TRUE(d.SirkaEdit->ReadOnly());
    d.Edit1->SetText("Avery 2x7");
    d.BitBtn3Click();
    EXPECT_EQ(FileRows(), 1u); // not only at the end of the run
    EXPECT_EQ(Field("Name"), "Avery 2x7");
    const std::pair<const char*, const char*> expected[] = {{"Stlpce", "2"},        {"Sirka", "80"},
                                                            {"Vyska", "40"},        {"LavaMedzera", "15"},
                                                            {"Medzera", "7"},       {"HornyOkraj", "12"},
                                                            {"HornaMedzera", "5.5"}};
    for (auto [field, text] : expected) EXPECT_EQ(Field(field), text) << field;
    // The file is what the next start reads.
    data->TemplatesMemoryTable->First();
    while (!data->TemplatesMemoryTable->IsEmpty()) data->TemplatesMemoryTable->Delete();
    data->ReadTemplates();
    TTemplateForm& o = Open(TTemplateMode::Open);
    EXPECT_EQ(o.Edit1->Text(), "Avery 2x7");
    EXPECT_EQ(o.HornyOkrajEdit->Text(), "12");
    EXPECT_EQ(o.HornaMedzeraEdit->Text(), "5.5");
    EXPECT_EQ(o.PocetStlpcovEdit->Text(), "2");
    EXPECT_TRUE(o.Panel1->Visible());
    EXPECT_FALSE(o.Panel2->Visible());
}

// An empty edit of the report window shows as "0"; a template without a name as a blank.
TEST_F(TemplateDialogTest, EmptyValuesShowAsZeroAndBlank) {
    Start();
    reports->VyskaEdit->SetText("");
    TTemplateForm& d = Open(TTemplateMode::New);
    EXPECT_EQ(d.VyskaEdit->Text(), "0");
    d.Edit1->SetText("");
    d.BitBtn3Click();
    EXPECT_EQ(Open(TTemplateMode::Open).Edit1->Text(), " ");
}

// Values are checked as numbers before anything is stored: the message names the text, the
// row and the file stay as they were and the dialog stays in editing.
TEST_F(TemplateDialogTest, ValuesThatAreNoNumbersAreRefusedBeforeSaving) {
    Start();
    SaveNew("A4");
    const std::string before = ReadWholeFile(File());
    struct Case {
        TSheetEdit Edit;
        const char* Text;
    };
    const Case cases[] = {{TSheetEdit::Width, "abc"}, {TSheetEdit::Columns, "2,5"}, {TSheetEdit::Margin, "-3"},
                          {TSheetEdit::RowGap, "5 mm"}, {TSheetEdit::Height, "1e3"}};
    for (const Case& c : cases) {
        TTemplateForm& d = Open(TTemplateMode::Open);
        d.BitBtn2Click();
        ASSERT_TRUE(d.EditFlag());
        d.EditOf(c.Edit)->SetText(c.Text);
        const size_t boxes = responder.MessageBoxes.size();
        d.BitBtn3Click();
        ASSERT_EQ(responder.MessageBoxes.size(), boxes + 1) << c.Text;
        EXPECT_NE(responder.MessageBoxes.back().Text.find(std::string("\"") + c.Text + "\""), std::string::npos);
        EXPECT_TRUE(d.Panel2->Visible()) << c.Text;
        EXPECT_EQ(ReadWholeFile(File()), before) << c.Text;
        EXPECT_EQ(Field("Sirka"), "61") << c.Text;
    }
    // A number in the other decimal form is taken and stored in the user's.
    TTemplateForm& d = Open(TTemplateMode::Open);
    d.BitBtn2Click();
    d.SirkaEdit->SetText("62,5");
    d.BitBtn3Click();
    EXPECT_EQ(Field("Sirka"), "62.5");
    EXPECT_EQ(data->TemplatesMemoryTable->RecordCount(), 1);
}

// A name with a letter the template file cannot store (Windows-1250) is refused before
// anything is posted, in the new and in the editing state; a file that cannot be written takes
// the row back. Later saves are whole, also in the file that the next start reads.
TEST_F(TemplateDialogTest, NameTheFileCannotStoreIsRefused) {
    Start(2);
    SaveNew("Prvá");
    ASSERT_EQ(FileRows(), 1u);
    const std::string before = ReadWholeFile(File());
    for (const char* name : {"Шаблон", "Arch ½"}) {
        TTemplateForm& d = Open(TTemplateMode::New);
        d.Edit1->SetText(name);
        const size_t boxes = responder.MessageBoxes.size();
        d.BitBtn3Click();
        ASSERT_EQ(responder.MessageBoxes.size(), boxes + 1) << name;
        EXPECT_NE(responder.MessageBoxes.back().Text.find(std::string("\"") + name + "\""), std::string::npos);
        EXPECT_NE(responder.MessageBoxes.back().Text.find("súbor šablón"), std::string::npos);
        EXPECT_TRUE(d.Panel2->Visible()) << name;
        EXPECT_EQ(data->TemplatesMemoryTable->RecordCount(), 1) << name;
        EXPECT_EQ(ReadWholeFile(File()), before) << name;
    }
    {
        TTemplateForm& d = Open(TTemplateMode::Open);
        d.BitBtn2Click();
        d.Edit1->SetText("Шаблон");
        d.BitBtn3Click();
        EXPECT_TRUE(d.EditFlag());
        EXPECT_EQ(Field("Name"), "Prvá");
    }
    SaveNew("Druhá");
    EXPECT_EQ(FileRows(), 2u);
    // The folder of the file made a plain file: the write fails, the row goes back.
    const auto folder = File().parent_path(), aside = folder.parent_path() / "Template.aside";
    std::filesystem::rename(folder, aside);
    WriteFileDurably(folder, "");
    {
        TTemplateForm& d = Open(TTemplateMode::New);
        d.Edit1->SetText("Tretia");
        EXPECT_ANY_THROW(d.BitBtn3Click());
        EXPECT_EQ(data->TemplatesMemoryTable->RecordCount(), 2);
        EXPECT_TRUE(d.Panel2->Visible());
        data->TemplatesMemoryTable->First();
        TTemplateForm& e = Open(TTemplateMode::Open);
        e.BitBtn2Click();
        e.Edit1->SetText("Zmenená");
        EXPECT_ANY_THROW(e.BitBtn3Click());
        EXPECT_EQ(Field("Name"), "Prvá");
    }
    std::filesystem::remove(folder);
    std::filesystem::rename(aside, folder);
    SaveNew("Štvrtá");
    // The next start reads every template saved.
    data->TemplatesMemoryTable->First();
    while (!data->TemplatesMemoryTable->IsEmpty()) data->TemplatesMemoryTable->Delete();
    data->ReadTemplates();
    std::vector<std::string> names;
    for (data->TemplatesMemoryTable->First(); !data->TemplatesMemoryTable->Eof(); data->TemplatesMemoryTable->Next())
        names.push_back(Field("Name"));
    EXPECT_EQ(names, (std::vector<std::string>{"Prvá", "Druhá", "Štvrtá"}));
}

// "Cancel" while editing drops the typed values; the stored row stays.
TEST_F(TemplateDialogTest, CancelWhileEditingKeepsTheRow) {
    Start();
    SaveNew("A4");
    TTemplateForm& d = Open(TTemplateMode::Open);
    d.BitBtn2Click();
    d.SirkaEdit->SetText("70");
    d.BitBtn4Click();
    EXPECT_EQ(Field("Sirka"), "61");
    EXPECT_EQ(d.SirkaEdit->Text(), "61");
    EXPECT_FALSE(d.EditFlag());
}

// Delete removes the shown template and writes the file at once; with nothing stored it does
// nothing.
TEST_F(TemplateDialogTest, DeleteWritesAtOnceAndIsHarmlessOnAnEmptyTable) {
    Start();
    TTemplateForm& empty = Open(TTemplateMode::Open);
    const size_t boxes = responder.MessageBoxes.size();
    empty.BitBtn7Click();
    EXPECT_EQ(responder.MessageBoxes.size(), boxes);
    EXPECT_EQ(data->TemplatesMemoryTable->RecordCount(), 0);
    SaveNew("first");
    reports->TakeLabelTemplate({2, 8000, 4000, 1500, 700, 1200, 550});
    SaveNew("second");
    ASSERT_EQ(FileRows(), 2u);
    data->TemplatesMemoryTable->First();
    TTemplateForm& d = Open(TTemplateMode::Open);
    EXPECT_EQ(d.Edit1->Text(), "first");
    d.BitBtn7Click();
    EXPECT_EQ(FileRows(), 1u);
    EXPECT_EQ(d.Edit1->Text(), "second");
    EXPECT_EQ(d.SirkaEdit->Text(), "80");
    d.BitBtn7Click();
    EXPECT_EQ(FileRows(), 0u);
    d.BitBtn7Click();
    EXPECT_EQ(responder.MessageBoxes.size(), boxes);
}

// "Use" puts the template on the report window exactly as saved, also values the sheet's
// following would recompute and a sheet it would refuse one value at a time; afterwards the
// report window follows its edits again.
TEST_F(TemplateDialogTest, UseTakesTheMarginsBackExactly) {
    Start();
    const TLabelSheetValues saved{2, 9000, 4000, 1100, 500, 1300, 700}; // margins not even across
    reports->TakeLabelTemplate(saved);
    SaveNew("wide");
    reports->TakeLabelTemplate({4, 4500, 2500, 1000, 200, 1000, 500});
    ASSERT_TRUE(ReportsState().LabelAutoAdjust);
    {
        TTemplateForm& d = Open(TTemplateMode::Open);
        d.BitBtn1Click();
        EXPECT_EQ(reports->Sheet.Values(), saved);
        EXPECT_EQ(reports->LavyOkrajEdit->Text(), "11");
        EXPECT_EQ(reports->MedzeraEdit->Text(), "5");
        EXPECT_EQ(reports->PocetStlpcovEdit->Text(), "2");
        EXPECT_EQ(reports->Layouts.Labels.Page().Columns, 2);
        dialog.reset();
    }
    EXPECT_TRUE(ReportsState().LabelAutoAdjust);
    reports->SirkaEdit->SetText("80");
    EXPECT_NE(reports->Sheet.Values().Margin, 1100);
}

// A template that cannot make a sheet is refused with the sheet's message; nothing changes.
TEST_F(TemplateDialogTest, UseRefusesASheetThatCannotPrint) {
    Start();
    SaveNew("A4");
    const TLabelSheetValues before = reports->Sheet.Values();
    TTemplateForm& d = Open(TTemplateMode::Open);
    d.BitBtn2Click();
    d.SirkaEdit->SetText("150");
    d.BitBtn3Click();
    const size_t boxes = responder.MessageBoxes.size();
    d.BitBtn1Click();
    EXPECT_EQ(responder.MessageBoxes.size(), boxes + 1);
    EXPECT_EQ(reports->Sheet.Values(), before);
}

TEST_F(TemplateDialogTest, PicturesInThreeLanguages) {
    const char* names[] = {"", "en", "sk", "cs"};
    for (int language = 1; language <= 3; ++language) {
        Start(language);
        SaveNew("Avery L7160");
        TTemplateForm& d = Open(TTemplateMode::Open);
        EXPECT_EQ(d.BitBtn1->Caption(), GetMessageText(MessageId::UseTemplate));
        const char* const lefts[] = {"", "Left margin", "Ľavý okraj", "Levý okraj"};
        const char* const titles[] = {"", "Name", "Názov", "Název"};
        EXPECT_EQ(d.SheetLabels[2]->Caption(), lefts[language]);
        EXPECT_EQ(d.Label2->Caption(), titles[language]);
        EXPECT_EQ(d.BitBtn5->Caption(), "OK");
        EXPECT_GT(testing::SaveWindowPicture(d, std::string("template_dialog_") + names[language]).width(), 0);
        TTemplateForm& n = Open(TTemplateMode::New);
        testing::SaveWindowPicture(n, std::string("template_dialog_new_") + names[language]);
        dialog.reset();
        frame->CloseActiveModule();
        frame->Free();
        frame = nullptr;
        data.reset();
        std::filesystem::remove_all(dataFolder);
    }
}

} // namespace
} // namespace kvz
