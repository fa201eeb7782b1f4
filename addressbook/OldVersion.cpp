#include "addressbook/OldVersion.h"

#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysInfo.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace kvz {

namespace fs = std::filesystem;

namespace {

const ExchangeTexts kMissingFile{{"The file \"%s\" of version 2.1 was not found.",
                                  "Súbor \"%s\" verzie 2.1 sa nenašiel.",
                                  "Soubor \"%s\" verze 2.1 nebyl nalezen."}};
const ExchangeTexts kDamagedFile{{"The file \"%s\" of version 2.1 is damaged; nothing was imported from it.",
                                  "Súbor \"%s\" verzie 2.1 je poškodený, nič sa z neho nenačítalo.",
                                  "Soubor \"%s\" verze 2.1 je poškozený, nic se z něj nenačetlo."}};

std::string FileText(const ExchangeTexts& texts, const fs::path& file) {
    std::string text = texts();
    text.replace(text.find("%s"), 2, file.filename().string());
    return text;
}

[[noreturn]] void Refuse(const ExchangeTexts& texts, const fs::path& file) {
    throw FileError(FileText(texts, file), file, 0);
}

// A text of room bytes after its length byte; a length past the room is taken as the room.
std::string ShortString(std::string_view record, size_t offset, size_t room, size_t keep) {
    const size_t length = std::min<size_t>(static_cast<unsigned char>(record[offset]), room);
    return Utf8Left(CodePageToUtf8(record.substr(offset + 1, length), DataCodePage()), keep);
}

template <typename T> T Little(std::string_view record, size_t offset) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, record.data() + offset, sizeof(T));
    uint64_t value = 0;
    for (size_t i = sizeof(T); i-- > 0;)
        value = (value << 8) | bytes[i];
    T out;
    if constexpr (sizeof(T) == 8) {
        std::memcpy(&out, &value, sizeof out);
    } else {
        const auto narrow = static_cast<uint32_t>(value);
        std::memcpy(&out, &narrow, sizeof out);
    }
    return out;
}

std::string RecordsOf(const fs::path& file, size_t size) {
    if (CheckPath(file) == PathState::Absent) Refuse(kMissingFile, file);
    std::string content = ReadWholeFile(file);
    if (content.size() % size != 0) Refuse(kDamagedFile, file);
    return content;
}

// Days of 1 January of year 1 and of 31 December 9999.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;

} // namespace

std::vector<OldAddress> ReadOldAddresses(const fs::path& file) {
    const std::string content = RecordsOf(file, kOldAddressRecordSize);
    std::vector<OldAddress> out;
    for (size_t at = 0; at < content.size(); at += kOldAddressRecordSize) {
        const std::string_view r = std::string_view(content).substr(at, kOldAddressRecordSize);
        auto text = [&](size_t offset, size_t room, size_t keep) {
            return ShortString(r, offset, room, keep);
        };
        out.push_back({text(0, 50, 50), text(51, 50, 20), text(102, 20, 20), text(123, 30, 30),
                       text(154, 50, 50), text(205, 255, 255), text(461, 255, 255), text(717, 24, 24),
                       text(742, 24, 24), text(767, 24, 24), text(792, 24, 24), text(817, 24, 24),
                       text(842, 24, 24), text(867, 24, 24), text(892, 35, 35), text(928, 255, 255),
                       text(1205, 50, 50)});
    }
    return out;
}

std::vector<OldTask> ReadOldTasks(const fs::path& file) {
    const std::string content = RecordsOf(file, kOldTaskRecordSize);
    std::vector<OldTask> out;
    for (size_t at = 0; at < content.size(); at += kOldTaskRecordSize) {
        const std::string_view r = std::string_view(content).substr(at, kOldTaskRecordSize);
        OldTask task;
        task.Date = Little<double>(r, 0);
        if (!std::isfinite(task.Date) || task.Date < kFirstDay || task.Date >= kLastDay)
            Refuse(kDamagedFile, file);
        task.Time = ShortString(r, 8, 12, 12);
        task.Uloha = ShortString(r, 21, 85, 85);
        task.Color = Little<int32_t>(r, 108);
        task.Mesage = r[112] != 0;
        task.User = ShortString(r, 113, 20, 20);
        task.Priority = ShortString(r, 134, 1, 1);
        out.push_back(std::move(task));
    }
    return out;
}

namespace {

// Appends the rows in one change of the table; returns the record codes of those added.
template <typename Row>
std::vector<std::string> AppendRows(ExchangeContext& context, TableId id, const std::vector<Row>& rows,
                                    std::vector<std::string> compared,
                                    const std::function<void(TDataSet&, const Row&)>& fill) {
    TVolgaTable* table = context.Data.TableOf(id);
    if (!table) throw std::logic_error("The tables of the import are not open");
    std::vector<std::string> added;
    context.Locks().WriteSharedTable(*table, context.LockFile(id), context.Frame.NetworkMode,
                                     kRecordCommandPoll, [&] {
                                         RowAppender appender(*table, compared);
                                         for (const Row& r : rows) {
                                             appender.Add([&](TDataSet& row) { fill(row, r); });
                                             if (context.OnProgress) context.OnProgress(appender.Added());
                                         }
                                         added = appender.AddedCodes();
                                     });
    return added;
}

void FillTask(TDataSet& row, const OldTask& t, const std::string& owner) {
    row.FieldByName("Date").SetAsDateTime(t.Date);
    SetFieldText(row, "Time", t.Time);
    SetFieldText(row, "Uloha", t.Uloha);
    SetFieldText(row, "StartTask", t.Time);
    SetFieldText(row, "EndTask", t.Time);
    row.FieldByName("Color").SetAsInteger(t.Color);
    row.FieldByName("Mesage").SetAsBoolean(t.Mesage);
    SetFieldText(row, "User", t.User);
    SetFieldText(row, "Priority", t.Priority);
    SetFieldText(row, "Owner", owner);
}

void FillAddress(TDataSet& row, const OldAddress& a) {
    SetFieldText(row, "Firma", a.Firma);
    SetFieldText(row, "Meno_Kr", a.Meno_Kr);
    SetFieldText(row, "Priezvisko", a.Priezvisko);
    SetFieldText(row, "Meno", a.Meno);
    SetFieldText(row, "Funkcia", a.Funkcia);
    SetFieldText(row, "Adresa_1", a.Adresa_1);
    SetFieldText(row, "Adresa_2", a.Adresa_2);
    SetFieldText(row, "Telefon1", a.Telefon1);
    SetFieldText(row, "Telefon2", a.Telefon2);
    SetFieldText(row, "Telefon_P", a.Telefon_P);
    SetFieldText(row, "Mobil", a.Mobil);
    SetFieldText(row, "Fax", a.Fax);
    SetFieldText(row, "Ucet", a.ICO);
    SetFieldText(row, "Banka", a.DIC);
    SetFieldText(row, "E_Mail", a.E_Mail);
    SetFieldText(row, "Poznamka", a.Poznamka);
}

} // namespace

OldVersionResult ImportOldVersion(ExchangeContext& context, const fs::path& folder) {
    // As the older version did: the tasks are read and added, then the addresses. A file that is
    // missing is reported and the other is imported; a damaged one stops the import there, and
    // what was added before it stays.
    OldVersionResult result;
    auto there = [&](const char* name) {
        const fs::path file = ExistingOrCanonical(folder, name);
        // One that cannot be checked is read, and its reader says why it fails.
        if (CheckPath(file) != PathState::Absent) return true;
        result.Missing.push_back(FileText(kMissingFile, file));
        return false;
    };
    const std::string owner = GetWindowsUserName();
    RefreshingAfter(context, [&] {
        if (there("uloha.dat")) {
            const std::vector<OldTask> tasks = ReadOldTasks(ExistingOrCanonical(folder, "uloha.dat"));
            result.Tasks = static_cast<int>(
                AppendRows<OldTask>(context, TableId::Tasks, tasks,
                                    {"Date", "Time", "Uloha", "Color", "Mesage", "User", "Priority"},
                                    [&](TDataSet& row, const OldTask& t) { FillTask(row, t, owner); })
                    .size());
        }
        if (there("adresy.dat")) {
            const std::vector<OldAddress> addresses = ReadOldAddresses(ExistingOrCanonical(folder, "adresy.dat"));
            result.Addresses = static_cast<int>(
                AppendRows<OldAddress>(context, TableId::Address, addresses,
                                       {"Firma", "Meno_Kr", "Priezvisko", "Meno", "Funkcia", "Adresa_1",
                                        "Adresa_2", "Telefon1", "Telefon2", "Telefon_P", "Mobil", "Fax",
                                        "Ucet", "Banka", "E_Mail", "Poznamka"},
                                       FillAddress)
                    .size());
        }
    });
    return result;
}

} // namespace kvz
