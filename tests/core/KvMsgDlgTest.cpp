#include "core/KvMsgDlg.h"
#include "core/Messages.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

using testing::FormsTest;

TEST_F(FormsTest, MessageBoxComponentReturnsThePressedButton) {
    SetLanguage(1);
    TResponder responder;
    TKvWinMsgDlg dlg(nullptr);
    dlg.SetKind(TKvMsgDlgKind::mkQuery);
    dlg.SetButtonGroup(TKvMsgDlgButtonGroup::bgYesNo);
    dlg.SetText("Delete the address?");
    responder.MessageBoxAnswers = {IDNO};
    EXPECT_EQ(dlg.Execute(), IDNO);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    const TMessageBoxParams& box = responder.MessageBoxes[0];
    EXPECT_EQ(box.Caption, "Confirm");
    EXPECT_EQ(box.Text, "Delete the address?");
    EXPECT_EQ(box.Style, MB_YESNO | MB_USERICON); // no Help without a help topic
    EXPECT_FALSE(box.UserIcon.isNull());
    EXPECT_EQ(box.Owner, nullptr); // the owner is no windowed control
    SetLanguage(2);
}

TEST_F(FormsTest, MessageBoxComponentGroupsAndTitles) {
    const std::pair<TKvMsgDlgButtonGroup, unsigned> groups[] = {
        {TKvMsgDlgButtonGroup::bgAbortRetryIgnore, 2u}, {TKvMsgDlgButtonGroup::bgOK, 0u},
        {TKvMsgDlgButtonGroup::bgOKCancel, 1u},         {TKvMsgDlgButtonGroup::bgRetryCancel, 5u},
        {TKvMsgDlgButtonGroup::bgYesNo, 4u},            {TKvMsgDlgButtonGroup::bgYesNoCancel, 3u},
        {TKvMsgDlgButtonGroup::bgUnknown, 0u}};
    for (auto [group, style] : groups) EXPECT_EQ(TKvMsgDlgBase::ButtonStyle(group), style);

    TResponder responder;
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    Application().SetTitle("KV-Zirt");
    TKvWinMsgDlg dlg(nullptr);
    const std::pair<TKvMsgDlgKind, std::string> titles[] = {
        {TKvMsgDlgKind::mkWarning, "Warning"},    {TKvMsgDlgKind::mkInformation, "Information"},
        {TKvMsgDlgKind::mkQuery, "Confirm"},      {TKvMsgDlgKind::mkError, "Error"},
        {TKvMsgDlgKind::mkUser, "KV-Zirt"},       {TKvMsgDlgKind::mkApplication, "KV-Zirt"},
        {TKvMsgDlgKind::mkWinLogo, "KV-Zirt"}};
    SetLanguage(1);
    for (auto& [kind, title] : titles) {
        dlg.SetKind(kind);
        dlg.Execute();
        EXPECT_EQ(responder.MessageBoxes.back().Caption, title);
    }
    // The titles of the kinds are the user's language.
    SetLanguage(2);
    const std::pair<TKvMsgDlgKind, std::string> slovak[] = {{TKvMsgDlgKind::mkWarning, "Upozornenie"},
                                                            {TKvMsgDlgKind::mkInformation, "Informácia"},
                                                            {TKvMsgDlgKind::mkQuery, "Potvrdenie"},
                                                            {TKvMsgDlgKind::mkError, "Chyba"}};
    for (auto& [kind, title] : slovak) {
        dlg.SetKind(kind);
        dlg.Execute();
        EXPECT_EQ(responder.MessageBoxes.back().Caption, title);
    }
    dlg.SetTitle("Own");
    dlg.Execute();
    EXPECT_EQ(responder.MessageBoxes.back().Caption, "Own");
}

TEST_F(FormsTest, MessageBoxComponentHelpOpensTheTopicAndKeepsTheBox) {
    TForm form(nullptr);
    form.SetHelpFile("form.hlp");
    auto* dlg = new TKvWinMsgDlg(&form);
    dlg->SetHelpContext(63);
    dlg->SetButtonGroup(TKvMsgDlgButtonGroup::bgOKCancel);
    std::vector<std::pair<std::string, int>> topics;
    Application().OnHelp = [&](const std::string& file, int context) {
        topics.emplace_back(file, context);
        return true;
    };
    TResponder responder;
    responder.MessageBoxAnswers = {IDHELP, IDCANCEL};
    EXPECT_EQ(dlg->Execute(), IDCANCEL);
    EXPECT_EQ(responder.MessageBoxes[0].Style, MB_OKCANCEL | MB_USERICON | MB_HELP);
    EXPECT_EQ(responder.MessageBoxes[0].Owner, form.Widget());
    ASSERT_EQ(topics.size(), 1u);
    EXPECT_EQ(topics[0], (std::pair<std::string, int>{"form.hlp", 63}));
    dlg->SetHelpFile("kvzirt3.hlp");
    responder.MessageBoxAnswers = {IDHELP, IDOK};
    dlg->Execute();
    EXPECT_EQ(topics.back().first, "kvzirt3.hlp");
    Application().OnHelp = nullptr;
}

} // namespace
} // namespace kvz
