#include "platform/rtl/FormatSettings.h"

namespace kvz {

FormatSettings FormatSettings::ForLanguage(int language) {
    FormatSettings fs;
    if (language == 2 || language == 3) {
        fs.DateSeparator = ".";
        fs.ShortDateFormat = "d.m.yyyy";
        fs.LongDateFormat = "d. mmmm yyyy";
        fs.ShortTimeFormat = "h:nn";
        fs.LongTimeFormat = "h:nn:ss";
        fs.DecimalSeparator = ",";
        fs.ThousandSeparator = "\xC2\xA0"; // no-break space
    }
    if (language == 2) {
        fs.TrueText = "Áno";
        fs.FalseText = "Nie";
        fs.CurrencyString = "\xE2\x82\xAC";
        fs.ShortMonthNames = {"jan", "feb", "mar", "apr", "máj", "jún", "júl", "aug", "sep", "okt", "nov", "dec"};
        fs.LongMonthNames = {"január", "február", "marec",     "apríl",   "máj",      "jún",
                             "júl",    "august",  "september", "október", "november", "december"};
        fs.ShortDayNames = {"ne", "po", "ut", "st", "št", "pi", "so"};
        fs.LongDayNames = {"nedeľa", "pondelok", "utorok", "streda", "štvrtok", "piatok", "sobota"};
    } else if (language == 3) {
        fs.TrueText = "Ano";
        fs.FalseText = "Ne";
        fs.CurrencyString = "Kč";
        fs.ShortMonthNames = {"led", "úno", "bře", "dub", "kvě", "čvn", "čvc", "srp", "zář", "říj", "lis", "pro"};
        fs.LongMonthNames = {"leden",    "únor",  "březen", "duben", "květen",   "červen",
                             "červenec", "srpen", "září",   "říjen", "listopad", "prosinec"};
        fs.ShortDayNames = {"ne", "po", "út", "st", "čt", "pá", "so"};
        fs.LongDayNames = {"neděle", "pondělí", "úterý", "středa", "čtvrtek", "pátek", "sobota"};
    } else {
        fs.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        fs.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November", "December"};
        fs.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        fs.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    }
    return fs;
}

} // namespace kvz
