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
    BackingUp = 6,            // "Backup records ..."
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
    Address1 = 23,
    Address2 = 24,
    Web = 25,                 // "WWW"
    Note = 26,
    Mate = 27,
    TasksOn = 30,             // "Task for : " over the day's tasks
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
    AllPlanningTasks = 63,
    NoTaskDescription = 64,
    ItemOnList = 68,          // "Item already exists on a list."
    RemoveAllItems = 69,
    RestoreAddressForm = 70,  // the address form back to its design
    RestoreEnvelopeForm = 71, // the envelope's address form back to its design
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
    RemoveProject = 94,       // "Want to remove project \""
    ForGood = 95,             // "\" for good ?"
    RemovePartialProject = 96,
    PartialForGood = 97,      // "\" for good ?" after a partial project
    PartialProjectNamed = 98, // "Partial project \""
    PartialRemovedTasksToo = 99, // "\"  removed succesfully, want to remove all tasks ..."
    Task = 101,
    TaskDate = 102,           // "Date" of a task
    Start = 103,
    End = 104,
    Owner = 105,
    Time = 106,
    Priority = 107,
    Recall = 108,
    Repeat = 109,
    Project = 110,
    PartialProject = 111,
    File = 112,
    RunFile = 113,
    Yes = 114,
    No = 115,
    Completed = 116,
    ProjectRemovedTasksToo = 118,
    ProjectNamed = 119,       // "Project \""
    RemoveOwner = 120,        // "Want to remove owner name \""
    AllModules = 121,         // "All" beside Address, Tasks, Links
    Path = 122,
    FileType = 123,
    OpenThisFile = 124,       // "Open this file :  "
    LoadOlderVersion = 125,
    Birthday = 127,
    NameDay = 128,
    AddressDatabase = 130,
    TasksDatabase = 131,
    LinksDatabase = 132,
    UnknownName = 133,        // "Unknow"
    PageNumber = 134,         // "Page number :"
    TasksSummary = 135,
    TasksFullSummary = 136,   // "Tasks complette summary"
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
    TypeLabel = 151,          // "Type : "
    LinksSummary = 152,
    ItemsSummary = 153,       // "Items summary :"
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
    Selection = 179,
    Reports = 181,
    StartProject = 182,       // "Start project :"
    EndProject = 183,         // "End project :"
    PartialProjectLabel = 184,// "Partial project :"
    NewLink = 185,
    Unknown = 186,            // "Unknown"
    TaskFor = 187,            // "Task for :"
    StartTask = 188,          // "Start task :"
    EndTask = 189,            // "End task :"
    Highlight = 190,          // "Highlight :"
    AllLinks = 192,
    Back = 193,               // "< Back"
    Next = 194,               // "Next >"
    AllAddresses = 195,       // "All" beside Work, Private
    Work = 196,
    Private = 197,
    EnableSplitAddress = 199,
    EditType = 200,           // "<<Edit"
    CompletedTasks = 201,
    FailureTasks = 202,       // "Failure Tasks"
    PrintSecondLine = 203,    // "print", under Address, Tasks or Links on the outlook bar
    OutlookBack = 204,        // "Back"
    WizardFirstLine = 205,    // "Print" over "wizard"
    WizardSecondLine = 206,
    DeleteSender = 207,
    Street = 208,             // "Street :"
    Zip = 209,                // "Zip :"
    SaveTemplate = 210,       // "Save" in the template dialog
    UseTemplate = 211,        // "Use"
    EditTemplate = 212,       // "Edit"
    DeleteTemplate = 213,     // "Delete"
    InvoiceIncomplete = 214,
    PayInvoiceFrom = 215,
    IntoRate = 216,
    MaturityUntil = 217,
    AtAccount = 218,          // " at account number "
    VariableSign = 219,       // " variable sign "
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
    VarSymbolShort = 232,     // "Variab. symbol :"
    ConstSymbolShort = 233,   // "Const. symbol :"
    PaidBills = 234,
    SlovakPays = 235,
    CzechPays = 236,
    // The program's own messages.
    LinkCannotOpen = 237,     // "The link could not be opened: " and the path
    NothingAdded = 238,       // "Nothing was added: ", then each dropped item and why
    AllFilesFilter = 239,     // "All files (*)" of a file dialog
    DropNothingUsable = 240,  // 240..248: why a drop was refused, in the order of DropRefusal
    PageOfCount = 249,        // " Page %1 of %2"
    NoEBankToPay = 250,       // the task has no e-bank address or "Pay with E-Banking" is off
    EBanksNotKept = 251,      // "The e-bank addresses could not be kept: " and why
    LinkBeingEdited = 252,    // a links write refused while a link is edited in place
    LinkRenameElsewhere = 253, // a link type rename under way in another program
    // The system's own texts in the user's language: the English text is the system's, with
    // %1.. for the parts it names and %m for a system text inside it (SystemTextInLanguage).
    DeleteRecordQuestion = 254,       // "Delete record?" of a grid
    DeleteSelectedQuestion = 255,     // "Delete all selected records?"
    SharedTableChanged = 256,         // "A shared table was changed outside its writer"
    TextTooLong = 257,                // "The text for field '%1' is too long: %2 characters, at most %3 allowed"
    TextTooLongForStore = 258,        // "The text for field '%1' is too long"
    ErrorOpeningTable = 259,          // "Error opening table: %m"
    BufferCorruption = 260,           // "Buffer structure corruption!"
    BufferEnd = 261,                  // "Unexpected end of buffer"
    FieldDescriptionError = 262,      // "Error in buffer structure (field description section)"
    InvalidTablePassword = 263,       // "Invalid password. Table cannot be open"
    RecordNotFound = 264,
    RecordDeleted = 265,
    ReadOnlyDataset = 266,            // "Cannot modify a read-only dataset"
    FieldCannotBeModified = 267,      // "Field '%1' cannot be modified"
    FieldMustHaveValue = 268,         // "Field '%1' must have a value"
    NotAnInteger = 269,               // "'%1' is not an integer for field '%2'"
    NotANumber = 270,                 // "'%1' is not a floating point value for field '%2'"
    NotADateTime = 271,               // "'%1' is not a date-time for field '%2'"
    ConfirmCaption = 272,             // "Confirm", the title of a question
    WarningTitle = 273,               // "Warning", "Information", "Error": the titles of boxes by kind
    InformationTitle = 274,
    ErrorTitle = 275,
    ColorNames = 276,                 // 276..293: the colours' names in the order of the colour table
    ColorNamesEnd = 294,
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

// A text of the system (an engine's error, a grid's question, a colour's name) in the language:
// the catalogue's message whose English text it is, its named parts kept; any other text, and
// any text in English, as it is.
std::string SystemTextInLanguage(const std::string& text, int language);

// Qt's own texts (the buttons of message boxes, the file and page setup dialogs) follow the
// language (SetLanguage calls it): Qt's translations as the system installs them. False when
// they are missing (Qt's texts then stay English).
bool LoadQtTexts(int language);

// The address field for a position of the list of choices: the sixteen standard fields, and
// above them the list's own text (the user-defined fields); a negative position (no selection)
// leaves fieldName as it was.
void AddressFieldByComboIndex(int itemIndex, std::string_view displayedText, std::string& fieldName);
void AddressFieldByRadioIndex(int itemIndex, const std::vector<std::string>& items, std::string& fieldName);
// The links field for positions 0 to 3; any other position leaves fieldName as it was.
void LinkFieldByComboIndex(int itemIndex, std::string& fieldName);

} // namespace kvz
