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
