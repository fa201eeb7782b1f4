// How a value of each field kind is read into the dataset, stored from it and shown as text:
// the stored bytes are those FieldBytes and ValueBytes give.
#pragma once

#include "engine/VolgaCursor.h"
#include "platform/data/Variant.h"

#include <string>
#include <string_view>

namespace kvz {

// What FieldText gives where no text applies.
extern const std::string kNotFound;

// A stored value as the dataset sees it; false for a value it shows as null (an empty text or
// object, a zero date or date-time, a zero Int64). Texts are cut to limit bytes and brought
// out of the code page.
bool VariantOfValue(const TVolgaField& f, std::string_view bytes, size_t limit, int codePage, Variant& value);
// Whether VariantOfValue finds no value in the stored bytes.
bool ValueIsNull(const TVolgaField& f, std::string_view bytes);
// A dataset value stored as the field keeps it; false when a text does not convert.
bool StoreVariant(const TVolgaField& f, TVolgaRowBuffer& b, const Variant& value, const FormatSettings& fs, int codePage);
// The value as text in the code page, in the settings' forms or the fixed ones; "Not Found"
// for objects.
std::string TextOfValue(const TVolgaField& f, std::string_view bytes, const FormatSettings& fs, bool fixedFormat,
                        int codePage);

} // namespace kvz
