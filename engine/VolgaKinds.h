// The field kinds of the table file, described once: their code in the field list, how many
// bytes a value takes in a row, how a value is stored and how two values compare.
#pragma once

#include "platform/data/DB.h"

#include <cstdint>
#include <string>

namespace kvz {

enum class TVolgaFieldKind : uint8_t {
    Unknown = 0,
    SmallInt = 1,
    Integer = 2,
    Int64 = 3,
    Boolean = 4,
    Double = 5,
    Currency = 6,
    Date = 7,     // days since 1 January of year 1, day 1 being that date
    Time = 8,     // milliseconds since midnight
    DateTime = 9, // milliseconds since 1 January of year 1 as a double
    AutoInc = 10,
    SmallStr = 11,
    String = 12,
    BLOB = 13,
    Memo = 14,
    FmtMemo = 15,
    Graphic = 16,
};

// How a value sits in a stored row: fixed-size values as little-endian bytes, SmallStr as its
// characters, the others as a 32-bit count followed by that many bytes.
enum class TKindStore : uint8_t { None, Int16, Int32, Int64, Float, Text, Counted };
// How two values of the kind compare.
enum class TKindOrder : uint8_t { None, Signed, Boolean, Float, Text };

struct TVolgaKindInfo {
    const char* name;
    char letter;       // type code in the field list; SmallStr uses its size, String "s" + size
    uint8_t valueSize; // bytes of a value in a decoded row; SmallStr: size + 1
    TKindStore store;
    TKindOrder order;
    bool numeric;      // shown right-aligned, and as a key compared by length first
    TFieldType fieldType;
};

const TVolgaKindInfo& KindInfo(TVolgaFieldKind kind);
// The kind names in code order, as the engine's kind-name table has them.
inline const char* KindName(TVolgaFieldKind kind) { return KindInfo(kind).name; }
// Kinds whose value lives outside the row's fixed part: a text or bytes with their count.
constexpr bool IsPointerKind(TVolgaFieldKind k) { return k >= TVolgaFieldKind::String; }
constexpr bool IsTextKind(TVolgaFieldKind k) {
    return k == TVolgaFieldKind::SmallStr || k == TVolgaFieldKind::String || k == TVolgaFieldKind::Memo ||
           k == TVolgaFieldKind::FmtMemo;
}
// The kind of a type code letter other than a SmallStr size; false for an unknown letter.
bool KindOfLetter(char letter, TVolgaFieldKind& kind);
// The file's type code of a kind; SmallStr by its size ("1"-"9", "A"-"Z"), String "s" + size.
std::string TypeCodeOf(TVolgaFieldKind kind, int size);
// The kind of a string field of that size: SmallStr up to 35 characters, String above.
TVolgaFieldKind StringKindForSize(int size);
// The framework's field type of a kind, and the kind of a field type and size.
inline TFieldType FieldTypeOfKind(TVolgaFieldKind kind) { return KindInfo(kind).fieldType; }
TVolgaFieldKind KindOfFieldType(TFieldType type, int size);

constexpr int kMaxSmallStrSize = 35;

} // namespace kvz
