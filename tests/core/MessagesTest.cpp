#include "core/Messages.h"
#include "platform/forms/Forms.h"
#include "resources/MessageTable.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(Messages, LooksUpEachLanguage) {
    const std::string nbsp = "\xC2\xA0";
    struct Case { int id; const char* en; const char* sk; const char* cz; };
    const Case cases[] = {
        {1, "Import from ...", "Importuje sa  ...", "Importuje se  ..."},
        {236, "Czech pays", "České platby", "České platby"},
        {43, "November", "November", "Listooad"},
        {46, "st", "", ""},
        {28, "", "", ""},
        {59, "", "", ""},
        {73, "", "", ""},
        {95, "\" for good ?", "\"  zo zoznamu ?", "\"  ze seznamu ?"},
        {72, "Have to assign the item \" Name\"", "Položku \" Názov \" musíte zadať !", "Položku \" Název \" musíte zadat !"},
        {5, "Send to  ...", "Odosiela sa  ... ", "Odesílá se  ... "},
        {32, " ", " hod.", " hod."},
        {MessageId::LinkCannotOpen, "The link could not be opened: ", "Odkaz sa nepodarilo otvoriť: ",
         "Odkaz se nepodařilo otevřít: "},
        {MessageId::PageOfCount, " Page %1 of %2", " Strana %1 z %2", " Strana %1 z %2"},
    };
    for (const Case& c : cases) {
        const char* expected[] = {c.en, c.sk, c.cz};
        for (int language = 1; language <= 3; ++language) {
            std::string text = "before";
            GetMessageText(c.id, text, language);
            EXPECT_EQ(text, expected[language - 1]) << c.id << " " << language;
        }
    }
    std::string text;
    GetMessageText(68, text, 1);
    EXPECT_EQ(text, "Item already exists on a" + nbsp + "list.");
    GetMessageText(50, text, 1);
    EXPECT_EQ(text, "You have added the next task. If you want to remind this one by a" + nbsp +
                        "program „Temko“ you click to a" + nbsp + "key \"YES\".");
}

TEST(Messages, NumbersOutsideTheCatalogueGiveNothing) {
    for (int id : {0, -1, kMessageCount + 1, 100000}) {
        std::string text = "before";
        GetMessageText(id, text, 2);
        EXPECT_EQ(text, "") << id;
    }
    std::string text = "kept";
    GetMessageText(7, text, 0);
    GetMessageText(7, text, 4);
    EXPECT_EQ(text, "kept");
}

TEST(Messages, FollowTheProgramsLanguage) {
    SetLanguage(3);
    EXPECT_EQ(GetMessageText(53), "Upozornění : ");
    std::string notice;
    GetNoticeText(1, notice);
    EXPECT_EQ(notice.rfind("Vážený užívatel. Z důvodu", 0), 0u);
    EXPECT_NE(notice.find("\"Sdílené dokumenty\\KvZirtData\\Data\""), std::string::npos);
    GetNoticeText(2, notice);
    EXPECT_EQ(notice, "");
    SetLanguage(9);
    EXPECT_EQ(GetMessageText(53), "");
    SetLanguage(2);
}

// The date edits and calendars made after a change of language show its dates: the program's
// formats follow the language, Slovak from the start.
TEST(Messages, TheProgramsFormatsFollowTheLanguage) {
    EXPECT_EQ(Application().Formats().ShortDateFormat, "d.m.yyyy");
    SetLanguage(3);
    EXPECT_EQ(Application().Formats().LongMonthNames[2], "březen");
    SetLanguage(1);
    EXPECT_EQ(Application().Formats().ShortDateFormat, "dd/mm/yyyy");
    SetLanguage(2);
    EXPECT_EQ(Application().Formats().LongMonthNames[2], "marec");
}

// One name per message, and the names mean the catalogue's texts.
TEST(Messages, NamedMessagesAreTheCataloguesTexts) {
    EXPECT_EQ(GetMessageText(MessageId::Cancel), "Zrušiť");
    std::string text;
    GetMessageText(MessageId::Next, text, 1);
    EXPECT_EQ(text, "Next >");
    GetMessageText(MessageId::RestoreSettings, text, 1);
    EXPECT_EQ(text.rfind("Want to recover all settings", 0), 0u);
}

TEST(Messages, FieldMaps) {
    std::string field = "unchanged";
    AddressFieldByComboIndex(-1, "x", field);
    EXPECT_EQ(field, "unchanged");
    AddressFieldByComboIndex(0, "Name", field);
    EXPECT_EQ(field, "Firma");
    AddressFieldByComboIndex(15, "Pager", field);
    EXPECT_EQ(field, "Pager");
    AddressFieldByComboIndex(16, "Hobby", field);
    EXPECT_EQ(field, "Hobby");

    std::vector<std::string> items(17, "item");
    items[16] = "Hobby";
    AddressFieldByRadioIndex(7, items, field);
    EXPECT_EQ(field, "Telefon_P");
    AddressFieldByRadioIndex(16, items, field);
    EXPECT_EQ(field, "Hobby");
    AddressFieldByRadioIndex(-1, items, field);
    EXPECT_EQ(field, "Hobby");

    LinkFieldByComboIndex(3, field);
    EXPECT_EQ(field, "Note");
    LinkFieldByComboIndex(4, field);
    EXPECT_EQ(field, "Note");
}

} // namespace
} // namespace kvz
