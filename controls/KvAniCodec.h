// Animated cursor files as this program reads them, without pictures. No Qt.
//
// A RIFF file of form "ACON": "RIFF" size "ACON", then chunks of an identifier, a 32-bit
// little-endian size and the data, padded to an even size:
//   "anih"  36 bytes: record size, frame count, step count, width, height, bit count, planes,
//           default rate (1/60 s), flags (bit 0: the frames are icon resources)
//   "rate"  one 32-bit rate per step          "seq "  one 32-bit icon number per step
//   "LIST" "fram"  "icon" sub-chunks, each an icon or cursor resource (".ico"/".cur" file)
//   "LIST" "INFO"  "INAM" name, "IART" artist
// An icon resource: reserved word, type (1 icon, 2 cursor), count, then 16-byte entries
// (width, height, colours, reserved, planes or hot spot x, bit count or hot spot y, size,
// offset of the image).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

struct TAniHeader {
    uint32_t Size = 36, Frames = 0, Steps = 0, Width = 0, Height = 0, BitCount = 0, Planes = 0, DisplayRate = 0,
             Flags = 0;
    bool operator==(const TAniHeader&) const = default;
};

// One icon or cursor resource as read, made loadable as an icon.
struct TAniIconResource {
    std::string Data;     // the ".ico" file image; a cursor's type is turned into an icon's
    std::string ChunkTag; // the 8-byte chunk header it came in
    bool FromIcon = true;
    int HotSpotX = 0, HotSpotY = 0; // of the last directory entry (cursors)
    int SourceColors = 0;           // the largest of 2, 16, 256 among its images
};

struct TAniFrameRecord {
    int Icon = -1; // into Icons; -1 when none came
    uint32_t RateJiffies = 0;
    uint32_t SeqIndex = 0;
};

struct TAniFileRecord {
    TAniHeader Header;
    std::string CursorName, Artist;
    std::vector<TAniIconResource> Icons;
    std::vector<TAniFrameRecord> Frames;
};

// Raises EReadError ("Stream read error") for anything malformed. Frames that got no icon are
// dropped; the caller drops those whose icon fails to load.
TAniFileRecord ReadAnimatedCursor(std::string_view data);
// Checks the directory of an icon resource; raises EReadError when it reaches past the data.
TAniIconResource ReadIconResource(std::string_view data);
bool IsIconResource(std::string_view data);

// The stored form of an icon list: a 32-bit count, then per entry a 32-bit size (0 for none)
// and that many bytes of the icon's ".ico" file image.
std::vector<std::string> ReadIconListEntries(std::string_view data);
std::string WriteIconListEntries(const std::vector<std::string>& entries);

} // namespace kvz
