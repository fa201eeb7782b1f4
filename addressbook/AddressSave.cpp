#include "addressbook/AddressSave.h"

#include "addressbook/AddressLook.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "platform/data/DB.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/CodePage.h"

#include <cstdio>

namespace kvz {

namespace {

const AddressCopy* CopyOf(const AddressSaveRequest& request, std::string_view field) {
    for (const AddressCopy& c : request.Copies)
        if (!c.UserField && CompareTextUtf8(c.Field, field) == 0) return &c;
    return nullptr;
}

// Built-in text copies always write; user-field and date copies write what the user changed
// and what they hold, so that an untouched empty copy keeps a value another computer wrote.
bool Writes(const AddressCopy& c, const std::optional<TDateTime>& date) {
    switch (c.Kind) {
    case AddressCopy::ckText: return !c.UserField || c.Changed || !c.Text.empty();
    case AddressCopy::ckDate: return c.Changed || date.has_value();
    case AddressCopy::ckCheck: return true;
    case AddressCopy::ckPicture: return c.Changed;
    }
    return false;
}

void WriteCopy(TDataSet& table, const AddressCopy& c, const std::optional<TDateTime>& date) {
    TField* field = table.FindField(c.Field);
    if (!field || !Writes(c, date)) return;
    switch (c.Kind) {
    case AddressCopy::ckText:
    case AddressCopy::ckPicture:
        if (c.Text.empty()) field->Clear();
        else field->SetAsString(c.Text);
        break;
    case AddressCopy::ckDate:
        if (date) field->SetAsDateTime(*date);
        else field->Clear();
        break;
    case AddressCopy::ckCheck: field->SetAsBoolean(c.Checked); break;
    }
}

// A value the program derives from other fields is cut to its field: the user typed the
// fields it comes from, and those were taken whole.
void SetDerivedText(TDataSet& table, const char* name, const std::string& text) {
    TField& field = table.FieldByName(name);
    field.SetAsString(field.DataType() == ftString ? Utf8Left(text, static_cast<size_t>(field.Size())) : text);
}

// Thrown inside the change when the edited row differs from what the edit began with.
struct OtherChangeFound {};

const char* const kNotSavedTexts[] = {"The address was changed on another computer; nothing was saved.",
                                      "Adresu zmenili na inom počítači; nič sa neuložilo.",
                                      "Adresu změnili na jiném počítači; nic se neuložilo."};

} // namespace

std::string AddressRowValues(const TDataSet& table) {
    std::string values;
    for (const TField* field : table.Fields().List()) {
        values += field->IsNull() ? std::string("\x01") : field->AsString();
        values += '\x1f';
    }
    return values;
}

AddressChangeChoice AskAddressChange() {
    static const char* const kQuestion[] = {
        "This address was changed on another computer since you began to edit it.\n\n"
        "Yes: save your entry over the other change.\n"
        "No: drop your entry and show the address as it is now.\n"
        "Cancel: go back to editing; nothing is saved.",
        "Túto adresu medzitým zmenili na inom počítači.\n\n"
        "Áno: uložiť vaše zadanie namiesto tej zmeny.\n"
        "Nie: zahodiť vaše zadanie a ukázať adresu, ako je teraz.\n"
        "Zrušiť: vrátiť sa k úprave; nič sa neuloží.",
        "Tuto adresu mezitím změnili na jiném počítači.\n\n"
        "Ano: uložit vaše zadání místo té změny.\n"
        "Ne: zahodit vaše zadání a ukázat adresu, jak je teď.\n"
        "Storno: vrátit se k úpravě; nic se neuloží."};
    switch (ShowMessageBox(InLanguage(kQuestion), GetMessageText(MessageId::WarningCaption),
                           MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3)) {
    case IDYES: return AddressChangeChoice::Overwrite;
    case IDNO: return AddressChangeChoice::Reload;
    default: return AddressChangeChoice::KeepEditing;
    }
}

AddressChangedElsewhere::AddressChangedElsewhere(AddressChangeChoice choice)
    : std::runtime_error(InLanguage(kNotSavedTexts)), Choice(choice) {}

std::optional<TDateTime> ParseCopyDate(std::string_view text) {
    if (text.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
    int day = 0, month = 0, year = 0, used = 0;
    const std::string s(text);
    TDateTime date = 0;
    // Exactly day.month.year with four year digits, blanks around allowed.
    if (std::sscanf(s.c_str(), " %2d.%2d.%4d %n", &day, &month, &year, &used) == 3 &&
        used == static_cast<int>(s.size()) && s.find_last_of("0123456789") - s.find_last_of('.') == 4 &&
        TryEncodeDate(year, month, day, date))
        return date;
    static const char* const kBadDate[] = {"This is not a valid date: ", "Toto nie je platný dátum: ",
                                           "Toto není platné datum: "};
    DatabaseError(InLanguage(kBadDate) + s);
}

std::string FormatCopyDate(TDateTime date) {
    if (date == 0) return {};
    int y, m, d;
    DecodeDate(date, y, m, d);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", d, m, y);
    return buffer;
}

AddressSaveResult SaveAddressCopies(TVolgaTable& table, TTableLocks& locks, const std::filesystem::path& lockFile,
                                    bool networkMode, const AddressSaveRequest& request,
                                    const std::function<void(TDataSet&)>& reminders) {
    // Everything that can be refused is refused before the lock.
    std::vector<std::optional<TDateTime>> dates;
    dates.reserve(request.Copies.size());
    for (const AddressCopy& c : request.Copies)
        dates.push_back(c.Kind == AddressCopy::ckDate ? ParseCopyDate(c.Text) : std::nullopt);
    static const char* const kNoCode[] = {
        "This address has no record code and cannot be saved from here; nothing was changed.",
        "Táto adresa nemá kód záznamu a nedá sa tu uložiť; nič sa nezmenilo.",
        "Tato adresa nemá kód záznamu a nelze ji zde uložit; nic se nezměnilo."};
    if (!request.Insert && request.RecordCode.empty()) DatabaseError(InLanguage(kNoCode), &table);

    AddressSaveResult result;
    std::string begun = networkMode && !request.Insert ? request.Begun : std::string();
    const auto change = [&] {
        if (request.Insert) {
            table.Append();
            if (TField* number = table.FindField("Number"); number && number->AsString().empty())
                number->SetAsString(NewRecordKey());
        } else {
            LocateRecordCode(table, request.RecordCode);
            // Another computer's change of this address is never written over unasked.
            if (!begun.empty() && AddressRowValues(table) != begun) throw OtherChangeFound{};
            table.Edit();
        }
        if (request.Category)
            if (TField* f = table.FindField("Split_field")) f->SetAsString(*request.Category);
        for (size_t i = 0; i < request.Copies.size(); ++i) WriteCopy(table, request.Copies[i], dates[i]);
        auto text = [&](const char* field) {
            const AddressCopy* c = CopyOf(request, field);
            return c ? c->Text : table.FieldByName(field).AsString();
        };
        SetDerivedText(table, "Meno", FullName(text("Meno_Kr"), text("Priezvisko")));
        if (const AddressCopy* address = CopyOf(request, "Adresa_1"))
            SetDerivedText(table, "Mesto", CityOfAddress(address->Text));
        table.FieldByName("User").SetAsString(request.UserPrefix);
        table.Post();
        result.RecordCode = table.FieldByName("Number").AsString();
    };
    for (;;) {
        try {
            locks.WriteSharedTable(table, lockFile, networkMode, kEditorSavePoll, change);
            break;
        } catch (const OtherChangeFound&) {
            // Cancelled and unlocked: nobody waits on the question.
        }
        const AddressChangeChoice choice = request.OnOtherChange ? request.OnOtherChange() : AskAddressChange();
        if (choice != AddressChangeChoice::Overwrite) throw AddressChangedElsewhere(choice);
        // Over what is there now; a change made after this question is asked about again.
        LocateRecordCode(table, request.RecordCode);
        begun = AddressRowValues(table);
    }
    if (reminders) {
        try {
            LocateRecordCode(table, result.RecordCode);
            reminders(table);
        } catch (const std::exception& e) {
            result.ReminderError = e.what();
        }
    }
    return result;
}

ReminderState ReadReminderState(const TDataSet& table) {
    ReminderState s;
    auto flag = [&](const char* name) {
        const TField* f = table.FindField(name);
        return f && !f->IsNull() && f->AsBoolean();
    };
    auto date = [&](const char* name) {
        const TField* f = table.FindField(name);
        return f && !f->IsNull() ? f->AsDateTime() : 0.0;
    };
    s.RemindBirthday = flag("PripNar");
    s.RemindNameDay = flag("PripMen");
    s.Birthday = date("Narodeniny");
    s.NameDay = date("Meniny");
    return s;
}

} // namespace kvz
