// The data files of the older version 2.1: addresses in "adresy.dat" and tasks in "uloha.dat",
// files of fixed-size records. Texts are a length byte and the characters in the data code
// page, in a room of fixed size; integers and dates little-endian.
//
// "adresy.dat", 1256 bytes a record: Firma 0 (room 50), Meno 51 (50), Meno_Kr 102 (20),
// Priezvisko 123 (30), Funkcia 154 (50), Adresa_1 205 (255), Adresa_2 461 (255), Telefon1 717
// (24), Telefon2 742, Telefon_P 767, Mobil 792, Fax 817, Ico 842, Dic 867 (24 each), E_Mail
// 892 (35), Poznamka 928 (255), Nula 1184 (20, not read), Rezerva 1205 (50).
// "uloha.dat", 136 bytes a record: Date 0 (64-bit float, days since 30 December 1899), Time 8
// (12), Uloha 21 (85), 1 byte of alignment, Color 108 (signed 32-bit), Mesage 112 (a byte, 0
// false), User 113 (20), Priority 134 (1).
#pragma once

#include "addressbook/Exchange.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kvz {

inline constexpr size_t kOldAddressRecordSize = 1256;
inline constexpr size_t kOldTaskRecordSize = 136;

// One record with its texts in UTF-8, each cut to the room of the import's memory table
// (Meno keeps 20 of its 50 characters).
struct OldAddress {
    std::string Firma, Meno, Meno_Kr, Priezvisko, Funkcia, Adresa_1, Adresa_2, Telefon1, Telefon2, Telefon_P,
        Mobil, Fax, ICO, DIC, E_Mail, Poznamka, Rezerva;
};
struct OldTask {
    double Date = 0;
    std::string Time, Uloha, User, Priority;
    int32_t Color = 0;
    bool Mesage = false;
};

// Read the whole file; a file that is not a whole number of records, or a date that is no
// date, is refused (FileError in the program's language) before anything is used.
std::vector<OldAddress> ReadOldAddresses(const std::filesystem::path& file);
std::vector<OldTask> ReadOldTasks(const std::filesystem::path& file);

// The import from the folder the user picked, in the older version's order: the tasks are read
// and appended to the task table, then the addresses to the address table, each file in one
// change. A missing file is reported in the result (never made) and the other is imported; a
// damaged one throws FileError before anything of it is added, and what an earlier step added
// stays. Rows equal to rows already there are not added again, so a second run adds nothing.
struct OldVersionResult {
    int Tasks = 0;
    int Addresses = 0;
    std::vector<std::string> Missing; // a message for each file that was not found
};
OldVersionResult ImportOldVersion(ExchangeContext& context, const std::filesystem::path& folder);

} // namespace kvz
