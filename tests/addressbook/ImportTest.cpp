#include "addressbook/DbfImport.h"
#include "addressbook/OldVersion.h"
#include "addressbook/WabImport.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysInfo.h"

#include "ExchangeTesting.h"
#include "TempFolder.h"
#include "engine/PythonOracle.h"

#include <cstring>
#include <gtest/gtest.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override { SetLanguage(1); }
    void TearDown() override { SetLanguage(2); }
    TempFolder dir, source;
};

// ---- dBASE ----

const char* const kMakeContacts = R"(
import dbf, datetime, sys
for name, cp in (('KONT1250', 'cp1250'), ('KONT852', 'cp852')):
    t = dbf.Table(name, 'MENO C(40); MESTO C(20); POZN M; NAROD D; AKTIVNY L', codepage=cp, dbf_type='db3')
    t.open(dbf.READ_WRITE)
    t.append(('Šťastný Ľudovít z Horného Kubína', 'Žilina', 'Prvý riadok\r\nDruhý', datetime.date(1970, 3, 5), True))
    t.append(('Zmazaný', '', '', None, False))
    t.append(('Novák', 'Brno', '', None, False))
    dbf.delete(t[1])
    t.close()
)";

const FieldAssignment kContactPairs = {{"Priezvisko", "MENO"},
                                       {"Mesto", "MESTO"},
                                       {"Poznamka", "POZN"},
                                       {"Narodeniny", "NAROD"},
                                       {"PripNar", "AKTIVNY"}};

AskAssignment Answer(FieldAssignment pairs) {
    return [pairs](TDataSet&, TDataSet&) -> std::optional<FieldAssignment> { return pairs; };
}

TEST_F(ImportTest, ADbaseFileOfAnyCodePageArrivesThroughTheAssignment) {
    RUN_ORACLE(r, source.path(), kMakeContacts);
    Program p(dir.path(), "Jano", true);
    TVolgaTable& address = p.Table(TableId::Address);
    for (const char* file : {"KONT1250.dbf", "KONT852.dbf"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ImportDbfAddresses(*p.context, source.path() / file, Answer(kContactPairs)),
                  file[4] == '1' ? 2 : 0);
        // Cut to the field's 30 characters; the deleted row stays out.
        EXPECT_EQ(Column(address, "Priezvisko"),
                  (std::vector<std::string>{"Novák", "Surname", "Šťastný Ľudovít z Horného Kubí"}));
        EXPECT_TRUE(address.Locate("Mesto", Variant(std::string("Žilina")), 0));
        EXPECT_EQ(address.FieldByName("Poznamka").AsString(), "Prvý riadok\r\nDruhý");
        EXPECT_EQ(address.FieldByName("Narodeniny").AsDateTime(), EncodeDate(1970, 3, 5));
        EXPECT_TRUE(address.FieldByName("PripNar").AsBoolean());
        EXPECT_TRUE(CodesUnique(address));
        EXPECT_FALSE(p.locks.TableLockHeld());
    }
    EXPECT_EQ(FileColumn(p.context->TableFile(TableId::Address), "Priezvisko"),
              Column(address, "Priezvisko"));
}

TEST_F(ImportTest, ADbaseImportThatCannotBeDoneWritesNothing) {
    RUN_ORACLE(r, source.path(), kMakeContacts);
    Program p(dir.path(), "Jano", true);
    const fs::path file = source.path() / "KONT1250.dbf";
    const fs::path table = p.context->TableFile(TableId::Address);
    const std::string before = ReadWholeFile(table);
    const struct {
        FieldAssignment pairs;
        bool refused;
    } cases[] = {
        {{{"Priezvisko", "MENO"}, {"Nic", "MESTO"}}, true}, // no such own field
        {{{"Priezvisko", "PRIEZVISKO"}}, true},             // no such source field
        {{{"PripNar", "MENO"}}, true},                      // a name is no check box
        {{{"Narodeniny", "MESTO"}}, true},                  // a town is no date
        {{}, false},                                        // nothing assigned: nothing added
    };
    for (const auto& c : cases) {
        if (c.refused)
            EXPECT_THROW(ImportDbfAddresses(*p.context, file, Answer(c.pairs)), EDatabaseError);
        else
            EXPECT_EQ(ImportDbfAddresses(*p.context, file, Answer(c.pairs)), 0);
        EXPECT_EQ(ReadWholeFile(table), before);
        EXPECT_FALSE(p.locks.TableLockHeld());
    }
    EXPECT_EQ(ImportDbfAddresses(*p.context, file, [](TDataSet&, TDataSet&) { return std::nullopt; }), 0);
    EXPECT_THROW(ImportDbfAddresses(*p.context, source.path() / "NIE.dbf", Answer(kContactPairs)),
                 std::exception);

    p.context->OnProgress = [](int rows) {
        if (rows == 1) throw std::runtime_error("stopped");
    };
    EXPECT_THROW(ImportDbfAddresses(*p.context, file, Answer(kContactPairs)), std::runtime_error);
    EXPECT_EQ(ReadWholeFile(table), before);
    EXPECT_EQ(Column(p.Table(TableId::Address), "Priezvisko"), (std::vector<std::string>{"Surname"}));
    EXPECT_FALSE(p.locks.TableLockHeld());
}

// ---- version 2.1 ----

void PutText(std::string& record, size_t offset, const std::string& utf8, int length = -1) {
    const std::string bytes = Utf8ToCodePage(utf8, 1250);
    record[offset] = static_cast<char>(length >= 0 ? length : static_cast<int>(bytes.size()));
    record.replace(offset + 1, bytes.size(), bytes);
}

template <typename T> void PutLittle(std::string& record, size_t offset, T value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof value); // the test machine is little-endian, as the files are
    record.replace(offset, sizeof value, reinterpret_cast<const char*>(bytes), sizeof value);
}

std::string OldTaskRecord(double date, const std::string& time, const std::string& task, int32_t color,
                          bool message, const std::string& user, const std::string& priority) {
    std::string r(kOldTaskRecordSize, '\0');
    PutLittle(r, 0, date);
    PutText(r, 8, time);
    PutText(r, 21, task);
    PutLittle(r, 108, color);
    r[112] = message ? 1 : 0;
    PutText(r, 113, user);
    PutText(r, 134, priority);
    return r;
}

std::string OldAddressRecord(const std::string& firma, const std::string& meno) {
    std::string r(kOldAddressRecordSize, '\0');
    PutText(r, 0, firma);
    PutText(r, 51, meno);
    PutText(r, 102, "Ján");
    PutText(r, 123, "Kováč");
    PutText(r, 205, "Hlavná 1\r\nŽilina");
    PutText(r, 717, "041/123");
    PutText(r, 842, "12345678");
    PutText(r, 867, "SK2020");
    PutText(r, 892, "jan@example.sk");
    PutText(r, 928, "Poznámka");
    PutText(r, 1184, "nula");
    PutText(r, 1205, "rezerva");
    return r;
}

TEST_F(ImportTest, Version21FilesAddTheirTasksAndAddressesOnce) {
    const double date = EncodeDate(2003, 4, 1);
    WriteFileDurably(source.path() / "uloha.dat",
                     OldTaskRecord(date, "10:30", "Porada", 255, true, "Jano", "B") +
                         OldTaskRecord(date + 1, "8:00", std::string(85, 'u'), -1, false, "", "A"));
    std::string address =
        OldAddressRecord("Firma s.r.o.", "Ján Kováč so strednými menami navyše až na 50 zn.");
    address[102] = static_cast<char>(200); // a length past its room of 20: the room is taken
    WriteFileDurably(source.path() / "ADRESY.DAT", address);

    Program p(dir.path(), "Jano", true);
    for (int run = 0; run < 2; ++run) {
        const OldVersionResult added = ImportOldVersion(*p.context, source.path());
        EXPECT_EQ(added.Tasks, run == 0 ? 2 : 0);
        EXPECT_EQ(added.Addresses, run == 0 ? 1 : 0);
    }
    TVolgaTable& tasks = p.Table(TableId::Tasks);
    ASSERT_TRUE(tasks.Locate("Uloha", Variant(std::string("Porada")), 0));
    EXPECT_EQ(tasks.FieldByName("Date").AsDateTime(), date);
    EXPECT_EQ(tasks.FieldByName("StartTask").AsString(), "10:30");
    EXPECT_EQ(tasks.FieldByName("EndTask").AsString(), "10:30");
    EXPECT_EQ(tasks.FieldByName("Color").AsInteger(), 255);
    EXPECT_TRUE(tasks.FieldByName("Mesage").AsBoolean());
    EXPECT_EQ(tasks.FieldByName("User").AsString(), "Jano");
    EXPECT_EQ(tasks.FieldByName("Priority").AsString(), "B");
    EXPECT_EQ(tasks.FieldByName("Owner").AsString(), Utf8Left(GetWindowsUserName(), 20));
    EXPECT_TRUE(CodesUnique(tasks));

    TVolgaTable& addresses = p.Table(TableId::Address);
    ASSERT_TRUE(addresses.Locate("Firma", Variant(std::string("Firma s.r.o.")), 0));
    EXPECT_EQ(addresses.FieldByName("Meno").AsString(), "Ján Kováč so stredný"); // 20 of its 50
    EXPECT_EQ(addresses.FieldByName("Meno_Kr").AsString(), "Ján"); // the room's bytes, nothing past them
    EXPECT_EQ(addresses.FieldByName("Priezvisko").AsString(), "Kováč");
    EXPECT_EQ(addresses.FieldByName("Adresa_1").AsString(), "Hlavná 1\r\nŽilina");
    EXPECT_EQ(addresses.FieldByName("Ucet").AsString(), "12345678");
    EXPECT_EQ(addresses.FieldByName("Banka").AsString(), "SK2020");
    EXPECT_EQ(addresses.FieldByName("Poznamka").AsString(), "Poznámka");
    EXPECT_EQ(addresses.FieldByName("User").AsString(), "");
    EXPECT_FALSE(p.locks.TableLockHeld());
}

TEST_F(ImportTest, AMissingVersion21FileIsReportedAndADamagedOneStopsTheImportThere) {
    const std::string task = OldTaskRecord(EncodeDate(2003, 4, 1), "10:30", "Porada", 0, false, "", "A");
    std::string nanTask = task;
    PutLittle(nanTask, 0, std::nan(""));
    std::string farTask = task;
    PutLittle(farTask, 0, 1e300);
    const std::string address = OldAddressRecord("Firma", "Meno");
    const struct {
        const char* name;
        std::string tasks, addresses; // "-": no file
        bool fails;                   // a damaged file: FileError
        std::vector<std::string> tasksAdded, addressesAdded, missing;
    } cases[] = {
        {"both missing", "-", "-", false, {}, {}, {"uloha.dat", "adresy.dat"}},
        {"task file missing", "-", address, false, {}, {"Firma"}, {"uloha.dat"}},
        {"address file missing", task, "-", false, {"Porada"}, {}, {"adresy.dat"}},
        {"short address file", task, address + "x", true, {"Porada"}, {}, {}},
        {"short task file", task + "x", address, true, {}, {}, {}},
        {"date no number", nanTask, address, true, {}, {}, {}},
        {"date past the calendar", farTask, address, true, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder home, old;
        Program p(home.path(), "Jano");
        if (c.tasks != "-") WriteFileDurably(old.path() / "uloha.dat", c.tasks);
        if (c.addresses != "-") WriteFileDurably(old.path() / "adresy.dat", c.addresses);
        OldVersionResult result;
        if (c.fails)
            EXPECT_THROW(ImportOldVersion(*p.context, old.path()), FileError);
        else
            result = ImportOldVersion(*p.context, old.path());
        EXPECT_EQ(fs::exists(old.path() / "uloha.dat"), c.tasks != "-"); // never made
        EXPECT_EQ(fs::exists(old.path() / "adresy.dat"), c.addresses != "-");
        ASSERT_EQ(result.Missing.size(), c.missing.size());
        for (size_t i = 0; i < c.missing.size(); ++i)
            EXPECT_EQ(result.Missing[i], "The file \"" + c.missing[i] + "\" of version 2.1 was not found.");
        EXPECT_EQ(FileColumn(p.context->TableFile(TableId::Tasks), "Uloha"), c.tasksAdded);
        std::vector<std::string> firms = c.addressesAdded;
        firms.push_back("My Firm");
        std::sort(firms.begin(), firms.end());
        EXPECT_EQ(FileColumn(p.context->TableFile(TableId::Address), "Firma"), firms);
        EXPECT_FALSE(p.locks.TableLockHeld());
    }

    // An import given up while the addresses are added keeps the tasks that were added before.
    Program p(dir.path(), "Jano");
    WriteFileDurably(source.path() / "uloha.dat", task);
    WriteFileDurably(source.path() / "adresy.dat", address);
    const std::string addressBefore = ReadWholeFile(p.context->TableFile(TableId::Address));
    int calls = 0;
    p.context->OnProgress = [&](int) {
        if (++calls == 2) throw std::runtime_error("stopped");
    };
    EXPECT_THROW(ImportOldVersion(*p.context, source.path()), std::runtime_error);
    EXPECT_EQ(FileColumn(p.context->TableFile(TableId::Tasks), "Uloha"), std::vector<std::string>{"Porada"});
    EXPECT_EQ(ReadWholeFile(p.context->TableFile(TableId::Address)), addressBefore);
    EXPECT_FALSE(p.locks.TableLockHeld());
}

// ---- Windows Address Book ----

// A contents row: object type and the texts of columns 2 to 22.
std::vector<WabPropValue> Contact(int64_t type, const std::vector<std::string>& texts) {
    std::vector<WabPropValue> row(kWabColumnCount);
    for (size_t i = 0; i < kWabColumnCount; ++i)
        row[i].Tag = kWabColumns[i];
    row[0].Bytes = "id";
    row[1].Integer = type;
    for (size_t i = 0; i < texts.size(); ++i)
        row[i + 2].Bytes = texts[i];
    return row;
}

struct TestSource : WabContactSource {
    std::vector<std::vector<WabPropValue>> rows;
    size_t next = 0;
    bool fail = false;
    std::vector<fs::path> opened;
    void Open(const fs::path& file) override {
        opened.push_back(file);
        if (fail) throw std::runtime_error("cannot open");
        next = 0;
    }
    bool NextRow(std::vector<WabPropValue>& columns) override {
        if (next == rows.size()) return false;
        columns = rows[next++];
        return true;
    }
};

TEST(WabPropToTextTest, EachTypeHasItsText) {
    const FormatSettings settings = FormatSettings::ForLanguage(2);
    auto value = [](uint32_t type, int64_t integer, double real = 0, std::string bytes = {}) {
        WabPropValue v;
        v.Tag = 0x3A000000 | type;
        v.Integer = integer;
        v.Real = real;
        v.Bytes = std::move(bytes);
        return v;
    };
    const struct {
        WabPropValue value;
        std::string text;
    } cases[] = {
        {value(PT_I2, 65535), "-1"},
        {value(PT_LONG, -7), "-7"},
        {value(PT_R4, 0, 1.5), "1,5"},
        {value(PT_DOUBLE, 0, 0.1), "0,1"},
        {value(PT_ERROR, 5), ""},
        {value(PT_BOOLEAN, 1), "1"},
        {value(PT_STRING8, 0, 0, "Ján"), "Ján"},
        {value(PT_BINARY, 0, 0, std::string("\x78\x56\x34\x12", 4)), "[Binary - Size: 4 bytes] (12345678)"},
        {value(PT_BINARY, 0, 0, "abc"), "[Binary - Size: 3 bytes]"},
        {value(0x1F, 0), "[Unknown type 1f]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WabPropToText(c.value, settings), c.text) << (c.value.Tag & 0xFFFF);
    WabPropValue time = value(PT_SYSTIME, 0);
    time.FileTime = 116444736000000000ULL; // 1 January 1970 UTC
    EXPECT_NE(WabPropToText(time, settings).find("1970"), std::string::npos);
}

TEST_F(ImportTest, WabContactsReplaceTheEarlierOnesAndAFailingSourceChangesNothing) {
    Program p(dir.path(), "Jano", true);
    p.Add(TableId::Address, {{"Firma", "Vlastná"}});
    const std::string longStreet = std::string(70, 's');
    TestSource contacts;
    //                 company  given   surname  bus.tel  home tel mobile  fax  e-mail          title   street
    //                 locality  postal
    contacts.rows = {
        Contact(6, {"Firma",          "Ján",      "Kováč",    "041/1",  "041/2",  "0905",     "041/3",
                    "jan@example.sk", "riaditeľ", longStreet, "Žilina", "010 01", "Domov 2",  "Martin",
                    "036 01",         "pozn.",    "obchod",   "A12",    "p1",     "www.x.sk", "Eva"}),
        Contact(6, {"", "Eva", "Malá"}), Contact(8, {"", "", "", "", "", "", "", "skupina@example.sk"}),
        Contact(3, {"Priečinok"})};
    for (int run = 0; run < 2; ++run)
        EXPECT_EQ(ImportWabContacts(*p.context, contacts, "a.wab"), 3);
    TVolgaTable& t = p.Table(TableId::Address);
    EXPECT_EQ(Column(t, "Firma"),
              (std::vector<std::string>{"Eva  Malá", "Firma", "My Firm", "Vlastná", "skupina@example.sk"}));
    ASSERT_TRUE(t.Locate("Firma", Variant(std::string("Firma")), 0));
    const std::string street60 = std::string(60, 's');
    EXPECT_EQ(t.FieldByName("Adresa_1").AsString(), "Firma\nJán Kováč\n" + street60 + "\nŽilina\n010 01");
    EXPECT_EQ(t.FieldByName("Adresa_2").AsString(), "Ján Kováč\nDomov 2\nMartin\n036 01");
    const std::map<std::string, std::string> fields = {
        {"Meno_Kr", "Ján"},      {"Priezvisko", "Kováč"}, {"Meno", "Ján Kováč"},
        {"User", "WAB"},         {"Telefon1", "041/1"},   {"Telefon_P", "041/2"},
        {"Mobil", "0905"},       {"Fax", "041/3"},        {"E_Mail", "jan@example.sk"},
        {"Funkcia", "riaditeľ"}, {"Mesto", "Žilina"},     {"Poznamka", "pozn."},
        {"Oddelenie", "obchod"}, {"Kancelaria", "A12"},   {"Pager", "p1"},
        {"WWW", "www.x.sk"},     {"Partner", "Eva"}};
    for (const auto& [field, text] : fields)
        EXPECT_EQ(t.FieldByName(field).AsString(), text) << field;
    EXPECT_TRUE(CodesUnique(t));

    const std::string before = ReadWholeFile(p.context->TableFile(TableId::Address));
    contacts.fail = true;
    EXPECT_THROW(ImportWabContacts(*p.context, contacts, "a.wab"), std::runtime_error);
    contacts.fail = false;
    p.context->OnProgress = [](int rows) {
        if (rows == 2) throw std::runtime_error("stopped");
    };
    EXPECT_THROW(ImportWabContacts(*p.context, contacts, "a.wab"), std::runtime_error);
    EXPECT_EQ(ReadWholeFile(p.context->TableFile(TableId::Address)), before);
    EXPECT_EQ(Column(t, "User"), (std::vector<std::string>{"", "", "WAB", "WAB", "WAB"}));
    EXPECT_FALSE(p.locks.TableLockHeld());
}

TEST_F(ImportTest, WithoutAWabLibraryTheUserIsToldAndOfferedAFile) {
    Program p(dir.path(), "Jano");
    UnavailableWabSource unavailable;
    std::vector<std::string> shown;
    int picks = 0;
    auto show = [&](const std::string& text) { shown.push_back(text); };
    EXPECT_EQ(ReadWabFile(*p.context, unavailable, show,
                          [&]() -> std::optional<fs::path> {
                              ++picks;
                              return std::nullopt;
                          }),
              std::nullopt);
    EXPECT_EQ(shown, (std::vector<std::string>{"Canot find UserMPS.wab"}));
    try {
        ReadWabFile(*p.context, unavailable, show,
                    [] { return std::optional<fs::path>("/home/x/kontakty.wab"); });
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Windows Address Book files cannot be read on this system: \"/home/x/kontakty.wab\"");
    }
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(Column(p.Table(TableId::Address), "Firma"), (std::vector<std::string>{"My Firm"}));

    TestSource working;
    working.rows = {Contact(6, {"Firma"})};
    EXPECT_EQ(ReadWabFile(*p.context, working, show, {}), 1);
    EXPECT_EQ(working.opened, (std::vector<fs::path>{DefaultWabFile()}));
}

} // namespace
} // namespace kvz
