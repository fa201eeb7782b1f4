// Small routines the frame window and the module windows share: opening files through the
// desktop, special folders, a font colour that reads on a background, the one-column address
// grid.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvz {

// The shell's results: above 32 means the file was opened.
constexpr int kShellNoAssociation = 31;

// Opens a file, folder, program or address the way the desktop does, with the parameters,
// working folder and show command; the result is the shell's. The windowing layer installs
// the opener; without one nothing opens and the result is kShellNoAssociation.
using ShellOpener =
    std::function<int(const std::string& fileName, const std::string& parameters, const std::string& folder, int show)>;
void SetShellOpener(ShellOpener opener);
int ShellOpenFile(const std::string& fileName, const std::string& parameters, const std::string& folder, int show);

// The special folder (the old shell's numbers, SpecialFolder); path stays as it was when
// there is none.
void GetSpecialFolderPath(int folder, std::string& path);
// The folder that holds the data folder.
void GetSharedDocumentsFolder(std::string& path);

// A font colour that reads on the background (colours 0x00BBGGRR): yellow on the dark
// standard colours, white on red, blue and fuchsia, black on the light ones; the default on
// any other.
uint32_t TextColorForBackground(uint32_t background, uint32_t defaultColor);

// What the one-column view needs of the address grid.
class AddressColumns {
public:
    virtual ~AddressColumns() = default;
    virtual void ClearColumns() = 0;
    virtual void AddColumn(const std::string& fieldName, int width) = 0;
};
constexpr int kOneAddressColumnWidth = 230;
// The grid loses its columns and shows the field alone.
void ShowOneAddressColumn(AddressColumns& grid, std::string_view fieldName);

} // namespace kvz
