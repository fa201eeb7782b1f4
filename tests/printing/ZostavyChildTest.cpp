// The report window in the program over a data folder of its own: which records print, label
// sheets and envelopes through real PDF files, prepared reports saved and opened, the sender
// files, the column chooser, and pictures of the window in the three languages.
#include "core/Data1.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Responder.h"
#include "platform/report/QrpFile.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportPreview.h"
#include "platform/rtl/Files.h"
#include "printing/ObalkyPreview.h"
#include "printing/Poloha.h"
#include "printing/Vyber.h"
#include "printing/ZostavyChild.h"

#include "PdfTesting.h"
#include "ReportsTesting.h"
#include "TempFolder.h"
#include "core/FrameTesting.h"
#include "forms/FormsTesting.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace kvz {
namespace {

using testing::RunTool;
std::string Quote(const std::filesystem::path& p) { return testing::ShellQuoted(p); }

std::optional<std::string> PdfInfo(const std::filesystem::path& pdf, const std::string& key) {
    const auto info = RunTool("pdfinfo", Quote(pdf));
    if (!info) return std::nullopt;
    const std::string lines = "\n" + *info;
    const size_t at = lines.find("\n" + key + ":");
    if (at == std::string::npos) return "(no " + key + ")" + lines;
    const size_t from = lines.find_first_not_of(' ', at + key.size() + 2);
    return lines.substr(from, lines.find('\n', from) - from);
}

// The text of one page, lines and blanks made single blanks.
std::string PdfText(const std::filesystem::path& pdf, int page) {
    const auto text = RunTool("pdftotext", "-f " + std::to_string(page) + " -l " + std::to_string(page) + " " +
                                               Quote(pdf) + " -");
    std::string flat;
    for (char c : text.value_or(""))
        if (!((c == ' ' || c == '\n') && (flat.empty() || flat.back() == ' '))) flat += c == '\n' ? ' ' : c;
    return flat;
}

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The tops (points from the page's top) of the words of one page that are the word.
std::vector<double> WordTops(const std::filesystem::path& pdf, int page, const std::string& word) {
    const std::string p = std::to_string(page);
    const auto html = RunTool("pdftotext", "-bbox -f " + p + " -l " + p + " " + Quote(pdf) + " -");
    std::vector<double> tops;
    const std::string& text = html.value_or("");
    for (size_t at = text.find("<word "); at != std::string::npos; at = text.find("<word ", at + 1)) {
        const size_t close = text.find('>', at), end = text.find("</word>", at);
        if (close == std::string::npos || end == std::string::npos) break;
        if (text.substr(close + 1, end - close - 1) != word) continue;
        const size_t y = text.find("yMin=\"", at);
        if (y == std::string::npos || y > close) continue;
        tops.push_back(std::stod(text.substr(y + 6)));
    }
    return tops;
}

class ReportsWindowTest : public ReportsProgramTest {
protected:
    void Start(int language, const std::string& extra = "") {
        WriteSettings(language, extra);
        StartProgram();
        OpenReports();
        // A new address table holds sample rows; the tests count their own.
        ClearAddresses();
    }
    TVolgaTable& Addresses() { return *data->AddressTable; }
    // Addresses "Firma i" with a two-line address of accented letters.
    void AddAddresses(int count, bool withNumber = true) {
        TVolgaTable& t = Addresses();
        ProgramLocks().WriteSharedTable(t, data->LockFileName(TableId::Address), false, kRecordCommandPoll, [&] {
            for (int i = 1; i <= count; ++i) {
                t.Append();
                t.FieldByName("Firma").SetAsString("Firma " + std::to_string(i));
                t.FieldByName("Adresa_1").SetAsString("Ján Novák " + std::to_string(i) + "\r\nŽilina");
                t.FieldByName("Adresa_2").SetAsString("Druhá " + std::to_string(i));
                if (!withNumber) t.FieldByName("Number").SetAsString("");
                t.Post();
            }
        });
    }
    void ClearAddresses() {
        TVolgaTable& t = Addresses();
        ProgramLocks().WriteSharedTable(t, data->LockFileName(TableId::Address), false, kRecordCommandPoll, [&] {
            t.First();
            while (!t.IsEmpty()) t.Delete();
        });
    }
    // A sheet of three columns and eight rows (30 mm labels, 5 mm between rows, margins 10).
    void ThreeByEight() {
        reports->Sheet.Assign({3, 6100, 3000, 1000, 300, 1000, 500});
        reports->SpocitajStitky();
        ASSERT_EQ(reports->LabelsOnSheet(), 24);
    }
    void Choose(TRadioGroup* group, int item) {
        group->SetItemIndex(item);
        group->Click();
    }
    std::filesystem::path Pdf(const std::string& name, bool forPrint = true) {
        const auto pdf = temp.path() / (name + ".pdf");
        WritePdf(reports->PrepareAddressReport(forPrint), pdf);
        if (const char* dir = std::getenv("KVZ_RENDER_DIR"))
            RunTool("pdftoppm", "-png -r 50 -f 1 -l 1 " + Quote(pdf) + " " + Quote(std::string(dir) + "/" + name));
        return pdf;
    }

};

#define NEED_POPPLER(pdf) \
    if (!PdfInfo(pdf, "Pages")) GTEST_SKIP() << "pdfinfo is not installed (poppler-utils)"

// Labels of every address on a 3 x 8 sheet: the pages and the texts on them.
TEST_F(ReportsWindowTest, LabelSheetsThroughPdf) {
    Start(2);
    ThreeByEight();
    Choose(reports->ObalkyAdresyRadioGroup, PrintLabels);
    Choose(reports->FieldValueGroup, AllRecords);
    ClearAddresses();
    struct Case {
        int addresses;
        const char* pages;
        int onLast;
    };
    int had = 0;
    for (const Case& c : {Case{0, "1", 0}, {1, "1", 1}, {24, "1", 24}, {25, "2", 1}}) {
        AddAddresses(c.addresses - had);
        had = c.addresses;
        const auto pdf = Pdf("labels_" + std::to_string(c.addresses));
        NEED_POPPLER(pdf);
        EXPECT_EQ(PdfInfo(pdf, "Pages"), c.pages) << c.addresses;
        EXPECT_EQ(PdfInfo(pdf, "Page size"), "595 x 842 pts (A4)");
        const std::string last = PdfText(pdf, std::stoi(c.pages));
        EXPECT_EQ(Occurrences(last, "Žilina"), size_t(c.onLast)) << last;
        if (c.addresses) {
            EXPECT_NE(PdfText(pdf, 1).find("Ján Novák 1"), std::string::npos);
        }
        reports->SpocitajStitky();
    }
}

// Repeat-one fills exactly one sheet with the current address; without it one label prints.
TEST_F(ReportsWindowTest, RepeatOneFillsOneSheet) {
    Start(1);
    AddAddresses(3);
    ThreeByEight();
    Choose(reports->ObalkyAdresyRadioGroup, PrintLabels);
    Addresses().First();
    Addresses().Next();
    Choose(reports->FieldValueGroup, CurrentRecord);
    reports->CheckBox1->SetChecked(true);
    reports->CheckBox1->Click();
    auto pdf = Pdf("labels_repeat");
    NEED_POPPLER(pdf);
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "1");
    std::string text = PdfText(pdf, 1);
    EXPECT_EQ(Occurrences(text, "Ján Novák 2"), 24u) << text;
    EXPECT_EQ(Occurrences(text, "Ján Novák 1"), 0u);
    // One repeated table at a time: a second preparation replaces the first.
    TKvMemoryData* first = reports->ReportData().RepeatOneTable();
    reports->PrepareAddressReport(false);
    EXPECT_NE(reports->ReportData().RepeatOneTable(), nullptr);
    EXPECT_EQ(reports->ReportData().RepeatOneTable()->RecordCount(), 24);
    (void)first;
    // The address table shows every address again.
    EXPECT_FALSE(Addresses().Filtered());
    EXPECT_EQ(Addresses().RecordCount(), 3);
    // The frame's preview frees the repeated table and binds the layouts back.
    TResponder answer;
    answer.OnShowModal = [](TForm&) { return int(mrCancel); };
    reports->Run(Command::Preview);
    EXPECT_EQ(reports->ReportData().RepeatOneTable(), nullptr);
    EXPECT_EQ(reports->BoundDataSet(), &Addresses());
    reports->CheckBox1->SetChecked(false);
    reports->CheckBox1->Click();
    Choose(reports->FieldValueGroup, CurrentRecord);
    pdf = Pdf("labels_current");
    text = PdfText(pdf, 1);
    EXPECT_EQ(Occurrences(text, "Žilina"), 1u) << text;
    EXPECT_EQ(Addresses().FieldByName("Firma").AsString(), "Firma 2");
}

// A current address without a record code would print every address: refused, and the
// address table is never left filtered, whatever path the report takes.
TEST_F(ReportsWindowTest, CurrentRecordWithoutNumberIsRefused) {
    Start(2);
    AddAddresses(2, false);
    Choose(reports->FieldValueGroup, CurrentRecord);
    Addresses().First();
    ASSERT_EQ(Addresses().FieldByName("Number").AsString(), "");
    try {
        reports->PrepareAddressReport(false);
        ADD_FAILURE() << "printed";
    } catch (const EReportDataError& e) {
        EXPECT_NE(std::string(e.what()).find("číslo záznamu"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(Addresses().Filtered());
    EXPECT_EQ(ProgramState().Filters.AddressKeyFilter, "");
    EXPECT_EQ(Addresses().RecordCount(), 2);
}

TEST_F(ReportsWindowTest, FilterIsOffAfterAFailedReport) {
    Start(1);
    AddAddresses(3);
    Choose(reports->FieldValueGroup, CurrentRecord);
    Choose(reports->ObalkyAdresyRadioGroup, PrintLabels);
    // A sheet that cannot be applied fails the print after the data were filtered.
    reports->Sheet.Assign({3, 9000, 3000, 1000, 300, 1000, 500});
    EXPECT_THROW(reports->PrepareAddressReport(true), ELabelSheetError);
    reports->Sheet.Assign(DefaultLabelSheet());
    // A layout that fails to prepare after the filter went on.
    reports->Layouts.Labels.Element("QRDBText1").SetDataField("NoSuchField");
    EXPECT_THROW(reports->PrepareAddressReport(false), EReportError);
    EXPECT_FALSE(Addresses().Filtered());
    EXPECT_EQ(ProgramState().Filters.AddressKeyFilter, "");
    EXPECT_EQ(Addresses().RecordCount(), 3);
}

// Envelopes: one a page, landscape, with the sender; the preview steps through them.
TEST_F(ReportsWindowTest, EnvelopesOnePerPage) {
    std::filesystem::create_directories(dataFolder);
    SaveSenderText(dataFolder / "Odos.txt", "KV Soft s.r.o.\nŠtúrova 5");
    Start(3, "Nastavenia80=1\n");
    AddAddresses(3);
    Choose(reports->FieldValueGroup, AllRecords);
    Choose(reports->ObalkyAdresyRadioGroup, PrintEnvelopes);
    for (int format = 0; format < 3; ++format) {
        reports->ObalkaComboBox->SetItemIndex(format);
        reports->ObalkaComboBoxClick();
        const auto pdf = Pdf("envelopes_" + std::to_string(format));
        NEED_POPPLER(pdf);
        EXPECT_EQ(PdfInfo(pdf, "Pages"), "3");
        EXPECT_EQ(PdfInfo(pdf, "Page size"), "842 x 595 pts (A4)");
        for (int page = 1; page <= 3; ++page) {
            const std::string text = PdfText(pdf, page);
            EXPECT_NE(text.find("Ján Novák " + std::to_string(page)), std::string::npos) << text;
            EXPECT_NE(text.find("Štúrova 5"), std::string::npos) << text;
        }
    }
    // The preview: one envelope a page, the outline and the blocks from one origin.
    reports->DoladObalky();
    TObalkyPreviewForm preview(nullptr, *reports, reports->PrepareAddressReport(false));
    preview.SetClientSize(900, 600);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(preview.StatusBar1->Panels(0)->Text(), " Strana 1 z 3");
    preview.ToolButton4Click();
    preview.ToolButton3Click();
    EXPECT_EQ(preview.StatusBar1->Panels(0)->Text(), " Strana 3 z 3");
    preview.ToolButton1Click();
    const QImage picture = testing::SaveWindowPicture(preview, "envelope_preview_cs");
    const TRect outline = preview.Outline();
    EXPECT_EQ(outline.Width(), int(std::lround(preview.EnvelopeWidth * 3 / 100.0)));
    {
        // All four edges of the outline show over the envelope's white.
        const TPoint o = preview.DrawingOrigin();
        auto darkest = [&](int x, int y, bool across) {
            int gray = 255;
            for (int d = -1; d <= 1; ++d)
                gray = std::min(gray, qGray(picture.pixel(o.X + x + (across ? d : 0), o.Y + y + (across ? 0 : d))));
            return gray;
        };
        const int midX = (outline.Left + outline.Right) / 2, midY = (outline.Top + outline.Bottom) / 2;
        EXPECT_LT(darkest(outline.Left, midY, true), 100);
        EXPECT_LT(darkest(outline.Right, midY, true), 100);
        EXPECT_LT(darkest(midX, outline.Top, false), 100);
        EXPECT_LT(darkest(midX, outline.Bottom, false), 100);
    }
    // Ink of the address near its place on the envelope, inside the outline.
    int ink = 0;
    const TReportElement& address = reports->Layouts.Envelopes.Element("QRDBText1");
    const int ax = outline.Left + int(address.Left() * 3), ay = outline.Top + int(address.Top() * 3);
    const TPoint offset = preview.DrawingOrigin();
    for (int y = ay; y < ay + 30; ++y)
        for (int x = ax; x < ax + 120; ++x) ink += qGray(picture.pixel(x + offset.X, y + offset.Y)) < 128;
    EXPECT_GT(ink, 30);
}

// The current record alone gives one envelope and no record steps.
TEST_F(ReportsWindowTest, EnvelopePreviewOfTheCurrentRecord) {
    Start(1);
    AddAddresses(3);
    Choose(reports->FieldValueGroup, CurrentRecord);
    Choose(reports->ObalkyAdresyRadioGroup, PrintEnvelopes);
    TResponder answer;
    std::string status;
    bool stepsOn = true;
    answer.OnShowModal = [&](TForm& form) {
        auto* preview = dynamic_cast<TObalkyPreviewForm*>(&form);
        if (!preview) return int(mrOk);
        status = preview->StatusBar1->Panels(0)->Text();
        stepsOn = preview->ToolButton3->Enabled();
        return int(mrCancel);
    };
    reports->PreviewReport();
    EXPECT_EQ(status, " Page 1 of 1");
    EXPECT_FALSE(stepsOn);
    EXPECT_FALSE(Addresses().Filtered());
}

// The preview of a long summary opens on its first pages with the records chosen, makes the
// others as they are asked for, and gives the pages a whole preparation gives; the address
// filter is off again once it closes.
TEST_F(ReportsWindowTest, LongSummaryPreviewIsPreparedAsItIsViewed) {
    Start(1);
    AddAddresses(3000);
    Choose(reports->FieldValueGroup, AllRecords);
    Choose(reports->ObalkyAdresyRadioGroup, PrintSummary);
    const TPreparedReport whole = reports->PrepareAddressReport(false);
    ASSERT_GT(whole.Pages.size(), 50u);
    TResponder answer;
    int previews = 0;
    answer.OnShowModal = [&](TForm& form) {
        auto* preview = dynamic_cast<TReportPreviewForm*>(&form);
        EXPECT_NE(preview, nullptr);
        if (!preview) return int(mrCancel);
        ++previews;
        EXPECT_FALSE(preview->Prepared());
        EXPECT_LT(preview->Report().Pages.size(), 10u);
        EXPECT_FALSE(preview->PageSetupAction->isEnabled());
        preview->LastActionClick();
        EXPECT_EQ(preview->Report(), whole);
        return int(mrCancel);
    };
    reports->PreviewReport();
    EXPECT_EQ(previews, 1);
    EXPECT_FALSE(Addresses().Filtered());
}

// A prepared report saved, opened and compared; a cancelled dialog saves nothing; the
// older program's files are refused with a message.
TEST_F(ReportsWindowTest, PreparedReportSavedAndOpened) {
    Start(2);
    AddAddresses(5);
    Choose(reports->FieldValueGroup, AllRecords);
    Choose(reports->ObalkyAdresyRadioGroup, PrintSummary);
    const auto file = temp.path() / "prehlad.qrp";
    reports->AskSaveFile = [] { return std::nullopt; };
    reports->SaveReport();
    EXPECT_FALSE(std::filesystem::exists(file));
    reports->AskSaveFile = [&] { return std::optional(file); };
    reports->SaveReport();
    const TPreparedReport opened = LoadPreparedReport(file);
    EXPECT_EQ(opened, reports->PrepareAddressReport(true));
    TResponder answer;
    int previews = 0;
    answer.OnShowModal = [&](TForm&) {
        ++previews;
        return int(mrCancel);
    };
    reports->AskOpenFile = [&] { return std::optional(file); };
    reports->OpenReport();
    EXPECT_EQ(previews, 1);
    const auto old = temp.path() / "old.qrp";
    WriteFileDurably(old, std::string("QRPD\x01\x00\x00\x00", 8) + std::string(200, '\0'));
    reports->AskOpenFile = [&] { return std::optional(old); };
    try {
        reports->OpenReport();
        ADD_FAILURE() << "opened";
    } catch (const EReportError& e) {
        EXPECT_NE(std::string(e.what()).find("old.qrp"), std::string::npos) << e.what();
    }
    EXPECT_EQ(previews, 1);
}

// The summary's columns: OK writes the headings; Cancel puts back the columns it opened with.
TEST_F(ReportsWindowTest, ColumnChooserCancelRestoresWhatItOpenedWith) {
    Start(1);
    TReportLayout& summary = reports->Layouts.Summary;
    {
        TPolozkyForm chooser(nullptr, summary);
        chooser.ComboBox1->SetItemIndex(12);
        chooser.ComboBox1Change();
        chooser.BitBtn1Click();
    }
    EXPECT_EQ(summary.Element("QRDBText4").DataField(), "Mesto");
    EXPECT_EQ(summary.Element("QRLabel3").Caption(), GetMessageText(MessageId::City));
    {
        // Opened again, the chooser shows the summary as it stands; OK leaves it so.
        TPolozkyForm again(nullptr, summary);
        EXPECT_EQ(again.ComboBox1->ItemIndex(), 12);
        EXPECT_EQ(again.ComboBox2->ItemIndex(), 13);
        EXPECT_EQ(again.ComboBox3->ItemIndex(), 14);
        EXPECT_EQ(again.Label1->Caption(), GetMessageText(MessageId::City));
        again.BitBtn1Click();
    }
    EXPECT_EQ(summary.Element("QRDBText4").DataField(), "Mesto");
    EXPECT_EQ(summary.Element("QRLabel3").Caption(), GetMessageText(MessageId::City));
    TPolozkyForm chooser(nullptr, summary);
    chooser.ComboBox2->SetItemIndex(4);
    chooser.ComboBox2Change();
    chooser.ComboBox3->SetItemIndex(7);
    chooser.ComboBox3Change();
    chooser.BitBtn2Click();
    EXPECT_EQ(summary.Element("QRDBText4").DataField(), "Mesto");
    EXPECT_EQ(summary.Element("QRDBText2").DataField(), "Adresa_1");
    EXPECT_EQ(summary.Element("QRDBText3").DataField(), "Adresa_2");
    EXPECT_EQ(summary.Element("QRLabel3").Caption(), GetMessageText(MessageId::City));
    for (int i = 0; i < kPolozkyCount; ++i) EXPECT_FALSE(PolozkyFieldName(i).empty());
    EXPECT_EQ(PolozkyFieldName(15), "");
}

// New and Use make a new sender file; Change and Use rewrite the one in use; Delete removes
// only a sender file.
TEST_F(ReportsWindowTest, SenderFiles) {
    std::filesystem::create_directories(dataFolder);
    SaveSenderText(dataFolder / "Odos.txt", "Prvý");
    SaveSenderText(dataFolder / "Odos2.txt", "Druhý");
    WriteFileDurably(dataFolder / "MyOdosOld.doc", "keep");
    Start(2, "Nastavenia90=1\n");
    EXPECT_EQ(reports->Memo1->Lines().Text(), "Druhý\n");
    EXPECT_EQ(reports->SenderText(), "Druhý");
    // Change and Use write the file in use, not Odos.txt.
    reports->BitBtn1Click();
    reports->Memo1->Lines().SetText("Druhý a lepší");
    reports->BitBtn2Click();
    EXPECT_EQ(ReadWholeFile(dataFolder / "Odos2.txt"), "Druh\xFD a lep\x9A\xED\r\n");
    EXPECT_EQ(ReadWholeFile(dataFolder / "Odos.txt"), "Prv\xFD\r\n");
    // New and Use write the first free name.
    reports->BitBtn4Click();
    reports->Memo1->Lines().SetText("Tretí\nriadok");
    reports->BitBtn2Click();
    EXPECT_EQ(ReadWholeFile(dataFolder / "Odos1.txt"), "Tret\xED\r\nriadok\r\n");
    EXPECT_EQ(reports->SenderText(), "Tretí\nriadok");
    EXPECT_EQ(reports->Layouts.Envelopes.Element("QRLabel1").Caption(), "Tretí\nriadok");
    EXPECT_EQ(reports->Senders.Names(), (std::vector<std::string>{"Odos.txt", "Odos1.txt", "Odos2.txt"}));
    // Delete removes the sender in use after asking.
    TResponder answer;
    answer.MessageBoxAnswers = {IDYES};
    reports->BitBtn3Click();
    EXPECT_FALSE(std::filesystem::exists(dataFolder / "Odos1.txt"));
    EXPECT_TRUE(std::filesystem::exists(dataFolder / "MyOdosOld.doc"));
    EXPECT_EQ(reports->Senders.Names(), (std::vector<std::string>{"Odos.txt", "Odos2.txt"}));
}

// A stored sender index beyond the files found falls back to the first file.
TEST_F(ReportsWindowTest, StoredSenderIndexOutOfRange) {
    std::filesystem::create_directories(dataFolder);
    SaveSenderText(dataFolder / "Odos.txt", "Jediný");
    Start(1, "Nastavenia90=5\n");
    EXPECT_EQ(reports->SenderText(), "Jediný");
}

// The sheet edits follow each other as the user types; the restore ends on the defaults.
TEST_F(ReportsWindowTest, SheetEditsFollowAndRestore) {
    Start(2);
    TResponder answer;
    answer.MessageBoxAnswers = {IDYES};
    reports->DefaultAdresButtonClick();
    EXPECT_EQ(reports->SirkaEdit->Text(), "61");
    EXPECT_EQ(reports->VyskaEdit->Text(), "30");
    EXPECT_EQ(reports->HornaMedzeraEdit->Text(), "10");
    EXPECT_EQ(reports->HornyOkrajEdit->Text(), "10");
    EXPECT_EQ(reports->Sheet.Values(), DefaultLabelSheet());
    // The margin takes its share of the two millimetres, the gaps the rest; the gap's own share
    // then sets the margins back.
    reports->SirkaEdit->SetText("60");
    EXPECT_EQ(reports->LavyOkrajEdit->Text(), "10");
    EXPECT_EQ(reports->MedzeraEdit->Text(), "5");
    // A decimal comma on its way keeps what is typed.
    reports->LavyOkrajEdit->SetText("10,");
    EXPECT_EQ(reports->LavyOkrajEdit->Text(), "10,");
    // What cannot fit, and what is no number, is refused with a message; the edit shows again
    // what the sheet holds, and that is what prints.
    answer.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    const size_t boxes = answer.MessageBoxes.size();
    reports->SirkaEdit->SetText("8");
    reports->SirkaEdit->SetText("80");
    EXPECT_EQ(reports->SirkaEdit->Text(), "8");
    EXPECT_EQ(reports->Sheet.Values().Width, 800);
    reports->MedzeraEdit->SetText("x");
    ASSERT_EQ(answer.MessageBoxes.size(), boxes + 2);
    EXPECT_NE(answer.MessageBoxes[boxes].Text.find("210 x 297"), std::string::npos);
    EXPECT_NE(answer.MessageBoxes[boxes + 1].Text.find("\"x\""), std::string::npos);
    EXPECT_EQ(reports->MedzeraEdit->Text(), FormatCenti(reports->Sheet.Values().Gap, FormatSettings::ForLanguage(2)));
    // An edit left empty shows, when the sheet is applied, the value that prints.
    reports->VyskaEdit->SetText("");
    reports->SpocitajStitky();
    EXPECT_EQ(reports->VyskaEdit->Text(), "30");
    EXPECT_DOUBLE_EQ(reports->Layouts.Labels.FindBand("DetailBand1")->Width(), 8);
    // Without auto-adjust only the columns follow.
    const std::string margin = reports->LavyOkrajEdit->Text();
    ReportsState().LabelAutoAdjust = false;
    reports->SirkaEdit->SetText("5");
    EXPECT_EQ(reports->LavyOkrajEdit->Text(), margin);
    EXPECT_EQ(reports->Sheet.Values().Width, 500);
    ReportsState().LabelAutoAdjust = true;
}

// A new height keeps the rows the label layout holds: 7 rows of 35 mm, the top margin and the
// row gap each 6.37 mm.
TEST_F(ReportsWindowTest, HeightKeepsTheRowsOfTheLayout) {
    Start(1);
    reports->TakeLabelTemplate(DefaultLabelSheet());
    reports->SpocitajStitky();
    ASSERT_EQ(reports->LabelsOnSheet(), 21);
    reports->VyskaEdit->SetText("3");
    reports->VyskaEdit->SetText("35");
    EXPECT_EQ(reports->HornyOkrajEdit->Text(), "6.37");
    EXPECT_EQ(reports->HornaMedzeraEdit->Text(), "6.37");
    reports->SpocitajStitky();
    EXPECT_EQ(reports->LabelsOnSheet(), 21);
}

// A label whose gap does not fit ends the column: one column of 20 mm labels 30 mm apart holds
// 6 labels, 50 mm apart, and the seventh starts the next sheet. A row gap beyond the paper is
// refused.
TEST_F(ReportsWindowTest, LabelWithoutItsGapStartsTheNextSheet) {
    Start(1);
    AddAddresses(12);
    Choose(reports->ObalkyAdresyRadioGroup, PrintLabels);
    Choose(reports->FieldValueGroup, AllRecords);
    reports->TakeLabelTemplate({1, 6100, 2000, 7450, 300, 500, 3000});
    reports->SpocitajStitky();
    ASSERT_EQ(reports->LabelsOnSheet(), 6);
    const auto pdf = Pdf("labels_tall_gaps");
    NEED_POPPLER(pdf);
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
    EXPECT_EQ(Occurrences(PdfText(pdf, 1), "Žilina"), 6u) << PdfText(pdf, 1);
    const std::vector<double> tops = WordTops(pdf, 1, "Žilina");
    ASSERT_EQ(tops.size(), 6u);
    for (size_t i = 1; i < tops.size(); ++i) EXPECT_NEAR(tops[i] - tops[i - 1], 50 * 72 / 25.4, 0.5) << i;
    EXPECT_NE(PdfText(pdf, 2).find("Ján Novák 7"), std::string::npos);
    TResponder answer;
    answer.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    reports->HornaMedzeraEdit->SetText("1000000");
    EXPECT_EQ(answer.MessageBoxes.size(), 1u);
    EXPECT_EQ(reports->HornaMedzeraEdit->Text(), "30");
    EXPECT_EQ(reports->Sheet.Values().RowGap, 3000);
}

// The outline of a label: four lines of one width at 300 dots per inch; the gap band after the
// label does not paint over its bottom line.
TEST_F(ReportsWindowTest, LabelOutlineHasFourWholeLines) {
    Start(1);
    AddAddresses(1);
    Choose(reports->ObalkyAdresyRadioGroup, PrintLabels);
    Choose(reports->FieldValueGroup, AllRecords);
    reports->TakeLabelTemplate(DefaultLabelSheet());
    reports->RamikCheckBox->SetChecked(true);
    reports->RamikCheckBoxClick();
    const auto pdf = Pdf("labels_outline");
    NEED_POPPLER(pdf);
    const auto png = temp.path() / "outline";
    RunTool("pdftoppm", "-png -r 300 -singlefile -f 1 -l 1 " + Quote(pdf) + " " + Quote(png));
    const QImage page(QString::fromStdString(png.string() + ".png"));
    ASSERT_FALSE(page.isNull());
    auto px = [](double mm) { return int(std::lround(mm * 300 / 25.4)); };
    // The ink across one side: the darkness summed over the pixels near it, in pixels.
    auto ink = [&](bool horizontal, double edge, double along) {
        double sum = 0;
        for (int d = -6; d <= 6; ++d) {
            const QPoint p = horizontal ? QPoint(px(along), px(edge) + d) : QPoint(px(edge) + d, px(along));
            sum += (255 - qGray(page.pixel(p))) / 255.0;
        }
        return sum;
    };
    // The first label: 61 x 30 mm at 10, 10.
    const double top = ink(true, 10, 68), bottom = ink(true, 40, 68), left = ink(false, 10, 25),
                 right = ink(false, 71, 25);
    EXPECT_GT(top, 2);
    for (double side : {bottom, left, right}) {
        EXPECT_GT(side, top * 0.8) << top << " " << bottom << " " << left << " " << right;
        EXPECT_LT(side, top * 1.25) << top << " " << bottom << " " << left << " " << right;
    }
}

// The miniature's blocks move by the up-downs; a preview's fields follow them.
TEST_F(ReportsWindowTest, MiniatureMovesTheEnvelopeFields) {
    Start(1);
    reports->ObalkaComboBox->SetItemIndex(EnvelopeC6);
    reports->ObalkaComboBoxClick();
    reports->OdosielatelShapeMouseUp();
    reports->UpDown3Click(TUDBtnType::btNext);
    reports->DoladObalky();
    EXPECT_NEAR(reports->Layouts.Envelopes.Element("QRLabel1").Left(), Px(71), 1e-9);
    EXPECT_NEAR(reports->Layouts.Envelopes.Element("QRLabel1").Top(), Px(32), 1e-9);
    reports->AdresaShapeMouseUp();
    for (int i = 0; i < 100; ++i) reports->UpDown4Click(TUDBtnType::btPrev);
    EXPECT_EQ(reports->Miniature.AddressTop, 90);
}

// A fresh start of the frame (another user, the network wizard) takes the address block and
// the C6 format again, with the arrows at rest.
TEST_F(ReportsWindowTest, AFreshStartTakesTheAddressBlockAndTheFirstFormat) {
    Start(1);
    reports->ObalkaComboBox->SetItemIndex(EnvelopeC6 + 1);
    reports->ObalkaComboBoxClick();
    reports->OdosielatelShapeMouseUp();
    reports->UpDown3->SetPosition(3);
    reports->ResetModuleState();
    EXPECT_EQ(reports->ObalkaComboBox->ItemIndex(), EnvelopeC6);
    EXPECT_EQ(ReportsState().SelectedEnvelopeBlock, 1);
    EXPECT_EQ(reports->Miniature.Selected, 1);
    EXPECT_EQ(reports->UpDown3->Position(), 0);
    EXPECT_EQ(reports->UpDown4->Position(), 0);
}

// The frame's report buttons run the window's operations; the find dialog's services reach it.
TEST_F(ReportsWindowTest, FrameCommandsAndSearch) {
    Start(1);
    AddAddresses(2);
    EXPECT_EQ(ProgramState().ReportsSearch, reports);
    const RecordBarState state = reports->State(ModuleContext{});
    EXPECT_TRUE(state.ReportBar);
    EXPECT_FALSE(state.Insert);
    ASSERT_NE(reports->Search(), nullptr);
    reports->ShowListField("Meno_Kr");
    EXPECT_EQ(reports->DBLookupListBox1->Columns()[0].FieldName(), "Meno");
    EXPECT_EQ(reports->DBLookupListBox2->Columns()[0].FieldName(), "Meno");
    int saves = 0;
    reports->AskSaveFile = [&] {
        ++saves;
        return std::nullopt;
    };
    reports->Run(Command::SaveReport);
    EXPECT_EQ(saves, 1);
    reports->AskFont = [](const TReportFont&) { return std::optional(TReportFont{.Name = "Courier", .Size = 9}); };
    reports->Run(Command::Font);
    EXPECT_EQ(reports->Layouts.Labels.Element("QRDBText1").Font().Name, "Courier");
    EXPECT_EQ(reports->Layouts.Envelopes.Element("QRLabel1").Font().Size, 9);
    TResponder answer;
    int previews = 0;
    answer.OnShowModal = [&](TForm&) {
        ++previews;
        return int(mrCancel);
    };
    Choose(reports->ObalkyAdresyRadioGroup, PrintSummary);
    Addresses().Last();
    const std::string number = Addresses().FieldByName("Number").AsString();
    reports->Run(Command::Preview);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(Addresses().FieldByName("Number").AsString(), number);
}

// The own choice: Add copies the current address, Take removes one, Delete empties it.
TEST_F(ReportsWindowTest, OwnChoice) {
    Start(1);
    AddAddresses(3);
    data->ReportTable->First();
    while (!data->ReportTable->IsEmpty()) data->ReportTable->Delete();
    Addresses().First();
    reports->AddButtonClick();
    Addresses().Next();
    reports->AddButtonClick();
    EXPECT_EQ(data->ReportTable->RecordCount(), 2);
    Choose(reports->FieldValueGroup, OwnChoice);
    EXPECT_EQ(reports->BoundDataSet(), data->ReportTable);
    Choose(reports->ObalkyAdresyRadioGroup, PrintSummary);
    const TPreparedReport report = reports->PrepareAddressReport(false);
    ASSERT_EQ(report.Pages.size(), 1u);
    reports->DelRepButtonClick();
    EXPECT_EQ(data->ReportTable->RecordCount(), 1);
    TResponder answer;
    answer.MessageBoxAnswers = {IDYES};
    reports->DeleteReportButtonClick();
    EXPECT_EQ(data->ReportTable->RecordCount(), 0);
}

// Print goes through the desktop's print dialog, where a PDF file can be chosen: labels on
// A4, each envelope on its own paper turned as it is fed, the report's title in the file.
TEST_F(ReportsWindowTest, PrintThroughTheDialogToPdf) {
    std::filesystem::create_directories(dataFolder);
    SaveSenderText(dataFolder / "Odos.txt", "KV Soft s.r.o.\nŠtúrova 5");
    Start(2, "Nastavenia80=1\n");
    AddAddresses(2);
    Choose(reports->FieldValueGroup, AllRecords);
    TResponder answer;
    answer.OnShowModal = [](TForm&) { return int(mrOk); }; // the feed picture
    std::filesystem::path pdf;
    int dialogs = 0;
    answer.OnDialog = [&](QDialog& d) {
        ++dialogs;
        auto* dialog = dynamic_cast<QPrintDialog*>(&d);
        if (!dialog) return int(QDialog::Rejected);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(QString::fromStdString(pdf.string()));
        return int(QDialog::Accepted);
    };
    struct Case {
        int kind, format;
        const char* name;
        const char* size;
        std::string title;
    };
    for (const Case& c : {Case{PrintLabels, 0, "labels", "595 x 842 pts (A4)", "Štítky"},
                          Case{PrintEnvelopes, EnvelopeC6, "c6", "459 x 323 pts", "Obálky"},
                          Case{PrintEnvelopes, EnvelopeC5, "c5", "649 x 459 pts", "Obálky"},
                          Case{PrintEnvelopes, EnvelopeDL, "dl", "624 x 312 pts", "Obálky"},
                          Case{PrintSummary, 0, "summary", "595 x 842 pts (A4)", GetMessageText(MessageId::ItemsSummary)}}) {
        SCOPED_TRACE(c.name);
        Choose(reports->ObalkyAdresyRadioGroup, c.kind);
        reports->ObalkaComboBox->SetItemIndex(c.format);
        reports->ObalkaComboBoxClick();
        pdf = temp.path() / (std::string("printed_") + c.name + ".pdf");
        reports->Run(Command::Print);
        ASSERT_TRUE(std::filesystem::exists(pdf));
        NEED_POPPLER(pdf);
        EXPECT_EQ(PdfInfo(pdf, "Page size"), c.size);
        EXPECT_EQ(PdfInfo(pdf, "Title"), c.title);
        const std::string first = PdfText(pdf, 1);
        EXPECT_NE(first.find("Ján Novák 1"), std::string::npos) << first;
        if (c.kind == PrintEnvelopes) {
            EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
            EXPECT_NE(first.find("Štúrova 5"), std::string::npos) << first;
        }
        if (const char* dir = std::getenv("KVZ_RENDER_DIR"))
            RunTool("pdftoppm", "-png -r 50 -f 1 -l 1 " + Quote(pdf) + " " + Quote(std::string(dir) + "/printed_" + c.name));
    }
    EXPECT_EQ(dialogs, 5);
    // A cancelled dialog prints nothing.
    answer.OnDialog = [](QDialog&) { return int(QDialog::Rejected); };
    pdf = temp.path() / "cancelled.pdf";
    reports->Run(Command::Print);
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

// The lists' font style is read from and written to its settings key.
TEST_F(ReportsWindowTest, ListFontStyleIsKeptInTheSettings) {
    Start(1, "Nastavenia20=5\n"); // bold italic
    EXPECT_EQ(reports->DBLookupListBox1->Font().Style, unsigned(fsBold | fsItalic));
    EXPECT_EQ(reports->DBLookupListBox2->Font().Style, unsigned(fsBold | fsItalic));
    TFont font = reports->DBLookupListBox1->Font();
    font.Style = fsUnderline;
    reports->SetPartFont(SetupTarget::ReportLists, font);
    reports->UlozDoPola();
    EXPECT_EQ(ProgramState().Settings->Nastavenia[size_t(Slot::ReportListFontStyle)], 4);
}

// Emptying the own choice first puts the frame's tool buttons back to browsing, then asks.
TEST_F(ReportsWindowTest, DeleteOwnChoiceRefreshesTheFrameFirst) {
    Start(1);
    int changes = 0, changesWhenAsked = -1;
    reports->OnStateChanged = [&] { ++changes; };
    TResponder answer;
    answer.OnMessageBox = [&](const TMessageBoxParams&) {
        changesWhenAsked = changes;
        return IDNO;
    };
    reports->DeleteReportButtonClick();
    EXPECT_EQ(changesWhenAsked, 1);
}

// A sender's empty last line survives Change and Use; a new sender never takes the name of a
// pipe, nor does the first sender of an empty list.
TEST_F(ReportsWindowTest, SenderLinesAndSpecialFiles) {
    std::filesystem::create_directories(dataFolder);
    WriteFileDurably(dataFolder / "Odos2.txt", "Prv\xFD\r\nriadok\r\n\r\n");
    ASSERT_EQ(::mkfifo((dataFolder / "Odos.txt").c_str(), 0600), 0);
    Start(2);
    EXPECT_EQ(reports->Memo1->Lines().Count(), 3);
    reports->BitBtn1Click();
    reports->BitBtn2Click();
    EXPECT_EQ(ReadWholeFile(dataFolder / "Odos2.txt"), "Prv\xFD\r\nriadok\r\n\r\n");
    reports->BitBtn4Click();
    reports->Memo1->Lines().SetText("Nový");
    reports->BitBtn2Click();
    EXPECT_EQ(ReadWholeFile(dataFolder / "Odos1.txt"), "Nov\xFD\r\n");
    EXPECT_EQ(std::filesystem::status(dataFolder / "Odos.txt").type(), std::filesystem::file_type::fifo);
    // With no sender listed, Use makes the first free name, not the pipe's.
    std::filesystem::remove(dataFolder / "Odos1.txt");
    std::filesystem::remove(dataFolder / "Odos2.txt");
    ReportsState().CurrentSenderFile.clear();
    reports->Senders.Scan();
    reports->BitBtn1Click();
    reports->Memo1->Lines().SetText("Tretí");
    reports->BitBtn2Click();
    EXPECT_EQ(std::filesystem::status(dataFolder / "Odos.txt").type(), std::filesystem::file_type::fifo);
    EXPECT_EQ(ReadWholeFile(dataFolder / "Odos1.txt"), "Tret\xED\r\n");
}

// At the window's default size the label sample lies whole inside its group.
TEST_F(ReportsWindowTest, LabelSampleFitsItsGroup) {
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(language);
        Start(language);
        // The size of the program's first start.
        frame->SetBounds(frame->Left(), frame->Top(), kFirstStartWidth, kFirstStartHeight);
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        testing::SaveWindowPicture(*frame, "reports_default_size_" + std::to_string(language));
        QWidget* group = reports->StitkyPanel->Widget();
        QWidget* sample = reports->SelectPanel->Widget();
        const QRect inGroup(sample->mapTo(group, QPoint(0, 0)), sample->size());
        EXPECT_TRUE(group->contentsRect().contains(inGroup)) << inGroup.right() << " > " << group->contentsRect().right();
        const QRect memo(reports->DBMemo1->Widget()->mapTo(sample, QPoint(0, 0)), reports->DBMemo1->Widget()->size());
        EXPECT_TRUE(sample->rect().contains(memo));
        frame->CloseActiveModule();
        reports = nullptr;
        frame->Free();
        frame = nullptr;
        data.reset();
        std::filesystem::remove_all(temp.path() / "KvZirtData");
    }
}

// The window and the envelope preview in the three languages, saved for a person to look at.
TEST_F(ReportsWindowTest, PicturesInThreeLanguages) {
    for (int language = 1; language <= 3; ++language) {
        std::filesystem::create_directories(dataFolder);
        SaveSenderText(dataFolder / "Odos.txt", "KV Soft s.r.o.\nŠtúrova 5\n811 02 Bratislava");
        Start(language);
        AddAddresses(4);
        const char* names[] = {"", "en", "sk", "cs"};
        QCoreApplication::sendPostedEvents();
        const QImage image = testing::SaveWindowPicture(*frame, std::string("reports_window_") + names[language]);
        EXPECT_GT(image.width(), 0);
        EXPECT_EQ(reports->FieldValueGroup->Items().Count(), 3);
        Choose(reports->ObalkyAdresyRadioGroup, PrintEnvelopes);
        reports->DoladObalky();
        TObalkyPreviewForm preview(nullptr, *reports, reports->PrepareAddressReport(false));
        preview.SetClientSize(760, 520);
        testing::SaveWindowPicture(preview, std::string("envelope_preview_") + names[language]);
        const char* const titles[] = {"", "Print preview", "Náhľad tlače", "Náhled tisku"};
        const char* const closes[] = {"", "Close", "Zavrieť", "Zavřít"};
        const char* const firsts[] = {"", "First", "Prvá", "První"};
        const char* const setups[] = {"", "Printer setup", "Nastavenie tlačiarne", "Nastavení tiskárny"};
        EXPECT_EQ(preview.Caption(), titles[language]);
        EXPECT_EQ(preview.Button1->Caption(), closes[language]);
        EXPECT_EQ(preview.ToolButton1->Caption(), "|<");
        EXPECT_EQ(preview.ToolButton1->Hint(), firsts[language]);
        EXPECT_EQ(preview.ToolButton5->Caption(), setups[language]);
        EXPECT_EQ(preview.ToolButton5->Hint(), setups[language]);
        // Captions with the window's own spacing and colons, as each language has them.
        const char* const sources[] = {"", " Data source : ", " Zdroj údajov : ", " Zdroj údajů : "};
        const char* const envelopes[] = {"", "Envelope", "Obálka", " Obálka : "};
        const char* const sides[] = {"", "Side margin", "Bočný okraj", "Boční okraj"};
        EXPECT_EQ(reports->Label3->Caption(), sources[language]);
        EXPECT_EQ(reports->PolohaRadioGroup->Caption(), envelopes[language]);
        EXPECT_EQ(reports->SheetLabels[2]->Caption(), sides[language]);
        EXPECT_EQ(reports->SenderBox->Caption(), "");
        {
            TPolohaObalkyForm feed(nullptr, 1, 0);
            testing::SaveWindowPicture(feed, std::string("feed_picture_") + names[language]);
            const char* const inserts[] = {"", "Insert evenlope now :", "Obálku vkladajte takto :",
                                           "Obálku vkládejte takhle :"};
            EXPECT_EQ(feed.Label1->Caption(), inserts[language]);
            EXPECT_EQ(feed.BitBtn1->Caption(), "&Ok");
            // The prompt is not cut at the window's edge (the Czech one is the widest).
            EXPECT_GE(feed.Label1->Widget()->width(), feed.Label1->Widget()->sizeHint().width());
        }
        {
            TPolozkyForm chooser(nullptr, reports->Layouts.Summary);
            testing::SaveWindowPicture(chooser, std::string("column_chooser_") + names[language]);
            const char* const choices[] = {"", "Choice items", "Výber položiek", "Výběr položek"};
            EXPECT_EQ(chooser.Caption(), choices[language]);
            EXPECT_EQ(chooser.BitBtn2->Caption(), GetMessageText(MessageId::Cancel));
            EXPECT_EQ(chooser.Label2->Caption(), GetMessageText(MessageId::Address1));
        }
        Choose(reports->ObalkyAdresyRadioGroup, PrintSummary);
        Pdf(std::string("summary_") + names[language]);
        Choose(reports->ObalkyAdresyRadioGroup, PrintLabels);
        Pdf(std::string("labels_") + names[language]);
        frame->CloseActiveModule();
        reports = nullptr;
        frame->Free();
        frame = nullptr;
        data.reset();
        std::filesystem::remove_all(temp.path() / "KvZirtData");
    }
}

} // namespace
} // namespace kvz
