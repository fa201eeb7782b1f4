#include "addressbook/ExportTables.h"
#include "addressbook/Restore.h"
#include "addressbook/SendTo.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include "../core/FileSizeLimit.h"
#include "ExchangeTesting.h"
#include "TempFolder.h"
#include "engine/PythonOracle.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;

class SendToTest : public ::testing::Test {
protected:
    void SetUp() override { SetLanguage(1); }
    void TearDown() override { SetLanguage(2); }
    TempFolder jano, fero, exchange;
};

TEST_F(SendToTest, TheFolderHoldsTheMarkerAndCopiesWithoutCodesAndWithTheSendersUserForWabRows) {
    Program sender(jano.path(), "Jano");
    sender.Add(TableId::Address, {{"Firma", "Kontakt"}, {"User", "WAB"}});
    sender.Add(TableId::Address, {{"Firma", "Iná"}, {"User", "Peter"}});
    sender.Add(TableId::Tasks, {{"Uloha", "Zavolať"}});
    const fs::path folder = WriteSendTo(*sender.context, exchange.path(), TableGroup::Address);
    EXPECT_EQ(folder, exchange.path() / "Jano_Export");
    EXPECT_EQ(ReadWholeFile(folder / "Zirt_Export.txt"), "Jano\r\n");
    EXPECT_FALSE(fs::exists(folder / "Jano_tasks_export.d")); // only the chosen group
    const fs::path copy = folder / "Jano_address_export.d";
    EXPECT_EQ(FileColumn(copy, "Number"), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(FileColumn(copy, "User"), (std::vector<std::string>{"", "Jano", "Peter"}));
    EXPECT_EQ(FileColumn(sender.context->TableFile(TableId::Address), "User"),
              (std::vector<std::string>{"", "Peter", "WAB"}));

    WriteSendTo(*sender.context, exchange.path(), TableGroup::All);
    for (int kind = 1; kind <= 7; ++kind)
        EXPECT_TRUE(fs::exists(folder / (std::string("Jano") + SendToKindOf(kind).SendToSuffix))) << kind;

    // A folder that cannot be made is reported by its name.
    WriteFileDurably(exchange.path() / "file", "");
    try {
        CreateExchangeFolder(exchange.path() / "file", "Jano");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create " + (exchange.path() / "file" / "Jano_Export").string());
    }
}

TEST_F(SendToTest, CopiesOfPrivateTablesArePrivate) {
    Program sender(jano.path(), "Jano");
    sender.Add(TableId::Address, {{"Firma", "Kontakt"}});
    for (int kind = 1; kind <= 7; ++kind)
        if (fs::exists(sender.context->TableFile(SendToKindOf(kind).Table)))
            fs::permissions(sender.context->TableFile(SendToKindOf(kind).Table), fs::perms(0600));
    const mode_t umask = ::umask(022);
    const fs::path folder = WriteSendTo(*sender.context, exchange.path(), TableGroup::All);
    ::umask(umask);
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".d") continue;
        ++copies;
        EXPECT_EQ(entry.status().permissions() & fs::perms::all, fs::perms(0600)) << entry.path();
    }
    EXPECT_GT(copies, 0);
}

TEST_F(SendToTest, TheMarkerMustNameAUser) {
    const struct {
        std::string content;
        std::optional<std::string> prefix; // none: refused
    } cases[] = {
        {"Jano\r\n", "Jano"},         {"Jano\n", "Jano"},          {"Jano", "Jano"},
        {"Jano\r\r\n", std::nullopt}, {"../Jano\n", std::nullopt}, {"a/b\n", std::nullopt},
        {"a\\b\n", std::nullopt},     {"\n", std::nullopt},        {"  \r\n", std::nullopt},
        {".hidden\r\n", std::nullopt}, {" Jano\r\n", std::nullopt}, {std::string(250, 'x') + "\r\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        WriteFileDurably(exchange.path() / "Zirt_Export.txt", c.content);
        if (c.prefix)
            EXPECT_EQ(ReadSendToPrefix(exchange.path()), c.prefix);
        else
            EXPECT_THROW(ReadSendToPrefix(exchange.path()), FileError);
    }
    fs::remove(exchange.path() / "Zirt_Export.txt");
    EXPECT_EQ(ReadSendToPrefix(exchange.path()), std::nullopt);
    Program receiver(fero.path(), "Fero");
    EXPECT_FALSE(MergeSendTo(*receiver.context, exchange.path(), TableGroup::All, {}));
}

// The sender Jano and the receiver Fero; each keeps rows of his own, some with an empty User,
// and rows forwarded from Peter.
TEST_F(SendToTest, AMergeReplacesTheSendersEarlierRowsAndKeepsEveryRowsOrigin) {
    Program sender(jano.path(), "Jano");
    Program receiver(fero.path(), "Fero", true);
    sender.Add(TableId::Address,
               {{"Firma", "Od Jana"}, {"User", "Jano"}, {"PripNarIdent", "abcdefgh"}, {"PripNar", "True"}});
    sender.Add(TableId::Address, {{"Firma", "Od Petra"}, {"User", "Peter"}});
    sender.Add(TableId::Tasks, {{"Uloha", "Janova úloha"}});
    receiver.Add(TableId::Address, {{"Firma", "Ferova"}});
    receiver.Add(TableId::Address, {{"Firma", "Ferova od Petra"}, {"User", "Peter"}});
    // The same address typed by Fero himself: it differs only in its origin and stays apart.
    receiver.Add(TableId::Address, {{"Firma", "Od Jana"}, {"User", "Fero"}});
    TVolgaTable& address = receiver.Table(TableId::Address);
    receiver.frame.Filters.WabViewOn = true; // the window shows WAB rows alone: the merge sees all
    address.SetFiltered(true);

    const fs::path folder = WriteSendTo(*sender.context, exchange.path(), TableGroup::All);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(MergeSendTo(*receiver.context, folder, TableGroup::All, {}));
        // The sample rows of both are the same and stay one; so does a row forwarded again.
        EXPECT_EQ(Column(address, "Firma"), (std::vector<std::string>{"Ferova", "Ferova od Petra", "My Firm",
                                                                      "Od Jana", "Od Jana", "Od Petra"}));
        EXPECT_EQ(Column(address, "User"), (std::vector<std::string>{"", "", "Fero", "Jano", "Peter", "Peter"}));
        EXPECT_EQ(Column(receiver.Table(TableId::Tasks), "Uloha"),
                  (std::vector<std::string>{"Janova úloha"}));
        EXPECT_TRUE(CodesUnique(address));
        EXPECT_FALSE(receiver.locks.TableLockHeld());
    }
    EXPECT_EQ(receiver.frameWindow.refreshed, 2);
    EXPECT_TRUE(address.Filtered());
    // Jano's task codes mean nothing here, and a box without its link would remind twice.
    EXPECT_EQ(Column(address, "PripNarIdent"), std::vector<std::string>(6));
    EXPECT_EQ(Column(address, "PripNar"), std::vector<std::string>(6, "False"));
    EXPECT_EQ(FileColumn(receiver.context->TableFile(TableId::Address), "Firma"), Column(address, "Firma"));

    // The other way round: Fero's rows replace themselves, every other row keeps its origin.
    const fs::path back = WriteSendTo(*receiver.context, exchange.path(), TableGroup::Address);
    ASSERT_TRUE(MergeSendTo(*sender.context, back, TableGroup::Address, {}));
    ASSERT_TRUE(MergeSendTo(*sender.context, back, TableGroup::Address, {}));
    EXPECT_EQ(Column(sender.Table(TableId::Address), "User"),
              (std::vector<std::string>{"", "", "Fero", "Jano", "Jano", "Peter", "Peter"}));

    // An empty send-to table deletes nothing of the receiver.
    TempFolder emptyHome;
    Program empty(emptyHome.path(), "Mara");
    VisitAllRows(empty.Table(TableId::Address), [](TDataSet&) { return true; });
    empty.Table(TableId::Address).ApplyChanges();
    ASSERT_TRUE(MergeSendTo(*receiver.context,
                            WriteSendTo(*empty.context, exchange.path(), TableGroup::Address),
                            TableGroup::Address, {}));
    EXPECT_EQ(Column(address, "Firma").size(), 6u);
}

TEST_F(SendToTest, ASenderOfTheReceiversNameDeletesNothingAndAddsItsRowsOnce) {
    Program home(jano.path(), "Jano");
    Program office(fero.path(), "Jano");
    home.Add(TableId::Address, {{"Firma", "Doma"}, {"User", "Jano"}});
    office.Add(TableId::Address, {{"Firma", "V práci"}, {"User", "Jano"}});
    const fs::path folder = WriteSendTo(*home.context, exchange.path(), TableGroup::Address);
    for (int round = 0; round < 2; ++round)
        ASSERT_TRUE(MergeSendTo(*office.context, folder, TableGroup::Address, {}));
    // The sample rows are the same on both sides and stay one.
    EXPECT_EQ(Column(office.Table(TableId::Address), "Firma"),
              (std::vector<std::string>{"Doma", "My Firm", "V práci"}));
}

TEST_F(SendToTest, AFailingMergeWritesNothingAndReleasesTheLock) {
    Program sender(jano.path(), "Jano");
    for (const char* firm : {"A", "B", "C"})
        sender.Add(TableId::Address, {{"Firma", firm}, {"User", "Jano"}});
    Program receiver(fero.path(), "Fero", true);
    const fs::path folder = WriteSendTo(*sender.context, exchange.path(), TableGroup::Address);
    ASSERT_TRUE(MergeSendTo(*receiver.context, folder, TableGroup::Address, {}));
    const std::string before = ReadWholeFile(receiver.context->TableFile(TableId::Address));
    sender.Add(TableId::Address, {{"Firma", "D"}, {"User", "Jano"}});
    WriteSendTo(*sender.context, exchange.path(), TableGroup::Address);

    receiver.context->OnProgress = [](int rows) {
        if (rows == 2) throw std::runtime_error("stopped");
    };
    EXPECT_THROW(MergeSendTo(*receiver.context, folder, TableGroup::Address, {}), std::runtime_error);
    EXPECT_FALSE(receiver.locks.TableLockHeld());
    EXPECT_EQ(ReadWholeFile(receiver.context->TableFile(TableId::Address)), before);
    EXPECT_EQ(Column(receiver.Table(TableId::Address), "Firma"),
              (std::vector<std::string>{"A", "B", "C", "My Firm"}));

    // A disk that fills up while the table is written.
    receiver.context->OnProgress = {};
    {
        FileSizeLimit limit(100);
        EXPECT_ANY_THROW(MergeSendTo(*receiver.context, folder, TableGroup::Address, {}));
    }
    EXPECT_FALSE(receiver.locks.TableLockHeld());
    EXPECT_EQ(ReadWholeFile(receiver.context->TableFile(TableId::Address)), before);
}

TEST_F(SendToTest, ACopyOfAnotherStructureIsMergedThroughTheCheckedAssignment) {
    Program sender(jano.path(), "Jano");
    Program receiver(fero.path(), "Fero", true);
    const fs::path folder = WriteSendTo(*sender.context, exchange.path(), TableGroup::Links);
    // The receiver's link types have a field more.
    ASSERT_TRUE(receiver.data->AddMissingFields(
        TableId::LinksType, receiver.context->TableFile(TableId::LinksType), {{"Farba", ftInteger}}));
    TVolgaTable& grown = receiver.Table(TableId::LinksType);
    int asked = 0;
    auto ask = [&](const FieldAssignment& pairs) {
        return [&asked, pairs](TDataSet& target, TDataSet& source) -> std::optional<FieldAssignment> {
            ++asked;
            EXPECT_NE(target.FindField("Farba"), nullptr);
            EXPECT_EQ(source.FindField("Farba"), nullptr);
            return pairs;
        };
    };
    const std::string before = ReadWholeFile(receiver.context->TableFile(TableId::LinksType));
    EXPECT_THROW(MergeExportedTable(*receiver.context, 7, folder / "Jano_linkstype_export.d", "Jano",
                                    ask({{"LinksType", "Nic"}})),
                 EDatabaseError);
    EXPECT_THROW(MergeExportedTable(*receiver.context, 7, folder / "Jano_linkstype_export.d", "Jano",
                                    ask({{"Farba", "LinksType"}})),
                 EDatabaseError);
    EXPECT_EQ(MergeExportedTable(*receiver.context, 7, folder / "Jano_linkstype_export.d", "Jano", ask({})),
              MergeResult::NothingAssigned);
    EXPECT_EQ(MergeExportedTable(*receiver.context, 7, folder / "Jano_linkstype_export.d", "Jano",
                                 [](TDataSet&, TDataSet&) { return std::nullopt; }),
              MergeResult::Cancelled);
    EXPECT_EQ(ReadWholeFile(receiver.context->TableFile(TableId::LinksType)), before);
    EXPECT_FALSE(receiver.locks.TableLockHeld());

    EXPECT_EQ(MergeExportedTable(*receiver.context, 7, folder / "Jano_linkstype_export.d", "Jano",
                                 ask({{"LinksType", "User"}, {"LinksType", "LinksType"}})),
              MergeResult::Merged);
    EXPECT_EQ(asked, 4);
    // The later pair wins; the sample type was there already and is not added again.
    EXPECT_EQ(Column(grown, "LinksType"), (std::vector<std::string>{"HTML Document"}));
    EXPECT_EQ(AssignmentLine({"LinksType", "Priezvisko_a_meno_osoby"}), "LinksType => Priezvisko_a_meno_os");
    EXPECT_EQ(ParseAssignmentLine("LinksType => Priezvisko_a_meno_osoby").Source, "Priezvisko_a_meno_os");
}

class RestoreTest : public ::testing::Test {
protected:
    void SetUp() override { SetLanguage(1); }
    void TearDown() override { SetLanguage(2); }
    TempFolder dir;
};

TEST_F(RestoreTest, TheBackupReplacesTheTableAndTheLayoutFileUnderTheLock) {
    Program p(dir.path(), "Jano", true);
    p.Add(TableId::Address, {{"Firma", "Zálohovaná"}});
    WriteFileDurably(dir.path() / "Jano.ucs", "layout");
    p.locks.AutoBackup(dir.path(), "Jano", true);
    p.Add(TableId::Address, {{"Firma", "Po zálohe"}});
    p.Add(TableId::Tasks, {{"Uloha", "Bez zálohy"}});
    fs::remove(dir.path() / "Jano_tasks.bak");
    WriteFileDurably(dir.path() / "Jano.ucs", "changed");

    const std::string tasksBefore = ReadWholeFile(dir.path() / "Jano_tasks.d");
    RestoreFromBackup(*p.context, TableGroup::All);
    EXPECT_EQ(Column(p.Table(TableId::Address), "Firma"),
              (std::vector<std::string>{"My Firm", "Zálohovaná"}));
    EXPECT_EQ(p.data->DataSourceZirt->DataSet(), p.data->AddressTable);
    EXPECT_EQ(ReadWholeFile(dir.path() / "Jano.ucs"), "layout");
    EXPECT_EQ(ReadWholeFile(dir.path() / "Jano_tasks.d"), tasksBefore); // no backup: kept
    EXPECT_EQ(Column(p.Table(TableId::Tasks), "Uloha"), (std::vector<std::string>{"Bez zálohy"}));
    EXPECT_EQ(p.frameWindow.refreshed, 1);
    EXPECT_FALSE(p.locks.TableLockHeld());

    // A copy that fails leaves the table as it was, and the lock free.
    p.Add(TableId::Address, {{"Firma", "Nová"}});
    const std::string before = ReadWholeFile(dir.path() / "Jano_address.d");
    {
        FileSizeLimit limit(64);
        EXPECT_ANY_THROW(RestoreFromBackup(*p.context, TableGroup::Address));
    }
    EXPECT_EQ(ReadWholeFile(dir.path() / "Jano_address.d"), before);
    EXPECT_FALSE(p.locks.TableLockHeld());
    EXPECT_EQ(p.frameWindow.refreshed, 2);
    EXPECT_EQ(
        RestoredTables(TableGroup::Tasks),
        (std::vector<TableId>{TableId::Tasks, TableId::Projects, TableId::SubProjects, TableId::Owners}));
}

// In network mode the tables lie on the server, the layout of the address window in the local
// data folder: its backup and its restore stay there.
TEST_F(RestoreTest, TheLayoutFileIsBackedUpAndRestoredInTheLocalDataFolder) {
    TempFolder local;
    Program p(dir.path(), "Jano", true);
    p.frame.DataFolder = local.path();
    WriteFileDurably(local.path() / "Jano.ucs", "layout");
    p.locks.AutoBackup(p.frame.TableFolder, "Jano", true, p.frame.DataFolder);
    EXPECT_EQ(ReadWholeFile(local.path() / "Jano.bak"), "layout");
    EXPECT_FALSE(fs::exists(dir.path() / "Jano.bak"));
    WriteFileDurably(local.path() / "Jano.ucs", "changed");

    RestoreFromBackup(*p.context, TableGroup::Address);
    EXPECT_EQ(ReadWholeFile(local.path() / "Jano.ucs"), "layout");
    EXPECT_FALSE(fs::exists(dir.path() / "Jano.ucs"));
    EXPECT_EQ(p.frameWindow.layoutsRestored, 1);
    // Without a backup of the layout the window has nothing to read again.
    fs::remove(local.path() / "Jano.bak");
    RestoreFromBackup(*p.context, TableGroup::Address);
    EXPECT_EQ(p.frameWindow.layoutsRestored, 1);
}

TEST(ExportTest, CopiesSuitEachFormatAndThePeersReadThem) {
    SetLanguage(1);
    TempFolder dir, out;
    Program p(dir.path(), "Jano");
    const std::string memo = std::string(140, 'a') + "ščťžýáíéúäôň" + std::string(48, 'b'); // 200 characters
    p.Add(TableId::Address,
          {{"Firma", "Šťastný & syn"}, {"Poznamka", memo}, {"PripNarIdent", "n"}, {"PripMenIdent", "m"}});
    const fs::path folder = CreateExchangeFolder(out.path(), "Jano");
    EXPECT_EQ(ExportTables(*p.context, folder, TableGroup::Address, ExportFormat::Dbf, "").size(), 1u);
    EXPECT_EQ(ExportTables(*p.context, folder, TableGroup::All, ExportFormat::Xml, "windows-1250").size(),
              7u);
    const std::vector<fs::path> links =
        ExportTables(*p.context, folder, TableGroup::Links, ExportFormat::Xls, "");
    EXPECT_EQ(links, (std::vector<fs::path>{folder / "Jano_links.xlsx", folder / "Jano_linkstype.xlsx"}));
    RUN_ORACLE(r, folder, R"(
import dbfread, openpyxl, subprocess, xml.etree.ElementTree as ET
t = dbfread.DBF('Jano_address.dbf', char_decode_errors='strict')
names = [f.name for f in t.fields]
print(len(names) == len(set(n.upper() for n in names)), t.encoding)
for rec in t:
    if rec['Firma'].startswith('\u0160'):
        print(rec['Firma'], len(rec['Poznamka']), rec['Poznamka'][140:])
subprocess.run(['xmllint', '--noout', 'Jano_address.xml'], check=True)
print(open('Jano_address.xml', 'rb').read().split(b'\r\n')[0].decode())
ns = {'rs': 'urn:schemas-microsoft-com:rowset', 'z': '#RowsetSchema'}
rows = ET.parse('Jano_address.xml').getroot().findall('rs:data/z:row', ns)
print(sorted(r.get('Firma') for r in rows))
print([len(r.get('Poznamka')) for r in rows if r.get('Firma').startswith('\u0160')])
ws = openpyxl.load_workbook('Jano_links.xlsx').active
print(ws.cell(1, 2).value, ws.cell(2, 2).value)
)");
    EXPECT_EQ(r.output, "True cp1250\n"
                        "Šťastný & syn 150 ščťžýáíéúä\n"
                        "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n"
                        "['My Firm', 'Šťastný & syn']\n"
                        "[150]\n"
                        "Name KV-Zirt\n");
    SetLanguage(2);
}

TEST(ExportTest, ACopyFromTheStoredRowsWritesWhatAValueByValueCopyWrites) {
    // Rows of every kind of value, some of them empty, under a filter: the export's copy writes
    // the same files as a copy made value by value through the fields.
    TempFolder dir;
    TVolgaTable table;
    table.SetLoadMode(TVolgaLoadMode::lmClear);
    table.FieldDefs().Add("Number", ftString, 8);
    table.FieldDefs().Add("Firma", ftString, 35);
    table.FieldDefs().Add("Ulica", ftString, 120);
    table.FieldDefs().Add("Pocet", ftInteger);
    table.FieldDefs().Add("Suma", ftFloat);
    table.FieldDefs().Add("Datum", ftDate);
    table.FieldDefs().Add("Aktivny", ftBoolean);
    table.FieldDefs().Add("Poznamka", ftMemo);
    table.FieldDefs().Add("Obrazok", ftGraphic);
    table.Open();
    for (int i = 0; i < 20000; ++i) {
        table.Append();
        table.FieldByName("Number").SetAsString(std::to_string(10000000 + i));
        if (i % 3) table.FieldByName("Firma").SetAsString("Šťastný & syn <" + std::to_string(i) + ">");
        if (i % 4) table.FieldByName("Ulica").SetAsString(std::string(static_cast<size_t>(i % 120), 'u') + "ä");
        table.FieldByName("Pocet").SetAsInteger(i % 7 - 3);
        if (i % 5) table.FieldByName("Suma").SetAsFloat(i / 8.0);
        if (i % 6) table.FieldByName("Datum").SetAsDateTime(EncodeDate(2000 + i % 30, 1 + i % 12, 1 + i % 28));
        table.FieldByName("Aktivny").SetAsBoolean(i % 2 == 0);
        if (i % 2) table.FieldByName("Poznamka").SetAsString(std::string(static_cast<size_t>(i % 300), 'm') + "\r\nčť\"");
        if (i % 14 == 7) table.FieldByName("Poznamka").SetAsString(std::string("pred\0po", 7)); // the copy ends it at the zero
        table.Post();
    }
    table.SetFilterText("Pocet <> 0");
    table.SetFiltered(true);
    // The copy as it was made before: value by value through the fields.
    TVolgaTable copy;
    copy.SetLoadMode(TVolgaLoadMode::lmClear);
    for (const char* name : {"Number", "Firma", "Ulica", "Pocet", "Suma", "Datum", "Aktivny"}) {
        const TField& f = table.FieldByName(name);
        copy.FieldDefs().Add(name, f.DataType(), f.DataType() == ftString ? f.Size() : 0);
    }
    copy.FieldDefs().Add("Poznamka", ftString, kExportMemoLength);
    copy.Open();
    for (table.First(); !table.Eof(); table.Next()) {
        copy.Append();
        for (const char* name : {"Number", "Firma", "Ulica", "Pocet", "Suma", "Datum", "Aktivny", "Poznamka"})
            CopyValue(table.FieldByName(name), copy.FieldByName(name));
        copy.Post();
    }
    copy.ExportToXml(dir.path() / "expected.xml", "windows-1250");
    copy.ExportToDbf(dir.path() / "expected.dbf", false);
    ExportTableCopy(table, ExportFormat::Xml, dir.path() / "copy.xml", "windows-1250");
    ExportTableCopy(table, ExportFormat::Dbf, dir.path() / "copy.dbf", "");
    EXPECT_EQ(copy.RecordCount(), table.RecordCount());
    EXPECT_TRUE(ReadWholeFile(dir.path() / "copy.xml") == ReadWholeFile(dir.path() / "expected.xml"));
    EXPECT_TRUE(ReadWholeFile(dir.path() / "copy.dbf") == ReadWholeFile(dir.path() / "expected.dbf"));
}

} // namespace
} // namespace kvz
