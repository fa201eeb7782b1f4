// Export converters: the rows of any open dataset written for other programs as ADO rowset
// XML, as a dBASE III table and as a workbook. Each writes its file whole through the durable
// writer and reports its progress in percent.
#pragma once

#include "platform/data/DB.h"
#include "platform/rtl/Files.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kvz {

class TVolgaDataset;
struct TVolgaField;

// Rows for an export taken from another engine table than the dataset, as a copy of them into
// the dataset would hold them: for each field of the dataset, the field of that table read and
// how many bytes of a text are kept (a text also ends at its first zero byte).
struct TExportRows {
    TVolgaDataset* Table = nullptr;
    std::vector<const TVolgaField*> Fields;
    std::vector<size_t> Keep;
};

using TExportCallbackEvent = std::function<void(int percent)>;

// What the converters share: the dataset they write (cleared when it is destroyed) and the
// progress report.
class TExportConverter : public TComponent {
public:
    explicit TExportConverter(TComponent* owner = nullptr) : TComponent(owner) {}
    TDataSet* Dataset() const { return dataset_; }
    void SetDataset(TDataSet* dataset);
    TExportCallbackEvent OnCallback;
    // The rows written come from there instead of the dataset, which gives only the fields.
    void SetRows(TExportRows rows) { rows_ = std::move(rows); }
    const TExportRows& Rows() const { return rows_; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // Refuses a missing dataset; opens the dataset when it is closed.
    void Prepare();
    void CheckFileName(const std::filesystem::path& fileName);
    // After each record: records written x 100 / record count, rounded half to even, reported
    // when it changed.
    void RecordDone(int written);
    void Report(int percent);
    int total_ = 0;

private:
    TDataSet* dataset_ = nullptr;
    int lastPercent_ = 0;
    TExportRows rows_;
};

class TVolgaXMLConverter : public TExportConverter {
public:
    explicit TVolgaXMLConverter(TComponent* owner = nullptr) : TExportConverter(owner) {}
    const std::string& Origin() const { return origin_; }
    void SetOrigin(std::string origin) { origin_ = std::move(origin); }
    // The charset of the file, by its name ("windows-1252", "windows-1250", "utf-8"...).
    const std::string& Encoding() const { return encoding_; }
    void SetEncoding(std::string encoding) { encoding_ = std::move(encoding); }
    // Writes the document in the chosen charset, lines ended by CR LF; a character that the
    // charset cannot hold is written as a character reference.
    void SaveToFile(const std::filesystem::path& fileName);

private:
    // Hands the document in the charset to the sink, in pieces where it is written straight.
    void Build(const DurableSink& sink);
    std::string origin_ = "Table";
    std::string encoding_ = "windows-1252";
};

// A dBASE III table without memo file.
class TZuzezARFConverter : public TExportConverter {
public:
    explicit TZuzezARFConverter(TComponent* owner = nullptr) : TExportConverter(owner) {}
    // Texts in the OEM partner of the data code page instead of the data code page itself.
    bool ToOEM() const { return toOem_; }
    void SetToOEM(bool toOem) { toOem_ = toOem; }
    // The name must end with ".dbf" in any case.
    void SaveToFile(const std::filesystem::path& fileName);
    void WriteToStream(std::string& out);

private:
    // Adds the table to out; with a sink, hands out to it in pieces where the rows are counted
    // beforehand (out is then left empty).
    void Write(std::string& out, const DurableSink* sink);
    bool toOem_ = true;
};

// A workbook (".xlsx"): the field names in bold in the first row, then one row per record
// with typed cells.
class TVolgaXLSConverter : public TExportConverter {
public:
    explicit TVolgaXLSConverter(TComponent* owner = nullptr) : TExportConverter(owner) {}
    // The workbook gets the extension ".xlsx" in place of another one; returns the name used.
    std::filesystem::path SaveToFile(const std::filesystem::path& fileName);
};

} // namespace kvz
