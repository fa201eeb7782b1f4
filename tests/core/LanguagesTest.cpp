#include "controls/KVCtrls.h"
#include "core/Help.h"
#include "core/Languages.h"
#include "core/Main.h"
#include "core/SmallRoutines.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Responder.h"
#include "resources/CaptionTable.h"

#include "TempFolder.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace kvz {
namespace {

using testing::FormsTest;

// The frame window's menu items and tool buttons, by the names the module windows use too.
const char* const kMenuItems[] = {
    "FileMenu", "SaveMenu", "ExportMenu", "LoadMenu", "PrewMenu", "PrintMenu", "EndMenu", "RecordsMenu", "FindMenu",
    "FilterMenu", "SendMenu", "ImportMenu", "OrderMenu", "SetupMenu", "NewMenu", "EditMenu", "DelMenu", "CancelMenu",
    "MailMenu", "NastavMenu", "ObnovMenu", "PrintSetupMenu", "InterfaceSetupMenu", "BackMenu", "FilingMenu",
    "LangsMenu", "UlohyMenu", "DelAllQuescions", "ProjectManagerMenu", "PomocnikMenu", "HelpMenuApl", "AboutMenu",
    "WebMenu", "ChangeUserMenu", "KeyMenu", "OwnersMenu", "ScrMenu", "CaptureMenu", "AdTaskMenu", "RunLinkMenu",
    "LinksMenu", "PhoneMenu", "SaveReportMenu", "FontSetupMenu", "NetWizardMenu", "ConnectMenu", "AddresCompletionMenu",
    "OpenTemplateMenu", "SaveTemplateMenu", "PayMenu", "AddEBbankMenu", "DownloadPaysMenu"};
const char* const kToolButtons[] = {
    "FirstButton", "PriorButton", "NextButton", "LastButton", "InsertButton", "PostButton", "EditButton",
    "CancelButton", "DeleteButton", "FindButton", "FilterButton", "SaveAsButton", "SetupButton", "InfoButton",
    "HelpButton", "QuitButton", "OpenButton", "PreviewButton", "FontButton", "PrintButton", "DetailButton",
    "OwnersToolButton", "MaxMinToolButton", "CaptureButton", "RunLinkBUtton", "ChangeUserButon", "MailButton",
    "WebButton", "ScrToolButton", "KeyButton", "ManagerButton", "AddToTasklButton", "PhoneButton",
    "SaveReportButton", "RefreshButton", "OpenTemplateButton", "SaveTemplateButton", "PayButton", "OrderButton",
    "ImportButton", "ExportButton"};

TEST(CaptionTable, EveryFrameCaptionAndHintInThreeLanguagesOnce) {
    std::set<std::string> seen;
    for (size_t i = 0; i < kCaptionCount; ++i) {
        const TCaptionRow& row = kCaptionTable[i];
        EXPECT_TRUE(seen.insert(std::string(row.Form) + "." + row.Component + (row.Kind == TCaptionKind::Hint ? "/hint" : ""))
                        .second)
            << row.Component;
        for (const char* text : row.Text) EXPECT_STRNE(text, "") << row.Component;
    }
    for (const char* name : kMenuItems)
        for (int language = 1; language <= 3; ++language)
            EXPECT_TRUE(CaptionText("TMainForm", name, TCaptionKind::Caption, language)) << name;
    for (const char* name : kToolButtons)
        for (int language = 1; language <= 3; ++language)
            EXPECT_TRUE(CaptionText("TMainForm", name, TCaptionKind::Hint, language)) << name;
    EXPECT_FALSE(CaptionText("TMainForm", "KeyMenu", TCaptionKind::Caption, 4));
}

TEST_F(FormsTest, TranslateMainWindowSetsMenusHintsAndOutlookCaptionsByName) {
    TForm frame(nullptr);
    auto* mainMenu = new TMainMenu(&frame); // items owned by their menu are found too
    for (const char* name : kMenuItems) (new TMenuItem(mainMenu))->SetName(name);
    for (const char* name : kToolButtons) (new TButton(&frame))->SetName(name);
    auto* addressPrint = new TButton(&frame);
    addressPrint->SetName("AddressPrintButton");
    auto* reports = new TButton(&frame);
    reports->SetName("ZostavySpeedButton1");
    const auto menu = [&](const char* name) { return static_cast<TMenuItem*>(FindNamedComponent(frame, name))->Caption(); };
    const auto hint = [&](const char* name) { return static_cast<TControl*>(FindNamedComponent(frame, name))->Hint(); };

    auto* moduleWindow = new TForm(&frame); // its own buttons are not the frame window's
    (new TButton(moduleWindow))->SetName("BackButton");
    TranslateMainWindow(frame, kCzech);
    EXPECT_EQ(static_cast<TButton*>(moduleWindow->FindComponent("BackButton"))->Caption(), "");
    EXPECT_EQ(menu("PomocnikMenu"), "Nápo&věda");
    EXPECT_EQ(hint("KeyButton"), "Změnit heslo");
    std::string address, print;
    GetMessageText(MessageId::Address, address, kCzech);
    GetMessageText(MessageId::PrintSecondLine, print, kCzech);
    EXPECT_EQ(addressPrint->Caption(), address + "\n" + print);
    TranslateMainWindow(frame, kEnglish);
    EXPECT_EQ(menu("KeyMenu"), "Change password");
    EXPECT_EQ(hint("RunLinkBUtton"), "Run or open link");
    EXPECT_EQ(addressPrint->Caption(), "Address\nprint");
    EXPECT_EQ(reports->Caption(), "Reports");
    for (const char* name : kMenuItems) EXPECT_NE(menu(name), "") << name;
    for (const char* name : kToolButtons) EXPECT_NE(hint(name), "") << name;
    TranslateMainWindow(frame, 4); // another language keeps the texts
    EXPECT_EQ(menu("KeyMenu"), "Change password");
}

TEST_F(FormsTest, LanguageDialogStoresTheChoiceAndTranslatesOnlyAfterTheFirstStart) {
    SettingsStore settings;
    settings.Nastavenia[Slot::Language] = kSlovak;
    TResponder responder;
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    int translated = 0;
    const char* const codes[] = {"", "en", "sk", "cz"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        settings.Nastavenia[Slot::Language] = language;
        TSelectLanguageForm dialog(nullptr, settings);
        dialog.TranslateWindows = [&] { ++translated; };
        dialog.FormShow(nullptr);
        EXPECT_TRUE(dialog.EngButton->Down() == (language == kEnglish));
        EXPECT_TRUE(dialog.CzButton->Down() == (language == kCzech));
        testing::Render(dialog, std::string("SelectLanguageForm_") + codes[language]);
    }
    TSelectLanguageForm dialog(nullptr, settings);
    dialog.TranslateWindows = [&] { ++translated; };
    translated = 0;
    dialog.FirstStart = true;
    testing::Press(*dialog.EngButton, 5, 5);
    testing::Release(*dialog.EngButton, 5, 5);
    EXPECT_EQ(settings.Nastavenia[Slot::Language], kEnglish);
    EXPECT_EQ(Language(), kEnglish);
    EXPECT_EQ(Application().HelpFile(), HelpFileName(kEnglish));
    EXPECT_EQ(dialog.Caption(), "Select language");
    EXPECT_TRUE(responder.MessageBoxes.empty()); // not while the click goes on
    QApplication::processEvents();
    EXPECT_EQ(responder.MessageBoxes.size(), 1u); // the English help is not installed beside the tests
    dialog.BitBtn1Click(nullptr);
    EXPECT_EQ(translated, 0);
    dialog.FirstStart = false;
    testing::Press(*dialog.SkButton, 5, 5);
    testing::Release(*dialog.SkButton, 5, 5);
    EXPECT_EQ(Language(), kSlovak);
    EXPECT_EQ(Application().HelpFile(), HelpFileName(kSlovak));
    EXPECT_EQ(dialog.Caption(), "Výber jazyka");
    dialog.BitBtn1Click(nullptr);
    EXPECT_EQ(translated, 1);
    SetLanguage(2);
}

// The help pages shipped with the program, as the build copies them beside it.
std::filesystem::path ShippedHelp() { return std::filesystem::path(KVZ_TEST_DATA).parent_path().parent_path() / "resources"; }

TEST_F(FormsTest, EveryHelpContextHasItsTopicInEachLanguage) {
    const int contexts[] = {1, 6, 7, 8, 10, 15, 16, 17, 20, 23, 25, 29, 30, 31, 32, 33, 34, 39, 40,
                            43, 45, 46, 47, 50, 53, 54, 55, 56, 61, 62, 63, 65, 67, 68, 69, 70};
    for (int language : {kEnglish, kSlovak, kCzech}) {
        const std::filesystem::path contents = HelpFilePath(ShippedHelp(), language);
        ASSERT_TRUE(std::filesystem::exists(contents)) << contents;
        for (int context : contexts) {
            const std::filesystem::path page = contents.parent_path() / HelpTopicPage(context);
            std::ifstream in(page);
            std::stringstream text;
            text << in.rdbuf();
            EXPECT_NE(text.str().find("id=\"c" + std::to_string(context) + "\""), std::string::npos)
                << page << " has no topic " << context;
        }
    }
    EXPECT_EQ(HelpTopicPage(999), "kvzirt.html");
}

// Each page says the same in the three languages: the same topics and steps, and no word
// written twice in a row.
TEST(HelpPages, EachPageHasTheSameTopicsInEachLanguageAndDoublesNoWord) {
    const auto read = [](const std::filesystem::path& page) {
        std::ifstream in(page);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    const auto marks = [](const std::string& html) {
        std::vector<std::string> found;
        for (const char* mark : {"id=\"c", "<h2", "<li>"})
            for (size_t at = html.find(mark); at != std::string::npos; at = html.find(mark, at + 1))
                found.push_back(mark == std::string("id=\"c") ? html.substr(at, html.find('"', at + 4) - at) : mark);
        return found;
    };
    for (const auto& entry : std::filesystem::directory_iterator(ShippedHelp() / "help" / "en")) {
        const std::string name = entry.path().filename().string();
        const std::string english = read(entry.path());
        for (const char* language : {"sk", "cs"}) {
            const std::string page = read(ShippedHelp() / "help" / language / name);
            EXPECT_EQ(marks(page), marks(english)) << language << "/" << name;
        }
        for (const char* language : {"en", "sk", "cs"}) {
            std::string html = read(ShippedHelp() / "help" / language / name), word, last;
            bool inTag = false;
            for (char c : html + " ") {
                if (c == '<') inTag = true;
                if (inTag || c == ' ' || c == '\n' || c == ',' || c == '.' || c == ';' || c == ':') {
                    if (!word.empty()) {
                        EXPECT_NE(word, last) << language << "/" << name << ": \"" << word << " " << word << "\"";
                        last = word;
                    }
                    word.clear();
                    // A sentence's end, a mark or a tag (a title, a heading) starts anew.
                    if (c == '.' || c == ';' || c == ':' || c == ',' || c == '<') last.clear();
                } else {
                    word += c;
                }
                if (c == '>') inTag = false;
            }
        }
    }
}

TEST_F(FormsTest, AHelpTopicOpensItsPageInTheBrowserOrSaysTheHelpIsMissing) {
    TResponder responder;
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    std::vector<std::string> opened;
    SetShellOpener([&](const std::string& file, const std::string&, const std::string&, int) {
        opened.push_back(file);
        return 33;
    });
    const std::string contents = HelpFilePath(ShippedHelp(), kCzech).string();
    EXPECT_TRUE(OpenHelpTopic(contents, 8));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "file://" + (ShippedHelp() / "help" / "cs" / "address.html").string() + "#c8");
    EXPECT_TRUE(responder.MessageBoxes.empty());

    TempFolder empty;
    SetLanguage(kEnglish);
    EXPECT_FALSE(OpenHelpTopic(HelpFilePath(empty.path(), kEnglish).string(), 8));
    EXPECT_EQ(opened.size(), 1u);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("Help is not installed"), std::string::npos);
    SetShellOpener(nullptr);
    SetLanguage(2);
}

TEST_F(FormsTest, ChoosingEnglishWithItsHelpBesideTheProgramSaysNothing) {
    TResponder responder;
    SettingsStore settings;
    ProgramState().ProgramFolder = ShippedHelp();
    TSelectLanguageForm dialog(nullptr, settings);
    testing::Press(*dialog.EngButton, 5, 5);
    testing::Release(*dialog.EngButton, 5, 5);
    QApplication::processEvents();
    EXPECT_EQ(Language(), kEnglish);
    EXPECT_TRUE(responder.MessageBoxes.empty());
    ProgramState().ProgramFolder.clear();
    SetLanguage(2);
}

} // namespace
} // namespace kvz
