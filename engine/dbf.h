// A dataset over a dBASE table (".dbf") with its memo file (".dbt") and single-key index
// files (".NDX"), so that any code that reads datasets can read what other programs wrote.
//
// The table is read whole when it opens. Opening never creates or changes a file: a missing
// table is made from the field definitions only when they are given and the open mode allows
// it, and the files are written (durably, whole) only when a record is posted or deleted.
#pragma once

#include "engine/DbfCursor.h"
#include "engine/DbfFile.h"
#include "platform/data/DB.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

class TIndexFile;

enum TDbfOpenMode { omNormal, omAutoCreate, omTemporary };
enum TDbfStorage { stoMemory, stoAuto, stoFile };

// An index file opened with the table; IndexFile is stored upper-cased, an empty one takes
// the name of its field.
struct TDbfIndexDef {
    std::string IndexFile;
    std::string SortField;
};

class TDbfTable : public TDataSet {
public:
    explicit TDbfTable(TComponent* owner = nullptr);
    ~TDbfTable() override;

    std::string Version() const;
    std::string ComponentInfo() const;
    // The file name as given, with or without its folder; a folder part becomes FilePath.
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    // The table's folder; a relative one lies in the program's folder.
    const std::string& FilePath() const { return filePath_; }
    void SetFilePath(const std::string& path);
    std::filesystem::path FullPath() const;
    TDbfOpenMode OpenMode() const { return openMode_; }
    void SetOpenMode(TDbfOpenMode mode) { openMode_ = mode; }
    TDbfStorage Storage() const { return storage_; }
    void SetStorage(TDbfStorage storage) { storage_ = storage; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool ShowDeleted() const { return showDeleted_; }
    void SetShowDeleted(bool show) { showDeleted_ = show; }

    // Index files opened with the table, and the one that orders the records (empty:
    // physical order).
    std::vector<TDbfIndexDef>& Indexes() { return indexes_; }
    const std::string& IndexName() const { return indexName_; }
    void SetIndexName(const std::string& name);

    // The open table file; nullptr while closed.
    const TDbfFile* DbfFile() const { return file_.get(); }

    int RecordCount() const override;
    int RecNo() const override;
    void SetRecNo(int recNo) override;
    bool BookmarkValid(const TBookmark& bookmark) const override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
    // Scans from the first record. As many values as fields, or nothing is found; with
    // loPartialKey only the last field may match by its beginning (an empty key matches all).
    bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;

protected:
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return file_ != nullptr; }
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer& buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    void InternalInitRecord(TRecordBuffer& buffer) override;
    bool GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const override;
    void SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalInitFieldDefs() override;
    bool GetCanModify() const override { return !readOnly_; }

private:
    std::unique_ptr<TDbfFile> OpenFile();
    void CreateTable(const std::filesystem::path& path);
    const TDbfFieldDef& FileField(const TField& field);
    void WriteRecord(std::string record, uint32_t recNo);
    void FillFieldDefs(const TDbfFile& file);
    void OpenIndexes();
    void ApplyIndexName();
    bool Accept(TRecordBuffer& buffer);

    std::string tableName_;
    std::string filePath_;
    TDbfOpenMode openMode_ = omAutoCreate;
    TDbfStorage storage_ = stoFile;
    bool readOnly_ = false;
    bool showDeleted_ = false;
    std::vector<TDbfIndexDef> indexes_;
    std::string indexName_;

    std::unique_ptr<TDbfFile> file_;
    std::vector<int> fileFieldOf_; // field definition index -> the file's field index
    std::vector<std::unique_ptr<TIndexFile>> indexFiles_;
    std::unique_ptr<TVirtualCursor> cursor_;
};

} // namespace kvz
