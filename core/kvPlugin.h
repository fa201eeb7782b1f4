// What a plug-in library and the program share. A plug-in is a shared library with the extension
// ".MAX" in the program's folder that exports, with C linkage, one of
//
//     extern "C" kvz::TNormalPluginObject* kvPlugInRegistration();
//     extern "C" kvz::TSmallPluginObject* kvSmallPlugInRegistration();
//
// The function makes the plug-in object with new; from then on the program owns it: it reads
// and writes the fields below, runs the events, and deletes the object before it releases the
// library. The program also exports GetLang, GetPoloha and GetPolohaOb (C linkage, no
// arguments, int result) for plug-ins to call. A plug-in is built against this header only; the
// symbols it uses from the program (TComponent's) are found in the running program.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Component.h"

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace kvz {

class TBitmap;
class TKvPluginLoader;

// A key code with the shift bits (Shift 0x2000, Ctrl 0x4000, Alt 0x8000).
using TShortCut = uint16_t;
// What the program hands to OnInitialize; the folder scan passes an empty list.
using TPluginParams = std::vector<std::string>;
using TPluginValue = std::variant<std::monostate, bool, int64_t, double, std::string>;

// A command the plug-in offers; the program makes a menu item of it.
struct TPluginAction {
    std::string Name;
    bool Enabled = true;
    bool Checked = false;
    std::string Caption;
    TShortCut ShortCut = 0;
    std::string Hint;
    // Owned by the plug-in; may be absent.
    TBitmap* Image = nullptr;
    TBitmap* HotImage = nullptr;
    TBitmap* DisabledImage = nullptr;
    TNotifyEvent OnAction;
};

// A named value the plug-in offers as text.
struct TPluginFunction {
    std::string Name;
    TPluginValue Value;
    // May replace the text made of the value.
    std::function<void(TPluginFunction* sender, const TPluginValue& value, std::string& text)> OnGetText;
};

struct TPluginInfo {
    // Plug-ins with the same identifier count together against InstanceLimit (exact case).
    std::string Identifier;
};

// What both kinds of plug-in object hold, events typed on the kind itself.
template <class Self>
struct TPluginObjectFields {
    using InitializeEvent = std::function<void(Self* sender, const TPluginParams& params)>;
    using AllowEvent = std::function<void(Self* sender, bool& allow)>;
    using NotifyEvent = std::function<void(Self* sender)>;

    // Without it the plug-in offers nothing, keeps no handle, never rejects itself and always
    // agrees to be unloaded.
    bool Active = true;
    std::vector<TPluginAction> Actions;
    std::vector<TPluginFunction> Functions;
    TComponent* Application = nullptr;
    TPluginInfo* Info = nullptr;
    // The lowest loader version the plug-in works with (the loader's is 314).
    uint16_t RequiredVersion = 0;
    void* ModuleHandle = nullptr;
    // Most instances with the same Info->Identifier; 0 for no limit, below 0 for none at all.
    int32_t InstanceLimit = 0;
    AllowEvent OnCanLoad;
    AllowEvent OnCanUnload;
    NotifyEvent OnAfterInitialize;
    InitializeEvent OnInitialize;
    // Set Reject to refuse to be loaded after all.
    AllowEvent OnReject;
    TKvPluginLoader* Loader = nullptr;
    std::string FileName;
};

// A plug-in of the small kind: a plain object.
class TSmallPluginObject : public TPluginObjectFields<TSmallPluginObject> {
public:
    virtual ~TSmallPluginObject() = default;
};

// A plug-in of the normal kind: a component.
class TNormalPluginObject : public TComponent, public TPluginObjectFields<TNormalPluginObject> {
public:
    explicit TNormalPluginObject(TComponent* owner = nullptr) : TComponent(owner) {}
};

// The names the program looks for in a plug-in library.
inline constexpr const char* kPlugInRegistration = "kvPlugInRegistration";
inline constexpr const char* kSmallPlugInRegistration = "kvSmallPlugInRegistration";

} // namespace kvz
