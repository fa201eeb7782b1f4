// PrepareReportData: which records an address report prints. All addresses, the current one
// (the address table filtered to its record code), or the own choice; the current address may
// also be repeated over a whole label sheet. The filter is on only while a report is made.
#pragma once

#include "core/ModuleServices.h"
#include "engine/KvMemDS.h"

#include <memory>
#include <stdexcept>

namespace kvz {

class TDataModule1;

enum TRecordChoice { AllRecords = 0, CurrentRecord = 1, OwnChoice = 2 };

// A current address that cannot be printed alone; the message is in the program's language.
class EReportDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TReportData {
public:
    TReportData(TDataModule1& data, FrameState& frame) : data_(data), frame_(frame) {}
    ~TReportData();
    TReportData(const TReportData&) = delete;
    TReportData& operator=(const TReportData&) = delete;

    // The data set the layouts print for the choice (FieldValueGroup's item). The current
    // record filters the address table to its record code; with repeatOne that address is
    // copied labelsPerSheet times into a table of its own, which replaces the one before. A
    // current address without a record code is refused: it would print every address.
    TDataSet* Prepare(int choice, bool repeatOne, int labelsPerSheet);
    // Puts the address table's filter back as it was before Prepare; safe to call at any time.
    void FilterOff();
    // The data set of the choice without any preparation (the record choice's binding).
    TDataSet* SourceOf(int choice) const;
    // The repeated address of the last preparation; nullptr when none is kept.
    TKvMemoryData* RepeatOneTable() const { return repeatOne_.get(); }
    void FreeRepeatOne() { repeatOne_.reset(); }

private:
    TDataModule1& data_;
    FrameState& frame_;
    std::unique_ptr<TKvMemoryData> repeatOne_;
    bool filtering_ = false;
    bool wasFiltered_ = false;
    std::string oldKey_;
    std::string number_; // the current address, found again when the filter goes
};

} // namespace kvz
