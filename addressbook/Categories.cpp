#include "addressbook/Categories.h"

#include "addressbook/Exchange.h"
#include "core/Messages.h"
#include "platform/rtl/CodePage.h"

namespace kvz {

namespace {

constexpr int kFixedMessages[] = {MessageId::AllAddresses, MessageId::Work, MessageId::Private};

} // namespace

int CategoryItemFor(std::vector<std::string>& items, const std::string& stored) {
    if (stored.empty()) return 0;
    if (stored == kWorkCategory) return 1;
    if (stored == kPrivateCategory) return 2;
    for (size_t i = 3; i < items.size(); ++i)
        if (items[i] == stored) return static_cast<int>(i);
    items.push_back(stored);
    return static_cast<int>(items.size()) - 1;
}

std::optional<std::string> CategoryNamesError(const std::array<std::string, kUserCategoryCount>& names) {
    std::vector<std::string> seen;
    for (int message : kFixedMessages)
        for (int language = 1; language <= 3; ++language) {
            std::string text;
            GetMessageText(message, text, language);
            seen.push_back(Utf8Upper(text));
        }
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (Utf8Length(name) > kCategoryNameLength)
            return ExchangeTexts{{"A category name may have at most 20 characters: ",
                                  "Názov kategórie môže mať najviac 20 znakov: ",
                                  "Název kategorie může mít nejvýše 20 znaků: "}}() +
                   name;
        // The name goes into the settings file and into the address table as it stands.
        std::string stored;
        if (!TryUtf8ToCodePage(name, DataCodePage(), stored))
            return ExchangeTexts{{"This category name holds a character that cannot be stored: ",
                                  "Tento názov kategórie obsahuje znak, ktorý nemožno uložiť: ",
                                  "Tento název kategorie obsahuje znak, který nelze uložit: "}}() +
                   name;
        const std::string key = Utf8Upper(name);
        for (const std::string& other : seen)
            if (other == key)
                return ExchangeTexts{{"This category name is already used: ", "Tento názov kategórie sa už používa: ",
                                      "Tento název kategorie se již používá: "}}() +
                       name;
        seen.push_back(key);
    }
    return std::nullopt;
}

} // namespace kvz
