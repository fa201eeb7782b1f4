// The one check of every text that becomes part of a path (user names and prefixes, table
// names, dBASE file names): such a text names a file in its folder and never reaches outside.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace kvz {

// Refused when it holds "/", "\", "..", a control character or nothing but blanks.
bool IsSafeFileNamePart(std::string_view text);
// Throws FileError naming the text when it is not a safe part.
void CheckFileNamePart(std::string_view text);
// A user name, which prefixes the names of the user's files: a safe part that neither starts
// with "." (it would hide the files) nor with or ends in a blank, and that leaves room for the
// longest suffix within the folder's file system's limit on name bytes.
bool IsSafeUserName(std::string_view name, const std::filesystem::path& folder, std::size_t longestSuffix);
// A relative path that stays below its folder: each of its parts is safe ("." parts aside).
bool IsSafeRelativePath(const std::filesystem::path& path);

} // namespace kvz
