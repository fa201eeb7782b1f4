// Regular payments: per country a list of payment kinds that the user switches on and sets up
// ("platby_sk.d", "platby_cz.d") and a list of their due dates ("platby_sk_data.d",
// "platby_cz_data.d"), both table files of the data folder. The generator replaces the
// country's payment tasks by one task per due date of every kind switched on; it decides every
// task before the task table is touched, so that the removal and the new tasks are one change.
#pragma once

#include "core/Data1.h"
#include "scheduling/TaskSave.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kvz {

class TVolgaTable;

enum class PaymentCountry { Slovak = 0, Czech = 1 };

const char* PaymentKindsFile(PaymentCountry country);
const char* PaymentDatesFile(PaymentCountry country);
// The task type of the country's payment tasks: "P" Slovak, "C" Czech.
const char* PaymentTaskType(PaymentCountry country);

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

class RegularPayments : public PaymentGenerator {
public:
    // kinds: the open list of the country's payment kinds, as the page shows it.
    RegularPayments(TVolgaTable& kinds, std::filesystem::path dataFolder, PaymentCountry country, bool skipPast,
                    std::string owner, std::string userPrefix);

    // Writes the kinds' pending changes to their file, reads the due dates and decides every
    // task. A country without due dates is refused (TaskInputRefused), nothing changed.
    void Prepare() override;
    // Removes every task of the country's type and adds the planned ones.
    int Generate(TDataSet& tasks) override;

    // Whether the due dates are of this year (false until Prepare read them, and when there are
    // none): the frame window then offers newer payment data.
    bool DataCurrent() const { return dataCurrent_; }
    const std::vector<PlannedPayment>& Planned() const { return planned_; }
    // Due dates of 29 February that this year has not, written on 28 February.
    int MovedLeapDays() const { return movedLeapDays_; }

private:
    TVolgaTable& kinds_;
    std::filesystem::path dataFolder_;
    PaymentCountry country_;
    bool skipPast_;
    std::string owner_, user_;
    bool dataCurrent_ = false;
    int movedLeapDays_ = 0;
    std::vector<PlannedPayment> planned_;
};

} // namespace kvz
