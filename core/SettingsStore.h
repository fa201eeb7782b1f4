// The settings store: every preference of the program, 99 integer and 31 text slots plus the
// envelope feed and the frame window's size, kept in "Zirt.ini" (section "ZirtSettings") in the
// data folder. The frame window owns one and loads and saves it; windows read and write the
// slots directly.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kvz {

// The integer slots (Nastavenia[k]) by meaning, named once: every window reads and writes its
// slots by these names. The numbers are the keys of the settings file and never change.
namespace Slot {
enum : int {
    AddressColors = 1,        // 1..4: the address window's field controls, memo and grid
    AddressFontColors = 5,    // 5..8
    AddressFontSizes = 9,     // 9..12
    AddressFontStyles = 13,   // 13..16
    ReportListBack = 17,      // the report window's address lists
    ReportListFontColor = 18,
    ReportListFontSize = 19,
    ReportListFontStyle = 20,
    EnvelopePosition = 21,    // the report window's envelope position choice; read by plug-ins
    FirstWeekDay = 22,        // 1 Monday .. 7 Sunday
    TasksGridBack = 23,
    TasksMemoBack = 24,
    TasksGridFontColor = 25,
    TasksMemoFontColor = 26,
    TasksGridFontSize = 27,
    TasksMemoStyle = 28,
    TasksGridStyle = 29,
    ReminderLead = 30,        // minutes
    CalendarMonthBack = 31,
    CalendarTitleBack = 32,
    CalendarTitleText = 33,
    CalendarText = 34,
    EnvelopeFormat = 35,      // the report window's envelope format choice
    ActiveModule = 36,
    Unread37 = 37,            // written with its default, read by nothing
    TasksMemoFontSize = 38,
    TasksGridWidth1 = 39,     // the tasks window's day grid columns 1..4: 39, 40, 41, 47
    TasksGridWidth2 = 40,
    TasksGridWidth3 = 41,
    TasksSurveyWidth1 = 42,   // its task list grid columns 1..4: 42, 43, 44, 48
    TasksSurveyWidth2 = 43,
    TasksSurveyWidth3 = 44,
    AddressSortIndex = 45,    // also the first row of the filter dialog
    WeekNumbers = 46,
    TasksGridWidth4 = 47,
    TasksSurveyWidth4 = 48,
    AutoBackup = 49,
    LinksNameBack = 50,       // the links window's name box, type box and grid: 50..52 backs,
    LinksTypeBack = 51,       // 53..55 font colours, 56..58 font sizes, 59..61 font styles
    LinksGridBack = 52,
    LinksNameFontColor = 53,
    LinksTypeFontColor = 54,
    LinksGridFontColor = 55,
    LinksNameFontSize = 56,
    LinksTypeFontSize = 57,
    LinksGridFontSize = 58,
    LinksNameStyle = 59,
    LinksTypeStyle = 60,
    LinksGridStyle = 61,
    UserDialogAtStart = 62,
    ReportKind = 63,          // the report window's data source: 0 addresses, 1 tasks, 2 links
    ReportPrintKind = 64,     // the report window's print choice: labels, envelopes, summary
    CaptureLeft = 65,         // the links module's capture window
    CaptureTop = 66,
    Language = 67,            // 1 English, 2 Slovak, 3 Czech
    AddressPage = 68,
    TasksPage = 69,
    FrameLeft = 70,
    FrameTop = 71,
    LinksPage = 72,           // 1 the links window shows its survey page
    NetworkMode = 73,         // 1 network mode
    Server = 74,              // 1 this computer holds the shared tables
    Categories = 75,          // 1 the address categories are on
    ReportRecordChoice = 76,  // the report window: all records, the current one, own choice
    ReportAddressChoice = 77, // the report window: address 1, address 2, other items
    EnvelopeStyle = 78,
    ReportOutline = 79,       // 1 the labels and the address print with an outline
    PrintSender = 80,         // 1 the envelope prints the sender
    HeaderColor = 81,
    HeaderEndColor = 82,
    GradientType = 83,
    BackStyle = 84,           // 1 the outlook bar's headers show a picture
    ViewStyle = 85,
    LabelSampleLeft = 86,     // the report window: the address in the label sample
    LabelSampleTop = 87,
    MiniatureAddressLeft = 88, // the report window: the address block in the envelope miniature
    MiniatureAddressTop = 89,
    SenderIndex = 90,         // the sender address file shown
    AddressCompletion = 91,
    FilterOption = 92,        // the filter dialog: 0 letter case matters
    EBankIndex = 93,
    CurrencyIndex = 94,
    PaymentCountry = 95,      // 0 Slovak, 1 Czech payments
    FilterRows = 96,          // 96..99: the filter dialog's rows 2..5 (row 1 is AddressSortIndex)
};
} // namespace Slot

// The text slots (NastaveniaText[k]) by meaning.
namespace TextSlot {
enum : int {
    AddressFontNames = 1,     // 1..4, as AddressColors
    ReportListFontName = 5,   // the report window's address lists
    TasksMemoFontName = 6,
    TasksGridFontName = 7,
    UnreadTexts = 8,          // 8..12: written empty, read by nothing
    AddressSortField = 13,    // the address list's order field
    LinksNameFontName = 15,   // the links window's name box, type box and grid
    LinksTypeFontName = 16,
    LinksGridFontName = 17,
    ServerFolder = 18,
    NetworkUser = 19,
    BackgroundFile = 25,      // the outlook bar headers' picture
    FirstEBank = 26,          // 26..30: the e-banks of the task editor
    LastEBank = 30,
    LinksAddressField = 31,
};
} // namespace TextSlot

class SettingsStore {
public:
    static constexpr int kIntegerCount = 99;
    static constexpr int kTextCount = 31;
    static constexpr const char* kFileName = "Zirt.ini";
    static constexpr const char* kSection = "ZirtSettings";

    // Integer setting k is Nastavenia[k] (k = 1..99), text setting k is NastaveniaText[k]
    // (k = 1..31); index 0 is not used.
    std::array<int, kIntegerCount + 1> Nastavenia{};
    std::array<std::string, kTextCount + 1> NastaveniaText{};
    int PolohaObRadioGroup = 0;
    int FormHeight = 0;
    int FormWidth = 0;

    // Derived by LoadSettings.
    bool NetworkMode = false;
    bool ClientMode = false;
    bool FilterOption = false;
    // The look of the record bar and the tasks and links bar, by the system the program
    // takes itself to run on.
    struct ToolBarLook {
        bool Flat = true;
        int BorderWidth = 1;
        bool TransparentButtons = false; // the filter and maximise buttons
        int BarHeight = 24;
    };
    static ToolBarLook BarLook();

    // Sets every default, the frame window's size included; text settings 14 and 20 to 24
    // (the address categories) keep their values.
    void ZakladneNastavenia();
    // Loads the file of the data folder (found without regard to case) over the defaults: a key
    // that is missing, empty or not a number keeps its default. Returns the keys whose values
    // were not numbers. Then sets the program's language and the derived flags. Throws
    // FileError when the file exists but cannot be read.
    std::vector<std::string> LoadSettings(const std::filesystem::path& dataFolder);
    // Writes every slot into the file, durably; other keys of the file stay. Throws FileError,
    // CodePageError for a text the file's code page cannot hold, or std::invalid_argument (in
    // the program's language) for a text with a line break; the file is then unchanged.
    void SaveSettings(const std::filesystem::path& dataFolder) const;

    // "Restore Settings": asks (message 56, caption 53; the answer is a platform button number)
    // and on Yes applies the defaults. True when they were applied; the file is written at the
    // next save.
    using YesNoQuestion = std::function<int(const std::string& text, const std::string& caption)>;
    bool RestoreSettings(const YesNoQuestion& ask);
};

// The store that the exported functions for plug-ins read (the frame window's).
SettingsStore* CurrentSettings();
void SetCurrentSettings(SettingsStore* settings);

} // namespace kvz

// Read by plug-ins: the language, and Nastavenia21 and PolohaObRadioGroup of the current store
// (0 while none is installed).
extern "C" {
__attribute__((visibility("default"))) int GetLang();
__attribute__((visibility("default"))) int GetPoloha();
__attribute__((visibility("default"))) int GetPolohaOb();
}
