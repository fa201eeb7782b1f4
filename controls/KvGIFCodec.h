// The GIF file (versions "87a" and "89a") as this program holds it, without pictures: the
// reader and writer of the block structure and the LZW coder of the pixel data. No Qt.
//
// File layout: "GIF" and the version (6 bytes); logical screen descriptor (width, height as
// words, packed: global table flag 0x80, colour resolution bits 4..6 plus 1, table size bits
// 0..2 plus 1; background index; aspect ratio); the global table (RGB triples). Then blocks:
//   "!" label fixed-part sub-blocks... 0   extensions: 0xF9 graphic control (block size 4,
//                                          packed: disposal bits 2..4, transparent flag bit 0;
//                                          delay in 1/100 s; transparent index; terminator),
//                                          0x01 plain text (13 bytes), 0xFF application (12
//                                          bytes), 0xFE comment (sub-blocks only)
//   "," left top width height packed       image: local table flag 0x80, interlace 0x40, size
//       [local table] code-size sub-blocks... 0
//   ";"                                    end
// A sub-block is a length byte (1..255) and that many bytes; a zero length ends the list.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// No colour: the colour value that means none, throughout.
constexpr uint32_t GifNoColor = 0x1FFFFFFF;

struct TGIFColorTable {
    int Count = 0; // 0..256
    std::array<uint8_t, 768> RGB{};
    // As 0x00BBGGRR.
    uint32_t Color(int index) const {
        size_t at = size_t(index) * 3;
        return uint32_t(RGB[at]) | uint32_t(RGB[at + 1]) << 8 | uint32_t(RGB[at + 2]) << 16;
    }
    void Add(uint32_t color) {
        size_t at = size_t(Count++) * 3;
        RGB[at] = uint8_t(color), RGB[at + 1] = uint8_t(color >> 8), RGB[at + 2] = uint8_t(color >> 16);
    }
    // The first entry of exactly that colour, -1 when none.
    int IndexOf(uint32_t color) const {
        for (int i = 0; i < Count; ++i)
            if (Color(i) == (color & 0xFFFFFF)) return i;
        return -1;
    }
    bool operator==(const TGIFColorTable&) const = default;
};

// Shared by the copies of one image.
struct TGIFData {
    uint8_t AspectRatio = 0;
    int BitsPerPixel = 0; // 1..8; 0 without a global table
    int ColorResBits = 0; // 1..8
    TGIFColorTable GlobalColors;
    std::vector<std::string> Comment;
};

// Shared by the copies of one frame: the pixel data exactly as the file holds them.
struct TGIFItem {
    std::string EncodedData; // code-size byte, sub-blocks, terminator
    int BitsPerPixel = 0;
    TGIFColorTable FrameColors;
    int FrameWidth = 0, FrameHeight = 0;
    uint8_t PackedFields = 0;
};

enum TExtKind { ekGraphicControl = 0, ekPlainText = 1, ekApplication = 2, ekComment = 3 };

struct TExtension {
    TExtKind ExtKind = ekComment;
    std::string Fixed;              // what follows the label before the sub-blocks
    std::vector<std::string> Lines; // one per sub-block
    void Assign(const TExtension& other) { *this = other; }
};

// One frame as read or to be written; the transparent colour travels as its index.
struct TGIFFrameRecord {
    std::shared_ptr<TGIFItem> Item;
    int FrameLeft = 0, FrameTop = 0;
    bool Interlaced = false, Corrupted = false, LocalColors = false;
    int TransparentIndex = -1;
    int DelayMs = 0;
    int Disposal = 0;
    std::vector<TExtension> Extensions;
};

enum TGIFVersion { gvUnknown = 0, gv87a = 1, gv89a = 2 };

struct TGIFFileRecord {
    std::shared_ptr<TGIFData> Data = std::make_shared<TGIFData>();
    std::vector<TGIFFrameRecord> Frames;
    int ScreenWidth = 0, ScreenHeight = 0;
    int BackgroundIndex = -1; // inside the global table, else -1
    bool Looping = false;
    int LoopCount = 1;
    // Where the loop extension stood when read among the first frame's extensions, so that an
    // unchanged file is written back as it was; -1 puts it after the global table.
    int LoopAt = -1;
    TGIFVersion Version = gvUnknown;
};

// Raise EInvalidGraphicOperation with the program's texts ("Unknown GIF version", "Stream read
// error", ...). Damaged pixel data are not an error: the frame is marked corrupted.
TGIFFileRecord ReadGif(std::string_view data);
// Brings each frame's graphic control extension up to date from its delay, transparent index
// and disposal, then writes the file; encoded data go out as held.
std::string WriteGif(TGIFFileRecord& file);

// The frame's palette indices, top row first, masked to its bits per pixel; what the data do
// not reach stays 0. Sets corrupted on damaged data. Progress gets the share of data read.
std::vector<uint8_t> DecodeGifPixels(const TGIFItem& item, bool interlaced, bool& corrupted,
                                     const std::function<void(int percent)>& progress = {});
// The code-size byte, the sub-blocks and the terminator for these indices (not interlaced).
std::string EncodeGifPixels(const uint8_t* indices, size_t count, int bitsPerPixel);

// The smallest bits from 1 whose power of two covers the count.
int GifBitsFor(int colors);

} // namespace kvz
