#include "platform/rtl/SysInfo.h"

#include "platform/rtl/CodePage.h"

#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kvz {

namespace {

std::string HomeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return {};
}

std::string EnvOr(const char* name, const std::string& fallback) {
    if (const char* v = std::getenv(name); v && *v) return v;
    return fallback;
}

std::string ConfigHome() { return EnvOr("XDG_CONFIG_HOME", HomeFolder() + "/.config"); }
std::string DataHome() { return EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share"); }

// A folder of the XDG user-dirs file ("XDG_DESKTOP_DIR="$HOME/Desktop""), else the fallback.
std::string UserDir(const std::string& key, const std::string& fallback) {
    if (const char* v = std::getenv(key.c_str()); v && *v) return v;
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) != 0) continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
        if (!value.empty()) return value;
    }
    return HomeFolder() + "/" + fallback;
}

std::function<std::string(const std::string&)>& TypeNameProvider() {
    static std::function<std::string(const std::string&)> provider;
    return provider;
}

std::string TrimText(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

} // namespace

std::string SpecialFolderPathOf(int folder) {
    switch (folder) {
    case sfDesktop: return UserDir("XDG_DESKTOP_DIR", "Desktop");
    case sfPersonal: return UserDir("XDG_DOCUMENTS_DIR", "Documents");
    case sfAppData: return ConfigHome();
    case sfLocalAppData: return DataHome();
    case sfCommonAppData: return DataHome();
    case sfCommonDocuments: return GetSharedDocumentsFolder();
    default: return {};
    }
}

std::string GetDesktopFolder() { return SpecialFolderPathOf(sfDesktop); }
std::string GetMyDocumentsFolder() { return SpecialFolderPathOf(sfPersonal); }
std::string GetSharedDocumentsFolder() { return EnvOr("KVZIRT_SHARED_DOCUMENTS", DataHome()); }

std::string GetWindowsUserName() {
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_name)
        return std::string(result->pw_name).substr(0, 256);
    return {};
}

int WindowsVersionCodeOf(int platform, int major, int minor, const std::string& servicePack, uint32_t kernelVersion) {
    const std::string sp = TrimText(servicePack);
    if (platform == 1) {
        if (minor < 10) return sp == "B" ? 2 : 1;
        if (minor < 90) {
            if (kernelVersion == 262234) return 5;
            return sp == "A" ? 4 : 3;
        }
        if (minor == 90) return 5;
        return 0;
    }
    if (platform == 2) {
        switch (major) {
        case 3: return minor == 1 ? 6 : minor == 5 ? 7 : minor == 51 ? 8 : 0;
        case 4: return 9;
        case 5: return minor == 0 ? 10 : minor == 1 ? 11 : 0;
        default: return 0;
        }
    }
    return 0;
}

int GetWindowsVersionCode() { return WindowsVersionCodeOf(2, 5, 1, "", 0); }

std::string ShortFileExt(const std::string& fileName) {
    size_t last = fileName.find_last_of(":./\\");
    if (last != std::string::npos && fileName[last] == '.') return fileName.substr(last, 4);
    return fileName;
}

int32_t FileAttributesOf(const std::string& fileName) {
    struct stat st {};
    if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0) return -1;
    return static_cast<int32_t>(st.st_mode);
}

bool PathExists(const std::string& fileName) { return FileAttributesOf(fileName) != -1; }

std::string GetShellDisplayName(const std::string& fileName) {
    std::string name = fileName;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    size_t slash = name.find_last_of('/');
    std::string shown = slash == std::string::npos ? name : name.substr(slash + 1);
    return shown.empty() ? fileName : shown;
}

std::string GetShellFileTypeName(const std::string& fileName) {
    if (TypeNameProvider()) {
        std::string t = TrimText(TypeNameProvider()(fileName));
        if (!t.empty()) return t;
    }
    std::string ext;
    size_t last = fileName.find_last_of("./\\");
    if (last != std::string::npos && fileName[last] == '.') ext = fileName.substr(last + 1);
    std::string result = Utf8Upper(ext) + " File";
    size_t b = result.find_first_not_of(' ');
    return result.substr(b);
}

void SetShellTypeNameProvider(std::function<std::string(const std::string&)> provider) {
    TypeNameProvider() = std::move(provider);
}

std::string ProgramFileName() {
    std::vector<char> buf(4096);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    return std::string(buf.data(), static_cast<size_t>(n));
}

} // namespace kvz

namespace kvz {

std::string ModuleFileNameOf(void* handle) {
    if (!handle) return ProgramFileName();
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name || !*map->l_name) return ProgramFileName();
    return map->l_name;
}

bool ReadFixedFileVersion(const std::string&, TFixedFileInfo&) { return false; }

} // namespace kvz
