// The plug-in loader: finds the plug-in libraries of a folder, loads each, checks the object it
// registers against a fixed series of conditions, keeps the accepted ones and announces their
// actions and functions. Every refusal is also written to standard error with its code, so that
// an administrator learns why a plug-in is missing even where no OnLoadError is assigned.
#pragma once

#include "core/kvPlugin.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace kvz {

class TMenuItem;

enum class TKvPluginTypes { ptSmall = 0, ptNormal = 1 };
// Bits 1 << type.
using TKvPluginTypeSet = unsigned;
constexpr TKvPluginTypeSet PluginTypeBit(TKvPluginTypes type) { return 1u << unsigned(type); }
constexpr TKvPluginTypeSet kAllPluginTypes = 3;

// Why a library was refused; 0 when nothing was reported.
enum TKvPluginLoadResult : int {
    lrNone = 0,
    lrLoadFailed = 1,      // the library could not be loaded
    lrNoRegistration = 2,  // it exports neither registration function
    lrNoObject = 3,        // its registration function gave no object
    lrCanLoadRefused = 4,  // the plug-in's OnCanLoad refused
    lrNeedsNewer = 5,      // it needs a newer loader
    lrRejected = 6,        // it rejected itself
    lrInstanceLimit = 7,   // enough plug-ins with its identifier are loaded
    lrTypeDisabled = 8     // its kind is not enabled
};

using TKvPluginObject = std::variant<TSmallPluginObject*, TNormalPluginObject*>;

using TEventBeforeLoad = std::function<void(TComponent* sender, const std::string& fileName, bool& canLoad)>;
using TEventAfterLoad = std::function<void(TComponent* sender, TKvPluginTypes pluginType, TKvPluginObject plugin)>;
using TEventBeforeUnloadPlugin = std::function<void(TComponent* sender, int index, bool& canUnload)>;
using TEventAdvancedBeforeUnloadPlugin =
    std::function<void(TComponent* sender, TKvPluginTypes pluginType, int index, bool& canUnload)>;
using TEventNewAction = std::function<void(TComponent* sender, const std::string& name, TBitmap* image,
                                           TBitmap* hotImage, TBitmap* disabledImage, const std::string& caption,
                                           bool enabled, bool checked, const std::string& hint, TShortCut shortCut,
                                           const TNotifyEvent& onAction)>;
using TEventNewFunction = std::function<void(TComponent* sender, const std::string& name, const std::string& text)>;
using TEventOnLoadError = std::function<void(TComponent* sender, const std::string& fileName, TKvPluginLoadResult error)>;
using TEventMessage = std::function<void(TComponent* sender, const std::string& message, int param, bool& handled)>;
using TEventAdvancedMessage = std::function<void(TComponent* sender, const std::string& message, int param,
                                                 TComponent* object, bool& handled)>;

class TKvPluginLoader : public TComponent {
public:
    static constexpr uint32_t kLoaderVersion = 314;

    explicit TKvPluginLoader(TComponent* owner);
    // Unloads what is left; the libraries of plug-ins still listed stay loaded to the end.
    ~TKvPluginLoader() override;

    TKvPluginTypeSet EnabledTypes() const { return enabledTypes_; }
    void SetEnabledTypes(TKvPluginTypeSet types) { enabledTypes_ = types; }
    // "1.58": the high and the low byte of the loader version.
    std::string Version() const;
    void SetVersion(const std::string&) {}
    // Without the point.
    const std::string& Extension() const { return extension_; }
    void SetExtension(const std::string& extension) { extension_ = extension; }

    // Fires OnBeforeReadFolder, scans, fires OnAfterReadFolder.
    void ReadFolder(const std::filesystem::path& folder, bool recursive);
    // The frame window's scan: the folder of the running program, without its sub-folders (not
    // the current folder, nor any library search path).
    void ReadProgramFolder();
    // Loads every file of the folder whose extension is "." + Extension in any case; names
    // beginning with "." are skipped; sub-folders are scanned only when recursive. A library
    // that is refused or fails never stops the scan.
    void ScanFolder(const std::filesystem::path& folder, bool recursive, const TPluginParams& params);
    // Loads one library by its path (made absolute, so that no library search path is asked).
    TKvPluginLoadResult LoadPlugin(const std::filesystem::path& fileName, const TPluginParams& params);
    // True when the plug-in at index of the kind's list was unloaded.
    bool UnloadPlugin(int index, TKvPluginTypes kind, bool force);
    void UnloadAllPlugins();

    int NormalPluginCount() const { return int(normal_.size()); }
    int SmallPluginCount() const { return int(small_.size()); }
    TNormalPluginObject* NormalPlugins(int index) const;
    TSmallPluginObject* SmallPlugins(int index) const;

    TEventBeforeLoad OnBeforeLoad;
    TEventAfterLoad OnAfterLoad;
    TEventBeforeUnloadPlugin OnBeforeUnload;
    TEventAdvancedBeforeUnloadPlugin OnAdvancedBeforeUnload;
    TNotifyEvent OnAfterUnLoad;
    TEventNewAction OnNewAction;
    TEventNewFunction OnNewFunction;
    TNotifyEvent OnBeforeReadFolder;
    TNotifyEvent OnAfterReadFolder;
    TEventOnLoadError OnLoadError;
    // For plug-ins to call into the program; the loader never fires them.
    TEventMessage OnCallBack;
    TEventAdvancedMessage OnAdvancedCallBack;

    // The value as text: integers in decimal, numbers with a point, "True"/"False", nothing
    // for an empty value; then the function's OnGetText may change it.
    static std::string FunctionText(TPluginFunction& function);

private:
    template <class T>
    struct Entry {
        T* object;
        void* handle;  // as dlopen gave it
    };
    template <class T>
    TKvPluginLoadResult Accept(void* library, void* registration, TKvPluginTypes kind, const std::string& fileName,
                               const std::string& fullPath, const TPluginParams& params, std::vector<Entry<T>>& list);
    template <class T>
    bool Unload(std::vector<Entry<T>>& list, int index, TKvPluginTypes kind, bool force);
    TKvPluginLoadResult Refuse(const std::string& fileName, TKvPluginLoadResult code, const std::string& detail);

    TKvPluginTypeSet enabledTypes_ = kAllPluginTypes;
    std::string extension_ = "MAX";
    std::vector<Entry<TNormalPluginObject>> normal_;
    std::vector<Entry<TSmallPluginObject>> small_;
};

// What an announced plug-in action gives its menu item.
struct PluginMenuAction {
    std::string Caption, Hint;
    bool Enabled = true, Checked = false;
    TShortCut ShortCut = 0;
    TBitmap* Image = nullptr; // may be absent
    TNotifyEvent OnAction;
};

// The menu item of an announced plug-in action, added under the menu: the action's caption (its
// hint when it has none), hint, shortcut, picture, enabled and checked state and handler. Its
// name is "PluginAction" and a number that no other component of the owner has, never the
// action's own name: two plug-ins may name their actions alike, and a name could be one of the
// window's own.
TMenuItem* AddPluginMenuItem(TComponent* owner, TMenuItem& menu, const PluginMenuAction& action);

} // namespace kvz
