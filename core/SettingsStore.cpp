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
    constexpr int kWindowText = static_cast<int>(0x80000008u);
    constexpr int kButtonHighlight = static_cast<int>(0x80000016u);

    // Address window.
    set(1, 2, 0x808000);
    set(3, 4, 0xD8D8D8);
    set(5, 5, 0xFFFFFF);
    set(6, 6, 0x00FFFF);
    set(7, 8, kWindowText);
    set(9, 9, xp ? 22 : 24);
    set(10, 12, 8);
    set(13, 16, 15);
    // Report window.
    set(17, 17, 0x808000);
    set(18, 18, 0xFFFFFF);
    set(19, 19, 8);
    set(20, 20, 15);
    set(21, 21, 0);
    set(22, 22, 1);
    // Tasks window and calendar.
    set(23, 23, 0xD8D8D8);
    set(24, 24, 0x0000FF);
    set(25, 25, 0);
    set(26, 26, 0x00FFFF);
    set(27, 27, 8);
    set(28, 30, 15);
    set(31, 31, 0xE6E6E6);
    set(32, 32, 0xA00000);
    set(33, 33, 0xFFFFFF);
    set(34, 35, 0);
    set(36, 37, 1);
    set(38, 38, 14);
    set(39, 39, 11);
    set(40, 40, 59);
    set(41, 41, 60);
    set(42, 42, 11);
    set(43, 43, 59);
    set(44, 44, 65);
    set(45, 45, 0);
    set(46, 46, 1);
    set(47, 47, 125);
    set(48, 48, 225);
    set(49, 49, 1);
    // Links window.
    set(50, 51, 0xFFFF00);
    set(52, 52, kButtonHighlight);
    set(53, 55, kWindowText);
    set(56, 56, 14);
    set(57, 58, 8);
    set(59, 61, 15);
    // Program, network mode, reports, outlook bar, envelopes, invoices, filter dialog.
    set(62, 62, 1);
    set(63, 63, 0);
    set(67, 67, 2);
    set(68, 68, 0);
    set(70, 71, 0);
    set(73, 73, 0);
    set(74, 74, 1);
    set(75, 75, 0);
    set(76, 76, 1);
    set(77, 78, 0);
    set(79, 80, 1);
    set(81, 81, 0x808080);
    set(82, 82, 0xFFFFFF);
    set(83, 83, 2);
    set(84, 84, 0);
    set(85, 85, 3);
    set(86, 86, 3);
    set(87, 87, 7);
    set(88, 88, 90);
    set(89, 89, 71);
    set(90, 90, 0);
    set(91, 92, 1);
    set(93, 95, 0);
    set(96, 96, 1);
    set(97, 97, 2);
    set(98, 98, 3);
    set(99, 99, 4);

    setText(1, 1, "Tahoma");
    setText(2, 7, "MS Sans Serif");
    setText(8, 12, "");
    setText(13, 13, "Firma");
    setText(15, 17, "MS Sans Serif");
    setText(18, 19, "");
    setText(25, 30, "");
    setText(31, 31, "Firma");

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
