#include "core/SettingsStore.h"

#include "core/Messages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/SysInfo.h"

#include <stdexcept>

namespace kvz {

namespace {

constexpr int kWindowsXP = 11;
constexpr int kButtonYes = 6;

SettingsStore* gCurrent = nullptr;

std::string IntegerKey(int k) { return "Nastavenia" + std::to_string(k); }
std::string TextKey(int k) { return "Nastavenia_Text" + std::to_string(k); }

} // namespace

SettingsStore::ToolBarLook SettingsStore::BarLook() {
    return GetWindowsVersionCode() == kWindowsXP ? ToolBarLook{false, 0, true, 22} : ToolBarLook{};
}

void SettingsStore::ZakladneNastavenia() {
    const bool xp = GetWindowsVersionCode() == kWindowsXP;
    auto set = [this](int from, int to, int value) {
        for (int k = from; k <= to; ++k) Nastavenia[static_cast<size_t>(k)] = value;
    };
    auto setText = [this](int from, int to, const char* value) {
        for (int k = from; k <= to; ++k) NastaveniaText[static_cast<size_t>(k)] = value;
    };
    auto put = [&set](int k, int value) { set(k, k, value); };
    constexpr int kWindowText = static_cast<int>(0x80000008u);
    constexpr int kButtonHighlight = static_cast<int>(0x80000016u);

    // Address window: name edit, first-name group, memo, grid.
    set(Slot::AddressColors, Slot::AddressColors + 1, 0x808000);
    set(Slot::AddressColors + 2, Slot::AddressColors + 3, 0xD8D8D8);
    put(Slot::AddressFontColors, 0xFFFFFF);
    put(Slot::AddressFontColors + 1, 0x00FFFF);
    set(Slot::AddressFontColors + 2, Slot::AddressFontColors + 3, kWindowText);
    put(Slot::AddressFontSizes, xp ? 22 : 24);
    set(Slot::AddressFontSizes + 1, Slot::AddressFontSizes + 3, 8);
    set(Slot::AddressFontStyles, Slot::AddressFontStyles + 3, 15);
    // Report window.
    put(Slot::ReportListBack, 0x808000);
    put(Slot::ReportListFontColor, 0xFFFFFF);
    put(Slot::ReportListFontSize, 8);
    put(Slot::ReportListFontStyle, 15);
    put(Slot::EnvelopePosition, 0);
    put(Slot::FirstWeekDay, 1);
    // Tasks window and calendar.
    put(Slot::TasksGridBack, 0xD8D8D8);
    put(Slot::TasksMemoBack, 0x0000FF);
    put(Slot::TasksGridFontColor, 0);
    put(Slot::TasksMemoFontColor, 0x00FFFF);
    put(Slot::TasksGridFontSize, 8);
    put(Slot::TasksMemoStyle, 15);
    put(Slot::TasksGridStyle, 15);
    put(Slot::ReminderLead, 15);
    put(Slot::CalendarMonthBack, 0xE6E6E6);
    put(Slot::CalendarTitleBack, 0xA00000);
    put(Slot::CalendarTitleText, 0xFFFFFF);
    put(Slot::CalendarText, 0);
    put(Slot::EnvelopeFormat, 0);
    put(Slot::ActiveModule, 1);
    put(Slot::Unread37, 1);
    put(Slot::TasksMemoFontSize, 14);
    put(Slot::TasksGridWidth1, 11);
    put(Slot::TasksGridWidth2, 59);
    put(Slot::TasksGridWidth3, 60);
    put(Slot::TasksSurveyWidth1, 11);
    put(Slot::TasksSurveyWidth2, 59);
    put(Slot::TasksSurveyWidth3, 65);
    put(Slot::AddressSortIndex, 0);
    put(Slot::WeekNumbers, 1);
    put(Slot::TasksGridWidth4, 125);
    put(Slot::TasksSurveyWidth4, 225);
    put(Slot::AutoBackup, 1);
    // Links window.
    set(Slot::LinksNameBack, Slot::LinksTypeBack, 0xFFFF00);
    put(Slot::LinksGridBack, kButtonHighlight);
    set(Slot::LinksNameFontColor, Slot::LinksGridFontColor, kWindowText);
    put(Slot::LinksNameFontSize, 14);
    set(Slot::LinksTypeFontSize, Slot::LinksGridFontSize, 8);
    set(Slot::LinksNameStyle, Slot::LinksGridStyle, 15);
    // Program, network mode, reports, outlook bar, envelopes, invoices, filter dialog.
    put(Slot::UserDialogAtStart, 1);
    put(Slot::ReportKind, 0);
    put(Slot::Language, 2);
    put(Slot::AddressPage, 0);
    put(Slot::FrameLeft, 0);
    put(Slot::FrameTop, 0);
    put(Slot::NetworkMode, 0);
    put(Slot::Server, 1);
    put(Slot::Categories, 0);
    put(Slot::ReportRecordChoice, 1);
    put(Slot::ReportAddressChoice, 0);
    put(Slot::EnvelopeStyle, 0);
    put(Slot::ReportOutline, 1);
    put(Slot::PrintSender, 1);
    put(Slot::HeaderColor, 0x808080);
    put(Slot::HeaderEndColor, 0xFFFFFF);
    put(Slot::GradientType, 2);
    put(Slot::BackStyle, 0);
    put(Slot::ViewStyle, 3);
    put(Slot::LabelSampleLeft, 3);
    put(Slot::LabelSampleTop, 7);
    put(Slot::MiniatureAddressLeft, 90);
    put(Slot::MiniatureAddressTop, 71);
    put(Slot::SenderIndex, 0);
    put(Slot::AddressCompletion, 1);
    put(Slot::FilterOption, 1);
    put(Slot::EBankIndex, 0);
    put(Slot::CurrencyIndex, 0);
    put(Slot::PaymentCountry, 0);
    put(Slot::FilterRows, 1);
    put(Slot::FilterRows + 1, 2);
    put(Slot::FilterRows + 2, 3);
    put(Slot::FilterRows + 3, 4);

    NastaveniaText[TextSlot::AddressFontNames] = "Tahoma";
    setText(TextSlot::AddressFontNames + 1, TextSlot::AddressFontNames + 3, "MS Sans Serif");
    NastaveniaText[TextSlot::ReportListFontName] = "MS Sans Serif";
    NastaveniaText[TextSlot::TasksMemoFontName] = "MS Sans Serif";
    NastaveniaText[TextSlot::TasksGridFontName] = "MS Sans Serif";
    setText(TextSlot::UnreadTexts, TextSlot::UnreadTexts + 4, "");
    NastaveniaText[TextSlot::AddressSortField] = "Firma";
    setText(TextSlot::LinksNameFontName, TextSlot::LinksGridFontName, "MS Sans Serif");
    NastaveniaText[TextSlot::ServerFolder] = "";
    NastaveniaText[TextSlot::NetworkUser] = "";
    NastaveniaText[TextSlot::BackgroundFile] = "";
    setText(TextSlot::FirstEBank, TextSlot::LastEBank, "");
    NastaveniaText[TextSlot::LinksAddressField] = "Firma";

    FormHeight = xp ? 576 : 566;
    FormWidth = 753;
}

std::vector<std::string> SettingsStore::LoadSettings(const std::filesystem::path& dataFolder) {
    const IniFile ini(ExistingOrCanonical(dataFolder, kFileName));
    // The writer never writes the bare key, so the defaults come first on every load.
    if (ini.ReadString(kSection, "Nastavenia", "").empty()) ZakladneNastavenia();

    std::vector<std::string> refused;
    auto readInteger = [&](const std::string& key, int& slot) {
        if (ini.ReadString(kSection, key, "").empty()) return;
        // Both sentinels are numbers, so only a value that is not a number gives both back.
        const int a = ini.ReadInteger(kSection, key, 0);
        const int b = ini.ReadInteger(kSection, key, 1);
        if (a == b)
            slot = a;
        else
            refused.push_back(key);
    };
    for (int k = 1; k <= kIntegerCount; ++k) readInteger(IntegerKey(k), Nastavenia[static_cast<size_t>(k)]);
    for (int k = 1; k <= kTextCount; ++k) {
        std::string value = ini.ReadString(kSection, TextKey(k), "");
        if (!value.empty()) NastaveniaText[static_cast<size_t>(k)] = std::move(value);
    }
    readInteger("PolohaObRadioGroup", PolohaObRadioGroup);
    readInteger("FormHeight", FormHeight);
    readInteger("FormWidth", FormWidth);

    SetLanguage(Nastavenia[Slot::Language]);
    NetworkMode = Nastavenia[Slot::NetworkMode] == 1;
    ClientMode = Nastavenia[Slot::Server] != 1;
    FilterOption = Nastavenia[Slot::FilterOption] == 1;
    return refused;
}

void SettingsStore::SaveSettings(const std::filesystem::path& dataFolder) const {
    // A line break would start a line of its own in the file: keys and sections of its making.
    static const char* const kLineBreakTexts[] = {"A setting cannot hold a line break: ",
                                                  "Nastavenie nemôže obsahovať zalomenie riadka: ",
                                                  "Nastavení nemůže obsahovat zalomení řádku: "};
    for (int k = 1; k <= kTextCount; ++k) {
        const std::string& text = NastaveniaText[static_cast<size_t>(k)];
        if (text.find_first_of("\r\n") == std::string::npos) continue;
        throw std::invalid_argument(InLanguage(kLineBreakTexts) + TextKey(k));
    }
    IniFile ini(ExistingOrCanonical(dataFolder, kFileName));
    for (int k = 1; k <= kIntegerCount; ++k) ini.WriteInteger(kSection, IntegerKey(k), Nastavenia[static_cast<size_t>(k)]);
    for (int k = 1; k <= kTextCount; ++k) ini.WriteString(kSection, TextKey(k), NastaveniaText[static_cast<size_t>(k)]);
    ini.WriteInteger(kSection, "PolohaObRadioGroup", PolohaObRadioGroup);
    ini.WriteInteger(kSection, "FormHeight", FormHeight);
    ini.WriteInteger(kSection, "FormWidth", FormWidth);
    ini.UpdateFile();
}

bool SettingsStore::RestoreSettings(const YesNoQuestion& ask) {
    if (ask(GetMessageText(MessageId::RestoreSettings), GetMessageText(MessageId::WarningCaption)) != kButtonYes) return false;
    ZakladneNastavenia();
    return true;
}

SettingsStore* CurrentSettings() { return gCurrent; }
void SetCurrentSettings(SettingsStore* settings) { gCurrent = settings; }

} // namespace kvz

extern "C" {
int GetLang() { return kvz::Language(); }
int GetPoloha() { return kvz::CurrentSettings() ? kvz::CurrentSettings()->Nastavenia[kvz::Slot::EnvelopePosition] : 0; }
int GetPolohaOb() { return kvz::CurrentSettings() ? kvz::CurrentSettings()->PolohaObRadioGroup : 0; }
}
