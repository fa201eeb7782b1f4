// The fields a user adds to the address table and the layout of the controls placed for them:
// the ".ucs" layout file of fixed 176-byte records, the names of the controls, and the adding
// of a field, which rebuilds the table.
//
// Layout record (little-endian, strings as a length byte and 50 places in Windows-1250):
//   0  int32    kind (1 edit, 2 memo, 3 date edit, 4 check box, 5 picture, 7 label)
//   4  str[50]  control name
//  55  pad 1
//  56  int32    Left, Top, Height, Width
//  72  str[50]  data field
// 123  str[50]  caption
// 174  pad 2
#pragma once

#include "platform/data/DB.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TDataModule1;

enum TUserFieldKind : int32_t {
    ukEdit = 1,
    ukMemo = 2,
    ukDateEdit = 3,
    ukCheckBox = 4,
    ukImage = 5,
    ukLabel = 7,
};

struct TUserFieldRec {
    int32_t Kind = 0;
    std::string Name; // UTF-8, as all the strings here
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Height = 0;
    int32_t Width = 0;
    std::string DataField;
    std::string Caption;
    bool operator==(const TUserFieldRec&) const = default;
};

inline constexpr size_t kUserFieldRecSize = 176;
inline constexpr size_t kUserFieldStringLength = 50;

// Texts longer than 50 characters are cut; a character Windows-1250 cannot hold throws
// CodePageError. Places a record does not use are zeros.
std::string EncodeUserFieldRec(const TUserFieldRec& rec);
// A length byte above 50 counts as 50.
TUserFieldRec DecodeUserFieldRec(std::string_view bytes);

// The records of a layout file; a missing file has none. Records that cannot be controls (an
// unknown kind, a name not of the kind's controls or taken already, a place or size off any
// page) and a partial last record are left out and reported once through the application's
// exception handler; the good records are kept.
std::vector<TUserFieldRec> ReadUserFieldFile(const std::filesystem::path& file);
// Writes the file whole and durably, in the order given.
void WriteUserFieldFile(const std::filesystem::path& file, const std::vector<TUserFieldRec>& records);
// The order of the file: edits, labels, memos, date edits, check boxes, pictures, each kind by
// the number in its name.
void SortForLayoutFile(std::vector<TUserFieldRec>& records);

// The prefix of a kind's controls ("UserDBEdit", ...); empty for an unknown kind.
std::string_view UserControlPrefix(int32_t kind);
// The number after the prefix, or -1 when the name is not the prefix followed by digits.
long UserControlNumber(std::string_view name, std::string_view prefix);
// The name of a new control of the kind: the prefix and the highest number in use plus one.
std::string NextUserControlName(int32_t kind, const std::vector<std::string>& existingNames);

// The field type of the editor's type list (0 text, 1 memo, 2 date, 3 check box, 4 picture).
TFieldType UserFieldType(int typeIndex);

// The name a typed field name becomes: blanks removed. Refused (EDatabaseError in the
// program's language) when empty, not an identifier (letters, digits and "_", a letter first),
// longer than 10 characters (the dBASE export keeps 10) or already a field of the table.
std::string CheckNewFieldName(std::string_view typed, const TDataSet& table);
// A text field's character count, 1 to 255; anything else is refused.
int CheckCharacterCount(std::string_view typed);
// Adds the field to the address table: the table is rebuilt with every row whatever its filter,
// its password kept, in network mode under its lock after a reload (waiting for a busy lock).
// False when the field exists already (another computer may have added it meanwhile).
bool AddUserField(TDataModule1& data, const std::filesystem::path& tableFile, const std::string& name,
                  TFieldType type, int size);

} // namespace kvz
