// The one check of every text that becomes part of a path (user names and prefixes, table
// names, dBASE file names): such a text names a file in its folder and never reaches outside.
#pragma once

#include <filesystem>
#include <string_view>

namespace kvz {

// Refused when it holds "/", "\", "..", a control character or nothing but blanks.
bool IsSafeFileNamePart(std::string_view text);
// Throws FileError naming the text when it is not a safe part.
void CheckFileNamePart(std::string_view text);
// A relative path that stays below its folder: each of its parts is safe ("." parts aside).
bool IsSafeRelativePath(const std::filesystem::path& path);

} // namespace kvz
