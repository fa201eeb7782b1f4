#include "core/kvPluginLoader.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>
#include <iostream>
#include <memory>
#include <system_error>

namespace kvz {

namespace {

const char* Reason(TKvPluginLoadResult code) {
    switch (code) {
    case lrLoadFailed: return "the library could not be loaded";
    case lrNoRegistration: return "the library registers no plug-in";
    case lrNoObject: return "the library gave no plug-in object";
    case lrCanLoadRefused: return "the plug-in refused to be loaded";
    case lrNeedsNewer: return "the plug-in needs a newer program";
    case lrRejected: return "the plug-in rejected itself";
    case lrInstanceLimit: return "the plug-in is loaded as often as it allows";
    case lrTypeDisabled: return "plug-ins of its kind are not enabled";
    case lrNone: break;
    }
    return "";
}

struct LibraryCloser {
    void operator()(void* library) const { dlclose(library); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

// Runs a plug-in's own code; what it throws becomes the detail of a refusal.
template <class F>
bool RunPluginCode(F&& code, std::string& error) {
    try {
        code();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "the plug-in raised an error";
    }
    return false;
}

template <class T>
const std::string& IdentifierOf(const T& object) {
    static const std::string none;
    return object.Info ? object.Info->Identifier : none;
}

// Allow starts true; only an allowed plug-in learns the program, the loader and its file.
template <class T>
bool InitPlugin(T& object, TKvPluginLoader* loader, const std::string& fileName, const TPluginParams& params) {
    bool allow = true;
    if (object.OnCanLoad) object.OnCanLoad(&object, allow);
    if (allow) {
        object.Application = &Application();
        object.Loader = loader;
        object.FileName = fileName;
        if (object.OnInitialize) object.OnInitialize(&object, params);
        if (object.OnAfterInitialize) object.OnAfterInitialize(&object);
    }
    return allow;
}

template <class T>
bool PluginCanUnload(T& object) {
    bool allow = true;
    if (object.Active && object.OnCanUnload) object.OnCanUnload(&object, allow);
    return allow;
}

template <class T>
bool PluginRejects(T& object) {
    bool reject = false;
    if (object.Active && object.OnReject) object.OnReject(&object, reject);
    return reject;
}

bool HasExtension(const std::filesystem::path& file, const std::string& extension) {
    std::string have = file.extension().string(), want = "." + extension;
    return have.size() == want.size() && std::equal(have.begin(), have.end(), want.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace

TKvPluginLoader::TKvPluginLoader(TComponent* owner) : TComponent(owner) {}

TKvPluginLoader::~TKvPluginLoader() {
    // Code of a library may still be running further up (the program is ending), so the
    // libraries stay; the objects go.
    for (auto& e : normal_) delete e.object;
    for (auto& e : small_) delete e.object;
}

std::string TKvPluginLoader::Version() const {
    return std::to_string((kLoaderVersion >> 8) & 0xFF) + "." + std::to_string(kLoaderVersion & 0xFF);
}

TNormalPluginObject* TKvPluginLoader::NormalPlugins(int index) const {
    return index >= 0 && index < NormalPluginCount() ? normal_[size_t(index)].object : nullptr;
}

TSmallPluginObject* TKvPluginLoader::SmallPlugins(int index) const {
    return index >= 0 && index < SmallPluginCount() ? small_[size_t(index)].object : nullptr;
}

void TKvPluginLoader::ReadFolder(const std::filesystem::path& folder, bool recursive) {
    if (OnBeforeReadFolder) OnBeforeReadFolder(this);
    ScanFolder(folder, recursive, {});
    if (OnAfterReadFolder) OnAfterReadFolder(this);
}

void TKvPluginLoader::ReadProgramFolder() {
    ReadFolder(std::filesystem::path(Application().ExeName()).parent_path(), false);
}

void TKvPluginLoader::ScanFolder(const std::filesystem::path& folder, bool recursive, const TPluginParams& params) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    if (ec) {
        std::cerr << "KV-Zirt: the plug-in folder " << folder << " cannot be read: " << ec.message() << "\n";
        return;
    }
    for (; it != end; it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        if (path.filename().string().starts_with(".")) continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            if (recursive) ScanFolder(path, true, {});
        } else if (HasExtension(path, extension_)) {
            try {
                LoadPlugin(path, params);
            } catch (const std::exception& e) {
                // An event handler of the program failed over this plug-in; the others still load.
                std::cerr << "KV-Zirt: loading the plug-in " << path << " failed: " << e.what() << "\n";
            }
        }
    }
    if (ec) std::cerr << "KV-Zirt: the plug-in folder " << folder << " cannot be read: " << ec.message() << "\n";
}

TKvPluginLoadResult TKvPluginLoader::Refuse(const std::string& fileName, TKvPluginLoadResult code,
                                            const std::string& detail) {
    std::cerr << "KV-Zirt: the plug-in \"" << fileName << "\" was not loaded (code " << int(code)
              << "): " << Reason(code) << (detail.empty() ? "" : ": ") << detail << "\n";
    if (OnLoadError) OnLoadError(this, fileName, code);
    return code;
}

TKvPluginLoadResult TKvPluginLoader::LoadPlugin(const std::filesystem::path& fileName, const TPluginParams& params) {
    std::string name = fileName.string();
    bool canLoad = true;
    if (OnBeforeLoad) OnBeforeLoad(this, name, canLoad);
    if (!canLoad) return lrNone;

    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(fileName, ec);
    if (ec) full = fileName;
    // A pipe or a device under the name would hold the loader (and the program's start) for
    // as long as no one writes into it.
    if (!std::filesystem::is_regular_file(full, ec)) return Refuse(name, lrLoadFailed, "it is not a regular file");
    Library library(dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        const char* error = dlerror();
        return Refuse(name, lrLoadFailed, error ? error : "");
    }
    TKvPluginTypes kind = TKvPluginTypes::ptNormal;
    void* registration = dlsym(library.get(), kPlugInRegistration);
    if (!registration) {
        kind = TKvPluginTypes::ptSmall;
        registration = dlsym(library.get(), kSmallPlugInRegistration);
    }
    if (!registration) return Refuse(name, lrNoRegistration, "");
    if (!(enabledTypes_ & PluginTypeBit(kind))) return Refuse(name, lrTypeDisabled, "");

    // Accept owns the library from here: its list keeps it, or it closes on refusal.
    if (kind == TKvPluginTypes::ptNormal)
        return Accept(library.release(), registration, kind, name, full.string(), params, normal_);
    return Accept(library.release(), registration, kind, name, full.string(), params, small_);
}

template <class T>
TKvPluginLoadResult TKvPluginLoader::Accept(void* handle, void* registration, TKvPluginTypes kind,
                                            const std::string& fileName, const std::string& fullPath,
                                            const TPluginParams& params, std::vector<Entry<T>>& list) {
    Library library(handle);
    // The object is freed before its library goes (declared after it).
    std::unique_ptr<T> object;
    std::string error;
    if (!RunPluginCode([&] { object.reset(reinterpret_cast<T* (*)()>(registration)()); }, error) || !object)
        return Refuse(fileName, lrNoObject, error);

    if (object->InstanceLimit != 0) {
        const std::string& id = IdentifierOf(*object);
        auto same = std::count_if(list.begin(), list.end(), [&](const Entry<T>& e) { return IdentifierOf(*e.object) == id; });
        if (same >= object->InstanceLimit) return Refuse(fileName, lrInstanceLimit, "");
    }
    bool allowed = false;
    if (!RunPluginCode([&] { allowed = InitPlugin(*object, this, fullPath, params); }, error) || !allowed)
        return Refuse(fileName, lrCanLoadRefused, error);
    if (object->RequiredVersion > kLoaderVersion)
        return Refuse(fileName, lrNeedsNewer, "it needs version " + std::to_string(object->RequiredVersion));
    bool rejects = true;
    if (!RunPluginCode([&] { rejects = PluginRejects(*object); }, error) || rejects)
        return Refuse(fileName, lrRejected, error);

    T* accepted = object.release();
    if (accepted->Active && !accepted->ModuleHandle) accepted->ModuleHandle = library.get();
    list.push_back({accepted, library.release()});
    if (OnNewAction && accepted->Active)
        for (const TPluginAction& a : accepted->Actions)
            OnNewAction(this, a.Name, a.Image, a.HotImage, a.DisabledImage, a.Caption, a.Enabled, a.Checked, a.Hint,
                        a.ShortCut, a.OnAction);
    if (OnNewFunction && accepted->Active)
        for (TPluginFunction& f : accepted->Functions) OnNewFunction(this, f.Name, FunctionText(f));
    if (OnAfterLoad) OnAfterLoad(this, kind, TKvPluginObject(accepted));
    return lrNone;
}

bool TKvPluginLoader::UnloadPlugin(int index, TKvPluginTypes kind, bool force) {
    return kind == TKvPluginTypes::ptNormal ? Unload(normal_, index, kind, force) : Unload(small_, index, kind, force);
}

template <class T>
bool TKvPluginLoader::Unload(std::vector<Entry<T>>& list, int index, TKvPluginTypes kind, bool force) {
    bool canUnload = true;
    if (OnBeforeUnload) OnBeforeUnload(this, index, canUnload);
    if (OnAdvancedBeforeUnload) OnAdvancedBeforeUnload(this, kind, index, canUnload);
    if (!canUnload || index < 0 || index >= int(list.size())) return false;
    Entry<T> entry = list[size_t(index)];
    // A forced unload still lets the plug-in hear of it, but does not ask.
    bool agrees = true;
    std::string error;
    if (!RunPluginCode([&] { agrees = PluginCanUnload(*entry.object); }, error))
        std::cerr << "KV-Zirt: the plug-in \"" << entry.object->FileName << "\" failed on unloading: " << error << "\n";
    if (!force && !agrees) return false;
    list.erase(list.begin() + index);
    delete entry.object;
    dlclose(entry.handle);
    if (OnAfterUnLoad) OnAfterUnLoad(this);
    return true;
}

void TKvPluginLoader::UnloadAllPlugins() {
    for (int i = NormalPluginCount() - 1; i >= 0; --i) UnloadPlugin(i, TKvPluginTypes::ptNormal, true);
    for (int i = SmallPluginCount() - 1; i >= 0; --i) UnloadPlugin(i, TKvPluginTypes::ptSmall, true);
    // Whatever the answers, nothing stays listed. The objects left go; their libraries stay
    // loaded, since whoever vetoed may still hold actions whose code lives there.
    for (auto& e : normal_) delete e.object;
    for (auto& e : small_) delete e.object;
    normal_.clear();
    small_.clear();
}

std::string TKvPluginLoader::FunctionText(TPluginFunction& function) {
    std::string text;
    if (auto* b = std::get_if<bool>(&function.Value)) {
        text = *b ? "True" : "False";
    } else if (auto* i = std::get_if<int64_t>(&function.Value)) {
        text = std::to_string(*i);
    } else if (auto* d = std::get_if<double>(&function.Value)) {
        char buffer[32];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, *d);
        text.assign(buffer, ec == std::errc() ? end : buffer);
    } else if (auto* s = std::get_if<std::string>(&function.Value)) {
        text = *s;
    }
    if (function.OnGetText) function.OnGetText(&function, function.Value, text);
    return text;
}

TMenuItem* AddPluginMenuItem(TComponent* owner, TMenuItem& menu, const PluginMenuAction& action) {
    auto* item = new TMenuItem(owner);
    for (int number = 1;; ++number) {
        const std::string name = "PluginAction" + std::to_string(number);
        if (!owner || !owner->FindComponent(name)) {
            item->SetName(name);
            break;
        }
    }
    item->SetCaption(action.Caption.empty() ? action.Hint : action.Caption);
    item->SetHint(action.Hint);
    item->SetShortCut(action.ShortCut);
    if (action.Image) item->SetBitmap(*action.Image);
    item->SetEnabled(action.Enabled);
    item->SetChecked(action.Checked);
    item->OnClick = action.OnAction;
    menu.Add(item);
    return item;
}

} // namespace kvz
