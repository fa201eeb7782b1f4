// What the importers, the send-to folder, the restore and the export share: the table kinds
// of the send-to folder, the table groups of the dialogs, the field assignment, and the
// writing of imported rows (fresh record codes, values cut to their fields, no duplicates).
#pragma once

#include "core/Data1.h"
#include "core/ModuleServices.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace kvz {

class TDataSet;
class TField;
class TTableLocks;

// What the exchange dialogs ask of the frame window.
class ExchangeFrameServices {
public:
    virtual ~ExchangeFrameServices() = default;
    // The active module window shows the tables again after an import or a restore.
    virtual void RefreshActiveModule() = 0;
    // The address field layout file was restored: an open address window reads it again.
    virtual void AddressLayoutRestored() {}
};

// The program's state that an exchange works with.
struct ExchangeContext {
    TDataModule1& Data; // over Frame: it names the tables' files
    FrameState& Frame;
    std::string Password;
    ExchangeFrameServices* FrameWindow = nullptr;
    // Runs after each row an import added; it may throw to abandon the import, which then
    // writes nothing.
    std::function<void(int rowsAdded)> OnProgress;

    TTableLocks& Locks() const;
    std::filesystem::path TableFile(TableId table) const;
    std::filesystem::path LockFile(TableId table) const;
    void RefreshActiveModule() const;
};

// Runs the work, then the active module shows the tables, also those that a failing work
// changed before it failed.
void RefreshingAfter(const ExchangeContext& context, const std::function<void()>& work);

// The tables of the send-to folder, numbered as the writer and the reader number them.
struct SendToKind {
    int Number;
    TableId Table;
    const char* SendToSuffix; // "_address_export.d"
};
const SendToKind& SendToKindOf(int number); // 1 to 7

// The table boxes of the exchange dialogs.
enum class TableGroup { Address, Tasks, Links, All };
// The send-to kinds of a group, in the order they are written and merged.
std::vector<int> SendToKinds(TableGroup group);
// The tables of a group, in the order they are exported and restored: Address the address
// table; Tasks tasks, projects, sub-projects and owners; Links links and link types; All every one.
std::vector<TableId> GroupTables(TableGroup group);

// Whether the file is there; one that cannot be checked (no permission, a share that does not
// answer) throws FileError rather than pass for absent.
bool FileThere(const std::filesystem::path& file);

// Whether both have the same field count and, position by position, the same field name and
// data type.
bool SameStructure(const TDataSet& a, const TDataSet& b);

// One line of the field assignment: the own table's field gets the source field's value.
struct FieldPair {
    std::string Target;
    std::string Source;
};
using FieldAssignment = std::vector<FieldPair>;
// The list line "Target => Source" and back; each name is cut to 20 characters.
std::string AssignmentLine(const FieldPair& pair);
FieldPair ParseAssignmentLine(const std::string& line);
// Refuses (EDatabaseError in the program's language) a pair whose field is missing in its
// table or whose source value cannot go into the target field.
void CheckAssignment(const FieldAssignment& assignment, const TDataSet& target, const TDataSet& source);
// Asks the user for an assignment (the field assignment dialog); none when cancelled.
using AskAssignment = std::function<std::optional<FieldAssignment>(TDataSet& target, TDataSet& source)>;

// The message texts of the exchange in English, Slovak and Czech.
struct ExchangeTexts {
    const char* Texts[3];
    std::string operator()() const;
};

// The assignment that ask returns, checked; none when the user cancelled or assigned nothing.
std::optional<FieldAssignment> AskCheckedAssignment(const AskAssignment& ask, TDataSet& target,
                                                    TDataSet& source);

// Sets a field of the row from a text; text longer than a string field is cut to its size.
void SetFieldText(TDataSet& row, std::string_view field, const std::string& value);

// Copies one value into a field of the record being appended; text longer than a string
// field is cut to its size.
void CopyValue(const TField& from, TField& to);

// The table's filter off and its controls disabled for a scope; both as they were afterwards.
class UnfilteredScope {
public:
    explicit UnfilteredScope(TDataSet& table);
    ~UnfilteredScope();
    UnfilteredScope(const UnfilteredScope&) = delete;
    UnfilteredScope& operator=(const UnfilteredScope&) = delete;

private:
    TDataSet& table_;
    bool filtered_;
};

// Adds rows to a table in its writer's change: every new row gets a record code that no row
// of the table holds, and a new row whose values (record code and User aside, or the fields
// named) equal those of a row that was there before is dropped, so that an import run twice
// adds its rows once. Made after the writer's reload and deletions; the table's filter is off
// while it lives.
class RowAppender {
public:
    // compared: the fields that make two rows the same; empty = all but Number and User.
    explicit RowAppender(TDataSet& table, std::vector<std::string> compared = {});
    // Appends a row; fill sets its values. Returns whether the row was kept.
    bool Add(const std::function<void(TDataSet& row)>& fill);
    int Added() const { return static_cast<int>(added_.size()); }
    // The record codes of the rows added.
    const std::vector<std::string>& AddedCodes() const { return added_; }

private:
    std::string Signature(TDataSet& row) const;
    TDataSet& table_;
    UnfilteredScope unfiltered_;
    std::vector<std::string> compared_;
    std::unordered_set<std::string> codes_;
    std::unordered_multiset<std::string> rows_;
    std::vector<std::string> added_;
};

// In a writer's change of the target: adds every row of the source through a RowAppender (over
// the fields compared), each copied through the assignment or, for tables of the same structure
// (none), field by field after the record code; fill then finishes the row. Reports the
// progress. Returns the number added.
int AppendImportedRows(const ExchangeContext& context, TDataSet& target, TDataSet& source,
                       const FieldAssignment* assignment,
                       const std::function<void(TDataSet& row)>& fill = {},
                       std::vector<std::string> compared = {});

// Runs over every row of the table from the first, whatever its filter, with its controls
// disabled; each row visited may be deleted (visit returns true) or left.
void VisitAllRows(TDataSet& table, const std::function<bool(TDataSet& row)>& deleteRow);

} // namespace kvz
