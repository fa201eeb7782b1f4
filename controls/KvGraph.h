// Drawing, text, window and memory routines shared by the controls.
#pragma once

#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

class QObject;

namespace kvz {

// The library's own screen cursors.
constexpr TCursor HandCursor = 14000, DragHandCursor = 14001;
// Puts them into the screen's cursor table; the program does this once at start.
void LoadLibraryCursors();

// A routine the program does not offer: the form layer's default handler shows its message.
class ENotImplemented : public std::runtime_error {
public:
    ENotImplemented() : std::runtime_error("Function not yet implemented") {}
};
// Sets the screen cursor back to the default and raises ENotImplemented.
[[noreturn]] void RefuseNotImplemented();

// Drawing flags of the cell writer: alignment left, right, centre (each with tab expansion
// and no prefix), word wrap and right-to-left reading.
unsigned CellAlignFlags(TAlignment alignment);
constexpr unsigned CellWordWrapFlag = 0x10, CellRtlFlag = 0x20000;

// Draws (stretching) the bitmap so that pixels of the transparent colour leave the canvas as it
// was. A width or height below 1 takes the bitmap's; a source rect of no size takes the whole
// bitmap. clNone draws without transparency, clDefault takes the bottom-left pixel's colour;
// a monochrome bitmap is transparent in white whatever the colour.
void DrawBitmapMasked(TCanvas& canvas, int x, int y, int width, int height, const TBitmap& bitmap,
                      const TRect& source, TColor transparent);
void DrawBitmapRectMasked(TCanvas& canvas, const TRect& dest, const TBitmap& bitmap, const TRect& source,
                          TColor transparent);
void DrawBitmapMaskedAt(TCanvas& canvas, int x, int y, const TBitmap& bitmap, TColor transparent);
// The device-level step: the source rect stretched into the destination rect without the key colour.
void MaskedStretchCopy(QPainter& painter, const TRect& dest, const QImage& source, const TRect& sourceRect,
                       TColor key);

// A new bitmap of the same size, filled with the background, on which every pixel of the mask
// colour in the source is drawn embossed: first in the highlight colour one pixel right and
// down (when asked), then in the shadow colour in place.
TBitmap MakeDisabledBitmapWith(const TBitmap& bitmap, TColor maskColor, TColor background, bool highlight,
                               TColor highlightColor, TColor shadowColor);
TBitmap MakeDisabledBitmap(const TBitmap& bitmap, TColor maskColor);
// Draws the opaque pixels of an image-list image embossed in the same way.
void PaintDisabledListImage(const TImageList& list, TCanvas& canvas, int x, int y, int index, TColor highlightColor,
                            TColor shadowColor, bool highlight);
// Paints into the canvas what lies under the control: its parent's background and painting,
// and the parent's graphic controls before it that overlap it.
void PaintParentBackground(const TControl& control, TCanvas& canvas);

inline TColor PaletteRelative(TColor color) { return ColorToRGB(color) | 0x02000000; }
inline int RectWidth(const TRect& r) { return r.Right - r.Left; }
inline int RectHeight(const TRect& r) { return r.Bottom - r.Top; }
inline int LargerOf(int a, int b) { return a > b ? a : b; }
inline int SmallerOf(int a, int b) { return a < b ? a : b; }
// Texts of the library pass through here before use.
inline std::string PassText(std::string_view text) { return std::string(text); }

// The text when it fits the width; else as many leading characters as fit, followed by "...".
std::string ShortenWithEllipsis(std::string_view text, TCanvas& canvas, int width);
// Writes a cell's text: filled with the brush, offset by (dx, dy) within the rect.
void PaintCellText(TCanvas& canvas, const TRect& rect, int dx, int dy, std::string_view text, TAlignment alignment,
                   bool wordWrap, bool rightToLeft);
enum class TVerticalAlignment { vaTop, vaCenter, vaBottom };
// A grid cell: dx 2 and dy by the vertical alignment.
void PaintGridCellText(TCanvas& canvas, const TRect& rect, std::string_view text, TAlignment alignment,
                       TVerticalAlignment vertical, bool wordWrap, bool rightToLeft);

// Centres a top-level control on the screen and keeps it there.
void CenterWindowOnScreen(TControl& window);
// Moves the rect onto the screen: its right and bottom edges first, then its left and top.
void KeepRectOnScreen(TRect& rect);
// Removes the pending events of that type posted to the receiver (all receivers when none).
void DropPendingMessage(QObject* receiver, int eventType);
bool OwnThreadIsActive();
void SoundBeep();

// Zero-filled memory, none for a size of 0 or less; FreeGlobalBlock clears the pointer.
void* AllocGlobalBlock(long size);
void FreeGlobalBlock(void*& block);
bool SameBytes(const void* a, const void* b, size_t count);
inline void* OffsetPointer(void* p, long n) { return static_cast<char*>(p) + n; }
void CopyBytes(void* dest, const void* source, size_t count);

} // namespace kvz
