#include "engine/VolgaKinds.h"

namespace kvz {

namespace {

using S = TKindStore;
using O = TKindOrder;
using K = TVolgaFieldKind;

// In code order: the table is indexed by the kind.
const TVolgaKindInfo kKinds[] = {
    {"Unknown", 's', 0, S::None, O::None, false, ftUnknown},
    {"SmallInt", 'l', 2, S::Int16, O::Signed, true, ftSmallint},
    {"Integer", 'i', 4, S::Int32, O::Signed, true, ftInteger},
    {"Int64", 'e', 8, S::Int64, O::Signed, true, ftLargeint},
    {"Boolean", 'b', 2, S::Int16, O::Boolean, false, ftBoolean},
    {"Double", 'f', 8, S::Float, O::Float, true, ftFloat},
    {"Currency", 'c', 8, S::Float, O::Float, true, ftCurrency},
    {"Date", 'd', 4, S::Int32, O::Signed, false, ftDate},
    {"Time", 'v', 4, S::Int32, O::Signed, false, ftTime},
    {"DateTime", 't', 8, S::Float, O::Float, false, ftDateTime},
    {"AutoInc", 'a', 4, S::Int32, O::Signed, true, ftAutoInc},
    {"SmallStr", 's', 0, S::Text, O::Text, false, ftString},
    {"String", 's', 4, S::Counted, O::Text, false, ftString},
    {"BLOB", 'o', 8, S::Counted, O::None, false, ftBlob},
    {"Memo", 'm', 8, S::Counted, O::Text, false, ftMemo},
    {"FmtMemo", 'r', 8, S::Counted, O::Text, false, ftFmtMemo},
    {"Graphic", 'g', 8, S::Counted, O::None, false, ftGraphic},
};

} // namespace

const TVolgaKindInfo& KindInfo(TVolgaFieldKind kind) {
    const auto i = static_cast<size_t>(kind);
    return kKinds[i < std::size(kKinds) ? i : 0];
}

bool KindOfLetter(char letter, TVolgaFieldKind& kind) {
    if (letter == 's') {
        kind = K::String;
        return true;
    }
    for (size_t i = 1; i < std::size(kKinds); ++i) {
        if (kKinds[i].letter == letter && kKinds[i].letter != 's') {
            kind = static_cast<TVolgaFieldKind>(i);
            return true;
        }
    }
    return false;
}

TVolgaFieldKind StringKindForSize(int size) { return size <= kMaxSmallStrSize ? K::SmallStr : K::String; }

std::string TypeCodeOf(TVolgaFieldKind kind, int size) {
    if (kind == K::SmallStr)
        return std::string(1, size <= 9 ? static_cast<char>('0' + size) : static_cast<char>('A' + size - 10));
    if (kind == K::String) return "s" + std::to_string(size);
    return std::string(1, KindInfo(kind).letter);
}

TVolgaFieldKind KindOfFieldType(TFieldType type, int size) {
    if (type == ftString) return StringKindForSize(size);
    if (type == ftWord) return K::SmallInt;
    for (size_t i = 1; i < std::size(kKinds); ++i)
        if (kKinds[i].fieldType == type) return static_cast<TVolgaFieldKind>(i);
    return K::Unknown;
}

} // namespace kvz
