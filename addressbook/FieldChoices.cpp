#include "addressbook/FieldChoices.h"

#include "core/Data1.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "platform/data/DB.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>

namespace kvz {

namespace {

constexpr size_t kLabelLength = 20;

// The message of each fixed address choice, in list order.
constexpr int kAddressMessages[kFixedSortChoices] = {
    MessageId::Name, MessageId::FirstName, MessageId::Surname, MessageId::City, MessageId::Function, MessageId::Phone1,
    MessageId::Phone2, MessageId::HomePhone, MessageId::Mobil, MessageId::Fax, MessageId::Mail, MessageId::Account,
    MessageId::Bank, MessageId::Department, MessageId::Office, MessageId::Pager};
constexpr int kLinkMessages[] = {MessageId::Name, MessageId::Path, MessageId::FileType, MessageId::Note};

bool SameName(const std::string& a, const std::string& b) { return Utf8Upper(a) == Utf8Upper(b); }

// Fields of the program's own schema that lie past the first 31 (record codes of the reminder
// tasks, the category) are no user fields to sort or search by.
bool InAddressSchema(const std::string& name) {
    for (const SchemaField& f : TableSchema(TableId::Address))
        if (SameName(f.Name, name)) return true;
    return false;
}

} // namespace

std::vector<FieldChoice> AddressFieldChoices(const TDataSet& table, int fixedCount) {
    std::vector<FieldChoice> choices;
    for (int i = 0; i < std::min(fixedCount, kFixedSortChoices); ++i) {
        FieldChoice choice{GetMessageText(kAddressMessages[i]), ""};
        AddressFieldByComboIndex(i, "", choice.Field);
        choices.push_back(std::move(choice));
    }
    for (int i = kFirstUserFieldPosition; i < table.FieldCount(); ++i) {
        const TField& field = table.Fields()[i];
        if (!field.IsBlob() && !InAddressSchema(field.FieldName()))
            choices.push_back({field.FieldName(), field.FieldName()});
    }
    return choices;
}

std::vector<FieldChoice> LinkFieldChoices() {
    std::vector<FieldChoice> choices;
    for (int i = 0; i < 4; ++i) {
        FieldChoice choice{GetMessageText(kLinkMessages[i]), ""};
        LinkFieldByComboIndex(i, choice.Field);
        choices.push_back(std::move(choice));
    }
    return choices;
}

std::vector<std::string> Captions(const std::vector<FieldChoice>& choices) {
    std::vector<std::string> captions;
    for (const FieldChoice& c : choices) captions.push_back(c.Caption);
    return captions;
}

int ChoiceIndex(const std::vector<FieldChoice>& choices, const std::string& field) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (SameName(choices[i].Field, field)) return static_cast<int>(i);
    return -1;
}

std::string CheckedSortField(const TDataSet& table, const std::string& stored) {
    const std::vector<FieldChoice> choices = AddressFieldChoices(table, kFixedSortChoices);
    const int index = ChoiceIndex(choices, stored);
    return index >= 0 ? choices[static_cast<size_t>(index)].Field : kDefaultSortField;
}

int StoredSortChoice(const std::vector<FieldChoice>& choices, const SettingsStore& settings) {
    const int byName = ChoiceIndex(choices, settings.NastaveniaText[TextSlot::AddressSortField]);
    if (byName >= 0) return byName;
    const int index = settings.Nastavenia[Slot::AddressSortIndex];
    if (index >= 0 && index < static_cast<int>(choices.size())) return index;
    return choices.empty() ? -1 : 0;
}

void StoreSortChoice(const std::vector<FieldChoice>& choices, int index, SettingsStore& settings) {
    if (index < 0 || index >= static_cast<int>(choices.size())) return;
    settings.Nastavenia[Slot::AddressSortIndex] = index;
    settings.NastaveniaText[TextSlot::AddressSortField] = choices[static_cast<size_t>(index)].Field;
}

std::string SortFieldCaption(const TDataSet& table, const std::string& field) {
    const std::vector<FieldChoice> choices = AddressFieldChoices(table, kFixedSortChoices);
    const int index = ChoiceIndex(choices, field);
    return Utf8Left(index >= 0 ? choices[static_cast<size_t>(index)].Caption : field, kLabelLength);
}

} // namespace kvz
