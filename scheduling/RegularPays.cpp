#include "scheduling/RegularPays.h"

#include "core/AnyYearDates.h"
#include "core/Messages.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "platform/data/DB.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"
#include "scheduling/UlohaRules.h"

#include <memory>
#include <string_view>
#include <stdexcept>
#include <tuple>
#include <unordered_map>
#include <utility>

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

// The text with each placeholder ("%" and a letter) replaced by its value, in one pass: a value
// that holds a placeholder stays as it is.
std::string Filled(std::string_view text, std::initializer_list<std::pair<char, std::string>> values) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const std::pair<char, std::string>* value = nullptr;
        if (text[i] == '%' && i + 1 < text.size())
            for (const auto& v : values)
                if (v.first == text[i + 1]) value = &v;
        if (value) {
            out += value->second;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The size of a text field of the task table; 0 when it has no such text field.
int TaskFieldSize(const TDataSet& tasks, const char* name) {
    const TField* f = tasks.FindField(name);
    return f && f->DataType() == ftString ? f->Size() : 0;
}

} // namespace

const char* PaymentKindsFile(PaymentCountry country) {
    return country == PaymentCountry::Czech ? "platby_cz.d" : "platby_sk.d";
}
const char* PaymentDatesFile(PaymentCountry country) {
    return country == PaymentCountry::Czech ? "platby_cz_data.d" : "platby_sk_data.d";
}
const char* PaymentTaskType(PaymentCountry country) { return country == PaymentCountry::Czech ? "C" : "P"; }

std::string EmptyKindsQuestion(PaymentCountry country) {
    static const char* const kQuestion[] = {
        "The list of %c payment kinds (\"%f\") is empty: OK removes every %c payment task and makes none in "
        "their place.\nRemove them?",
        "Zoznam druhov %c platieb (\"%f\") je prázdny: OK odstráni všetky úlohy %c platieb a žiadne nové "
        "nevytvorí.\nOdstrániť ich?",
        "Seznam druhů %c plateb (\"%f\") je prázdný: OK odstraní všechny úkoly %c plateb a žádné nové "
        "nevytvoří.\nOdstranit je?"};
    static const char* const kSlovak[] = {"Slovak", "slovenských", "slovenských"};
    static const char* const kCzech[] = {"Czech", "českých", "českých"};
    return Filled(InLanguage(kQuestion), {{'c', InLanguage(country == PaymentCountry::Czech ? kCzech : kSlovak)},
                                          {'f', PaymentKindsFile(country)}});
}

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

RegularPayments::RegularPayments(TVolgaTable& kinds, const TDataSet& tasks, fs::path dataFolder,
                                 PaymentCountry country, bool skipPast, std::string owner, std::string userPrefix)
    : kinds_(kinds), tasks_(tasks), dataFolder_(std::move(dataFolder)), country_(country), skipPast_(skipPast),
      owner_(std::move(owner)), user_(std::move(userPrefix)) {}

void RegularPayments::Prepare() {
    planned_.clear();
    movedLeapDays_ = 0;
    dataCurrent_ = false;
    datesRead_ = false;
    prepared_ = false;
    // Without the list nothing says which payments the user wants: the old ones stay.
    if (!kinds_.Active()) {
        static const char* const kNotRead[] = {
            "The list of payment kinds \"%f\" could not be read: %r\nNo payment task was removed.",
            "Zoznam druhov platieb \"%f\" sa nepodarilo prečítať: %r\nŽiadna úloha platby nebola odstránená.",
            "Seznam druhů plateb \"%f\" se nepodařilo přečíst: %r\nŽádný úkol platby nebyl odstraněn."};
        static const char* const kNoCountry[] = {
            "No list of payment kinds is open: choose the Slovak or the Czech payments with their button first.\n"
            "No payment task was removed.",
            "Nie je otvorený žiadny zoznam druhov platieb: najprv tlačidlom vyberte slovenské alebo české platby.\n"
            "Žiadna úloha platby nebola odstránená.",
            "Není otevřen žádný seznam druhů plateb: nejprve tlačítkem vyberte slovenské nebo české platby.\n"
            "Žádný úkol platby nebyl odstraněn."};
        if (kindsError_.empty()) throw TaskInputRefused(InLanguage(kNoCountry));
        throw TaskInputRefused(Filled(InLanguage(kNotRead), {{'f', PaymentKindsFile(country_)}, {'r', kindsError_}}));
    }
    // What the user set in the grids is kept even when nothing can be generated.
    kinds_.ApplyChanges();

    TVolgaTable dates;
    OpenPaymentTable(dates, dataFolder_, PaymentDatesFile(country_));
    datesRead_ = true;
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
    CheckLengths();

    // An empty list removes every payment task of the country and makes none: only on purpose.
    if (kinds_.IsEmpty() && !(confirmRemoval_ && confirmRemoval_())) throw PaymentsDeclined();
    prepared_ = true;
}

// A text the task table cannot hold would fail the write under the lock: it is refused here.
void RegularPayments::CheckLengths() const {
    const int ownerSize = TaskFieldSize(tasks_, "Owner");
    if (ownerSize > 0 && Utf8Length(owner_) > static_cast<size_t>(ownerSize)) {
        static const char* const kOwnerTooLong[] = {
            "The owner \"%o\" is longer than the %m characters a task holds. No payment task was changed.",
            "Vlastník \"%o\" je dlhší ako %m znakov, ktoré pojme úloha. Žiadna úloha platby sa nezmenila.",
            "Vlastník \"%o\" je delší než %m znaků, které pojme úkol. Žádný úkol platby se nezměnil."};
        throw TaskInputRefused(Filled(InLanguage(kOwnerTooLong), {{'o', owner_}, {'m', std::to_string(ownerSize)}}));
    }
    const FormatSettings fs = EditorFormat();
    for (const PlannedPayment& p : planned_) {
        // The task field, the value, the file it came from.
        const char* const dates = PaymentDatesFile(country_);
        const std::tuple<const char*, const std::string*, const char*> texts[] = {
            {"Time", &p.Time, dates},           {"Uloha", &p.Text, dates},
            {"Priority", &p.Priority, dates},   {"StartTask", &p.StartTask, dates},
            {"EndTask", &p.EndTask, dates},     {"Acount_pay", &p.Account, dates},
            {"Bank_pay", &p.Bank, dates},       {"Value_pay", &p.Amount, dates},
            {"Create_pay", &p.Created, dates},  {"Var_pay", &p.VarSymbol, dates},
            {"Const_pay", &p.ConstSymbol, dates}, {"Project", &p.Project, dates},
            {"Path", &p.Path, PaymentKindsFile(country_)},
        };
        for (const auto& [field, value, file] : texts) {
            const int size = TaskFieldSize(tasks_, field);
            const size_t length = Utf8Length(*value);
            if (size <= 0 || length <= static_cast<size_t>(size)) continue;
            static const char* const kTooLong[] = {
                "The payment \"%t\" due on %d cannot become a task: its field \"%n\" in the file \"%f\" has %l characters, "
                "a task holds at most %m there. No payment task was changed.",
                "Platba \"%t\" splatná %d sa nedá zapísať ako úloha: jej pole \"%n\" v súbore \"%f\" má %l znakov, "
                "úloha tam pojme najviac %m. Žiadna úloha platby sa nezmenila.",
                "Platbu \"%t\" splatnou %d nelze zapsat jako úkol: její pole \"%n\" v souboru \"%f\" má %l znaků, "
                "úkol tam pojme nejvýše %m. Žádný úkol platby se nezměnil."};
            throw TaskInputRefused(Filled(InLanguage(kTooLong), {{'t', p.Text},
                                                                 {'d', EditorDateText(p.Date, fs)},
                                                                 {'n', field},
                                                                 {'f', file},
                                                                 {'l', std::to_string(length)},
                                                                 {'m', std::to_string(size)}}));
        }
    }
}

int RegularPayments::Generate(TDataSet& tasks) {
    // Removing the old tasks without the new ones decided would lose them for nothing.
    if (!prepared_) throw std::logic_error("The regular payments were generated before they were prepared");
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
