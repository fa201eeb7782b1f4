// Regular payments: per country a list of payment kinds that the user switches on and sets up
// ("platby_sk.d", "platby_cz.d") and a list of their due dates ("platby_sk_data.d",
// "platby_cz_data.d"), both table files of the data folder. The generator replaces the
// country's payment tasks by one task per due date of every kind switched on; it decides every
// task before the task table is touched, so that the removal and the new tasks are one change,
// and removes nothing unless the list of kinds was read and every task was decided.
#pragma once

#include "core/Data1.h"
#include "scheduling/TaskSave.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kvz {

class TDataSet;
class TVolgaTable;

enum class PaymentCountry { Slovak = 0, Czech = 1 };

const char* PaymentKindsFile(PaymentCountry country);
const char* PaymentDatesFile(PaymentCountry country);
// The task type of the country's payment tasks: "P" Slovak, "C" Czech.
const char* PaymentTaskType(PaymentCountry country);

// The question asked before an empty list of kinds removes the country's payment tasks, in the
// program's language.
std::string EmptyKindsQuestion(PaymentCountry country);

// The fields of the two files as the program creates them.
const std::vector<SchemaField>& PaymentKindFields();
const std::vector<SchemaField>& PaymentDateFields();

// Makes each of the country's two files that is missing, empty with its fields (the program
// ships none); a file that is there is left as it is. Throws FileError when one cannot be made.
void EnsurePaymentFiles(const std::filesystem::path& dataFolder, PaymentCountry country);
// Opens a payment file (no password) in the table; the file name is found without regard to
// case.
void OpenPaymentTable(TVolgaTable& table, const std::filesystem::path& dataFolder, const char* fileName);

// One task the generator will write.
struct PlannedPayment {
    TDateTime Date = 0;
    std::string Time, Text;
    int32_t Color = 0;
    std::string Priority;
    bool Repeat = false;
    int32_t RepFreq = 0;
    std::string StartTask, EndTask;
    bool Remind = false;
    std::string Account, Bank, Amount, Created, VarSymbol, ConstSymbol;
    int32_t BeforeDate = 0;
    std::string Project;
    bool Completed = false;
    bool Run = false;
    std::string Path;
};

// The user declined to remove the country's payment tasks: nothing changed, nothing to say.
class PaymentsDeclined : public TaskInputRefused {
public:
    PaymentsDeclined() : TaskInputRefused("") {}
};

class RegularPayments : public PaymentGenerator {
public:
    // kinds: the list of the country's payment kinds, as the page shows it (closed when none
    // could be opened); tasks: the task table, whose field sizes the tasks must fit.
    RegularPayments(TVolgaTable& kinds, const TDataSet& tasks, std::filesystem::path dataFolder,
                    PaymentCountry country, bool skipPast, std::string owner, std::string userPrefix);

    // Why the list of kinds is not open, when its file could not be read: said at Prepare.
    void SetKindsError(std::string reason) { kindsError_ = std::move(reason); }
    // Asked when the list of kinds was read and holds no kind, so that the country's payment
    // tasks would all go and none come: true goes on. Without it such a list is declined.
    void SetConfirmRemoval(std::function<bool()> confirm) { confirmRemoval_ = std::move(confirm); }

    // Writes the kinds' pending changes to their file, reads the due dates and decides every
    // task. Refused (TaskInputRefused, in the program's language, nothing changed): no list of
    // kinds open, a country without due dates, a text longer than its task field; declined
    // (PaymentsDeclined) when the empty list's removal is not confirmed.
    void Prepare() override;
    // Removes every task of the country's type and adds the planned ones; only after a Prepare
    // that succeeded.
    int Generate(TDataSet& tasks) override;

    // Whether the due dates are of this year (false until Prepare read them, and when there are
    // none): the frame window then offers newer payment data.
    bool DataCurrent() const { return dataCurrent_; }
    // Whether Prepare came as far as reading the due dates (DataCurrent then says of them).
    bool DatesRead() const { return datesRead_; }
    const std::vector<PlannedPayment>& Planned() const { return planned_; }
    // Due dates of 29 February that this year has not, written on 28 February.
    int MovedLeapDays() const { return movedLeapDays_; }

private:
    void CheckLengths() const;

    TVolgaTable& kinds_;
    const TDataSet& tasks_;
    std::filesystem::path dataFolder_;
    PaymentCountry country_;
    bool skipPast_;
    std::string owner_, user_;
    std::string kindsError_;
    std::function<bool()> confirmRemoval_;
    bool dataCurrent_ = false;
    bool datesRead_ = false;
    bool prepared_ = false;
    int movedLeapDays_ = 0;
    std::vector<PlannedPayment> planned_;
};

} // namespace kvz
