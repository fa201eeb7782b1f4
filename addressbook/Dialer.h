// Dialling a telephone number of the current address: the number the user chose, written as
// the dialler takes it, and the dialler itself (a "tel:" address handed to the desktop).
#pragma once

#include <string>
#include <string_view>

namespace kvz {

class TDataSet;

// What dials; tests put their own in place of the desktop's.
class Dialer {
public:
    virtual ~Dialer() = default;
    virtual void MakeCall(const std::string& number, const std::string& application, const std::string& party,
                          const std::string& comment) = 0;
};

// Hands "tel:" and the number to the desktop, which passes it to the user's dialler. A number
// that nothing on the desktop takes is not reported, as with any dialler.
class DesktopDialer : public Dialer {
public:
    void MakeCall(const std::string& number, const std::string& application, const std::string& party,
                  const std::string& comment) override;
};

// The dialler in use: the desktop's unless one was set.
Dialer& CurrentDialer();
void SetDialer(Dialer* dialer); // nullptr: the desktop's again

// Every "-", "/" and "\" becomes a blank: 02/123-456 is dialled as 02 123 456.
std::string DialledNumber(std::string_view number);
// The "tel:" address of a number: blanks and other characters a telephone address cannot hold
// are written as %XX.
std::string TelAddress(std::string_view number);

// Dials the number for the party; an empty number dials nothing.
void PhoneCallNumber(Dialer& dialer, std::string_view number, const std::string& party, const std::string& application);

// Which of the four telephone fields the user chose last (Telefon1, Telefon2, Telefon_P,
// Mobil). The number is read from the current record when it is dialled, so that moving to
// another record dials that record's number; before any choice it is Telefon1.
class PhoneChoice {
public:
    // Remembers a telephone field; any other name is ignored.
    void Choose(const std::string& field);
    const std::string& Field() const { return field_; }
    // The chosen field's value in the current record; empty when there is none.
    std::string Number(const TDataSet& addresses) const;

private:
    std::string field_ = "Telefon1";
};

} // namespace kvz
