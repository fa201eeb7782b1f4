#include "platform/rtl/FileNames.h"

#include "platform/rtl/Files.h"

#include <cerrno>
#include <climits>

#include <unistd.h>

namespace kvz {

bool IsSafeFileNamePart(std::string_view text) {
    if (text.find('/') != std::string_view::npos || text.find('\\') != std::string_view::npos ||
        text.find("..") != std::string_view::npos)
        return false;
    bool nonBlank = false;
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return false;
        if (c != ' ') nonBlank = true;
    }
    return nonBlank;
}

void CheckFileNamePart(std::string_view text) {
    if (!IsSafeFileNamePart(text))
        throw FileError("Invalid file name \"" + std::string(text) + "\"", std::string(text), EINVAL);
}

bool IsSafeUserName(std::string_view name, const std::filesystem::path& folder, std::size_t longestSuffix) {
    if (!IsSafeFileNamePart(name) || name.front() == '.' || name.front() == ' ' || name.back() == ' ') return false;
    // A folder that cannot be asked (not there yet) is judged by the common limit.
    long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0) limit = NAME_MAX;
    return name.size() + longestSuffix <= static_cast<std::size_t>(limit);
}

bool IsSafeRelativePath(const std::filesystem::path& path) {
    if (path.is_absolute() || path.has_root_name()) return false;
    for (const auto& part : path) {
        const std::string name = part.string();
        if (name.empty() || name == ".") continue; // "a/" and "./a" stay where they are
        if (!IsSafeFileNamePart(name)) return false;
    }
    return true;
}

} // namespace kvz
