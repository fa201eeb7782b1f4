#include "addressbook/UserFields.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "engine/VolgaBytes.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <array>

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kLayoutCodePage = 1250;
constexpr size_t kKindAt = 0, kNameAt = 4, kLeftAt = 56, kTopAt = 60, kHeightAt = 64, kWidthAt = 68,
                 kDataFieldAt = 72, kCaptionAt = 123;

void PutString(std::string& record, size_t at, std::string_view utf8) {
    const std::string bytes = Utf8ToCodePage(Utf8Left(utf8, kUserFieldStringLength), kLayoutCodePage);
    record[at] = static_cast<char>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), record.begin() + static_cast<long>(at + 1));
}

std::string GetString(std::string_view record, size_t at) {
    const size_t length = std::min<size_t>(static_cast<unsigned char>(record[at]), kUserFieldStringLength);
    return CodePageToUtf8(record.substr(at + 1, length), kLayoutCodePage);
}

struct KindPrefix {
    int32_t Kind;
    const char* Prefix;
};
// In the order of the layout file.
constexpr std::array<KindPrefix, 6> kKinds = {{{ukEdit, "UserDBEdit"},
                                               {ukLabel, "UserLabel"},
                                               {ukMemo, "UserMemo"},
                                               {ukDateEdit, "UserDateEdit"},
                                               {ukCheckBox, "UserDBCheckBox"},
                                               {ukImage, "UserDBImage"}}};

} // namespace

std::string EncodeUserFieldRec(const TUserFieldRec& rec) {
    std::string record(kUserFieldRecSize, '\0');
    WriteLE<int32_t>(record.data() + kKindAt, rec.Kind);
    PutString(record, kNameAt, rec.Name);
    WriteLE<int32_t>(record.data() + kLeftAt, rec.Left);
    WriteLE<int32_t>(record.data() + kTopAt, rec.Top);
    WriteLE<int32_t>(record.data() + kHeightAt, rec.Height);
    WriteLE<int32_t>(record.data() + kWidthAt, rec.Width);
    PutString(record, kDataFieldAt, rec.DataField);
    PutString(record, kCaptionAt, rec.Caption);
    return record;
}

TUserFieldRec DecodeUserFieldRec(std::string_view bytes) {
    TUserFieldRec rec;
    rec.Kind = ReadLE<int32_t>(bytes.data() + kKindAt);
    rec.Name = GetString(bytes, kNameAt);
    rec.Left = ReadLE<int32_t>(bytes.data() + kLeftAt);
    rec.Top = ReadLE<int32_t>(bytes.data() + kTopAt);
    rec.Height = ReadLE<int32_t>(bytes.data() + kHeightAt);
    rec.Width = ReadLE<int32_t>(bytes.data() + kWidthAt);
    rec.DataField = GetString(bytes, kDataFieldAt);
    rec.Caption = GetString(bytes, kCaptionAt);
    return rec;
}

namespace {

// Places and sizes on the page that a control can have: a layout of any screen fits.
constexpr int32_t kMaxPlace = 10000;

// Whether a record can be a control of the layout: a known kind, a name of that kind's
// controls not taken by an earlier record, a place and a size on the page.
bool PossibleRecord(const TUserFieldRec& rec, const std::vector<TUserFieldRec>& taken) {
    const std::string_view prefix = UserControlPrefix(rec.Kind);
    if (prefix.empty() || UserControlNumber(rec.Name, prefix) < 0) return false;
    for (int32_t place : {rec.Left, rec.Top})
        if (place < -kMaxPlace || place > kMaxPlace) return false;
    if (rec.Kind != ukLabel)
        for (int32_t size : {rec.Height, rec.Width})
            if (size < 0 || size > kMaxPlace) return false;
    return std::none_of(taken.begin(), taken.end(), [&](const TUserFieldRec& t) { return t.Name == rec.Name; });
}

} // namespace

std::vector<TUserFieldRec> ReadUserFieldFile(const fs::path& file) {
    std::vector<TUserFieldRec> records;
    if (CheckPath(file) == PathState::Absent) return records;
    const std::string content = ReadWholeFile(file);
    size_t refused = 0;
    for (size_t at = 0; at + kUserFieldRecSize <= content.size(); at += kUserFieldRecSize) {
        TUserFieldRec rec = DecodeUserFieldRec(std::string_view(content).substr(at, kUserFieldRecSize));
        if (PossibleRecord(rec, records))
            records.push_back(std::move(rec));
        else
            ++refused;
    }
    if (content.size() % kUserFieldRecSize != 0) ++refused;
    if (refused > 0) {
        static const char* const kTexts[] = {
            "The layout file of the user fields is damaged; records that cannot be controls were left out: ",
            "Súbor rozloženia užívateľských polí je poškodený; záznamy, ktoré nemôžu byť prvkami, sa vynechali: ",
            "Soubor rozložení uživatelských polí je poškozený; záznamy, které nemohou být prvky, byly vynechány: "};
        HandleApplicationException(std::make_exception_ptr(
            FileError(InLanguage(kTexts) + std::to_string(refused) + " (" + file.string() + ")", file, 0)));
    }
    return records;
}

void WriteUserFieldFile(const fs::path& file, const std::vector<TUserFieldRec>& records) {
    std::string content;
    content.reserve(records.size() * kUserFieldRecSize);
    for (const TUserFieldRec& rec : records) content += EncodeUserFieldRec(rec);
    WriteFileDurably(file, content);
}

void SortForLayoutFile(std::vector<TUserFieldRec>& records) {
    auto rank = [](int32_t kind) {
        for (size_t i = 0; i < kKinds.size(); ++i)
            if (kKinds[i].Kind == kind) return static_cast<int>(i);
        return static_cast<int>(kKinds.size());
    };
    std::stable_sort(records.begin(), records.end(), [&](const TUserFieldRec& a, const TUserFieldRec& b) {
        if (rank(a.Kind) != rank(b.Kind)) return rank(a.Kind) < rank(b.Kind);
        const std::string_view prefix = UserControlPrefix(a.Kind);
        return UserControlNumber(a.Name, prefix) < UserControlNumber(b.Name, prefix);
    });
}

std::string_view UserControlPrefix(int32_t kind) {
    for (const KindPrefix& k : kKinds)
        if (k.Kind == kind) return k.Prefix;
    return {};
}

long UserControlNumber(std::string_view name, std::string_view prefix) {
    if (prefix.empty() || name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return -1;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stol(std::string(digits));
}

std::string NextUserControlName(int32_t kind, const std::vector<std::string>& existingNames) {
    const std::string_view prefix = UserControlPrefix(kind);
    long highest = 0;
    for (const std::string& name : existingNames) highest = std::max(highest, UserControlNumber(name, prefix));
    return std::string(prefix) + std::to_string(highest + 1);
}

TFieldType UserFieldType(int typeIndex) {
    static constexpr TFieldType kTypes[] = {ftString, ftMemo, ftDate, ftBoolean, ftGraphic};
    return typeIndex >= 0 && typeIndex < 5 ? kTypes[typeIndex] : ftString;
}

int UserFieldTypeIndex(TFieldType type) {
    for (int i = 0; i < 5; ++i)
        if (UserFieldType(i) == type) return i;
    return -1;
}

std::string AddressFieldByPickerIndex(int index, const std::string& itemText) {
    static const char* const kPicker[17] = {"Firma",    "Meno_Kr",  "Priezvisko", "Funkcia",   "Mesto", "Adresa_1",
                                            "Adresa_2", "Telefon1", "Telefon2",   "Telefon_P", "Mobil", "Fax",
                                            "Ucet",     "Banka",    "E_Mail",     "WWW",       "Poznamka"};
    return index >= 0 && index < 17 ? kPicker[index] : itemText;
}

std::string CheckNewFieldName(std::string_view typed, const TDataSet& table) {
    std::string name;
    for (const char c : typed)
        if (c != ' ') name += c;
    static const char* const kEmpty[] = {"Type the name of the new item.", "Napíšte názov novej položky.",
                                         "Napište název nové položky."};
    static const char* const kNotIdentifier[] = {
        "The name of an item may hold letters, digits and \"_\" and must begin with a letter: ",
        "Názov položky smie obsahovať písmená, číslice a \"_\" a musí začínať písmenom: ",
        "Název položky smí obsahovat písmena, číslice a \"_\" a musí začínat písmenem: "};
    static const char* const kNotInCodePage[] = {
        "The name of an item holds a character that the address table cannot store: ",
        "Názov položky obsahuje znak, ktorý tabuľka adries nedokáže uložiť: ",
        "Název položky obsahuje znak, který tabulka adres nedokáže uložit: "};
    static const char* const kTooLong[] = {"The name of an item may have at most 10 characters: ",
                                           "Názov položky smie mať najviac 10 znakov: ",
                                           "Název položky smí mít nejvýše 10 znaků: "};
    if (name.empty()) DatabaseError(InLanguage(kEmpty));
    // The table keeps its field names in the data code page, so its letters are the letters.
    std::string bytes;
    if (!TryUtf8ToCodePage(name, DataCodePage(), bytes)) DatabaseError(InLanguage(kNotInCodePage) + name);
    const CodePageTables& tables = CodePageTablesFor(DataCodePage());
    auto letter = [&](char c) { return (tables.charType[static_cast<unsigned char>(c)] & ctAlpha) != 0; };
    const bool identifier = letter(bytes.front()) && std::all_of(bytes.begin(), bytes.end(), [&](char c) {
                                return letter(c) || (c >= '0' && c <= '9') || c == '_';
                            });
    if (!identifier) DatabaseError(InLanguage(kNotIdentifier) + name);
    // The dBASE export keeps ten characters of a name.
    if (Utf8Length(name) > 10) DatabaseError(InLanguage(kTooLong) + name);
    if (table.FieldDefs().Find(name))
        DatabaseError(GetMessageText(MessageId::DataField) + " " + name + " " + GetMessageText(MessageId::AlreadyExists));
    return name;
}

int CheckCharacterCount(std::string_view typed) {
    int count = 0;
    bool digits = !typed.empty() && typed.size() <= 3;
    for (const char c : typed) {
        if (c < '0' || c > '9') digits = false;
        else count = count * 10 + (c - '0');
    }
    static const char* const kBadCount[] = {"The character count must be a number from 1 to 255.",
                                            "Počet znakov musí byť číslo od 1 do 255.",
                                            "Počet znaků musí být číslo od 1 do 255."};
    if (!digits || count < 1 || count > 255) DatabaseError(InLanguage(kBadCount));
    return count;
}

bool AddUserField(TDataModule1& data, const fs::path& tableFile, const std::string& name, TFieldType type, int size) {
    return data.AddMissingFields(TableId::Address, tableFile, {{name.c_str(), type, type == ftString ? size : 0}});
}

} // namespace kvz
