// Colour reduction: a bitmap turned into a complete ".bmp" file image in memory of a wanted
// pixel format, its colours reduced to a palette when the format has one.
//
// The image: file header ("BM", total size, offset of the pixels), a 40-byte information
// header, the palette (blue, green, red, 0 per entry) and the rows bottom-up, each padded to
// a multiple of 4 bytes.
#pragma once

#include "platform/forms/Graphics.h"

#include <string>

namespace kvz {

// The graphics framework's pixel formats; only 1, 4, 8 and 24 bits are produced.
enum TPixelFormat { pfDevice = 0, pf1bit = 1, pf4bit = 2, pf8bit = 3, pf15bit = 4, pf16bit = 5, pf24bit = 6,
                    pf32bit = 7, pfCustom = 8 };
enum TColorReduction { crHistogram, crMedianCut, crCube784, crCube666, crRamps, crGray };

// The program's method; nothing changes it.
constexpr TColorReduction DefaultColorReduction = crHistogram;

// 2, 16, 256 for the palette formats, 0 for the others.
int ColorsOfFormat(TPixelFormat format);
// The format a bitmap has: its QImage format; an indexed image of up to 16 colours is 4-bit.
TPixelFormat PixelFormatOf(const QImage& image);

// A colour that must survive the reduction exactly: pixels of that colour get an entry of
// their own, and its index comes back. clNone asks for nothing; the index is -1 when the
// colour does not occur.
struct TKeepColor {
    TColor Color = clNone;
    int Index = -1;
};

// Raises "Bitmap image is not valid" for an empty bitmap and ENotImplemented for formats
// other than 1, 4, 8 and 24 bits.
std::string ReduceBitmap(const TBitmap& bitmap, TPixelFormat format, TColorReduction method = DefaultColorReduction,
                         TKeepColor* keep = nullptr);
// 1 bit up to 2 colours, 4 bits up to 16, 8 bits up to 256, else 24 bits; the default method.
std::string ReduceBitmapToColors(const TBitmap& bitmap, int colors);

// Reads a file image that ReduceBitmap wrote (and other plain bottom-up bitmaps) into an image
// that keeps its palette: indexed for 1, 4 and 8 bits.
QImage ImageOfBitmapFile(std::string_view file);

// The 16 colours of the 4-bit system palette, in its order.
extern const TColor SystemColors16[16];

} // namespace kvz
