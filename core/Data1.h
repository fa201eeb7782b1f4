// The data module: the table database, the seven tables of the current user with their
// schemas, sample rows, filters and upgrades, the data sources every window binds to, and the
// two memory tables kept in "report.dat" and "label_templates.dte". The font, colour, open and
// save dialogs of the module belong to the windows and are not here.
#pragma once

#include "core/ModuleServices.h"
#include "core/TableIds.h"
#include "engine/KvMemDS.h"
#include "engine/VolgaTbl.h"
#include "platform/data/DB.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// One field of a table's schema.
struct SchemaField {
    const char* Name;
    TFieldType Type;
    int Size = 0;
};

const std::vector<SchemaField>& TableSchema(TableId table);

class TDataModule1 : public TComponent {
public:
    explicit TDataModule1(FrameState& frame, TComponent* owner = nullptr);
    // Writes the memory tables back when DataModuleDestroy has not run.
    ~TDataModule1() override;

    // Creates the "Template" folder, sets the database folder and loads the memory tables
    // (not again once the network wizard has finished).
    void DataModuleCreate(bool networkWizardFinished = false);
    // Writes the memory tables to their files (a file whose load failed is left alone).
    // Throws the first failure after trying both.
    void DataModuleDestroy();

    TVolgaDatabase* VolgaDatabase1;
    TDataSource* DataSourceZirt;
    TDataSource* UlohaSource;
    TDataSource* ProjectSource;
    TDataSource* SubProjectSource;
    TDataSource* OwnersSource;
    TDataSource* LinksSource;
    TDataSource* LinksTypeSource;
    TDataSource* InfoSource;
    TDataSource* DataSource1;
    TDataSource* TemplatesDataSource;
    TKvMemoryData* ReportTable;
    TKvMemoryData* TemplatesMemoryTable;

    TVolgaTable* AddressTable = nullptr;
    TVolgaTable* TaskTable = nullptr;
    TVolgaTable* ProjectTable = nullptr;
    TVolgaTable* SubProjectTable = nullptr;
    TVolgaTable* OwnersTable = nullptr;
    TVolgaTable* LinksTable = nullptr;
    TVolgaTable* LinksTypeTable = nullptr;
    TKvMemoryData* InfoTable = nullptr; // the day overview's, while it is open

    // Open the table from its file, or create it when there is no file; in network mode make
    // sure the lock file exists. A file that cannot be checked is an error: an existing table
    // is never replaced by an empty one.
    void OpenAdressTable(const std::filesystem::path& fileName, const std::string& password, const std::filesystem::path& lockFileName);
    void OpenTaskTable(const std::filesystem::path& fileName, const std::string& password, const std::filesystem::path& lockFileName);
    void OpenProjectTable(const std::filesystem::path& fileName, const std::string& password, const std::filesystem::path& lockFileName);
    void OpenSubProjectTable(const std::filesystem::path& fileName, const std::string& password, const std::filesystem::path& lockFileName);
    void OpenOwnersTable(const std::filesystem::path& fileName, const std::string& password, const std::filesystem::path& lockFileName);
    void OpenLinksTable(const std::filesystem::path& fileName, const std::string& password, const std::filesystem::path& lockFileName);
    void OpenLinksTypeTable(const std::filesystem::path& fileName, const std::string& password, const std::filesystem::path& lockFileName);
    // The seven of the current user, in the frame window's order.
    void OpenAllTables(const std::string& password);

    // Create a table with its schema (and sample rows) in a new file and open it; a file that
    // appeared meanwhile (another program's) is opened instead and never overwritten.
    void NewAddresTable(const std::filesystem::path& fileName, const std::string& password);
    void NewTasksTable(const std::filesystem::path& fileName, const std::string& password);
    void NewProjectTable(const std::filesystem::path& fileName, const std::string& password);
    void NewSubProjectTable(const std::filesystem::path& fileName, const std::string& password);
    void NewOwnersProjectTable(const std::filesystem::path& fileName, const std::string& password);
    void NewLinksTable(const std::filesystem::path& fileName, const std::string& password);
    void NewLinksTypeTable(const std::filesystem::path& fileName, const std::string& password);

    // Creates the empty lock file when there is none.
    void CreateLockFile(const std::filesystem::path& lockFileName);

    // Schema upgrades of an older address or task table, saved beside the opened file.
    void ScanIbanFields(const std::filesystem::path& fileName);
    void ScanFackureFields(const std::filesystem::path& fileName);
    // Rebuilds an open table with the missing fields appended (fields named in moveToEnd are
    // taken out and added again behind the others with the size given); returns whether the
    // table was rebuilt. In network mode under the table's lock, after a reload.
    bool AddMissingFields(TableId table, const std::filesystem::path& fileName, const std::vector<SchemaField>& fields,
                          const std::vector<SchemaField>& moveToEnd = {});

    // Event handlers.
    void TableNewRecord(TDataSet& dataSet);
    void UlohaTable1NewRecord(TDataSet& dataSet);
    void LinksTableNewRecord(TDataSet& dataSet);
    void LinksTypeTableNewRecord(TDataSet& dataSet);
    void TableFilterRecord(TDataSet& dataSet, bool& accept);
    void LinksTableFilterRecord(TDataSet& dataSet, bool& accept);
    void InfoTableFilterRecord(TDataSet& dataSet, bool& accept);

    // The memory tables' files.
    void ReadReport();
    void WriteReport();
    void ReadTemplates();
    void WriteTemplates();
    std::filesystem::path ReportFileName() const;
    std::filesystem::path TemplatesFileName() const;

    TVolgaTable*& TableOf(TableId table);
    TDataSource* SourceOf(TableId table) const;
    std::filesystem::path TableFileName(TableId table) const;
    std::filesystem::path LockFileName(TableId table) const;

private:
    void OpenTable(TableId table, const std::filesystem::path& fileName, const std::string& password,
                   const std::filesystem::path& lockFileName);
    void NewTable(TableId table, const std::filesystem::path& fileName, const std::string& password);
    // A table object with the opener's settings (database, handlers, sort).
    TVolgaTable* MakeTable(TableId table);
    void Install(TableId table, TVolgaTable* opened);
    void AppendSampleRows(TableId table, TVolgaTable& t);
    void ApplyAddressFieldChecks();

    FrameState& frame_;
    bool reportLoaded_ = false;
    bool templatesLoaded_ = false;
    bool destroyed_ = false;
};

} // namespace kvz
