#include "printing/ReportData.h"

#include "core/Data1.h"
#include "core/Messages.h"
#include "platform/rtl/ScopeGuard.h"

namespace kvz {

namespace {

const char* const kNoNumber[3] = {
    "The current address has no record number, so it cannot be printed alone. Choose all records or an own choice.",
    "Aktuálna adresa nemá číslo záznamu, preto ju nemožno tlačiť samostatne. Zvoľte všetky záznamy alebo vlastný výber.",
    "Aktuální adresa nemá číslo záznamu, proto ji nelze tisknout samostatně. Zvolte všechny záznamy nebo vlastní výběr."};

const char* const kNoAddress[3] = {"There is no current address to print.", "Nie je aktuálna adresa na tlač.",
                                   "Není aktuální adresa k tisku."};

} // namespace

TReportData::~TReportData() { FilterOff(); }

TDataSet* TReportData::SourceOf(int choice) const {
    if (choice == OwnChoice) return data_.ReportTable;
    return data_.AddressTable;
}

TDataSet* TReportData::Prepare(int choice, bool repeatOne, int labelsPerSheet) {
    FilterOff();
    TVolgaTable* addresses = data_.AddressTable;
    if (choice != CurrentRecord) return SourceOf(choice);
    if (!addresses || !addresses->Active() || addresses->IsEmpty()) throw EReportDataError(InLanguage(kNoAddress));
    const std::string number = addresses->FieldByName("Number").AsString();
    if (number.empty()) throw EReportDataError(InLanguage(kNoNumber));
    // The filter is put back should anything below fail.
    ScopeFailGuard restore([this] { FilterOff(); });
    oldKey_ = frame_.Filters.AddressKeyFilter;
    number_ = number;
    wasFiltered_ = addresses->Filtered();
    filtering_ = true;
    frame_.Filters.AddressKeyFilter = number;
    if (addresses->Filtered()) addresses->Refresh();
    else addresses->SetFiltered(true);
    if (!repeatOne) return addresses;
    auto table = std::make_unique<TKvMemoryData>();
    table->Close();
    table->TakeFieldStructure(addresses);
    table->Open();
    for (int i = 0; i < labelsPerSheet; ++i) {
        table->Append();
        for (const char* field : {"Adresa_1", "Adresa_2", "Firma", "Priezvisko", "Meno"})
            table->FieldByName(field).SetAsString(addresses->FieldByName(field).AsString());
        table->Post();
    }
    table->First();
    // One repeated table at a time: the one of the last preparation goes now.
    repeatOne_ = std::move(table);
    return repeatOne_.get();
}

void TReportData::FilterOff() {
    if (!filtering_) return;
    filtering_ = false;
    frame_.Filters.AddressKeyFilter = oldKey_;
    TVolgaTable* addresses = data_.AddressTable;
    if (!addresses || !addresses->Active()) return;
    try {
        if (addresses->Filtered() != wasFiltered_) addresses->SetFiltered(wasFiltered_);
        else addresses->Refresh();
        // The window goes on showing the address it printed.
        addresses->Locate("Number", Variant(number_), loCaseInsensitive);
    } catch (...) {
        // The key is gone either way; the table shows every row at its next refresh.
    }
}

} // namespace kvz
