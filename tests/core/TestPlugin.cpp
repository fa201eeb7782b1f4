// A plug-in that does what the test's script says. Built as test_normal.MAX (normal kind),
// test_small.MAX (small kind), test_both.MAX (both registrations) and test_none.MAX (neither).
#include "core/kvPlugin.h"
#include "TestPlugin.h"

#include <stdexcept>

extern "C" int GetLang();

namespace {

template <class Kind>
class Plugin : public Kind {
public:
    Plugin() {
        TestPluginScript& s = *kvzTestPluginScript();
        info_.Identifier = s.Identifier;
        this->Info = &info_;
        this->Active = s.Active;
        this->InstanceLimit = s.InstanceLimit;
        this->RequiredVersion = s.RequiredVersion;
        for (const char* name : {"First", "Second"}) {
            kvz::TPluginAction a;
            a.Name = name;
            a.Caption = std::string("&") + name;
            a.Hint = std::string(name) + " hint";
            a.Checked = a.Name == "Second";
            a.ShortCut = a.Name == "First" ? 0x4000 | 'F' : 0x2000 | 0x71; // Ctrl+F, Shift+F2
            if (a.Name == "First") a.Image = s.FirstImage;
            a.OnAction = [n = std::string(name)](kvz::TComponent*) { Log("action " + n); };
            this->Actions.push_back(a);
        }
        // The program's exported function, as a plug-in finds it.
        this->Functions.push_back({"Lang", int64_t(GetLang()), nullptr});
        this->Functions.push_back({"Half", 0.5, [](kvz::TPluginFunction*, const kvz::TPluginValue&, std::string& text) {
                                       text += " (half)";
                                   }});
        this->OnCanLoad = [](Kind*, bool& allow) {
            Log("canload");
            allow = kvzTestPluginScript()->CanLoad;
        };
        this->OnInitialize = [](Kind*, const kvz::TPluginParams& params) {
            Log("initialize " + std::to_string(params.size()));
            if (kvzTestPluginScript()->FailInitialize) throw std::runtime_error("the plug-in is broken");
        };
        this->OnAfterInitialize = [](Kind*) { Log("afterinitialize"); };
        this->OnReject = [](Kind*, bool& reject) {
            Log("reject");
            reject = kvzTestPluginScript()->Reject;
        };
        this->OnCanUnload = [](Kind*, bool& allow) {
            Log("canunload");
            allow = kvzTestPluginScript()->CanUnload;
        };
    }
    ~Plugin() override { Log("free"); }

private:
    static void Log(const std::string& line) { kvzTestPluginScript()->Log.push_back(line); }
    kvz::TPluginInfo info_;
};

template <class Kind>
Kind* Register() {
    kvzTestPluginScript()->Log.push_back("register");
    return kvzTestPluginScript()->GiveObject ? new Plugin<Kind>() : nullptr;
}

} // namespace

#if defined(KVZ_PLUGIN_NORMAL)
extern "C" __attribute__((visibility("default"))) kvz::TNormalPluginObject* kvPlugInRegistration() {
    return Register<kvz::TNormalPluginObject>();
}
#endif
#if defined(KVZ_PLUGIN_SMALL)
extern "C" __attribute__((visibility("default"))) kvz::TSmallPluginObject* kvSmallPlugInRegistration() {
    return Register<kvz::TSmallPluginObject>();
}
#endif
