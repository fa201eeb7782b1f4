#include "controls/KVCtrls.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"
#include "resources/CaptionTable.h"

#include <gtest/gtest.h>

#include <set>

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
    "LinksMenu", "PhoneMenu", "SaveReportMenu", "NetWizardMenu", "ConnectMenu", "AddresCompletionMenu",
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
    GetMessageText(174, address, kCzech);
    GetMessageText(203, print, kCzech);
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
    settings.Nastavenia[kHelpLanguageSlot] = kSlovak;
    TResponder responder;
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    int translated = 0;
    const char* const codes[] = {"", "en", "sk", "cz"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        settings.Nastavenia[kHelpLanguageSlot] = language;
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
    EXPECT_EQ(settings.Nastavenia[kHelpLanguageSlot], kEnglish);
    EXPECT_EQ(Language(), kEnglish);
    EXPECT_EQ(Application().HelpFile(), "kvzirt_e3.hlp");
    EXPECT_EQ(responder.MessageBoxes.size(), 1u); // the English help file is not installed here
    dialog.BitBtn1Click(nullptr);
    EXPECT_EQ(translated, 0);
    dialog.FirstStart = false;
    testing::Press(*dialog.SkButton, 5, 5);
    testing::Release(*dialog.SkButton, 5, 5);
    EXPECT_EQ(Language(), kSlovak);
    EXPECT_EQ(Application().HelpFile(), "kvzirt3.hlp");
    dialog.BitBtn1Click(nullptr);
    EXPECT_EQ(translated, 1);
    SetLanguage(2);
}

} // namespace
} // namespace kvz
