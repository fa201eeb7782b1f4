#include "addressbook/WabImport.h"

#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysInfo.h"

#include <cstdio>
#include <ctime>

namespace kvz {

namespace fs = std::filesystem;

namespace {

enum WabColumn {
    ColEntryId,
    ColObjectType,
    ColCompany,
    ColGivenName,
    ColSurname,
    ColBusinessPhone,
    ColHomePhone,
    ColMobile,
    ColFax,
    ColEmail,
    ColTitle,
    ColStreet,
    ColLocality,
    ColPostalCode,
    ColHomeStreet,
    ColHomeCity,
    ColHomePostalCode,
    ColComment,
    ColDepartment,
    ColOffice,
    ColPager,
    ColHomePage,
    ColSpouse,
};

constexpr int64_t kMailUser = 6;
constexpr int64_t kDistList = 8;
constexpr size_t kAddressPart = 60;

std::string Number(double value, int digits, const FormatSettings& settings) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    std::string text = buffer;
    if (const size_t dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, settings.DecimalSeparator);
    return text;
}

std::string LocalTimeText(uint64_t fileTime, const FormatSettings& settings) {
    constexpr int64_t kUnixEpochInFileTime = 11644473600LL; // seconds from 1601 to 1970
    const auto seconds =
        static_cast<time_t>(static_cast<int64_t>(fileTime / 10000000) - kUnixEpochInFileTime);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return {};
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date)) return {};
    TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0, time);
    return FormatDateTime("c", date + time, settings);
}

} // namespace

std::string WabPropToText(const WabPropValue& value, const FormatSettings& settings) {
    const auto type = static_cast<uint16_t>(value.Tag & 0xFFFF);
    switch (type) {
    case PT_I2:
        return std::to_string(static_cast<int16_t>(value.Integer));
    case PT_LONG:
        return std::to_string(static_cast<int32_t>(value.Integer));
    case PT_R4:
        return Number(value.Real, 7, settings);
    case PT_DOUBLE:
        return Number(value.Real, 15, settings);
    case PT_ERROR:
        return {};
    case PT_BOOLEAN:
        return std::to_string(static_cast<int16_t>(value.Integer));
    case PT_STRING8:
        return value.Bytes;
    case PT_SYSTIME:
        return LocalTimeText(value.FileTime, settings);
    case PT_BINARY: {
        char buffer[80];
        const auto& b = value.Bytes;
        if (b.size() == 4) {
            const uint32_t first = static_cast<unsigned char>(b[0]) | static_cast<unsigned char>(b[1]) << 8 |
                                   static_cast<unsigned char>(b[2]) << 16 |
                                   static_cast<uint32_t>(static_cast<unsigned char>(b[3])) << 24;
            std::snprintf(buffer, sizeof buffer, "[Binary - Size: %d bytes] (%.8x)", 4, first);
        } else {
            std::snprintf(buffer, sizeof buffer, "[Binary - Size: %d bytes]", static_cast<int>(b.size()));
        }
        return buffer;
    }
    default:
        break;
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "[Unknown type %x]", type);
    return buffer;
}

void UnavailableWabSource::Open(const fs::path& file) {
    static const ExchangeTexts kUnavailable{{"Windows Address Book files cannot be read on this system: \"",
                                             "Súbory Adresára Windows sa v tomto systéme nedajú čítať: \"",
                                             "Soubory Adresáře Windows nelze v tomto systému číst: \""}};
    throw FileError(kUnavailable() + file.string() + "\"", file, 0);
}

void FillWabAddress(TDataSet& row, const std::vector<WabPropValue>& columns, const FormatSettings& settings) {
    auto text = [&](WabColumn c) {
        return static_cast<size_t>(c) < columns.size()
                   ? WabPropToText(columns[static_cast<size_t>(c)], settings)
                   : std::string();
    };
    auto part = [&](WabColumn c) { return Utf8Left(text(c), kAddressPart); };
    const std::string company = text(ColCompany), given = text(ColGivenName), surname = text(ColSurname);
    std::string firma = company;
    if (firma.empty()) firma = !given.empty() ? given + "  " + surname : text(ColEmail);
    SetFieldText(row, "Firma", firma);
    SetFieldText(row, "Meno_Kr", given);
    SetFieldText(row, "Priezvisko", surname);
    SetFieldText(row, "Meno", given + " " + surname);
    SetFieldText(row, "User", "WAB");
    SetFieldText(row, "Telefon1", text(ColBusinessPhone));
    SetFieldText(row, "Telefon_P", text(ColHomePhone));
    SetFieldText(row, "Mobil", text(ColMobile));
    SetFieldText(row, "Fax", text(ColFax));
    SetFieldText(row, "E_Mail", text(ColEmail));
    SetFieldText(row, "Funkcia", text(ColTitle));
    // Each part is cut to 60 characters, so the lines stay within the lengths the envelopes
    // were laid out for; the last part is added whole.
    SetFieldText(row, "Adresa_1",
                 part(ColCompany) + "\n" + part(ColGivenName) + " " + part(ColSurname) + "\n" +
                     part(ColStreet) + "\n" + text(ColLocality) + "\n" + text(ColPostalCode));
    SetFieldText(row, "Mesto", text(ColLocality));
    SetFieldText(row, "Adresa_2",
                 part(ColGivenName) + " " + part(ColSurname) + "\n" + part(ColHomeStreet) + "\n" +
                     part(ColHomeCity) + "\n" + text(ColHomePostalCode));
    SetFieldText(row, "Poznamka", text(ColComment));
    SetFieldText(row, "Oddelenie", text(ColDepartment));
    SetFieldText(row, "Kancelaria", text(ColOffice));
    SetFieldText(row, "Pager", text(ColPager));
    SetFieldText(row, "WWW", text(ColHomePage));
    SetFieldText(row, "Partner", text(ColSpouse));
}

int ImportWabContacts(ExchangeContext& context, WabContactSource& source, const fs::path& file) {
    TVolgaTable* table = context.Data.AddressTable;
    if (!table) throw std::logic_error("The address table is not open");
    // Everything is read before the table is touched.
    source.Open(file);
    std::vector<std::vector<WabPropValue>> contacts;
    for (std::vector<WabPropValue> columns; source.NextRow(columns);) {
        const int64_t type = columns.size() > ColObjectType ? columns[ColObjectType].Integer : 0;
        if (type == kMailUser || type == kDistList) contacts.push_back(columns);
    }
    const FormatSettings settings = FormatSettings::ForLanguage(Language());
    int added = 0;
    RefreshingAfter(context, [&] {
        context.Locks().WriteSharedTable(
            *table, context.LockFile(TableId::Address), context.Frame.NetworkMode, kRecordCommandPoll, [&] {
                VisitAllRows(*table,
                             [](TDataSet& row) { return row.FieldByName("User").AsString() == "WAB"; });
                // Every contact is added, also one equal to an address of the user's own.
                RowAppender appender(*table, {"Number"});
                for (const auto& columns : contacts) {
                    appender.Add([&](TDataSet& row) { FillWabAddress(row, columns, settings); });
                    if (context.OnProgress) context.OnProgress(appender.Added());
                }
                added = appender.Added();
            });
    });
    return added;
}

fs::path DefaultWabFile() {
    return fs::path(GetSharedDocumentsFolder()) / "Application Data" / "Microsoft" / "Address Book" /
           "UserMPS.wab";
}

std::optional<int> ReadWabFile(ExchangeContext& context, WabContactSource& source,
                               const std::function<void(const std::string& message)>& showMessage,
                               const std::function<std::optional<fs::path>()>& pickFile) {
    try {
        return ImportWabContacts(context, source, DefaultWabFile());
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        showMessage(GetMessageText(MessageId::WabNotFound));
    }
    const std::optional<fs::path> picked = pickFile ? pickFile() : std::nullopt;
    if (!picked) return std::nullopt;
    return ImportWabContacts(context, source, *picked);
}

} // namespace kvz
