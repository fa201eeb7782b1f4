// The message catalogue: numbered texts in the program's language, and the small maps from a
// list position to a table field name that the sort, find and filter dialogs share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// The program's language: 1 English, 2 Slovak, 3 Czech (the settings load it).
int Language();
void SetLanguage(int language);

// The text of the program's language among an English, a Slovak and a Czech one (English for
// another language).
const char* InLanguage(const char* const (&texts)[3]);

// Sets text to message id in the language; any other language leaves text as it was, and a
// number outside the catalogue gives an empty text.
void GetMessageText(int id, std::string& text, int language);
void GetMessageText(int id, std::string& text);
// The message in the program's language; empty when there is none.
std::string GetMessageText(int id);
// The same for the notices (1 and 2).
void GetNoticeText(int id, std::string& text, int language);
void GetNoticeText(int id, std::string& text);

// The address field for a position of the list of choices: the sixteen standard fields, and
// above them the list's own text (the user-defined fields); a negative position (no selection)
// leaves fieldName as it was.
void AddressFieldByComboIndex(int itemIndex, std::string_view displayedText, std::string& fieldName);
void AddressFieldByRadioIndex(int itemIndex, const std::vector<std::string>& items, std::string& fieldName);
// The links field for positions 0 to 3; any other position leaves fieldName as it was.
void LinkFieldByComboIndex(int itemIndex, std::string& fieldName);

} // namespace kvz
