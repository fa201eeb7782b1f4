#include "core/SmallRoutines.h"

#include "platform/rtl/SysInfo.h"

namespace kvz {

namespace {

ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}

} // namespace

void SetShellOpener(ShellOpener opener) { Opener() = std::move(opener); }

int ShellOpenFile(const std::string& fileName, const std::string& parameters, const std::string& folder, int show) {
    const ShellOpener& opener = Opener();
    return opener ? opener(fileName, parameters, folder, show) : kShellNoAssociation;
}

void GetSpecialFolderPath(int folder, std::string& path) {
    if (std::string found = SpecialFolderPathOf(folder); !found.empty()) path = std::move(found);
}

void GetSharedDocumentsFolder(std::string& path) { path = GetSharedDocumentsFolder(); }

uint32_t TextColorForBackground(uint32_t background, uint32_t defaultColor) {
    switch (background) {
    case 0x000000: // black
    case 0x000080: // maroon
    case 0x008000: // green
    case 0x008080: // olive
    case 0x800000: // navy
    case 0x800080: // purple
    case 0x808000: // teal
    case 0x808080: // grey
        return 0x00FFFF; // yellow
    case 0x0000FF: // red
    case 0xFF0000: // blue
    case 0xFF00FF: // fuchsia
        return 0xFFFFFF; // white
    case 0x00FF00: // lime
    case 0x00FFFF: // yellow
    case 0xC0C0C0: // silver
    case 0xFFFF00: // aqua
    case 0xFFFFFF: // white
        return 0x000000; // black
    default: return defaultColor;
    }
}

void ShowOneAddressColumn(AddressColumns& grid, std::string_view fieldName) {
    grid.ClearColumns();
    grid.AddColumn(std::string(fieldName), kOneAddressColumnWidth);
}

} // namespace kvz
