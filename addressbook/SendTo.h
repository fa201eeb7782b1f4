// The send-to folder: a user hands his tables to another user (or another installation)
// through "<prefix>_Export", which holds the marker file "Zirt_Export.txt" (one line, the
// sender's prefix) and one copy per table, "<prefix><suffix>_export.d", in the table file
// format with the sender's password, record codes emptied and "WAB" users turned into the
// sender's prefix. The receiver merges each copy into his own table of that kind.
#pragma once

#include "addressbook/Exchange.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kvz {

inline constexpr const char* kSendToMarker = "Zirt_Export.txt";

// "<chosen>/<prefix>_Export", made with its missing parents; when that fails, "Cannot create "
// followed by the folder is raised. The export uses the same folder.
std::filesystem::path CreateExchangeFolder(const std::filesystem::path& chosen, const std::string& prefix);
// Writes one table's copy; false when the own table file is missing. The own file is only read.
bool WriteSendToTable(const std::filesystem::path& ownFile, const std::filesystem::path& sendToFile,
                      const std::string& prefix, const std::string& password);
// "Send to": the folder, its marker and the tables of the group. Returns the folder.
std::filesystem::path WriteSendTo(ExchangeContext& context, const std::filesystem::path& chosen,
                                  TableGroup group);

// The sender's prefix that the folder's marker names; none when the folder has no marker. A
// first line that is not a plain name (a path, a separator, a control character) is refused.
std::optional<std::string> ReadSendToPrefix(const std::filesystem::path& folder);

// What a merge of one send-to copy did.
enum class MergeResult {
    Missing,         // the copy or the own table file is missing
    Merged,          // the rows were merged
    Cancelled,       // the user cancelled the assignment
    NothingAssigned, // the assignment was confirmed without a field: nothing was merged
};

// Merges one send-to copy into the own table of its kind. A copy of the own table's structure first deletes the rows whose User is the
// sender's prefix (an earlier merge of the same sender brought them; with a sender of the
// receiver's own prefix nothing is deleted); any other structure deletes nothing and copies
// through the assignment that ask returns (nothing when it returns none or an empty one). Every sent row is
// appended with its User as sent, unless a row equal in every field but the record code is
// there already. Deletions and additions are written in one change, in network mode under the
// table's lock. Merged addresses lose their reminder links and boxes: the sender's task codes
// mean nothing here.
MergeResult MergeExportedTable(ExchangeContext& context, int kind, const std::filesystem::path& sendToFile,
                               const std::string& senderPrefix, const AskAssignment& ask);

// The merges of a group from a send-to folder: false when the folder has no marker (nothing is
// merged then); the tables whose assignment named no field. The active module shows the tables
// afterwards.
struct SendToMerge {
    bool Marker = false;
    std::vector<TableId> NothingAssigned;
    explicit operator bool() const { return Marker; }
};
SendToMerge MergeSendTo(ExchangeContext& context, const std::filesystem::path& folder, TableGroup group,
                        const AskAssignment& ask);
// What the reader says of a table merged with nothing assigned, in the user's language.
std::string NothingAssignedText();

} // namespace kvz
