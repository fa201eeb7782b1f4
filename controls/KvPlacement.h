// Values and window placements kept in a profile file or in the registry stand-in (a profile
// file in the user's configuration folder whose sections lie under a key), and the placement
// component that saves a form's position and state and brings them back.
#pragma once

#include "platform/forms/Forms.h"
#include "platform/rtl/IniFile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// A profile file as storage.
class TIniStorage {
public:
    explicit TIniStorage(std::filesystem::path file);
    virtual ~TIniStorage() = default;
    IniFile& File() { return file_; }
    // The section as it is named in the file.
    virtual std::string SectionName(std::string_view section) const { return std::string(section); }
    void UpdateFile() { file_.UpdateFile(); }

private:
    IniFile file_;
};

// The registry stand-in.
class TRegIniStorage : public TIniStorage {
public:
    explicit TRegIniStorage(std::string key);
    std::string SectionName(std::string_view section) const override;
    const std::string& Key() const { return key_; }

private:
    std::string key_;
};

// The folder of the user's configuration files ($XDG_CONFIG_HOME, else ~/.config).
std::filesystem::path UserConfigFolder();
// The file that stands in for the registry.
std::filesystem::path RegistryFileName();

// No storage reads as the defaults and writes nothing.
std::string ReadIniOrRegString(TIniStorage* storage, std::string_view section, std::string_view key, std::string_view def);
int ReadIniOrRegInteger(TIniStorage* storage, std::string_view section, std::string_view key, int def);
// In a profile file a value wrapped in quotes gets one more pair, so that it reads back unchanged.
void WriteIniOrRegString(TIniStorage* storage, std::string_view section, std::string_view key, std::string_view value);
void WriteIniOrRegInteger(TIniStorage* storage, std::string_view section, std::string_view key, int value);
void EraseIniOrRegSection(TIniStorage* storage, std::string_view section);

// The class name of a component as the program names it ("TAdresyChildForm").
std::string ClassNameOf(const TComponent& component);
std::string ComponentIniName(const TComponent* component);
// The program's file name with ".INI"; "Software\" and the program's name.
std::string DefaultIniFileName();
std::string DefaultRegistryKey();
// "(1024x768)" for the screen's width and height.
std::string ScreenSizeSuffix();
// The value under the key followed by the screen size, else under the plain key.
std::string ReadScreenKey(TIniStorage* storage, std::string_view section, std::string_view key);
// Writes under both keys.
void WriteScreenKey(TIniStorage* storage, std::string_view section, std::string_view key, std::string_view value);

void SaveFormPlacement(TForm& form, TIniStorage* storage, std::string_view section);
void RestoreFormPlacement(TForm& form, TIniStorage* storage, std::string_view section, bool restorePosition,
                          bool restoreState);

// Size limits of a form: all 0 is none.
class TWinMinMaxInfo {
public:
    enum Index { MaxPosLeft, MaxPosTop, MaxSizeHeight, MaxSizeWidth, MaxTrackHeight, MaxTrackWidth, MinTrackHeight,
                 MinTrackWidth };
    int Value(Index i) const { return values_[i]; }
    void SetValue(Index i, int value);
    bool IsEmpty() const;
    void Assign(const TWinMinMaxInfo& other);
    std::function<void()> OnChange;

private:
    int values_[8] = {};
};

enum TPlacementOption : unsigned { fpState = 1, fpPosition = 2, fpActiveControl = 4 };
enum class TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

class TFormPlacement;

// Another component's settings saved and restored with the placement, in its storage.
class TIniLink {
public:
    TIniLink() = default;
    ~TIniLink();
    TIniLink(const TIniLink&) = delete;
    TIniLink& operator=(const TIniLink&) = delete;
    TFormPlacement* Placement() const { return placement_; }
    void SetPlacement(TFormPlacement* placement);
    // The placement's open storage; none while it is closed.
    TIniStorage* Storage() const;
    // IniSection as set, followed by "\"; empty when it is empty.
    std::string RootSection() const;
    std::function<void()> OnSave, OnLoad;

private:
    TFormPlacement* placement_ = nullptr;
};

// Saves the owner form's placement when it closes and restores it when it is shown. Make it
// after the form's own OnShow, OnCloseQuery and OnDestroy are set: it runs in front of them.
class TFormPlacement : public TComponent {
public:
    explicit TFormPlacement(TForm* owner);
    ~TFormPlacement() override;

    bool Active() const { return active_; }
    void SetActive(bool on) { active_ = on; }
    const std::string& IniFileName() const { return iniFileName_; }
    void SetIniFileName(std::string_view name) { iniFileName_ = std::string(name); }
    const std::string& IniSection() const { return iniSection_; }
    void SetIniSection(std::string_view section) { iniSection_ = std::string(section); }
    TWinMinMaxInfo& MinMaxInfo() { return minMaxInfo_; }
    unsigned Options() const { return options_; }
    void SetOptions(unsigned options) { options_ = options; }
    bool PreventResize() const { return preventResize_; }
    void SetPreventResize(bool on);
    TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
    void SetRegistryRoot(TPlacementRegRoot root) { registryRoot_ = root; }
    bool UseRegistry() const { return useRegistry_; }
    void SetUseRegistry(bool on) { useRegistry_ = on; }
    int Version() const { return version_; }
    void SetVersion(int version) { version_ = version; }
    TNotifyEvent OnSavePlacement, OnRestorePlacement;

    void SaveFormPlacement();
    void RestoreFormPlacement();
    TIniStorage* Storage() const { return storage_.get(); }

private:
    friend class TIniLink;
    TForm& Form() const { return *static_cast<TForm*>(Owner()); }
    std::string Section() const;
    // The storage stays open while the result lives.
    struct Opened {
        TFormPlacement* placement;
        ~Opened() { placement->storage_.reset(); }
    };
    [[nodiscard]] Opened Open();
    void ApplyLimits();
    void Save(bool destroying);

    bool active_ = true, preventResize_ = false, useRegistry_ = false;
    bool restored_ = false, saved_ = false, hadMaximize_ = true;
    std::string iniFileName_, iniSection_;
    TWinMinMaxInfo minMaxInfo_;
    unsigned options_ = fpState | fpPosition;
    TPlacementRegRoot registryRoot_ = TPlacementRegRoot::prCurrentUser;
    int version_ = 0;
    std::unique_ptr<TIniStorage> storage_;
    std::vector<TIniLink*> links_;
    TNotifyEvent savedShow_, savedDestroy_;
    TCloseQueryEvent savedCloseQuery_;
};

} // namespace kvz
