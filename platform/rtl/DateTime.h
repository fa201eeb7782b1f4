// Date-times as the class library had them: days since 30 December 1899 in a double, the
// fraction being the time of day; and the engine's stored forms of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvz {

struct FormatSettings;

using TDateTime = double;

constexpr int32_t kMSecsPerDay = 86400000;
constexpr int32_t kDateDelta = 693594; // days from 1 January of year 1 (day 1) to 30 December 1899

// The engine's split form: Date counts days with 1 January of year 1 as day 1, Time is
// milliseconds since midnight.
struct TTimeStamp {
    int32_t Time = 0;
    int32_t Date = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
TDateTime EncodeDate(int year, int month, int day); // throws std::invalid_argument
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
TDateTime EncodeTime(int hour, int min, int sec, int msec); // throws std::invalid_argument
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
// 1 Sunday to 7 Saturday.
int DayOfWeek(TDateTime dt);
TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);

TTimeStamp DateTimeToTimeStamp(TDateTime dt);
TDateTime TimeStampToDateTime(const TTimeStamp& ts);
// The engine's date-time value: day number times 86,400,000 plus milliseconds.
double TimeStampToMSecs(const TTimeStamp& ts);
TTimeStamp MSecsToTimeStamp(double msecs);
inline double DateTimeToMSecs(TDateTime dt) { return TimeStampToMSecs(DateTimeToTimeStamp(dt)); }
inline TDateTime MSecsToDateTime(double msecs) { return TimeStampToDateTime(MSecsToTimeStamp(msecs)); }

// The class library's date-time format strings: d dd ddd dddd ddddd dddddd m mm mmm mmmm
// yy yyyy h hh n nn s ss z zzz t tt c am/pm a/p ampm, "/" and ":" as the separators of the
// settings, and quoted text.
std::string FormatDateTime(std::string_view format, TDateTime dt, const FormatSettings& fs);
// Number format strings: "0", "#", ".", ",", "E+"/"E-" and quoted text, sections by ";".
std::string FormatFloat(std::string_view format, double value, const FormatSettings& fs);

} // namespace kvz
