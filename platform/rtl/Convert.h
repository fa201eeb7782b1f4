// Text to numbers, dates and times by the language's settings, as the class library's
// conversions did it; false when the text is no such value.
#pragma once

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <string_view>

namespace kvz {

struct FormatSettings;

// Decimal with an optional sign, or hexadecimal after "$" or "0x".
bool TryStrToInt64(std::string_view text, int64_t& out);
bool TryStrToInt(std::string_view text, int32_t& out);
// Digits with the decimal separator of the settings and an optional exponent.
bool TryStrToFloat(std::string_view text, double& out, const FormatSettings& fs);
// Two or three numbers in the order of the short date format, separated by the date
// separator; a missing year is this year, a two-digit year the nearest one in the century
// window around today.
bool TryStrToDate(std::string_view text, TDateTime& out, const FormatSettings& fs);
// Hours and minutes, optional seconds and milliseconds, by the time separator, with an
// optional AM/PM.
bool TryStrToTime(std::string_view text, TDateTime& out, const FormatSettings& fs);
// A date, optionally followed by a blank and a time; or a time alone.
bool TryStrToDateTime(std::string_view text, TDateTime& out, const FormatSettings& fs);

} // namespace kvz
