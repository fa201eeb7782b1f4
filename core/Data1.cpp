#include "core/Data1.h"

#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "engine/DbUtils.h"
#include "engine/VolgaUtils.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileNames.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysInfo.h"

#include <cerrno>
#include <cmath>
#include <memory>
#include <optional>

namespace kvz {

namespace fs = std::filesystem;

namespace {

const std::vector<SchemaField> kAddressSchema = {
    {"Number", ftString, 8},      {"Firma", ftString, 50},      {"Meno", ftString, 50},
    {"Meno_Kr", ftString, 20},    {"Priezvisko", ftString, 30}, {"Funkcia", ftString, 50},
    {"Mesto", ftString, 30},      {"Adresa_1", ftMemo},         {"Adresa_2", ftMemo},
    {"Telefon1", ftString, 24},   {"Telefon2", ftString, 24},   {"Telefon_P", ftString, 24},
    {"Mobil", ftString, 24},      {"Fax", ftString, 24},        {"Ucet", ftString, 24},
    {"Banka", ftString, 24},      {"IBAN", ftString, 30},       {"E_Mail", ftString, 50},
    {"WWW", ftString, 50},        {"Poznamka", ftMemo},         {"User", ftString, 20},
    {"Oddelenie", ftString, 30},  {"Kancelaria", ftString, 30}, {"Pager", ftString, 24},
    {"Partner", ftString, 30},    {"Deti", ftMemo},             {"Narodeniny", ftDate},
    {"PripNar", ftBoolean},       {"Meniny", ftDate},           {"PripMen", ftBoolean},
    {"PripMenIdent", ftString, 8}, {"PripNarIdent", ftString, 8}, {"Split_field", ftString, 20},
};

const std::vector<SchemaField> kTaskSchema = {
    {"Number", ftString, 8},      {"Date", ftDate},              {"Time", ftString, 12},
    {"Uloha", ftString, 125},     {"Color", ftInteger},          {"Mesage", ftBoolean},
    {"User", ftString, 20},       {"Priority", ftString, 1},     {"Repeat", ftBoolean},
    {"RepFreq", ftInteger},       {"StartTask", ftString, 12},   {"EndTask", ftString, 12},
    {"Owner", ftString, 20},      {"Project", ftString, 30},     {"SubProject", ftString, 30},
    {"Run", ftBoolean},           {"Path", ftString, 255},       {"Completed", ftBoolean},
    {"Acount_pay", ftString, 30}, {"Bank_pay", ftString, 6},     {"Value_pay", ftString, 20},
    {"Create_pay", ftString, 30}, {"Var_pay", ftString, 20},     {"Const_pay", ftString, 20},
    {"Before_date", ftInteger},   {"Task_type", ftString, 1},    {"Note", ftString, 50},
};

// The payment fields an older task table lacks, in the order an upgrade appends them.
const std::vector<SchemaField> kPaymentFields = {
    {"Bank_pay", ftString, 6},   {"Value_pay", ftString, 20}, {"Acount_pay", ftString, 30},
    {"Create_pay", ftString, 30}, {"Var_pay", ftString, 20},   {"Const_pay", ftString, 20},
    {"Before_date", ftInteger},  {"Task_type", ftString, 1},  {"Note", ftString, 50},
};

const std::vector<SchemaField> kProjectSchema = {
    {"Number", ftString, 8}, {"ProjectName", ftString, 30}, {"User", ftString, 20},
    {"StartProj", ftString, 12}, {"EndProj", ftString, 12},
};
const std::vector<SchemaField> kSubProjectSchema = {
    {"Number", ftString, 8}, {"ProjectName", ftString, 30}, {"SubProjectName", ftString, 30},
    {"User", ftString, 20}, {"StartSubProj", ftString, 12}, {"EndSubProj", ftString, 12},
};
const std::vector<SchemaField> kOwnersSchema = {{"Number", ftString, 8}, {"OwnerName", ftString, 30}, {"User", ftString, 20}};
const std::vector<SchemaField> kLinksSchema = {
    {"Number", ftString, 8}, {"Name", ftString, 50}, {"Path", ftString, 255},
    {"Type", ftString, 40},  {"User", ftString, 20}, {"Note", ftString, 255},
};
const std::vector<SchemaField> kLinksTypeSchema = {{"Number", ftString, 8}, {"LinksType", ftString, 50}, {"User", ftString, 20}};

constexpr const char* kSampleMail = "info@kvzirt.example";
constexpr const char* kSampleWeb = "www.kvzirt.example";
constexpr const char* kProgramPage = "http://www.kvzirt.example";
constexpr const char* kSampleLinkType = "HTML Document";

struct AddressSample {
    const char* Firma;
    const char* Meno;
    const char* MenoKr;
    const char* Priezvisko;
    const char* Funkcia;
    const char* Mesto;
    const char* Adresa1;
    const char* Adresa2;
    const char* Poznamka;
};

const AddressSample kAddressSamples[] = {
    {"My Firm", "Name + Surname", "Name", "Surname", "Function", "City",
     "Title or firm name\nName and surname\nStreet and house number\nCity\nZIP - code\n", "Private address", ""},
    {"Moja Firma", "Meno + Priezvisko", "Meno", "Priezvisko", "Funkcia", "Mesto",
     "Oslovenie alebo názov firmy\nMeno a priezvisko\nUlica a číslo domu\nMesto\nPSČ\n", "Sem vpíšte adresu domov",
     "Položky Adresa a Adresa domov vyplňte presne tak,\nako sa majú vytlačiť na obálke,\naj s menom, priezviskom "
     "alebo názvom firmy."},
    {"Moje Firma", "Jméno + Přijmení", "Jméno", "Přijmení", "Funkce", "Město",
     "Oslovení anebo název firmy\nJméno a přijmení\nUlice a číslo domu\nMěsto\nPSČ\n", "Sem vepište adresu domů",
     "Položky Adresa a Adresa domů vyplňte přesně tak,\njak se mají vytisknout na obálce,\ni se jménem, přijmením "
     "nebo názvem firmy."},
};

// A place of a fixed-size record: a length byte, then the capacity in Windows-1250 bytes.
struct RecordPlace {
    const char* Field;
    int Capacity;
};
constexpr int kRecordCodePage = 1250;
const std::vector<RecordPlace> kReportRecord = {{"Firma", 50},     {"Meno", 50},     {"Priezvisko", 30},
                                                {"Adresa_1", 255}, {"Adresa_2", 255}, {"Nula", 1}};
const std::vector<RecordPlace> kTemplateRecord = {{"Name", 255},        {"Stlpce", 3},     {"Sirka", 10},
                                                  {"Vyska", 10},        {"Medzera", 10},   {"LavaMedzera", 10},
                                                  {"HornyOkraj", 10},   {"HornaMedzera", 10}};

size_t RecordSize(const std::vector<RecordPlace>& places) {
    size_t size = 0;
    for (const RecordPlace& p : places) size += static_cast<size_t>(p.Capacity) + 1;
    return size;
}

// Appends the file's records to the table; a missing file is created empty. A file that is not
// a whole number of records throws after its whole records were read.
void LoadRecords(TKvMemoryData& table, const fs::path& file, const std::vector<RecordPlace>& places) {
    switch (CheckPath(file)) {
    case PathState::Absent:
        CreateFileDurably(file, "");
        return;
    case PathState::Unknown:
        throw FileError("Cannot open file \"" + file.string() + "\"", file, 0);
    case PathState::Present:
        break;
    }
    const std::string content = ReadWholeFile(file);
    const size_t size = RecordSize(places);
    for (size_t at = 0; at + size <= content.size(); at += size) {
        table.Append();
        size_t pos = at;
        for (const RecordPlace& p : places) {
            const size_t length = std::min<size_t>(static_cast<unsigned char>(content[pos]), static_cast<size_t>(p.Capacity));
            table.FieldByName(p.Field).SetAsString(CodePageToUtf8(std::string_view(content).substr(pos + 1, length), kRecordCodePage));
            pos += static_cast<size_t>(p.Capacity) + 1;
        }
        table.Post();
    }
    if (content.size() % size != 0)
        throw FileError("File \"" + file.string() + "\" does not hold whole records", file, 0);
}

void SaveRecords(TKvMemoryData& table, const fs::path& file, const std::vector<RecordPlace>& places) {
    std::string content;
    table.DisableControls();
    try {
        table.First();
        while (!table.Eof()) {
            for (const RecordPlace& p : places) {
                std::string bytes;
                const std::string text = Utf8Left(table.FieldByName(p.Field).AsString(), static_cast<size_t>(p.Capacity));
                if (!TryUtf8ToCodePage(text, kRecordCodePage, bytes))
                    throw FileError("\"" + text + "\" holds a character that \"" + file.filename().string() +
                                        "\" cannot store",
                                    file, 0);
                content.push_back(static_cast<char>(bytes.size()));
                bytes.resize(static_cast<size_t>(p.Capacity), '\0');
                content += bytes;
            }
            table.Next();
        }
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
    WriteFileDurably(file, content);
}

// Runs each step and throws the first failure after all have run.
void RunAll(std::initializer_list<std::function<void()>> steps) {
    std::exception_ptr first;
    for (const auto& step : steps) {
        try {
            step();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

} // namespace

const std::vector<SchemaField>& TableSchema(TableId table) {
    switch (table) {
    case TableId::Address: return kAddressSchema;
    case TableId::Tasks: return kTaskSchema;
    case TableId::Projects: return kProjectSchema;
    case TableId::SubProjects: return kSubProjectSchema;
    case TableId::Owners: return kOwnersSchema;
    case TableId::Links: return kLinksSchema;
    case TableId::LinksType: break;
    }
    return kLinksTypeSchema;
}

const char* TableSuffix(TableId table) {
    switch (table) {
    case TableId::Address: return "_address.d";
    case TableId::Tasks: return "_tasks.d";
    case TableId::Projects: return "_prlist.d";
    case TableId::SubProjects: return "_subprlist.d";
    case TableId::Owners: return "_owners.d";
    case TableId::Links: return "_links.d";
    case TableId::LinksType: break;
    }
    return "_linkstype.d";
}

std::string UserFileName(const std::string& userPrefix, std::string_view suffix) {
    if (!userPrefix.empty()) CheckFileNamePart(userPrefix);
    return userPrefix + std::string(suffix);
}

std::string LockSuffix(TableId table) {
    std::string suffix = TableSuffix(table);
    return suffix.substr(0, suffix.size() - 2) + ".mpf";
}

TDataModule1::TDataModule1(FrameState& frame, TComponent* owner) : TComponent(owner), frame_(frame) {
    VolgaDatabase1 = new TVolgaDatabase(this);
    VolgaDatabase1->SetDateFormat("mm/dd/yyyy");
    for (TDataSource** source : {&DataSourceZirt, &UlohaSource, &ProjectSource, &SubProjectSource, &OwnersSource,
                                 &LinksSource, &LinksTypeSource, &InfoSource, &DataSource1, &TemplatesDataSource})
        *source = new TDataSource(this);
    ReportTable = new TKvMemoryData(this);
    ReportTable->FieldDefs().Add("Cislo", ftAutoInc);
    ReportTable->FieldDefs().Add("Firma", ftString, 50);
    ReportTable->FieldDefs().Add("Meno", ftString, 50);
    ReportTable->FieldDefs().Add("Priezvisko", ftString, 30);
    ReportTable->FieldDefs().Add("Adresa_1", ftMemo);
    ReportTable->FieldDefs().Add("Adresa_2", ftMemo);
    ReportTable->FieldDefs().Add("Nula", ftString, 1);
    ReportTable->Open();
    DataSource1->SetDataSet(ReportTable);
    TemplatesMemoryTable = new TKvMemoryData(this);
    TemplatesMemoryTable->FieldDefs().Add("Name", ftString, 255);
    for (const RecordPlace& p : kTemplateRecord)
        if (std::string_view(p.Field) != "Name") TemplatesMemoryTable->FieldDefs().Add(p.Field, ftString, 10);
    TemplatesMemoryTable->Open();
    TemplatesDataSource->SetDataSet(TemplatesMemoryTable);
}

TDataModule1::~TDataModule1() {
    if (!destroyed_) {
        try {
            DataModuleDestroy();
        } catch (...) {
            HandleApplicationException(std::current_exception());
        }
    }
}

void TDataModule1::DataModuleCreate(bool networkWizardFinished) {
    std::error_code ec;
    fs::create_directories(frame_.DataFolder / "Template", ec); // a failure shows when the templates are read
    VolgaDatabase1->SetDatabasePath((frame_.NetworkMode ? frame_.TableFolder : frame_.DataFolder).string());
    destroyed_ = false;
    if (networkWizardFinished) return;
    RunAll({[this] { ReadReport(); }, [this] { ReadTemplates(); }});
}

void TDataModule1::DataModuleDestroy() {
    destroyed_ = true;
    RunAll({[this] { WriteReport(); }, [this] { WriteTemplates(); }});
}

fs::path TDataModule1::ReportFileName() const { return frame_.DataFolder / "report.dat"; }
fs::path TDataModule1::TemplatesFileName() const { return frame_.DataFolder / "Template" / "label_templates.dte"; }

void TDataModule1::ReadReport() {
    reportLoaded_ = false;
    LoadRecords(*ReportTable, ReportFileName(), kReportRecord);
    reportLoaded_ = true;
}

// A file whose load failed keeps what it holds: the rows read are not all of it.
void TDataModule1::WriteReport() {
    if (reportLoaded_) SaveRecords(*ReportTable, ReportFileName(), kReportRecord);
}

void TDataModule1::ReadTemplates() {
    templatesLoaded_ = false;
    LoadRecords(*TemplatesMemoryTable, TemplatesFileName(), kTemplateRecord);
    templatesLoaded_ = true;
}

void TDataModule1::WriteTemplates() {
    if (templatesLoaded_) SaveRecords(*TemplatesMemoryTable, TemplatesFileName(), kTemplateRecord);
}

// ---- the seven tables ----

TVolgaTable*& TDataModule1::TableOf(TableId table) {
    switch (table) {
    case TableId::Address: return AddressTable;
    case TableId::Tasks: return TaskTable;
    case TableId::Projects: return ProjectTable;
    case TableId::SubProjects: return SubProjectTable;
    case TableId::Owners: return OwnersTable;
    case TableId::Links: return LinksTable;
    case TableId::LinksType: break;
    }
    return LinksTypeTable;
}

TDataSource* TDataModule1::SourceOf(TableId table) const {
    switch (table) {
    case TableId::Address: return DataSourceZirt;
    case TableId::Tasks: return UlohaSource;
    case TableId::Projects: return ProjectSource;
    case TableId::SubProjects: return SubProjectSource;
    case TableId::Owners: return OwnersSource;
    case TableId::Links: return LinksSource;
    case TableId::LinksType: break;
    }
    return LinksTypeSource;
}

fs::path TDataModule1::TableFileName(TableId table) const { return frame_.TableFolder / UserFileName(frame_.UserPrefix, TableSuffix(table)); }
fs::path TDataModule1::LockFileName(TableId table) const { return frame_.TableFolder / UserFileName(frame_.UserPrefix, LockSuffix(table)); }

TVolgaTable* TDataModule1::MakeTable(TableId table) {
    auto* t = new TVolgaTable(this);
    t->SetDatabase(VolgaDatabase1);
    switch (table) {
    case TableId::Address:
        t->SetSortOptions(vsoCaseInsensitive);
        t->SetOnFilterRecord([this](TDataSet& ds, bool& accept) { TableFilterRecord(ds, accept); });
        t->OnNewRecord = [this](TDataSet& ds) { TableNewRecord(ds); };
        break;
    case TableId::Tasks:
        // The tasks window's repetition filter, whenever that window is open.
        t->SetOnFilterRecord([this](TDataSet& ds, bool& accept) {
            if (frame_.TasksWindow) frame_.TasksWindow->UlohaTable1FilterRecord(ds, accept);
        });
        t->OnNewRecord = [this](TDataSet& ds) { UlohaTable1NewRecord(ds); };
        break;
    case TableId::SubProjects:
        t->SetOnFilterRecord([this](TDataSet& ds, bool& accept) {
            if (frame_.Frame) frame_.Frame->SubProjectTableFilterRecord(ds, accept);
        });
        break;
    case TableId::Links:
        t->SetOnFilterRecord([this](TDataSet& ds, bool& accept) { LinksTableFilterRecord(ds, accept); });
        t->OnNewRecord = [this](TDataSet& ds) { LinksTableNewRecord(ds); };
        break;
    case TableId::LinksType:
        t->OnNewRecord = [this](TDataSet& ds) { LinksTypeTableNewRecord(ds); };
        break;
    case TableId::Projects:
    case TableId::Owners:
        break;
    }
    return t;
}

void TDataModule1::Install(TableId table, TVolgaTable* opened) {
    TVolgaTable*& variable = TableOf(table);
    SourceOf(table)->SetDataSet(opened);
    delete variable;
    variable = opened;
}

void TDataModule1::OpenTable(TableId table, const fs::path& fileName, const std::string& password, const fs::path& lockFileName) {
    switch (CheckPath(fileName)) {
    case PathState::Absent:
        NewTable(table, fileName, password);
        break;
    case PathState::Unknown:
        // A share that does not answer looks like a missing file: never replace it by an empty one.
        throw FileError("Cannot check table file \"" + fileName.string() + "\"", fileName, errno);
    case PathState::Present: {
        std::unique_ptr<TVolgaTable> t(MakeTable(table));
        t->SetPassword(password);
        t->SetTableName(fileName.string()); // with its folder: upgrades write beside the opened file
        t->Open();
        Install(table, t.release());
        if (table == TableId::Address) {
            ApplyAddressFieldChecks();
            ScanIbanFields(fileName);
        } else if (table == TableId::Tasks) {
            ScanFackureFields(fileName);
        }
        break;
    }
    }
    if (table == TableId::Address) {
        AddressTable->SetFiltered(false);
        AddressTable->First();
    }
    if (frame_.NetworkMode) CreateLockFile(lockFileName);
}

void TDataModule1::ApplyAddressFieldChecks() {
    if (AddressTable->FieldDefs().Find("Split_field")) return;
    if (frame_.Settings) frame_.Settings->Nastavenia[Slot::Categories] = 0;
    if (frame_.Frame) frame_.Frame->HideSplitEnableButton();
    frame_.Filters.AddressCategoryFilter.clear();
}

void TDataModule1::NewTable(TableId table, const fs::path& fileName, const std::string& password) {
    std::unique_ptr<TVolgaTable> t(MakeTable(table));
    t->SetLoadMode(TVolgaLoadMode::lmClear);
    t->FieldDefs().Clear();
    for (const SchemaField& f : TableSchema(table)) t->FieldDefs().Add(f.Name, f.Type, f.Size, false);
    t->SetPassword(password);
    t->Open();
    AppendSampleRows(table, *t);
    std::string block;
    t->Cursor()->SaveToStream(block);
    // Created only where nothing is: a table that another program made meanwhile is kept.
    CreateFileDurably(fileName, block);
    t->SetTableName(fileName.string());
    t->Open();
    Install(table, t.release());
}

void TDataModule1::AppendSampleRows(TableId table, TVolgaTable& t) {
    auto set = [&t](const char* field, const std::string& value) { t.FieldByName(field).SetAsString(value); };
    switch (table) {
    case TableId::Address: {
        const int language = Language();
        if (language < 1 || language > 3) return;
        const AddressSample& s = kAddressSamples[language - 1];
        t.Append();
        set("Firma", s.Firma);
        set("Meno", s.Meno);
        set("Meno_Kr", s.MenoKr);
        set("Priezvisko", s.Priezvisko);
        set("Funkcia", s.Funkcia);
        set("Mesto", s.Mesto);
        set("Adresa_1", s.Adresa1);
        set("Adresa_2", s.Adresa2);
        set("Telefon1", "000\\12345678");
        set("E_Mail", kSampleMail);
        set("WWW", kSampleWeb);
        if (*s.Poznamka) set("Poznamka", s.Poznamka);
        t.Post();
        break;
    }
    case TableId::Links:
        t.Append();
        set("Name", "KV-Zirt");
        set("Path", kProgramPage);
        set("Type", kSampleLinkType);
        set("User", GetWindowsUserName());
        t.Post();
        break;
    case TableId::LinksType:
        t.Append();
        set("LinksType", kSampleLinkType);
        set("User", GetWindowsUserName());
        t.Post();
        break;
    case TableId::Tasks:
    case TableId::Projects:
    case TableId::SubProjects:
    case TableId::Owners:
        break;
    }
}

void TDataModule1::OpenAdressTable(const fs::path& f, const std::string& p, const fs::path& l) { OpenTable(TableId::Address, f, p, l); }
void TDataModule1::OpenTaskTable(const fs::path& f, const std::string& p, const fs::path& l) { OpenTable(TableId::Tasks, f, p, l); }
void TDataModule1::OpenProjectTable(const fs::path& f, const std::string& p, const fs::path& l) { OpenTable(TableId::Projects, f, p, l); }
void TDataModule1::OpenSubProjectTable(const fs::path& f, const std::string& p, const fs::path& l) { OpenTable(TableId::SubProjects, f, p, l); }
void TDataModule1::OpenOwnersTable(const fs::path& f, const std::string& p, const fs::path& l) { OpenTable(TableId::Owners, f, p, l); }
void TDataModule1::OpenLinksTable(const fs::path& f, const std::string& p, const fs::path& l) { OpenTable(TableId::Links, f, p, l); }
void TDataModule1::OpenLinksTypeTable(const fs::path& f, const std::string& p, const fs::path& l) { OpenTable(TableId::LinksType, f, p, l); }

void TDataModule1::NewAddresTable(const fs::path& f, const std::string& p) { NewTable(TableId::Address, f, p); }
void TDataModule1::NewTasksTable(const fs::path& f, const std::string& p) { NewTable(TableId::Tasks, f, p); }
void TDataModule1::NewProjectTable(const fs::path& f, const std::string& p) { NewTable(TableId::Projects, f, p); }
void TDataModule1::NewSubProjectTable(const fs::path& f, const std::string& p) { NewTable(TableId::SubProjects, f, p); }
void TDataModule1::NewOwnersProjectTable(const fs::path& f, const std::string& p) { NewTable(TableId::Owners, f, p); }
void TDataModule1::NewLinksTable(const fs::path& f, const std::string& p) { NewTable(TableId::Links, f, p); }
void TDataModule1::NewLinksTypeTable(const fs::path& f, const std::string& p) { NewTable(TableId::LinksType, f, p); }

void TDataModule1::OpenAllTables(const std::string& password) {
    for (TableId table : {TableId::Address, TableId::Links, TableId::LinksType, TableId::Tasks, TableId::Projects,
                          TableId::SubProjects, TableId::Owners})
        OpenTable(table, TableFileName(table), password, LockFileName(table));
}

void TDataModule1::CreateLockFile(const fs::path& lockFileName) {
    if (CheckPath(lockFileName) != PathState::Absent) return;
    kvz::CreateLockFile(lockFileName);
}

// ---- schema upgrades ----

void TDataModule1::ScanIbanFields(const fs::path& fileName) {
    AddMissingFields(TableId::Address, fileName, {{"IBAN", ftString, 30}});
}

void TDataModule1::ScanFackureFields(const fs::path& fileName) {
    if (TaskTable->FieldDefs().Find("Acount_pay") && TaskTable->FieldDefs().Find("Bank_pay")) return;
    // The task text moves behind the old fields, 125 characters wide.
    AddMissingFields(TableId::Tasks, fileName, kPaymentFields, {{"Uloha", ftString, 125}});
}

bool TDataModule1::AddMissingFields(TableId table, const fs::path& fileName, const std::vector<SchemaField>& fields,
                                    const std::vector<SchemaField>& moveToEnd) {
    TVolgaTable*& old = TableOf(table);
    auto missing = [&] {
        std::vector<SchemaField> out;
        for (const SchemaField& f : fields)
            if (!old->FieldDefs().Find(f.Name)) out.push_back(f);
        return out;
    };
    if (missing().empty()) return false;
    BusyAnimationScope busy(*frame_.Locks, frame_.NetworkMode);
    std::optional<ScopedTableLock> lock;
    if (frame_.NetworkMode) {
        fs::path lockFile = fileName;
        lock.emplace(*frame_.Locks, lockFile.replace_extension(".mpf"), kRecordCommandPoll);
        // Another program may have upgraded it meanwhile: read it again, field list included.
        old->Close();
        old->Open();
    }
    const std::vector<SchemaField> add = missing();
    if (add.empty()) return false;

    std::unique_ptr<TVolgaTable> fresh(MakeTable(table));
    fresh->SetLoadMode(TVolgaLoadMode::lmClear);
    auto moved = [&](const std::string& name) {
        for (const SchemaField& f : moveToEnd)
            if (Utf8Upper(name) == Utf8Upper(f.Name)) return true;
        return false;
    };
    for (int i = 0; i < old->FieldDefs().Count(); ++i) {
        const TFieldDef& d = old->FieldDefs()[i];
        if (!moved(d.Name())) fresh->FieldDefs().Add(d.Name(), d.DataType(), d.Size(), d.Required());
    }
    for (const SchemaField& f : moveToEnd) fresh->FieldDefs().Add(f.Name, f.Type, f.Size, false);
    for (const SchemaField& f : add)
        if (!moved(f.Name)) fresh->FieldDefs().Add(f.Name, f.Type, f.Size, false);
    fresh->SetPassword(old->Password());
    fresh->Open();

    const bool filtered = old->Filtered();
    old->DisableControls();
    old->SetFiltered(false);
    try {
        old->First();
        while (!old->Eof()) {
            fresh->Append();
            CopyFieldValues(*old, *fresh, true);
            fresh->Post();
            old->Next();
        }
    } catch (...) {
        old->SetFiltered(filtered);
        old->EnableControls();
        throw;
    }
    old->SetFiltered(filtered);
    old->EnableControls();
    // The old table stays in place until the new file is written.
    fresh->SaveToFile(fileName);
    fresh->SetTableName(fileName.string());
    fresh->Open();
    Install(table, fresh.release());
    return true;
}

// ---- handlers ----

namespace {

void NewNumber(TDataSet& dataSet) { dataSet.FieldByName("Number").SetAsString(NewRecordKey()); }

std::string Text(TDataSet& dataSet, const char* field) {
    TField* f = dataSet.FindField(field);
    return f ? f->AsString() : std::string();
}

} // namespace

void TDataModule1::TableNewRecord(TDataSet& dataSet) {
    NewNumber(dataSet);
    if (frame_.AddressBook) frame_.AddressBook->SetLastNewAddressCode(dataSet.FieldByName("Number").AsString());
}

void TDataModule1::UlohaTable1NewRecord(TDataSet& dataSet) { NewNumber(dataSet); }
void TDataModule1::LinksTableNewRecord(TDataSet& dataSet) { NewNumber(dataSet); }
void TDataModule1::LinksTypeTableNewRecord(TDataSet& dataSet) { NewNumber(dataSet); }

void TDataModule1::TableFilterRecord(TDataSet& dataSet, bool& accept) {
    const TableFilterState& f = frame_.Filters;
    if (!f.AddressKeyFilter.empty()) accept = Text(dataSet, "Number") == f.AddressKeyFilter;
    if (!f.AddressCategoryFilter.empty()) accept = Text(dataSet, "Split_field") == f.AddressCategoryFilter;
    if (f.WabViewOn) accept = Text(dataSet, "User") == "WAB";
}

void TDataModule1::LinksTableFilterRecord(TDataSet& dataSet, bool& accept) {
    if (frame_.Filters.LinksFilterActive || !frame_.LinksWindow) return;
    const LinksWindowServices& w = *frame_.LinksWindow;
    const std::string type = Text(dataSet, "Type");
    accept = type == w.TypeComboBoxText();
    if (w.TreePageShown())
        if (auto selected = w.SelectedTopLevelType()) accept = type == *selected;
}

void TDataModule1::InfoTableFilterRecord(TDataSet& dataSet, bool& accept) {
    const bool dayPage = frame_.TasksWindow && frame_.TasksWindow->DayPageShown();
    const TDateTime selected = frame_.TasksWindow ? frame_.TasksWindow->SelectedTaskDate() : 0;
    const bool haveCurrent = TaskTable && TaskTable->Active() && !TaskTable->IsEmpty();
    const TDateTime current = haveCurrent ? TaskTable->FieldByName("Date").AsDateTime() : 0;
    const TDateTime reference = dayPage ? selected : current;
    const TDateTime date = dataSet.FieldByName("Date").AsDateTime();
    const int repFreq = dataSet.FieldByName("RepFreq").AsInteger();
    auto sameDay = [](TDateTime a, TDateTime b) { return std::floor(a) == std::floor(b); };
    int y, m, d, ry, rm, rd;
    DecodeDate(date, y, m, d);
    DecodeDate(reference, ry, rm, rd);
    accept = (haveCurrent && sameDay(date, current)) || repFreq == 1 || (repFreq == 4 && d == rd && m == rm) ||
             (repFreq == 2 && DayOfWeek(date) == DayOfWeek(reference)) || (repFreq == 3 && d == rd) ||
             (dayPage && sameDay(date, selected));
}

} // namespace kvz
