// System information, special folders and file facts, over the XDG folders and POSIX calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kvz {

// Special folder numbers in the old shell's numbering.
enum SpecialFolder : int {
    sfDesktop = 0x0000,
    sfPersonal = 0x0005, // the user's documents
    sfAppData = 0x001A,
    sfLocalAppData = 0x001C,
    sfCommonAppData = 0x0023,
    sfCommonDocuments = 0x002E,
};

// The folder's path, empty when there is none.
std::string SpecialFolderPathOf(int folder);
std::string GetDesktopFolder();
std::string GetMyDocumentsFolder();
// The shared documents folder: $KVZIRT_SHARED_DOCUMENTS, else the XDG data folder.
std::string GetSharedDocumentsFolder();
// The logged-on user's name, empty when unknown.
std::string GetWindowsUserName();
// The code of the newest system the program knows (11); never fails.
int GetWindowsVersionCode();

// The version code from the platform's facts; the rule the program has always applied.
// platform 1: the old home systems, 2: the NT systems.
int WindowsVersionCodeOf(int platform, int major, int minor, const std::string& servicePack, uint32_t kernelVersion);

// When the last of ":", "." and "/" or "\" in the name is a ".": the text from that dot on,
// at most 4 characters; otherwise the whole name.
std::string ShortFileExt(const std::string& fileName);
// The file's mode bits, or -1 when there is no such file.
int32_t FileAttributesOf(const std::string& fileName);
bool PathExists(const std::string& fileName);
// The name the desktop shows for the file: its last path element; the given name when empty.
std::string GetShellDisplayName(const std::string& fileName);
// The desktop's type name of the file's kind; when none is known: the extension without its
// dot in upper case followed by " File" ("File" for a name without extension).
std::string GetShellFileTypeName(const std::string& fileName);
// The windowing layer installs the desktop's type names here; it returns empty when unknown.
void SetShellTypeNameProvider(std::function<std::string(const std::string&)> provider);
// The running program's full file name.
std::string ProgramFileName();
// The full file name of a loaded library (a handle of dlopen), the program's for none.
std::string ModuleFileNameOf(void* handle);

// The fixed version record of a file's version resource (13 32-bit words).
struct TFixedFileInfo {
    uint32_t Words[13] = {};
};
// Programs and libraries here carry no version resource: always false.
bool ReadFixedFileVersion(const std::string& fileName, TFixedFileInfo& info);

} // namespace kvz
