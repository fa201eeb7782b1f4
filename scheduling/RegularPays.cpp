#include "scheduling/RegularPays.h"

#include "core/AnyYearDates.h"
#include "core/Messages.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "platform/data/DB.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Files.h"
#include "scheduling/UlohaRules.h"

#include <memory>
#include <unordered_map>

namespace kvz {

namespace fs = std::filesystem;

namespace {

const std::vector<SchemaField> kKindFields = {
    {"Uloha", ftString, 125}, {"Date", ftDate},        {"Note", ftString, 50}, {"Before_date", ftInteger},
    {"Path", ftString, 255},  {"Run", ftBoolean},      {"Mesage", ftBoolean},  {"Project", ftString, 30},
};

const std::vector<SchemaField> kDateFields = {
    {"Project", ftString, 30},    {"Date", ftDate},             {"Time", ftString, 12},
    {"Uloha", ftString, 125},     {"Color", ftInteger},         {"Priority", ftString, 1},
    {"Repeat", ftBoolean},        {"RepFreq", ftInteger},       {"StartTask", ftString, 12},
    {"EndTask", ftString, 12},    {"Acount_Pay", ftString, 30}, {"Bank_Pay", ftString, 6},
    {"Value_Pay", ftString, 20},  {"Create_Pay", ftString, 30}, {"Var_Pay", ftString, 20},
    {"Const_Pay", ftString, 20},  {"Before_Date", ftInteger},   {"Completed", ftBoolean},
};

void CreateEmptyTable(const fs::path& file, const std::vector<SchemaField>& fields) {
    TVolgaTable t;
    t.SetLoadMode(TVolgaLoadMode::lmClear);
    for (const SchemaField& f : fields) t.FieldDefs().Add(f.Name, f.Type, f.Size, false);
    t.Open();
    std::string block;
    t.Cursor()->SaveToStream(block);
    CreateFileDurably(file, block);
}

// Field values of a file that others supply: a missing field or an empty value reads as
// nothing.
std::string Text(const TDataSet& t, const char* name) {
    const TField* f = t.FindField(name);
    return f && !f->IsNull() ? f->AsString() : std::string();
}
int32_t Number(const TDataSet& t, const char* name) {
    const TField* f = t.FindField(name);
    return f && !f->IsNull() ? f->AsInteger() : 0;
}
bool Flag(const TDataSet& t, const char* name) {
    const TField* f = t.FindField(name);
    return f && !f->IsNull() && f->AsBoolean();
}

struct Kind {
    bool Remind = false, Run = false;
    std::string Path;
};

} // namespace

const char* PaymentKindsFile(PaymentCountry country) {
    return country == PaymentCountry::Czech ? "platby_cz.d" : "platby_sk.d";
}
const char* PaymentDatesFile(PaymentCountry country) {
    return country == PaymentCountry::Czech ? "platby_cz_data.d" : "platby_sk_data.d";
}
const char* PaymentTaskType(PaymentCountry country) { return country == PaymentCountry::Czech ? "C" : "P"; }

const std::vector<SchemaField>& PaymentKindFields() { return kKindFields; }
const std::vector<SchemaField>& PaymentDateFields() { return kDateFields; }

void EnsurePaymentFiles(const fs::path& dataFolder, PaymentCountry country) {
    for (const auto& [name, fields] : {std::pair{PaymentKindsFile(country), &kKindFields},
                                       std::pair{PaymentDatesFile(country), &kDateFields}}) {
        if (FindNoCase(dataFolder, name)) continue;
        CreateEmptyTable(dataFolder / name, *fields);
    }
}

void OpenPaymentTable(TVolgaTable& table, const fs::path& dataFolder, const char* fileName) {
    table.Close();
    table.SetPassword("");
    table.SetLoadMode(TVolgaLoadMode::lmFile);
    table.SetTableName(ExistingOrCanonical(dataFolder, fileName).string());
    table.Open();
}

RegularPayments::RegularPayments(TVolgaTable& kinds, fs::path dataFolder, PaymentCountry country, bool skipPast,
                                 std::string owner, std::string userPrefix)
    : kinds_(kinds), dataFolder_(std::move(dataFolder)), country_(country), skipPast_(skipPast),
      owner_(std::move(owner)), user_(std::move(userPrefix)) {}

void RegularPayments::Prepare() {
    planned_.clear();
    movedLeapDays_ = 0;
    dataCurrent_ = false;
    // What the user set in the grids is kept even when nothing can be generated.
    if (kinds_.Active()) kinds_.ApplyChanges();

    TVolgaTable dates;
    OpenPaymentTable(dates, dataFolder_, PaymentDatesFile(country_));
    if (dates.IsEmpty()) {
        static const char* const kNoDates[] = {
            "There are no due dates of regular payments in the file \"%s\"; the payment tasks were left as they were.",
            "V súbore \"%s\" nie sú termíny pravidelných platieb; úlohy platieb zostali, ako boli.",
            "V souboru \"%s\" nejsou termíny pravidelných plateb; úkoly plateb zůstaly, jak byly."};
        std::string text = InLanguage(kNoDates);
        text.replace(text.find("%s"), 2, PaymentDatesFile(country_));
        throw TaskInputRefused(text);
    }
    dates.First();
    const int32_t thisYear = YearOfDate(Today());
    dataCurrent_ = YearOfDate(dates.FieldByName("Date").AsDateTime()) == thisYear;

    // The due dates by kind, in file order, read once.
    std::unordered_map<std::string, std::vector<PlannedPayment>> byKind;
    for (dates.First(); !dates.Eof(); dates.Next()) {
        PlannedPayment p;
        const TField& date = dates.FieldByName("Date");
        if (date.IsNull()) continue;
        p.Date = DateOf(date.AsDateTime());
        if (!dataCurrent_) {
            bool moved = false;
            p.Date = SameDayInYear(p.Date, thisYear, &moved);
            if (moved) ++movedLeapDays_;
        }
        // Payments older than today are left out: the day the task will carry decides.
        if (skipPast_ && p.Date <= DateOf(Today())) continue;
        p.Time = Text(dates, "Time");
        p.Text = Text(dates, "Uloha");
        p.Color = Number(dates, "Color");
        p.Priority = Text(dates, "Priority");
        p.Repeat = Flag(dates, "Repeat");
        p.RepFreq = Number(dates, "RepFreq");
        p.StartTask = Text(dates, "StartTask");
        p.EndTask = Text(dates, "EndTask");
        p.Account = Text(dates, "Acount_Pay");
        p.Bank = Text(dates, "Bank_Pay");
        p.Amount = Text(dates, "Value_Pay");
        p.Created = Text(dates, "Create_Pay");
        p.VarSymbol = Text(dates, "Var_Pay");
        p.ConstSymbol = Text(dates, "Const_Pay");
        p.BeforeDate = Number(dates, "Before_Date");
        p.Project = Text(dates, "Project");
        p.Completed = Flag(dates, "Completed");
        byKind[p.Project].push_back(std::move(p));
    }

    if (!kinds_.Active()) return;
    for (kinds_.First(); !kinds_.Eof(); kinds_.Next()) {
        if (!Flag(kinds_, "Mesage")) continue;
        auto it = byKind.find(Text(kinds_, "Project"));
        if (it == byKind.end()) continue;
        const bool run = Flag(kinds_, "Run");
        const std::string path = Text(kinds_, "Path");
        for (PlannedPayment p : it->second) {
            p.Remind = true;
            p.Run = run;
            p.Path = path;
            planned_.push_back(std::move(p));
        }
    }
}

int RegularPayments::Generate(TDataSet& tasks) {
    const std::string type = PaymentTaskType(country_);
    tasks.First();
    while (!tasks.Eof()) {
        if (tasks.FieldByName("Task_type").AsString() == type) tasks.Delete();
        else tasks.Next();
    }
    for (const PlannedPayment& p : planned_) {
        tasks.Append();
        if (TField* number = tasks.FindField("Number"); number && number->AsString().empty())
            number->SetAsString(NewRecordKey());
        tasks.FieldByName("Date").SetAsDateTime(p.Date);
        tasks.FieldByName("Time").SetAsString(p.Time);
        tasks.FieldByName("Uloha").SetAsString(p.Text);
        tasks.FieldByName("Color").SetAsInteger(p.Color);
        tasks.FieldByName("Priority").SetAsString(p.Priority);
        tasks.FieldByName("Repeat").SetAsBoolean(p.Repeat);
        tasks.FieldByName("RepFreq").SetAsInteger(p.RepFreq);
        tasks.FieldByName("StartTask").SetAsString(p.StartTask);
        tasks.FieldByName("EndTask").SetAsString(p.EndTask);
        tasks.FieldByName("Mesage").SetAsBoolean(p.Remind);
        tasks.FieldByName("Owner").SetAsString(owner_);
        tasks.FieldByName("Acount_pay").SetAsString(p.Account);
        tasks.FieldByName("Bank_pay").SetAsString(p.Bank);
        tasks.FieldByName("Value_pay").SetAsString(p.Amount);
        tasks.FieldByName("Create_pay").SetAsString(p.Created);
        tasks.FieldByName("Var_pay").SetAsString(p.VarSymbol);
        tasks.FieldByName("Const_pay").SetAsString(p.ConstSymbol);
        tasks.FieldByName("Before_date").SetAsInteger(p.BeforeDate);
        tasks.FieldByName("Project").SetAsString(p.Project);
        tasks.FieldByName("Completed").SetAsBoolean(p.Completed);
        tasks.FieldByName("Task_type").SetAsString(type);
        tasks.FieldByName("Run").SetAsBoolean(p.Run);
        tasks.FieldByName("Path").SetAsString(p.Path);
        tasks.FieldByName("User").SetAsString(user_);
        tasks.Post();
    }
    tasks.First();
    return static_cast<int>(planned_.size());
}

} // namespace kvz
