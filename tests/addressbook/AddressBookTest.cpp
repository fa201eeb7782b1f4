#include "addressbook/AddressLook.h"
#include "addressbook/AddressSave.h"
#include "addressbook/FieldChoices.h"
#include "addressbook/UserFields.h"

#include "ExchangeTesting.h"
#include "TempFolder.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;

// ---- the letter bar, keys, completion, mail and web ----

TEST(AddressLook, TheLetterBarHas25LettersWithoutQ) {
    EXPECT_EQ(LetterAtPosition(15), 'p');
    EXPECT_EQ(LetterAtPosition(16), 'r');
    EXPECT_EQ(LetterAtPosition(24), 'z');
    EXPECT_EQ(LetterAtPosition(25), 0);
    const struct {
        const char* value;
        std::optional<int> position;
    } cases[] = {{"Beta a.s. with a name of forty characters", 1}, {"alfa", 0}, {"Zeta", 24}, {"Rudo", 16},
                 {"Quido", std::nullopt}, {"7 Days", std::nullopt}, {"Čierny", std::nullopt},
                 {"", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(LetterBarPosition(c.value), c.position) << c.value;
}

TEST(AddressLook, EnterSpaceBackspaceDeleteLettersAndDigitsButZeroStartAnEdit) {
    for (uint16_t key : {13, 32, 8, 46}) EXPECT_TRUE(KeyDownStartsEdit(key)) << key;
    for (uint16_t key : {9, 27, 37, 38, 65}) EXPECT_FALSE(KeyDownStartsEdit(key)) << key;
    for (char32_t c : {U'a', U'Z', U'1', U'9'}) EXPECT_TRUE(KeyPressStartsEdit(c));
    for (char32_t c : {U'0', U'.', U' ', U'č', U'-'}) EXPECT_FALSE(KeyPressStartsEdit(c));
}

TEST(AddressLook, CompletionPutsCompanyAndPersonIntoAnAddressThatLacksThem) {
    const struct {
        const char *company, *first, *surname, *memo;
        std::optional<std::string> result;
    } cases[] = {
        {"Alfa", "Jan", "Novak", "", "Alfa\r\nJan Novak\r\n"},
        {"", "Jan", "Novak", "", "\r\nJan Novak\r\n"},
        {"", "", "Novak", "", "\r\nNovak \r\n"},
        {"", "Jan", "", "", "\r\nJan\r\n"},
        {"Alfa", "", "", "", "\r\nAlfa\r\n"},
        {"Alfa", "Jan", "Novak", "Alfa\nStreet", std::nullopt},
        {"", "", "", "", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompleteAddress(c.company, c.first, c.surname, c.memo), c.result) << c.company << c.first;
}

TEST(AddressLook, LinesEndInLfCrLfOrCrAndTheCityIsTheFourth) {
    EXPECT_EQ(SplitLines("a\nb\r\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(CityOfAddress("Firm\r\nJan\rStreet 1\nNitra\n949 01"), "Nitra");
    EXPECT_EQ(CityOfAddress("Firm\nJan"), "");
    EXPECT_EQ(FullName("", ""), "  ");
}

TEST(AddressLook, MailIsEncodedAndWebGetsASchemeOnlyWhenItHasNone) {
    EXPECT_EQ(MailAddress(""), "");
    EXPECT_EQ(MailAddress("  "), "");
    EXPECT_EQ(MailAddress("jan novak@x.sk?cc=y"), "mailto:jan%20novak@x.sk%3Fcc%3Dy");
    EXPECT_EQ(WebAddress(""), "");
    EXPECT_EQ(WebAddress("www.x.sk"), "http://www.x.sk");
    EXPECT_EQ(WebAddress("https://x.sk"), "https://x.sk");
    EXPECT_EQ(WebAddress("x.sk:8080/a://b"), "http://x.sk:8080/a://b");
}

// ---- the sort field and the user's fields ----

TEST(AddressLook, UserFieldsAreTheFieldsNotAmongTheTablesOwn) {
    for (const char* own : {"Number", "Firma", "IBAN", "PripNarIdent", "Split_field", "split_FIELD"})
        EXPECT_FALSE(IsUserField(own)) << own;
    EXPECT_TRUE(IsUserField("Hobby"));
}

TEST(AddressLook, ASortFieldThatIsMissingAMemoOrAPictureFallsBackToFirma) {
    TVolgaTable t;
    for (const SchemaField& f : TableSchema(TableId::Address)) t.FieldDefs().Add(f.Name, f.Type, f.Size);
    t.FieldDefs().Add("Hobby", ftString, 20);
    t.FieldDefs().Add("Photo", ftGraphic);
    t.Open();
    const struct {
        const char* name;
        const char* field;
        int index;
    } cases[] = {{"Pager", "Pager", 15}, {"mesto", "Mesto", 3}, {"Hobby", "Hobby", 16}, {"Photo", "Firma", 0},
                 {"Poznamka", "Firma", 0}, {"Gone", "Firma", 0}, {"", "Firma", 0}, {"Number", "Firma", 0}};
    const std::vector<FieldChoice> choices = AddressFieldChoices(t, kFixedSortChoices);
    for (const auto& c : cases) {
        const std::string field = CheckedSortField(t, c.name);
        EXPECT_EQ(field, c.field) << c.name;
        EXPECT_EQ(ChoiceIndex(choices, field), c.index) << c.name;
    }
    EXPECT_EQ(LookLabelText("Order by : ", "Pager"), "Order by : Pager");
    EXPECT_EQ(LookLabelText("", "Čerstvá_položka_dlhá_ako_deň"), "Čerstvá_položka_dlhá");
}

// ---- the layout file ----

// A record as the old program wrote it, byte by byte.
std::string HandWritten(int32_t kind, const std::string& name, int32_t left, int32_t top, int32_t height,
                        int32_t width, const std::string& field, const std::string& caption) {
    std::string r(176, '\0');
    auto put32 = [&](size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i) r[at + static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    };
    auto putString = [&](size_t at, const std::string& s) {
        r[at] = static_cast<char>(s.size());
        r.replace(at + 1, s.size(), s);
    };
    put32(0, kind);
    putString(4, name);
    put32(56, left);
    put32(60, top);
    put32(64, height);
    put32(68, width);
    putString(72, field);
    putString(123, caption);
    return r;
}

TEST(UserFieldLayout, RecordsMatchTheOldProgramsBytes) {
    const TUserFieldRec check{ukCheckBox, "UserDBCheckBox1", 10, -20, 17, 97, "Vlastny", "Áno \xc4\x8d"};
    const std::string bytes = HandWritten(4, "UserDBCheckBox1", 10, -20, 17, 97, "Vlastny", "\xc1no \xe8");
    EXPECT_EQ(EncodeUserFieldRec(check), bytes);
    EXPECT_EQ(DecodeUserFieldRec(bytes), check);

    // A caption of 60 characters is stored cut to 50; a length byte above 50 reads 50.
    TUserFieldRec label{ukLabel, "UserLabel1", 5, 6, 0, 0, "", std::string(60, 'x')};
    const std::string cut = EncodeUserFieldRec(label);
    EXPECT_EQ(static_cast<unsigned char>(cut[123]), 50);
    EXPECT_EQ(DecodeUserFieldRec(cut).Caption, std::string(50, 'x'));
    std::string damaged = HandWritten(7, "UserLabel2", 0, 0, 0, 0, "", "");
    damaged[4] = static_cast<char>(200);
    EXPECT_EQ(DecodeUserFieldRec(damaged).Name, std::string("UserLabel2") + std::string(40, '\0'));

    // A character Windows-1250 cannot hold is refused rather than turned into "?".
    label.Caption = "日本";
    EXPECT_THROW(EncodeUserFieldRec(label), std::exception);
}

TEST(UserFieldLayout, AFileRoundTripsInTheWritersOrderAndAPartialRecordIsIgnored) {
    TempFolder dir;
    const fs::path file = dir.path() / "Jano.ucs";
    EXPECT_TRUE(ReadUserFieldFile(file).empty());
    std::vector<TUserFieldRec> records = {
        {ukMemo, "UserMemo10", 1, 2, 89, 185, "Hobby", ""}, {ukLabel, "UserLabel1", 3, 4, 0, 0, "", "Hobby"},
        {ukMemo, "UserMemo2", 1, 2, 89, 185, "Deti", ""},   {ukEdit, "UserDBEdit1", 7, 8, 21, 121, "Firma", ""},
        {ukImage, "UserDBImage1", 9, 9, 105, 105, "Photo", ""}};
    SortForLayoutFile(records);
    std::vector<std::string> names;
    for (const TUserFieldRec& r : records) names.push_back(r.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"UserDBEdit1", "UserLabel1", "UserMemo2", "UserMemo10", "UserDBImage1"}));
    WriteUserFieldFile(file, records);
    EXPECT_EQ(fs::file_size(file), 5u * 176u);
    WriteFileDurably(file, ReadWholeFile(file) + std::string(100, 'z'));
    std::vector<std::string> reports;
    SetApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reports.push_back(x.what());
        }
    });
    EXPECT_EQ(ReadUserFieldFile(file), records);
    EXPECT_EQ(reports.size(), 1u); // the partial record

    // Records that cannot be controls are left out with one message; the good ones stay.
    reports.clear();
    const std::string good = EncodeUserFieldRec(records[0]);
    auto with = [&](auto change) {
        TUserFieldRec r = records[1];
        change(r);
        return EncodeUserFieldRec(r);
    };
    const std::string junk[] = {
        std::string(176, '\xFF'),
        with([](TUserFieldRec& r) { r.Kind = 6; }),
        with([](TUserFieldRec& r) { r.Left = 2147483647; }),
        with([](TUserFieldRec& r) { r.Top = -2147483647; }),
        with([](TUserFieldRec& r) { r.Name = "UserMemo1"; }),   // not a label's name
        with([](TUserFieldRec& r) { r.Name = "UserDBEdit1"; }), // taken by the first record
        EncodeUserFieldRec({ukEdit, "UserDBEdit5", 1, 1, -4, 100, "Firma", ""}),
    };
    std::string content = good;
    for (const std::string& j : junk) content += j;
    content += EncodeUserFieldRec(records[1]);
    WriteFileDurably(file, content + std::string(1 << 20, '\xFF'));
    EXPECT_EQ(ReadUserFieldFile(file), (std::vector<TUserFieldRec>{records[0], records[1]}));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(std::to_string(std::size(junk) + (1 << 20) / 176 + 1)), std::string::npos) << reports[0];
    SetApplicationExceptionHandler(nullptr);
}

TEST(UserFieldLayout, ANewControlTakesTheHighestNumberPlusOne) {
    EXPECT_EQ(NextUserControlName(ukMemo, {}), "UserMemo1");
    EXPECT_EQ(NextUserControlName(ukMemo, {"UserMemo1", "UserMemo2"}), "UserMemo3");
    // A gap left by a deleted control is not filled with a name still in use.
    EXPECT_EQ(NextUserControlName(ukMemo, {"UserMemo3", "UserDBEdit9", "UserMemoX"}), "UserMemo4");
    EXPECT_EQ(NextUserControlName(ukEdit, {"UserDBEdit1", "UserDBEditor"}), "UserDBEdit2");
}

// ---- adding a field ----

TEST(UserFieldNames, TypedNamesLoseTheirBlanksAndMustBeNewIdentifiers) {
    TVolgaTable t;
    t.FieldDefs().Add("Firma", ftString, 50);
    t.FieldDefs().Add("Položka", ftString, 20);
    t.Open();
    EXPECT_EQ(CheckNewFieldName(" My Field ", t), "MyField");
    // Letters of the data code page are letters; ten characters, not bytes.
    EXPECT_EQ(CheckNewFieldName("Ďalšie čís", t), "Ďalšiečís");
    EXPECT_EQ(CheckNewFieldName("Žltý_kôň_2", t), "Žltý_kôň_2");
    for (const char* bad : {"", "   ", "firma", "F IRMA", "1st", "Meno-2", "POLOŽKA", "Eleven_char", "Žltý_kôň_22",
                            "Ωmega", "Cena€", "Čís.lo"})
        EXPECT_THROW(CheckNewFieldName(bad, t), EDatabaseError) << bad;
    SetLanguage(1);
    try {
        CheckNewFieldName("FIRMA", t);
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Data field FIRMA already exists.");
    }
    EXPECT_EQ(CheckCharacterCount("30"), 30);
    for (const char* bad : {"", "0", "256", "-1", "3a", "1000"}) EXPECT_THROW(CheckCharacterCount(bad), EDatabaseError) << bad;
}

class AddFieldTest : public ::testing::TestWithParam<bool> {};

TEST_P(AddFieldTest, EveryRowAndThePasswordStayWhateverTheFilter) {
    const bool network = GetParam();
    TempFolder dir;
    Program a(dir.path(), "Jano", network);
    TVolgaTable& t = a.Table(TableId::Address);
    const fs::path file = a.data->TableFileName(TableId::Address);
    a.Add(TableId::Address, {{"Firma", "Beta"}});
    a.Add(TableId::Address, {{"Firma", "Gama"}});
    const size_t rows = Column(t, "Firma").size();
    ASSERT_EQ(rows, 3u);
    a.frame.Filters.AddressKeyFilter = "none";
    t.SetFiltered(true);
    if (network) {
        // Another computer adds a row meanwhile: the rebuild reloads under the lock and keeps it.
        Program b(dir.path(), "Jano", true);
        b.Add(TableId::Address, {{"Firma", "Delta"}});
    }
    EXPECT_TRUE(AddUserField(*a.data, file, "MyField", ftString, 30));
    TVolgaTable& rebuilt = a.Table(TableId::Address);
    EXPECT_TRUE(rebuilt.FieldDefs().Find("MyField"));
    EXPECT_EQ(FileColumn(file, "Firma").size(), network ? 4u : 3u);
    EXPECT_EQ(FileColumn(file, "MyField").size(), network ? 4u : 3u); // the password still opens it
    EXPECT_FALSE(AddUserField(*a.data, file, "myfield", ftString, 30));
    EXPECT_FALSE(a.locks.TableLockHeld());
}

INSTANTIATE_TEST_SUITE_P(LocalAndNetwork, AddFieldTest, ::testing::Bool());

TEST(AddField, AnEmptyTableGetsTheFieldAndNoRow) {
    TempFolder dir;
    Program a(dir.path(), "Jano");
    TVolgaTable& t = a.Table(TableId::Address);
    a.locks.WriteSharedTable(t, a.data->LockFileName(TableId::Address), false, kRecordCommandPoll, [&] {
        while (!t.IsEmpty()) t.Delete();
    });
    const fs::path file = a.data->TableFileName(TableId::Address);
    EXPECT_TRUE(AddUserField(*a.data, file, "Photo", ftGraphic, 0));
    EXPECT_TRUE(FileColumn(file, "Photo").empty());
    EXPECT_EQ(a.Table(TableId::Address).FieldDefs().Find("Photo")->DataType(), ftGraphic);
}

// ---- the network save, two computers on one folder ----

class NetworkSaveTest : public ::testing::Test {
protected:
    TempFolder dir;
    Program a{dir.path(), "Jano", true};
    Program b{dir.path(), "Jano", true};

    AddressSaveResult Save(Program& p, AddressSaveRequest request, const std::function<void(TDataSet&)>& reminders = {}) {
        request.UserPrefix = "Jano";
        return SaveAddressCopies(p.Table(TableId::Address), p.locks, p.data->LockFileName(TableId::Address), true,
                                 request, reminders);
    }
    static AddressCopy Text(const char* field, const std::string& text, bool user = false) {
        return {field, AddressCopy::ckText, text, false, true, user};
    }
    static AddressCopy Date(const char* field, const std::string& text, bool changed = true) {
        return {field, AddressCopy::ckDate, text, false, changed, false};
    }
    std::string Insert(Program& p, const std::string& firma) {
        AddressSaveRequest r;
        r.Copies = {Text("Firma", firma), Date("Narodeniny", "01.02.1980")};
        return Save(p, r).RecordCode;
    }
    std::string Value(const std::string& code, const char* field) {
        TVolgaTable t;
        t.SetPassword("heslo");
        t.SetTableName(a.data->TableFileName(TableId::Address).string());
        t.Open();
        LocateRecordCode(t, code);
        return t.FieldByName(field).AsString();
    }
};

TEST_F(NetworkSaveTest, AnInsertWritesDerivedFieldsAndAnEditKeepsWhatItDoesNotTouch) {
    AddressSaveRequest r;
    r.Copies = {Text("Meno_Kr", ""), Text("Priezvisko", ""), Text("Adresa_1", "Firm\r\nJan\r\nStreet\r\nNitra")};
    const std::string code = Save(a, r).RecordCode;
    EXPECT_EQ(Value(code, "Meno"), "  ");
    EXPECT_EQ(Value(code, "User"), "Jano");
    EXPECT_EQ(Value(code, "Mesto"), "Nitra");

    // B writes a user field; A's edit with that copy untouched and empty keeps it.
    ASSERT_TRUE(AddUserField(*b.data, b.data->TableFileName(TableId::Address), "Hobby", ftString, 20));
    AddressSaveRequest fromB;
    fromB.Insert = false;
    fromB.RecordCode = code;
    fromB.Copies = {Text("Hobby", "chess", true)};
    Save(b, fromB);
    a.Table(TableId::Address).Close();
    a.Table(TableId::Address).Open();
    AddressSaveRequest edit;
    edit.Insert = false;
    edit.RecordCode = code;
    edit.Copies = {Text("Firma", "Alfa"), {"Hobby", AddressCopy::ckText, "", false, false, true}};
    Save(a, edit);
    EXPECT_EQ(Value(code, "Firma"), "Alfa");
    EXPECT_EQ(Value(code, "Hobby"), "chess");
}

TEST_F(NetworkSaveTest, AnEditOfARowDeletedElsewhereOrWithoutACodeChangesNoOtherRow) {
    const std::string mine = Insert(a, "Mine");
    const std::string neighbour = Insert(a, "Neighbour");
    b.locks.WriteSharedTable(b.Table(TableId::Address), b.data->LockFileName(TableId::Address), true, kEditorSavePoll,
                             [&] {
                                 LocateRecordCode(b.Table(TableId::Address), mine);
                                 b.Table(TableId::Address).Delete();
                             });
    AddressSaveRequest edit;
    edit.Insert = false;
    edit.Copies = {Text("Firma", "Overwritten")};
    for (const std::string& code : {mine, std::string()}) {
        edit.RecordCode = code;
        EXPECT_THROW(Save(a, edit), EDatabaseError) << code;
        EXPECT_FALSE(a.locks.TableLockHeld());
        EXPECT_EQ(a.Table(TableId::Address).State(), dsBrowse);
    }
    EXPECT_EQ(Value(neighbour, "Firma"), "Neighbour");
    const std::vector<std::string> names = FileColumn(a.data->TableFileName(TableId::Address), "Firma");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Overwritten"), 0);
}

// Two programs edit one address: what the other saved since this edit began is kept unless the
// user chooses to write over it; the question comes with no lock held.
TEST_F(NetworkSaveTest, AnAddressChangedOnAnotherComputerSinceTheEditBeganIsNeverOverwrittenUnasked) {
    const struct {
        AddressChangeChoice choice;
        const char* inFile;
    } cases[] = {{AddressChangeChoice::KeepEditing, "Theirs"},
                 {AddressChangeChoice::Reload, "Theirs"},
                 {AddressChangeChoice::Overwrite, "Mine"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inFile);
        const std::string code = Insert(a, "Ours");
        TVolgaTable& table = a.Table(TableId::Address);
        LocateRecordCode(table, code);
        AddressSaveRequest edit;
        edit.Insert = false;
        edit.RecordCode = code;
        edit.Begun = AddressRowValues(table);
        edit.Copies = {Text("Firma", "Mine")};
        // The other program, a process of its own, saves the same address meanwhile.
        const pid_t other = ::fork();
        if (other == 0) {
            int exitCode = 0;
            try {
                Program b2(dir.path(), "Jano", true);
                AddressSaveRequest theirs;
                theirs.Insert = false;
                theirs.RecordCode = code;
                theirs.Copies = {Text("Firma", "Theirs")};
                Save(b2, theirs);
            } catch (...) {
                exitCode = 1;
            }
            ::_exit(exitCode);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(other, &status, 0), other);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        int asked = 0;
        edit.OnOtherChange = [&] {
            ++asked;
            EXPECT_FALSE(a.locks.TableLockHeld());
            return c.choice;
        };
        if (c.choice == AddressChangeChoice::Overwrite) {
            EXPECT_EQ(Save(a, edit).RecordCode, code);
        } else {
            try {
                Save(a, edit);
                ADD_FAILURE() << "saved over the other change";
            } catch (const AddressChangedElsewhere& e) {
                EXPECT_EQ(e.Choice, c.choice);
            }
            LocateRecordCode(table, code);
            EXPECT_EQ(table.FieldByName("Firma").AsString(), "Theirs");
        }
        EXPECT_EQ(asked, 1);
        EXPECT_FALSE(a.locks.TableLockHeld());
        EXPECT_EQ(Value(code, "Firma"), c.inFile);
        // An edit that began from what is there now is not asked about.
        edit.Copies = {Text("Firma", "Settled")};
        edit.OnOtherChange = [] {
            ADD_FAILURE() << "asked";
            return AddressChangeChoice::KeepEditing;
        };
        LocateRecordCode(table, code);
        edit.Begun = AddressRowValues(table);
        Save(a, edit);
        EXPECT_EQ(Value(code, "Firma"), "Settled");
    }
}

TEST_F(NetworkSaveTest, ABadDateIsRefusedBeforeTheLockAndABirthdayCanBeCleared) {
    const std::string code = Insert(a, "Alfa");
    EXPECT_NE(Value(code, "Narodeniny"), "");
    AddressSaveRequest edit;
    edit.Insert = false;
    edit.RecordCode = code;
    for (const char* bad : {"31.02.1980", "1.2.80", "12/24/2020", "1x.2.1980"}) {
        edit.Copies = {Text("Firma", "Changed"), Date("Narodeniny", bad)};
        EXPECT_THROW(Save(a, edit), EDatabaseError) << bad;
        EXPECT_FALSE(a.locks.TableLockHeld());
    }
    EXPECT_EQ(Value(code, "Firma"), "Alfa");
    // An untouched empty mask keeps the birthday; one the user emptied clears it.
    edit.Copies = {Date("Narodeniny", "  .  .    ", false)};
    Save(a, edit);
    EXPECT_NE(Value(code, "Narodeniny"), "");
    edit.Copies = {Date("Narodeniny", "  .  .    ")};
    Save(a, edit);
    EXPECT_EQ(Value(code, "Narodeniny"), "");
    EXPECT_EQ(*ParseCopyDate(" 1.2.1980"), *ParseCopyDate("01.02.1980"));
    EXPECT_EQ(FormatCopyDate(*ParseCopyDate("1.2.1980")), "01.02.1980");
}

TEST_F(NetworkSaveTest, DerivedFieldsAreCutToTheirSizeAndTypedFieldsAreRefusedWhole) {
    // Characters, not bytes: accented letters take two bytes each in UTF-8.
    const std::string city35 = "Banská Bystrica - Sásová, Rudlovská";
    const std::string first20 = "Ľudovít Ján Michal X";
    const std::string surname30 = "Štefánik-Kováčová Šťastná Žltá";
    ASSERT_EQ(Utf8Length(city35), 35u);
    ASSERT_EQ(Utf8Length(first20), 20u);
    ASSERT_EQ(Utf8Length(surname30), 30u);
    AddressSaveRequest r;
    r.Copies = {Text("Firma", "Alfa"), Text("Meno_Kr", first20), Text("Priezvisko", surname30),
                Text("Adresa_1", "Alfa\r\nJan\r\nHlavná 1\r\n" + city35 + "\r\n974 01")};
    const std::string code = Save(a, r).RecordCode;
    EXPECT_EQ(Value(code, "Mesto"), Utf8Left(city35, 30));
    EXPECT_EQ(Value(code, "Meno"), Utf8Left(first20 + "  " + surname30, 50));
    EXPECT_EQ(Value(code, "Meno_Kr"), first20);

    // What the user typed into a field of its own is never cut: the save is refused whole.
    const std::string before = ReadWholeFile(a.data->TableFileName(TableId::Address));
    for (const char* field : {"Firma", "Mesto", "Meno_Kr"}) {
        SCOPED_TRACE(field);
        AddressSaveRequest edit;
        edit.Insert = false;
        edit.RecordCode = code;
        edit.Copies = {Text(field, std::string(51, 'x'))};
        EXPECT_THROW(Save(a, edit), EDatabaseError);
        EXPECT_FALSE(a.locks.TableLockHeld());
        EXPECT_EQ(ReadWholeFile(a.data->TableFileName(TableId::Address)), before);
    }
}

TEST_F(NetworkSaveTest, AHeldLockMakesTheSaveWaitAndAFailingReminderKeepsTheAddress) {
    ScopedTableLock heldByB(b.locks, b.data->LockFileName(TableId::Address), kEditorSavePoll);
    a.locks.UnattendedWaitLimit = milliseconds(200);
    AddressSaveRequest r;
    r.Copies = {Text("Firma", "Waiting")};
    EXPECT_THROW(Save(a, r), FileError);
    EXPECT_FALSE(a.locks.TableLockHeld());
    b.locks.UnlockTableFile();

    const AddressSaveResult saved = Save(a, r, [](TDataSet&) { throw std::runtime_error("tasks busy"); });
    EXPECT_EQ(saved.ReminderError, "tasks busy");
    EXPECT_EQ(Value(saved.RecordCode, "Firma"), "Waiting");
    EXPECT_EQ(a.Table(TableId::Address).FieldByName("Number").AsString(), saved.RecordCode);
}

TEST(Reminders, AChangedDateRebuildsThemAsAChangedFlagDoes) {
    ReminderState before{true, false, 29000, 0};
    ReminderState after = before;
    EXPECT_FALSE(RemindersNeedRebuild(before, after));
    after.Birthday = 29001;
    EXPECT_TRUE(RemindersNeedRebuild(before, after));
    after = before;
    after.RemindNameDay = true;
    EXPECT_TRUE(RemindersNeedRebuild(before, after));
}

} // namespace
} // namespace kvz
