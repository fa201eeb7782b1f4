#include "addressbook/Dialer.h"

#include "core/SmallRoutines.h"
#include "platform/data/DB.h"

#include <cstdio>

namespace kvz {

namespace {

constexpr int kShowNormal = 1;
Dialer* gDialer = nullptr;

} // namespace

void DesktopDialer::MakeCall(const std::string& number, const std::string&, const std::string&, const std::string&) {
    ShellOpenFile(TelAddress(number), "", "", kShowNormal);
}

Dialer& CurrentDialer() {
    static DesktopDialer desktop;
    return gDialer ? *gDialer : desktop;
}

void SetDialer(Dialer* dialer) { gDialer = dialer; }

std::string DialledNumber(std::string_view number) {
    std::string out(number);
    for (char& c : out)
        if (c == '-' || c == '/' || c == '\\') c = ' ';
    return out;
}

std::string TelAddress(std::string_view number) {
    std::string out = "tel:";
    for (char c : number) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '+' ||
                           c == '*' || c == '#' || c == '.' || c == '(' || c == ')';
        if (plain) {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            out += hex;
        }
    }
    return out;
}

void PhoneCallNumber(Dialer& dialer, std::string_view number, const std::string& party, const std::string& application) {
    if (number.empty()) return;
    dialer.MakeCall(DialledNumber(number), application, party, "Calling  " + party);
}

void PhoneChoice::Choose(const std::string& field) {
    for (const char* phone : {"Telefon1", "Telefon2", "Telefon_P", "Mobil"})
        if (field == phone) field_ = field;
}

std::string PhoneChoice::Number(const TDataSet& addresses) const {
    const TField* field = addresses.FindField(field_);
    return field && addresses.Active() ? field->AsString() : "";
}

} // namespace kvz
