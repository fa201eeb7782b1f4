#include "addressbook/Categories.h"
#include "addressbook/Dialer.h"
#include "addressbook/FieldChoices.h"
#include "addressbook/FilterText.h"
#include "core/Data1.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "engine/VolgaTbl.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

// An address table with the program's schema, then the user fields given.
void MakeAddressTable(TVolgaTable& t, const std::vector<SchemaField>& userFields) {
    for (const SchemaField& f : TableSchema(TableId::Address)) t.FieldDefs().Add(f.Name, f.Type, f.Size);
    for (const SchemaField& f : userFields) t.FieldDefs().Add(f.Name, f.Type, f.Size);
    t.Open();
}

void AddRow(TVolgaTable& t, const std::vector<std::pair<const char*, const char*>>& values) {
    t.Append();
    for (const auto& [field, value] : values) t.FieldByName(field).SetAsString(value);
    t.Post();
}

std::vector<std::string> Visible(TVolgaTable& t, const char* field) {
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName(field).AsString());
    return out;
}

class AddressListsTest : public ::testing::Test {
protected:
    void SetUp() override { SetLanguage(1); }
    void TearDown() override { SetLanguage(2); }
};

TEST_F(AddressListsTest, TypedTextIsFoundLiterallyWhateverItHolds) {
    TVolgaTable t;
    MakeAddressTable(t, {{"Poznámka2", ftString, 30}});
    for (const char* firma : {"Alfa \"Beta\"", "100% bio", "a_b", "axb", "a?b", "C:\\Docs", "star*", "Nováková",
                              "x' or 'y", "and"})
        AddRow(t, {{"Firma", firma}, {"Poznámka2", firma}});
    using Rows = std::vector<std::string>;
    struct Case {
        const char* typed;
        Rows found;
    };
    for (const Case& c : {Case{"\"Beta\"", {"Alfa \"Beta\""}}, Case{"\"", {"Alfa \"Beta\""}},
                          Case{"%", {"100% bio"}}, Case{"_", {"a_b"}}, Case{"?", {"a?b"}}, Case{"*", {"star*"}},
                          Case{"\\D", {"C:\\Docs"}}, Case{"\\", {"C:\\Docs"}}, Case{"nováK", {"Nováková"}},
                          Case{"' or '", {"x' or 'y"}}, Case{"\" and Firma like \"", {}},
                          Case{"  ", {}}, Case{"ab", {}}}) {
        for (const char* field : {"Firma", "Poznámka2"}) {
            const std::string text = BuildFilterText({{field, c.typed}});
            t.SetFilterText(text);
            t.SetFiltered(true);
            EXPECT_EQ(Visible(t, "Firma"), c.found) << text;
        }
    }
    // Rows are joined, and a row of one blank or of nothing adds no condition.
    EXPECT_EQ(BuildFilterText({{"Firma", "a"}, {"Mesto", " "}, {"Meno_Kr", ""}, {"Poznámka2", "b"}}),
              "\"Firma\" like\"*a*\" and  \"Poznámka2\" like\"*b*\" and  ");
    EXPECT_EQ(BuildFilterText({{"Firma", " "}}), "");
    t.SetFilterText(BuildFilterText({{"Firma", "a"}, {"Poznámka2", "b"}}));
    EXPECT_EQ(Visible(t, "Firma"), (Rows{"Alfa \"Beta\"", "a_b", "axb", "a?b"}));
}

TEST_F(AddressListsTest, FieldListsOfferSearchableFieldsAndKeyTheChoiceOnTheName) {
    TVolgaTable t;
    MakeAddressTable(t, {{"Hobby", ftString, 20}, {"Životopis", ftMemo}, {"Foto", ftGraphic}, {"Výročie", ftDate}});
    const auto sort = AddressFieldChoices(t, kFixedSortChoices);
    // The user fields but memo and picture; the program's own fields past position 31 are none.
    ASSERT_EQ(sort.size(), 18u);
    EXPECT_EQ(sort[15].Caption, "Pager");
    EXPECT_EQ(sort[15].Field, "Pager");
    EXPECT_EQ(sort[16].Field, "Hobby");
    EXPECT_EQ(sort[17].Field, "Výročie");
    EXPECT_EQ(AddressFieldChoices(t, kFixedFilterChoices).size(), 15u);
    EXPECT_EQ(Captions(LinkFieldChoices()), (std::vector<std::string>{"Name", "Path", "File type", "Note"}));

    SettingsStore s;
    s.Nastavenia[45] = 3;
    s.NastaveniaText[13] = "výročie"; // the name decides, whatever index another list stored
    EXPECT_EQ(StoredSortChoice(sort, s), 17);
    s.NastaveniaText[13] = "Name"; // a links field: the stored index, clamped
    s.Nastavenia[45] = 40;
    EXPECT_EQ(StoredSortChoice(sort, s), 0);
    s.Nastavenia[45] = 3;
    EXPECT_EQ(StoredSortChoice(sort, s), 3);
    StoreSortChoice(sort, 16, s);
    EXPECT_EQ(s.Nastavenia[45], 16);
    EXPECT_EQ(s.NastaveniaText[13], "Hobby");
    StoreSortChoice(sort, 18, s); // outside the list: nothing stored
    EXPECT_EQ(s.Nastavenia[45], 16);

    EXPECT_EQ(CheckedSortField(t, "Hobby"), "Hobby");
    for (const char* bad : {"Name", "Životopis", "", "Nothing", "Poznamka"}) EXPECT_EQ(CheckedSortField(t, bad), "Firma") << bad;
    EXPECT_EQ(SortFieldCaption(t, "Pager"), "Pager");
    SetLanguage(2);
    EXPECT_EQ(SortFieldCaption(t, "Telefon_P"), "Telefón domov");
}

TEST_F(AddressListsTest, CategoryPickerKeepsValuesItDoesNotKnow) {
    SettingsStore s;
    s.NastaveniaText[21] = "Rodina";
    std::vector<std::string> items = CategoryFilterItems(s);
    EXPECT_EQ(items, (std::vector<std::string>{"All", "Work", "Private", "Rodina"}));
    EXPECT_EQ(CategoryItemFor(items, ""), 0);
    EXPECT_EQ(CategoryItemFor(items, "private_zirt"), 2);
    EXPECT_EQ(CategoryItemFor(items, "Rodina"), 3);
    // A category renamed since: the row's value stays an item, and saving it keeps it.
    const int old = CategoryItemFor(items, "Priatelia");
    EXPECT_EQ(old, 4);
    EXPECT_EQ(CategoryOfItem(old, items), "Priatelia");
    EXPECT_EQ(CategoryItemFor(items, "Priatelia"), 4);
    EXPECT_EQ(items.size(), 5u);
}

TEST_F(AddressListsTest, CategoryNamesAreShortAndUnique) {
    struct Case {
        std::array<std::string, 5> names;
        const char* error; // the start of the message, nullptr when they can be stored
    };
    for (const Case& c : {Case{{"Rodina", "", "Škola", "", ""}, nullptr},
                          Case{{"Rodina", "", "", "", "RODINA"}, "This category name is already used: RODINA"},
                          Case{{"Škola", "škola", "", "", ""}, "This category name is already used: škola"},
                          Case{{"work", "", "", "", ""}, "This category name is already used: work"},
                          Case{{"Súkromné", "", "", "", ""}, "This category name is already used: Súkromné"},
                          Case{{"Žltá žltá žltá žltáž", "", "", "", ""}, nullptr},
                          Case{{"Žltá žltá žltá žltážž", "", "", "", ""}, "A category name may have at most 20"},
                          Case{{"", "Ωmega", "", "", ""}, "This category name holds a character that cannot"}}) {
        const auto error = CategoryNamesError(c.names);
        if (!c.error)
            EXPECT_FALSE(error) << *error;
        else
            EXPECT_EQ(error.value_or("").rfind(c.error, 0), 0u) << error.value_or("none");
    }
}

struct RecordingDialer : Dialer {
    std::vector<std::vector<std::string>> calls;
    void MakeCall(const std::string& number, const std::string& application, const std::string& party,
                  const std::string& comment) override {
        calls.push_back({number, application, party, comment});
    }
};

TEST_F(AddressListsTest, DiallingReadsTheChosenFieldOfTheCurrentRecord) {
    TVolgaTable t;
    MakeAddressTable(t, {});
    AddRow(t, {{"Firma", "Alfa"}, {"Telefon1", "02/123-456"}, {"Mobil", "0905 111 222"}});
    AddRow(t, {{"Firma", "Beta"}, {"Telefon1", "033\\44"}, {"Mobil", ""}});
    RecordingDialer dialer;
    PhoneChoice choice;
    t.First();
    PhoneCallNumber(dialer, choice.Number(t), "Alfa", "KV-Zirt"); // before any choice: Telefon1
    choice.Choose("Mobil");
    PhoneCallNumber(dialer, choice.Number(t), "Alfa", "KV-Zirt");
    t.Next(); // the other record: its own number, and an empty one dials nothing
    PhoneCallNumber(dialer, choice.Number(t), "Beta", "KV-Zirt");
    choice.Choose("Firma"); // not a telephone field
    EXPECT_EQ(choice.Field(), "Mobil");
    choice.Choose("Telefon1");
    PhoneCallNumber(dialer, choice.Number(t), "Beta", "KV-Zirt");
    EXPECT_EQ(dialer.calls, (std::vector<std::vector<std::string>>{{"02 123 456", "KV-Zirt", "Alfa", "Calling  Alfa"},
                                                                   {"0905 111 222", "KV-Zirt", "Alfa", "Calling  Alfa"},
                                                                   {"033 44", "KV-Zirt", "Beta", "Calling  Beta"}}));
    EXPECT_EQ(TelAddress("+421 2/123"), "tel:+421%202%2F123");
}

} // namespace
} // namespace kvz
