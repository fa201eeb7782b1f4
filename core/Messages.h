// The message catalogue: numbered texts in the program's language, and the small maps from a
// list position to a table field name that the sort, find and filter dialogs share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// The numbers of the catalogue's messages, named once: a window names the message it shows,
// never its number. Several messages share one text in some languages but not in all, so a
// name stands for one number.
namespace MessageId {
enum : int {
    Importing = 1,            // "Import from ..."
    ImportingWab = 2,         // "Import from WAB ..."
    RecoveringBackup = 3,     // "Recover data from backup file ..."
    WabNotFound = 4,          // "Canot find UserMPS.wab"
    SendingTo = 5,            // "Send to  ..."
    Name = 7,
    FirstName = 8,
    Surname = 9,
    Function = 10,
    Phone1 = 11,
    Phone2 = 12,
    HomePhone = 13,
    Mobil = 14,               // "Mobil"
    Fax = 15,
    Mail = 16,                // "E - mail"
    Account = 17,
    Bank = 18,
    Department = 19,          // "Departm."
    Office = 20,
    Pager = 21,
    City = 22,
    Web = 25,                 // "WWW"
    Note = 26,
    Mate = 27,
    MonthNames = 32,          // 33..44: January .. December (32 + month)
    RemindNewTask = 50,       // "You have added the next task. ..."
    OrderBy = 51,             // "Order by : "
    Searching = 52,           // "Searching  "
    WarningCaption = 53,      // "Warning : "
    DeleteTasks = 54,
    DeleteRecord = 55,
    RestoreSettings = 56,     // "Want to recover all settings ...?"
    EraseAllTasks = 57,
    SaveChanges = 58,
    NoTaskDescription = 64,
    EnterTheName = 72,        // "Have to assign the item \" Name\""
    WrongPassword = 76,
    EnterName = 77,           // "Enter name, please."
    NameExists = 78,
    DataField = 79,           // "Data field"
    AlreadyExists = 80,       // "already exists."
    IncorrectDataType = 81,   // "Error, incorrect data type"
    SimpleText = 82,
    MultiLineText = 83,
    Date = 84,
    CheckBox = 85,
    Picture = 86,
    ImportingDbf = 87,
    Once = 88,                // " A times"
    Task = 101,
    Owner = 105,
    Time = 106,
    Priority = 107,
    Recall = 108,
    Repeat = 109,
    AllModules = 121,         // "All" beside Address, Tasks, Links
    OpenThisFile = 124,       // "Open this file :  "
    LoadOlderVersion = 125,
    Birthday = 127,
    NameDay = 128,
    UnknownName = 133,        // "Unknow"
    PersonalData = 137,       // " Personal data : "
    AddressLabel = 142,       // "Address " on the address page
    HomeAddress = 143,
    HomePhoneShort = 144,     // "Home ph."
    BirthdayShort = 145,      // "Birthday" (Slovak "Narod.")
    NameDayShort = 146,       // "Name-d."
    Children = 147,           // "Childr."
    Remind = 148,
    Contact = 149,            // " Contact : "
    BankConnection = 150,     // " Bank connection : "
    FirstNameShort = 154,     // "First n."
    SurnameShort = 155,       // "Surname" (Slovak "Priezv.")
    UserData = 156,           // " User define data : "
    PersonalPage = 157,       // "Personall"
    BasicPage = 158,
    SurveyPage = 159,         // "Survey"
    Item = 160,               // " Item :"
    DataType = 161,           // "Data type :"
    ItemName = 162,           // "Item name :"
    CharCount = 163,          // "Char. count:"
    Height = 164,             // "Heigth :"
    Width = 165,
    Caption = 166,            // " Caption :"
    HeadWord = 167,           // "Head-word :"
    Help = 168,
    Cancel = 169,
    Address = 174,
    Tasks = 175,
    Links = 176,
    Display = 177,
    Type = 178,
    Reports = 181,
    Unknown = 186,            // "Unknown"
    TaskFor = 187,            // "Task for :"
    StartTask = 188,          // "Start task :"
    EndTask = 189,            // "End task :"
    Highlight = 190,          // "Highlight :"
    Back = 193,               // "< Back"
    Next = 194,               // "Next >"
    AllAddresses = 195,       // "All" beside Work, Private
    Work = 196,
    Private = 197,
    EnableSplitAddress = 199,
    EditType = 200,           // "<<Edit"
    PrintSecondLine = 203,    // "print", under Address, Tasks or Links on the outlook bar
    OutlookBack = 204,        // "Back"
    WizardFirstLine = 205,    // "Print" over "wizard"
    WizardSecondLine = 206,
    Street = 208,             // "Street :"
    Zip = 209,                // "Zip :"
    InvoiceIncomplete = 214,
    PayInvoiceFrom = 215,
    IntoRate = 216,
    MaturityUntil = 217,
    MakeOut = 220,            // "Make out at :"
    Maturity = 221,           // "Maturity until at :"
    BankCode = 222,           // "Bank code :"
    VarSymbol = 223,          // "Variable symbol :"
    ConstSymbol = 224,        // "Constant symbol :"
    Sum = 225,                // "Sum :"
    EBank = 226,              // "E-bank url address :"
    Ergo = 227,               // "ergo"
    PayDate = 228,            // "Pay date :"
    At = 229,                 // "at"
    Invoice = 230,            // "Invoice : "
    Days = 231,               // "days"
    SlovakPays = 235,
    CzechPays = 236,
};
} // namespace MessageId

// The program's language: 1 English, 2 Slovak, 3 Czech (the settings load it).
int Language();
void SetLanguage(int language);

// The text of the program's language among an English, a Slovak and a Czech one (English for
// another language).
const char* InLanguage(const char* const (&texts)[3]);

// Sets text to message id in the language; any other language leaves text as it was, and a
// number outside the catalogue gives an empty text.
void GetMessageText(int id, std::string& text, int language);
void GetMessageText(int id, std::string& text);
// The message in the program's language; empty when there is none.
std::string GetMessageText(int id);
// The same for the notices (1 and 2).
void GetNoticeText(int id, std::string& text, int language);
void GetNoticeText(int id, std::string& text);

// The address field for a position of the list of choices: the sixteen standard fields, and
// above them the list's own text (the user-defined fields); a negative position (no selection)
// leaves fieldName as it was.
void AddressFieldByComboIndex(int itemIndex, std::string_view displayedText, std::string& fieldName);
void AddressFieldByRadioIndex(int itemIndex, const std::vector<std::string>& items, std::string& fieldName);
// The links field for positions 0 to 3; any other position leaves fieldName as it was.
void LinkFieldByComboIndex(int itemIndex, std::string& fieldName);

} // namespace kvz
