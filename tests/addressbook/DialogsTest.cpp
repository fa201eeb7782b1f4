#include "addressbook/Assign.h"
#include "addressbook/ExportForm.h"
#include "addressbook/ReadUnit.h"
#include "addressbook/SendTo.h"
#include "addressbook/Zaloha.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Files.h"

#include "ExchangeTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;
using kvz::testing::SaveWindowPicture;

const char* const kLanguageNames[] = {"", "en", "sk", "cs"};

class ExchangeDialogsTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
    }
    void TearDown() override { SetLanguage(2); }
    TempFolder jano, fero, exchange;
    UnavailableWabSource wab;
};

TEST_F(ExchangeDialogsTest, TheImportDialogRunsTheChosenSourceOnly) {
    Program sender(jano.path(), "Jano");
    sender.Add(TableId::Address, {{"Firma", "Od Jana"}});
    const fs::path folder = WriteSendTo(*sender.context, exchange.path(), TableGroup::All);
    Program p(fero.path(), "Fero");
    p.frame.ActiveModule = AddressModule;

    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TReadForm form(nullptr, *p.context, wab);
        form.Show();
        EXPECT_EQ(form.Caption(), (std::vector<std::string>{"Read-Recover", "Načítať-Obnoviť", "Načíst-Obnovit"}[size_t(language - 1)]));
        EXPECT_TRUE(form.CheckBox2->Enabled());
        SaveWindowPicture(form, std::string("readform-") + kLanguageNames[language]);
    }
    SetLanguage(1);

    TReadForm form(nullptr, *p.context, wab);
    int folders = 0;
    std::optional<fs::path> answer;
    form.ChooseFolder = [&] {
        ++folders;
        return answer;
    };
    form.PickFile = [](const std::string&) -> std::optional<fs::path> {
        ADD_FAILURE() << "no file is asked for";
        return std::nullopt;
    };
    form.Show();
    EXPECT_TRUE(form.CheckBox1->Checked());
    EXPECT_TRUE(form.CheckBox6->Checked());
    form.BitBtn1Click(&form); // the folder choice cancelled: nothing merged
    EXPECT_EQ(folders, 1);
    EXPECT_EQ(Column(p.Table(TableId::Address), "Firma"), (std::vector<std::string>{"My Firm"}));
    answer = folder;
    form.BitBtn1Click(&form);
    EXPECT_EQ(Column(p.Table(TableId::Address), "Firma"), (std::vector<std::string>{"My Firm", "Od Jana"}));

    // A folder without its marker is reported.
    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    answer = exchange.path();
    form.BitBtn1Click(&form);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("Zirt_Export.txt"), std::string::npos);

    // A copy of another structure merged with no field assigned says so and merges nothing.
    ASSERT_TRUE(p.data->AddMissingFields(TableId::LinksType, p.context->TableFile(TableId::LinksType),
                                         {{"Farba", ftInteger}}));
    const std::string types = ReadWholeFile(p.context->TableFile(TableId::LinksType));
    form.AskFields = [](TDataSet&, TDataSet&) -> std::optional<FieldAssignment> { return FieldAssignment{}; };
    answer = folder;
    responder.MessageBoxes.clear();
    responder.MessageBoxAnswers = {IDOK};
    form.BitBtn1Click(&form);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, NothingAssignedText());
    EXPECT_EQ(ReadWholeFile(p.context->TableFile(TableId::LinksType)), types);
    EXPECT_EQ(Column(p.Table(TableId::Address), "Firma"), (std::vector<std::string>{"My Firm", "Od Jana"}));

    // The version 2.1 box clears every other one.
    form.CheckBox8->SetChecked(true);
    for (TCheckBox* box : {form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4, form.CheckBox5,
                           form.CheckBox6, form.CheckBox7, form.CheckBox9}) {
        EXPECT_FALSE(box->Checked());
        EXPECT_FALSE(box->Enabled());
    }
    EXPECT_EQ(form.Label1->Caption(), GetMessageText(MessageId::LoadOlderVersion));
    folders = 0;
    answer = std::nullopt;
    form.BitBtn1Click(&form);
    EXPECT_EQ(folders, 1); // the folder of the old files, and nothing else
    form.CheckBox8->SetChecked(false);
    EXPECT_TRUE(form.CheckBox2->Enabled());

    // The table boxes exclude each other; the address book box takes the address table alone.
    form.CheckBox5->SetChecked(true);
    form.CheckBox9->SetChecked(true);
    EXPECT_FALSE(form.CheckBox5->Checked());
    form.CheckBox2->SetChecked(true);
    EXPECT_TRUE(form.CheckBox4->Checked());
    EXPECT_FALSE(form.CheckBox9->Checked());
    EXPECT_FALSE(form.CheckBox1->Checked());

    p.frame.ActiveModule = ReportsModule;
    TReadForm reports(nullptr, *p.context, wab);
    reports.Show();
    EXPECT_FALSE(reports.CheckBox8->Enabled());
    EXPECT_FALSE(reports.CheckBox2->Enabled());
}

TEST_F(ExchangeDialogsTest, TheAssignmentDialogPairsFieldsAndDeletesTheSelectedPair) {
    Program p(fero.path(), "Fero");
    TVolgaTable& target = p.Table(TableId::Address);
    TVolgaTable& source = p.Table(TableId::LinksType);
    TResponder responder;
    int language = 1;
    responder.OnShowModal = [&](TForm& f) {
        auto& d = static_cast<TAssignForm&>(f);
        EXPECT_EQ(d.ComboBox1->Items()[0], "Number");
        EXPECT_EQ(d.ComboBox2->Items()[1], "LinksType");
        d.ComboBox1->SetItemIndex(1); // Firma
        d.ComboBox1Change(&d);
        EXPECT_EQ(d.Edit1->Text(), GetMessageText(MessageId::SimpleText));
        d.ComboBox2->SetItemIndex(1);
        d.Button1Click(&d);
        d.ComboBox1->SetItemIndex(2); // Meno
        d.Button1Click(&d);
        d.ComboBox1->SetItemIndex(7); // Adresa_1
        d.ComboBox1Change(&d);
        EXPECT_EQ(d.Edit1->Text(), GetMessageText(MessageId::MultiLineText));
        d.Button1Click(&d);
        d.ListBox1->SetItemIndex(1);
        d.SpeedButton1Click(&d);
        EXPECT_EQ(d.ListBox1->Items().Count(), 2);
        SaveWindowPicture(d, std::string("assignform-") + kLanguageNames[language]);
        d.BitBtn1->Click();
        return mrNone;
    };
    for (language = 1; language <= 3; ++language) {
        SetLanguage(language);
        const std::optional<FieldAssignment> pairs = ShowAssignDialog(target, source);
        ASSERT_TRUE(pairs);
        ASSERT_EQ(pairs->size(), 2u);
        EXPECT_EQ((*pairs)[0].Target, "Firma");
        EXPECT_EQ((*pairs)[0].Source, "LinksType");
        EXPECT_EQ((*pairs)[1].Target, "Adresa_1");
    }
    responder.OnShowModal = [](TForm&) { return mrCancel; };
    EXPECT_EQ(ShowAssignDialog(target, source), std::nullopt);
}

TEST_F(ExchangeDialogsTest, TheSendToDialogWritesTheFolderOrTheBackup) {
    Program p(jano.path(), "Jano");
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TZalohaForm form(nullptr, *p.context);
        form.Show();
        EXPECT_EQ(form.Caption(), (std::vector<std::string>{"Send-Backup", "Odoslať-Zálohovať", "Odeslat-Zálohovat"}[size_t(language - 1)]));
        SaveWindowPicture(form, std::string("zalohaform-") + kLanguageNames[language]);
    }
    SetLanguage(1);
    TZalohaForm form(nullptr, *p.context);
    std::optional<fs::path> answer;
    form.ChooseFolder = [&] { return answer; };
    form.Show();
    form.BitBtn1Click(&form);
    EXPECT_TRUE(fs::is_empty(exchange.path())); // cancelled: no folder
    answer = exchange.path();
    form.CheckBox4->SetChecked(true);
    EXPECT_FALSE(form.CheckBox5->Checked());
    form.BitBtn1Click(&form);
    EXPECT_TRUE(fs::exists(exchange.path() / "Jano_Export" / "Jano_address_export.d"));
    EXPECT_FALSE(fs::exists(exchange.path() / "Jano_Export" / "Jano_tasks_export.d"));

    form.CheckBox2->SetChecked(true);
    EXPECT_FALSE(form.CheckBox1->Checked());
    EXPECT_FALSE(form.CheckBox4->Enabled());
    EXPECT_EQ(form.Label1->Caption(), GetMessageText(MessageId::BackingUp));
    form.BitBtn1Click(&form);
    EXPECT_TRUE(fs::exists(jano.path() / "Jano_address.bak"));
    form.CheckBox2->SetChecked(false);
    EXPECT_TRUE(form.CheckBox1->Checked());
    EXPECT_TRUE(form.CheckBox4->Enabled());
}

TEST_F(ExchangeDialogsTest, TheExportDialogAsksTheCodePageOnceForXml) {
    Program p(jano.path(), "Jano");
    TResponder responder;
    int asked = 0;
    int choice = 2; // Central European
    responder.OnShowModal = [&](TForm& f) {
        auto& d = static_cast<TEncodingForm&>(f);
        ++asked;
        EXPECT_EQ(d.ComboBox1->ItemIndex(), kDefaultExportEncoding);
        if (choice < 0) return static_cast<int>(mrCancel);
        d.ComboBox1->SetItemIndex(choice);
        d.BitBtn1->Click();
        return static_cast<int>(mrNone);
    };
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TExportForm form(nullptr, *p.context);
        form.Show();
        SaveWindowPicture(form, std::string("exportform-") + kLanguageNames[language]);
        TEncodingForm encoding(nullptr);
        encoding.Show();
        SaveWindowPicture(encoding, std::string("encodingform-") + kLanguageNames[language]);
    }
    SetLanguage(1);
    TExportForm form(nullptr, *p.context);
    form.ChooseFolder = [&]() -> std::optional<fs::path> { return exchange.path(); };
    form.Show();
    form.CheckBox3->SetChecked(true);
    EXPECT_FALSE(form.CheckBox1->Checked());
    form.CheckBox6->SetChecked(true);
    choice = -1; // closed without OK: the encoding stays
    form.BitBtn1Click(&form);
    EXPECT_EQ(form.ExportEncoding, "windows-1252");
    EXPECT_EQ(form.Written.size(), 7u);
    choice = 2;
    form.BitBtn1Click(&form);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(form.ExportEncoding, "windows-1250");
    const std::string xml = ReadWholeFile(exchange.path() / "Jano_Export" / "Jano_address.xml");
    EXPECT_EQ(xml.substr(0, 43), "<?xml version=\"1.0\" encoding=\"windows-1250\"");

    form.CheckBox2->SetChecked(true);
    form.CheckBox5->SetChecked(true);
    form.BitBtn1Click(&form);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(form.Written.back(), exchange.path() / "Jano_Export" / "Jano_owners.xlsx");
    EXPECT_FALSE(fs::exists(exchange.path() / "Jano_Export" / "Jano_links.xlsx"));
}

} // namespace
} // namespace kvz
