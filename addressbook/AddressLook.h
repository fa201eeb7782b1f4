// The rules of the address book window that need no display: the letter bar, which keys turn
// browsing into editing, address completion, mail and web addresses, the sort label and the
// fields a user added.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TDataSet;

// The letter bar: 25 positions, a to z without q.
inline constexpr std::string_view kLetterBarLetters = "abcdefghijklmnoprstuvwxyz";
char LetterAtPosition(int position); // 0 outside 0..24
// Where the bar stands for a sort value: its first character lower-cased, when it is one of
// the bar's letters; nothing for q, digits, accented letters or an empty value.
std::optional<int> LetterBarPosition(std::string_view sortValue);

// Whether a key turns browsing into editing: Enter, space, backspace or Delete pressed, or a
// letter or a digit 1..9 typed (not 0).
bool KeyDownStartsEdit(uint16_t key);
bool KeyPressStartsEdit(char32_t character);

// The lines of a text ended by LF, CR LF or CR.
std::vector<std::string> SplitLines(std::string_view text);
// The city of an address: its fourth line, empty when it has fewer.
std::string CityOfAddress(std::string_view address);
// The stored full name: first name, two blanks, surname.
std::string FullName(std::string_view firstName, std::string_view surname);
// Address completion: the address a new record starts with, or nothing when the address
// already holds the company or the person, or there is nothing to put in.
std::optional<std::string> CompleteAddress(std::string_view company, std::string_view firstName,
                                           std::string_view surname, std::string_view address);

// What a double click on the mail or web field opens: nothing for an empty field.
std::string MailAddress(std::string_view text);
std::string WebAddress(std::string_view text);

// Fields of the address table that the user added: every field not among the table's own.
bool IsUserField(std::string_view fieldName);
std::vector<std::string> UserFieldNames(const TDataSet& table);

// The sort label: the caption and the field's title cut to 20 characters.
std::string LookLabelText(std::string_view orderBy, std::string_view fieldTitle);

} // namespace kvz
