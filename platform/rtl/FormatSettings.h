// How text meets numbers and dates for one language; passed where needed, never global.
#pragma once

#include <array>
#include <string>

namespace kvz {

struct FormatSettings {
    std::string DateSeparator = "/";
    std::string TimeSeparator = ":";
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongDateFormat = "dddd, d mmmm yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ",";
    std::string CurrencyString = "\xE2\x82\xAC"; // euro sign
    int CurrencyFormat = 3;                      // "1 €"
    int NegCurrFormat = 8;                       // "-1 €"
    int CurrencyDecimals = 2;
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 12> LongMonthNames;
    std::array<std::string, 7> ShortDayNames; // index 0 is Sunday
    std::array<std::string, 7> LongDayNames;
    int TwoDigitYearCenturyWindow = 50;
    // A yes/no value as shown to the reader.
    std::string TrueText = "True";
    std::string FalseText = "False";

    // 1 English, 2 Slovak, 3 Czech; any other value gives English.
    static FormatSettings ForLanguage(int language);
};

} // namespace kvz
