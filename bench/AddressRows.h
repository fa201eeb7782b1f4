// Generated address-like rows with Slovak text, shared by the benchmarks.
#pragma once

#include "engine/VolgaCursor.h"
#include "platform/rtl/CodePage.h"

#include <cstdio>
#include <random>
#include <string>

namespace kvz::bench {

inline const char* const kFirst[] = {"Ján", "Mária", "Peter", "Zuzana", "Ľubomír", "Katarína", "Štefan", "Žofia"};
inline const char* const kLast[] = {"Novák", "Kováčová", "Horváth", "Šťastný", "Čierna", "Ďurica", "Páleník", "Žilinský"};
inline const char* const kTown[] = {"Bratislava", "Košice", "Žilina", "Banská Bystrica", "Prešov", "Nitra", "Trnava"};

inline void DefineAddressTable(TVolgaCursor& c) {
    c.AddField("Number", TVolgaFieldKind::SmallStr, 8);
    c.AddField("Firma", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Meno", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Priezvisko", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Ulica", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Mesto", TVolgaFieldKind::SmallStr, 35);
    c.AddField("PSC", TVolgaFieldKind::SmallStr, 10);
    c.AddField("Telefon1", TVolgaFieldKind::SmallStr, 25);
    c.AddField("Telefon2", TVolgaFieldKind::SmallStr, 25);
    c.AddField("E_Mail", TVolgaFieldKind::String, 60);
    c.AddField("IBAN", TVolgaFieldKind::SmallStr, 34);
    c.AddField("Narodeniny", TVolgaFieldKind::Date);
    c.AddField("Meniny", TVolgaFieldKind::Date);
    c.AddField("Poznamka", TVolgaFieldKind::Memo);
    for (int i = 0; i < 19; ++i) c.AddField("Extra" + std::to_string(i), TVolgaFieldKind::SmallStr, 20);
}

inline std::string Cp(const std::string& s) { return Utf8ToCodePage(s, 1250); }

inline void FillAddressRows(TVolgaCursor& c, int rows) {
    std::mt19937 rng(42);
    std::string msg;
    auto pick = [&](auto& arr) { return std::string(arr[rng() % (sizeof(arr) / sizeof(arr[0]))]); };
    for (int i = 0; i < rows; ++i) {
        TVolgaRowBuffer b = c.NewBuffer();
        char number[16];
        std::snprintf(number, sizeof number, "%08d", i);
        SetValueBytes(b, *c.FindField("Number"), number);
        const std::string first = pick(kFirst), last = pick(kLast), town = pick(kTown);
        if (i % 3 == 0) SetValueBytes(b, *c.FindField("Firma"), Cp(last + " a syn, s.r.o."));
        SetValueBytes(b, *c.FindField("Meno"), Cp(first));
        SetValueBytes(b, *c.FindField("Priezvisko"), Cp(last));
        SetValueBytes(b, *c.FindField("Ulica"), Cp("Hlavná " + std::to_string(i % 200)));
        SetValueBytes(b, *c.FindField("Mesto"), Cp(town));
        SetValueBytes(b, *c.FindField("PSC"), "010 01");
        SetValueBytes(b, *c.FindField("Telefon1"), "+421 905 " + std::to_string(100000 + i));
        SetValueBytes(b, *c.FindField("E_Mail"), "kontakt" + std::to_string(i) + "@example.sk");
        SetFixed<int32_t>(b, *c.FindField("Narodeniny"), 715000 + i % 20000);
        if (i % 5 == 0) SetValueBytes(b, *c.FindField("Poznamka"), Cp("Stretnutie v utorok, potvrdiť účasť."));
        c.PostRow(b, nullptr, msg);
    }
    c.Accept();
}

} // namespace kvz::bench
