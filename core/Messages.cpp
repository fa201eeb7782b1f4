#include "core/Messages.h"

#include "platform/forms/Forms.h"
#include "resources/MessageTable.h"

#include <array>

namespace kvz {

namespace {

int gLanguage = 2;
// The program starts in its default language, formats included.
[[maybe_unused]] const bool gFormatsFollowLanguage = (Application().SetFormats(FormatSettings::ForLanguage(gLanguage)), true);

constexpr std::array<const char*, 16> kAddressFields = {
    "Firma", "Meno_Kr", "Priezvisko", "Mesto", "Funkcia", "Telefon1", "Telefon2", "Telefon_P",
    "Mobil", "Fax",     "E_Mail",     "Ucet",  "Banka",   "Oddelenie", "Kancelaria", "Pager"};

constexpr std::array<const char*, 4> kLinkFields = {"Name", "Path", "Type", "Note"};

template <size_t Rows>
void LookUp(const char* const (&table)[Rows][3], int id, std::string& text, int language) {
    if (language < 1 || language > 3) return;
    text = id >= 1 && id < static_cast<int>(Rows) ? table[id][language - 1] : "";
}

} // namespace

int Language() { return gLanguage; }
void SetLanguage(int language) {
    gLanguage = language;
    // Date edits and calendars made from now on show the language's dates.
    Application().SetFormats(FormatSettings::ForLanguage(language));
}

const char* InLanguage(const char* const (&texts)[3]) {
    return texts[gLanguage >= 1 && gLanguage <= 3 ? gLanguage - 1 : 0];
}

void GetMessageText(int id, std::string& text, int language) { LookUp(kMessageTable, id, text, language); }
void GetMessageText(int id, std::string& text) { GetMessageText(id, text, gLanguage); }

std::string GetMessageText(int id) {
    std::string text;
    GetMessageText(id, text);
    return text;
}

void GetNoticeText(int id, std::string& text, int language) { LookUp(kNoticeTable, id, text, language); }
void GetNoticeText(int id, std::string& text) { GetNoticeText(id, text, gLanguage); }

void AddressFieldByComboIndex(int itemIndex, std::string_view displayedText, std::string& fieldName) {
    if (itemIndex < 0) return;
    fieldName = itemIndex < static_cast<int>(kAddressFields.size()) ? kAddressFields[static_cast<size_t>(itemIndex)]
                                                                      : std::string(displayedText);
}

void AddressFieldByRadioIndex(int itemIndex, const std::vector<std::string>& items, std::string& fieldName) {
    if (itemIndex < 0) return;
    if (itemIndex < static_cast<int>(kAddressFields.size()))
        fieldName = kAddressFields[static_cast<size_t>(itemIndex)];
    else if (itemIndex < static_cast<int>(items.size()))
        fieldName = items[static_cast<size_t>(itemIndex)];
}

void LinkFieldByComboIndex(int itemIndex, std::string& fieldName) {
    if (itemIndex >= 0 && itemIndex < static_cast<int>(kLinkFields.size()))
        fieldName = kLinkFields[static_cast<size_t>(itemIndex)];
}

} // namespace kvz
