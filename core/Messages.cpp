#include "core/Messages.h"

#include "platform/forms/Forms.h"
#include "resources/MessageTable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <array>
#include <iostream>
#include <memory>
#include <utility>

namespace kvz {

namespace {

int gLanguage = 2;
// The program starts in its default language, formats included.
[[maybe_unused]] const bool gFormatsFollowLanguage = (Application().SetFormats(FormatSettings::ForLanguage(gLanguage)), true);
// The form layer's own texts and the system's error texts reach the user in his language.
[[maybe_unused]] const bool gSystemTextsFollowLanguage =
    (Application().OnUserText = [](const std::string& text) { return SystemTextInLanguage(text, gLanguage); }, true);

constexpr std::array<const char*, 16> kAddressFields = {
    "Firma", "Meno_Kr", "Priezvisko", "Mesto", "Funkcia", "Telefon1", "Telefon2", "Telefon_P",
    "Mobil", "Fax",     "E_Mail",     "Ucet",  "Banka",   "Oddelenie", "Kancelaria", "Pager"};

constexpr std::array<const char*, 4> kLinkFields = {"Name", "Path", "Type", "Note"};

// The system's texts the catalogue holds in the three languages.
bool IsSystemText(int id) {
    return (id >= MessageId::DeleteRecordQuestion && id <= MessageId::ErrorTitle) ||
           (id >= MessageId::ColorNames && id < MessageId::ColorNamesEnd);
}

bool IsPlaceholder(std::string_view pattern, size_t at) {
    return at + 1 < pattern.size() && pattern[at] == '%' &&
           ((pattern[at + 1] >= '1' && pattern[at + 1] <= '9') || pattern[at + 1] == 'm');
}

size_t NextPlaceholder(std::string_view pattern) {
    for (size_t at = 0; at < pattern.size(); ++at)
        if (IsPlaceholder(pattern, at)) return at;
    return std::string_view::npos;
}

using Parts = std::vector<std::pair<char, std::string>>;

// Whether the text reads as the pattern: its literal parts in order, each placeholder standing
// for any text (found into parts, by the placeholder's name).
bool Matches(std::string_view pattern, std::string_view text, Parts& parts) {
    const size_t at = NextPlaceholder(pattern);
    if (at == std::string_view::npos) return pattern == text;
    if (text.substr(0, at) != pattern.substr(0, at)) return false;
    const char name = pattern[at + 1];
    const std::string_view restPattern = pattern.substr(at + 2), restText = text.substr(at);
    for (size_t length = restPattern.empty() ? restText.size() : 0; length <= restText.size(); ++length) {
        parts.emplace_back(name, std::string(restText.substr(0, length)));
        if (Matches(restPattern, restText.substr(length), parts)) return true;
        parts.pop_back();
    }
    return false;
}

std::string Filled(std::string_view pattern, const Parts& parts, int language) {
    std::string text;
    for (size_t at = 0; at < pattern.size(); ++at) {
        if (!IsPlaceholder(pattern, at)) {
            text += pattern[at];
            continue;
        }
        const char name = pattern[++at];
        for (const auto& [part, value] : parts)
            if (part == name) text += name == 'm' ? SystemTextInLanguage(value, language) : value;
    }
    return text;
}

// Qt's translation of a language. Qt asks for the texts of the standard buttons (Yes, No,
// Cancel) under "QPlatformTheme"; a translation made for older Qt (Debian's Slovak one) keeps
// them under "QDialogButtonBox", where they are found then.
class QtTranslation : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
        QString text = QTranslator::translate(context, source, disambiguation, n);
        if (text.isEmpty() && context && qstrcmp(context, "QPlatformTheme") == 0)
            text = QTranslator::translate("QDialogButtonBox", source, disambiguation, n);
        return text;
    }
};

template <size_t Rows>
void LookUp(const char* const (&table)[Rows][3], int id, std::string& text, int language) {
    if (language < 1 || language > 3) return;
    text = id >= 1 && id < static_cast<int>(Rows) ? table[id][language - 1] : "";
}

} // namespace

int Language() { return gLanguage; }
void SetLanguage(int language) {
    gLanguage = language;
    LoadQtTexts(language);
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

std::string SystemTextInLanguage(const std::string& text, int language) {
    if (language < 2 || language > 3 || text.empty()) return text;
    for (int id = 1; id <= kMessageCount; ++id) {
        if (!IsSystemText(id)) continue;
        Parts parts;
        if (Matches(kMessageTable[id][0], text, parts)) return Filled(kMessageTable[id][language - 1], parts, language);
    }
    return text;
}

bool LoadQtTexts(int language) {
    // Each language's translation is read once; changing the language swaps them.
    static std::unique_ptr<QtTranslation> translators[2];
    static QTranslator* installed = nullptr;
    if (!QCoreApplication::instance()) return false;
    if (installed) QCoreApplication::removeTranslator(std::exchange(installed, nullptr));
    if (language != 2 && language != 3) return true;
    std::unique_ptr<QtTranslation>& translator = translators[language - 2];
    if (!translator) {
        const char* code = language == 2 ? "sk" : "cs";
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        auto loaded = std::make_unique<QtTranslation>();
        if (!loaded->load(QStringLiteral("qtbase_") + code, folder)) {
            static bool told = false;
            if (!std::exchange(told, true))
                std::cerr << "KV-Zirt: Qt's translations (qtbase_" << code << ".qm) are missing from "
                          << folder.toStdString() << "; Qt's own dialogs stay English.\n";
            return false;
        }
        translator = std::move(loaded);
    }
    QCoreApplication::installTranslator(translator.get());
    installed = translator.get();
    return true;
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
