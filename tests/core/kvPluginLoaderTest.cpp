#include "core/kvPluginLoader.h"

#include "TempFolder.h"
#include "TestPlugin.h"
#include "core/Messages.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace kvz;

namespace {
TestPluginScript gScript;
}
extern "C" __attribute__((visibility("default"))) TestPluginScript* kvzTestPluginScript() { return &gScript; }

namespace {

using Log = std::vector<std::string>;
const Log kAccepted = {"register", "canload", "initialize 0", "afterinitialize", "reject"};

class PluginLoaderTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        gScript = {};
        loader.OnLoadError = [this](TComponent*, const std::string& file, TKvPluginLoadResult code) {
            errors.push_back(fs::path(file).filename().string() + " " + std::to_string(code));
        };
    }

    // A copy of a built test plug-in (normal, small, both, none) under the name.
    fs::path Copy(const std::string& kind, const std::string& name) {
        fs::path to = folder.path() / name;
        fs::create_directories(to.parent_path());
        fs::copy_file(fs::path(KVZ_TEST_PLUGINS) / ("test_" + kind + ".MAX"), to);
        return to;
    }
    static bool Loaded(const fs::path& file) {
        void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h) dlclose(h);
        return h != nullptr;
    }

    TempFolder folder;
    TKvPluginLoader loader{nullptr};
    std::vector<std::string> errors;
};

TEST_F(PluginLoaderTest, RefusesWithTheCodeOfTheFirstFailedCheckAndReleasesEverything) {
    struct Case {
        std::string kind;
        std::function<void()> script;
        TKvPluginTypeSet enabled;
        TKvPluginLoadResult code;
        Log log;
    };
    const std::vector<Case> cases = {
        {"", [] {}, kAllPluginTypes, lrLoadFailed, {}},
        {"none", [] {}, kAllPluginTypes, lrNoRegistration, {}},
        // The kind is checked before the library is asked for its object.
        {"small", [] {}, PluginTypeBit(TKvPluginTypes::ptNormal), lrTypeDisabled, {}},
        {"normal", [] {}, PluginTypeBit(TKvPluginTypes::ptSmall), lrTypeDisabled, {}},
        {"normal", [] { gScript.GiveObject = false; }, kAllPluginTypes, lrNoObject, {"register"}},
        // A negative limit refuses every instance, before the plug-in is initialised.
        {"small", [] { gScript.InstanceLimit = -1; }, kAllPluginTypes, lrInstanceLimit, {"register", "free"}},
        {"normal", [] { gScript.CanLoad = false; }, kAllPluginTypes, lrCanLoadRefused, {"register", "canload", "free"}},
        {"small", [] { gScript.FailInitialize = true; }, kAllPluginTypes, lrCanLoadRefused,
         {"register", "canload", "initialize 0", "free"}},
        // Initialised first, then found too new.
        {"normal", [] { gScript.RequiredVersion = 315; }, kAllPluginTypes, lrNeedsNewer,
         {"register", "canload", "initialize 0", "afterinitialize", "free"}},
        {"small", [] { gScript.Reject = true; }, kAllPluginTypes, lrRejected,
         {"register", "canload", "initialize 0", "afterinitialize", "reject", "free"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        gScript = {};
        c.script();
        errors.clear();
        std::string name = "case" + std::to_string(n++) + ".MAX";
        fs::path file = folder.path() / name;
        if (c.kind.empty())
            std::ofstream(file) << "not a library";
        else
            Copy(c.kind, name);
        loader.SetEnabledTypes(c.enabled);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(loader.LoadPlugin(file, {}), c.code);
        std::string logged = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(logged.find(name), std::string::npos) << logged;
        EXPECT_NE(logged.find("(code " + std::to_string(c.code) + ")"), std::string::npos) << logged;
        EXPECT_EQ(errors, std::vector<std::string>{name + " " + std::to_string(c.code)});
        EXPECT_EQ(gScript.Log, c.log);
        EXPECT_FALSE(Loaded(file));
        EXPECT_EQ(loader.NormalPluginCount() + loader.SmallPluginCount(), 0);
    }
}

TEST_F(PluginLoaderTest, AcceptsBothKindsAndAnnouncesTheirActionsAndFunctions) {
    SetLanguage(3);
    gScript.RequiredVersion = 314;
    std::vector<std::string> seen;
    loader.OnNewAction = [&](TComponent*, const std::string& name, TBitmap* image, TBitmap*, TBitmap*,
                             const std::string& caption, bool enabled, bool checked, const std::string& hint,
                             TShortCut shortCut, const TNotifyEvent& onAction) {
        seen.push_back(name + "|" + caption + "|" + std::to_string(enabled) + std::to_string(checked) + "|" + hint +
                       "|" + std::to_string(shortCut) + "|" + (image ? "image" : "-"));
        onAction(nullptr);
    };
    loader.OnNewFunction = [&](TComponent*, const std::string& name, const std::string& text) {
        seen.push_back(name + "=" + text);
    };
    std::vector<TKvPluginTypes> kinds;
    loader.OnAfterLoad = [&](TComponent*, TKvPluginTypes kind, TKvPluginObject) { kinds.push_back(kind); };

    fs::path normal = Copy("normal", "a.MAX"), small = Copy("small", "b.MAX"), both = Copy("both", "c.MAX");
    for (const fs::path& f : {normal, small, both}) EXPECT_EQ(loader.LoadPlugin(f, {"x", "y"}), lrNone);

    EXPECT_EQ(kinds, (std::vector{TKvPluginTypes::ptNormal, TKvPluginTypes::ptSmall, TKvPluginTypes::ptNormal}));
    ASSERT_EQ(loader.NormalPluginCount(), 2);
    ASSERT_EQ(loader.SmallPluginCount(), 1);
    const std::vector<std::string> announced = {"First|&First|10|First hint|16454|-", "Second|&Second|11|Second hint|8305|-",
                                                "Lang=3", "Half=0.5 (half)"};
    EXPECT_EQ(seen.size(), 3 * announced.size());
    EXPECT_TRUE(std::equal(announced.begin(), announced.end(), seen.begin()));
    EXPECT_EQ(std::count(gScript.Log.begin(), gScript.Log.end(), "action Second"), 3);
    EXPECT_EQ(std::count(gScript.Log.begin(), gScript.Log.end(), "initialize 2"), 3);

    TSmallPluginObject* s = loader.SmallPlugins(0);
    EXPECT_EQ(s->FileName, small.string());
    EXPECT_EQ(s->Loader, &loader);
    EXPECT_EQ(s->Application, &Application());
    void* handle = dlopen(small.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(s->ModuleHandle, handle);
    dlclose(handle);
    EXPECT_EQ(loader.NormalPlugins(1)->FileName, both.string());
    EXPECT_EQ(loader.NormalPlugins(2), nullptr);
    EXPECT_EQ(loader.SmallPlugins(-1), nullptr);
    EXPECT_EQ(loader.Version(), "1.58");

    gScript.Log.clear();
    loader.UnloadAllPlugins();
    EXPECT_EQ(loader.NormalPluginCount() + loader.SmallPluginCount(), 0);
    EXPECT_EQ(gScript.Log, (Log{"canunload", "free", "canunload", "free", "canunload", "free"}));
    for (const fs::path& f : {normal, small, both}) EXPECT_FALSE(Loaded(f));
    SetLanguage(2);
}

TEST_F(PluginLoaderTest, InstanceLimitCountsTheSameIdentifierOfTheSameKindExactly) {
    struct Case {
        std::string kind, identifier;
        int32_t limit;
        TKvPluginLoadResult code;
    };
    const std::vector<Case> cases = {
        {"normal", "Tool", 1, lrNone},
        {"normal", "Tool", 1, lrInstanceLimit},  // the same identifier
        {"normal", "tool", 1, lrNone},           // differs in case only
        {"small", "Tool", 1, lrNone},            // the other kind does not count
        {"normal", "Tool", 0, lrNone},           // no limit
        {"normal", "Tool", 0, lrNone},
        {"normal", "Tool", 3, lrInstanceLimit},  // three "Tool" of the normal kind are loaded
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        gScript.Identifier = c.identifier;
        gScript.InstanceLimit = c.limit;
        fs::path file = Copy(c.kind, "p" + std::to_string(n++) + ".MAX");
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(loader.LoadPlugin(file, {}), c.code);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(Loaded(file), c.code == lrNone);
    }
    EXPECT_EQ(loader.NormalPluginCount(), 4);
    EXPECT_EQ(loader.SmallPluginCount(), 1);
}

TEST_F(PluginLoaderTest, AnInactivePluginOffersNothingAndNeverObjects) {
    gScript.Active = false;
    gScript.Reject = true;
    gScript.CanUnload = false;
    int announced = 0;
    loader.OnNewAction = [&](auto&&...) { ++announced; };
    loader.OnNewFunction = [&](auto&&...) { ++announced; };
    ASSERT_EQ(loader.LoadPlugin(Copy("small", "p.MAX"), {}), lrNone);
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(loader.SmallPlugins(0)->ModuleHandle, nullptr);
    EXPECT_TRUE(loader.UnloadPlugin(0, TKvPluginTypes::ptSmall, false));
    EXPECT_EQ(gScript.Log, (Log{"register", "canload", "initialize 0", "afterinitialize", "free"}));
}

TEST_F(PluginLoaderTest, VetoesOfTheProgramAndThePlugin) {
    fs::path vetoed = Copy("normal", "vetoed.MAX");
    loader.OnBeforeLoad = [&](TComponent*, const std::string& file, bool& canLoad) { canLoad = file != vetoed.string(); };
    EXPECT_EQ(loader.LoadPlugin(vetoed, {}), lrNone);
    EXPECT_TRUE(gScript.Log.empty());
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(Loaded(vetoed));
    EXPECT_EQ(loader.NormalPluginCount(), 0);

    gScript.CanUnload = false;
    fs::path kept = Copy("normal", "kept.MAX");
    ASSERT_EQ(loader.LoadPlugin(kept, {}), lrNone);
    std::vector<std::string> events;
    loader.OnBeforeUnload = [&](TComponent*, int index, bool& can) {
        events.push_back("before " + std::to_string(index));
        can = index != 5;
    };
    loader.OnAdvancedBeforeUnload = [&](TComponent*, TKvPluginTypes, int index, bool& can) {
        events.push_back("advanced " + std::to_string(index) + (can ? " yes" : " no"));
    };
    loader.OnAfterUnLoad = [&](TComponent*) { events.push_back("after"); };
    gScript.Log.clear();
    EXPECT_FALSE(loader.UnloadPlugin(5, TKvPluginTypes::ptNormal, true));  // vetoed by the program
    EXPECT_FALSE(loader.UnloadPlugin(1, TKvPluginTypes::ptNormal, true));  // no such index
    EXPECT_FALSE(loader.UnloadPlugin(0, TKvPluginTypes::ptNormal, false)); // the plug-in says no
    EXPECT_EQ(loader.NormalPluginCount(), 1);
    EXPECT_TRUE(Loaded(kept));
    EXPECT_TRUE(loader.UnloadPlugin(0, TKvPluginTypes::ptNormal, true));   // forced: asked, not heard
    EXPECT_FALSE(Loaded(kept));
    EXPECT_EQ(events, (std::vector<std::string>{"before 5", "advanced 5 no", "before 1", "advanced 1 yes", "before 0",
                                                "advanced 0 yes", "before 0", "advanced 0 yes", "after"}));
    EXPECT_EQ(gScript.Log, (Log{"canunload", "canunload", "free"}));
}

TEST_F(PluginLoaderTest, FolderScanLoadsTheExtensionInAnyCaseAndNothingElse) {
    for (const char* name : {"tool.max", "TOOL.Max", "tool.maxx", "tool", ".hidden.MAX", "sub/inner.MAX"}) Copy("normal", name);
    std::ofstream(folder.path() / "broken.MAX") << "not a library";
    std::vector<std::string> events;
    loader.OnBeforeReadFolder = [&](TComponent*) { events.push_back("before"); };
    loader.OnAfterReadFolder = [&](TComponent*) { events.push_back("after"); };
    loader.OnAfterLoad = [&](TComponent*, TKvPluginTypes, TKvPluginObject plugin) {
        events.push_back(fs::path(std::get<TNormalPluginObject*>(plugin)->FileName).filename().string());
    };
    ::testing::internal::CaptureStderr();
    loader.ReadFolder(folder.path(), false);
    std::string logged = ::testing::internal::GetCapturedStderr();
    std::sort(events.begin() + 1, events.end() - 1);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "TOOL.Max", "tool.max", "after"}));
    EXPECT_EQ(errors, std::vector<std::string>{"broken.MAX 1"});
    EXPECT_NE(logged.find("broken.MAX\" was not loaded (code 1)"), std::string::npos) << logged;

    loader.UnloadAllPlugins();
    ::testing::internal::CaptureStderr();
    loader.ReadFolder(folder.path(), true);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(loader.NormalPluginCount(), 3);
}

TEST_F(PluginLoaderTest, APipeOrADeviceUnderThePluginExtensionIsNotOpened) {
    Copy("normal", "tool.MAX");
    ASSERT_EQ(::mkfifo((folder.path() / "pipe.MAX").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", folder.path() / "zero.MAX");
    // In a child that a hang cannot keep: a pipe nobody writes into holds its reader forever.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(20);
        ::testing::internal::CaptureStderr();
        loader.ReadFolder(folder.path(), false);
        ::testing::internal::GetCapturedStderr();
        std::sort(errors.begin(), errors.end());
        const bool refused = errors == std::vector<std::string>{"pipe.MAX 1", "zero.MAX 1"};
        ::_exit(refused && loader.NormalPluginCount() == 1 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(PluginLoaderTest, TheProgramFolderIsTheFolderOfTheRunningProgram) {
    // The test plug-ins are built beside this test program.
    ::testing::internal::CaptureStderr();
    loader.ReadProgramFolder();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(loader.NormalPluginCount(), 2);  // test_normal, test_both
    EXPECT_EQ(loader.SmallPluginCount(), 1);   // test_small
    EXPECT_EQ(errors, std::vector<std::string>{"test_none.MAX 2"});
    loader.UnloadAllPlugins();

    // A bare name is a file of the current folder, never one found on a library search path;
    // the plug-in learns its full path.
    Copy("small", "bare.MAX");
    fs::path before = fs::current_path();
    fs::current_path(folder.path());
    EXPECT_EQ(loader.LoadPlugin("bare.MAX", {}), lrNone);
    fs::current_path(before);
    ASSERT_EQ(loader.SmallPluginCount(), 1);
    EXPECT_EQ(loader.SmallPlugins(0)->FileName, (folder.path() / "bare.MAX").string());
}

} // namespace
