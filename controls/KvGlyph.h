// The face images of speed buttons: a glyph strip of up to five images (up, disabled, down,
// exclusive, inactive), the images made from it once per state, and the image lists of one
// size that all buttons share.
#pragma once

#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

enum class TButtonState { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3, bsInactive = 4 };
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// An image list of one size whose slots are used and freed again.
class TGlyphList : public TImageList {
public:
    TGlyphList(int width, int height) : TImageList(width, height) {}
    // The first free slot; an empty image is appended when none is free.
    int ReserveSlot();
    int AddImage(const TBitmap& image, const TBitmap* mask);
    int AddMaskedImage(const TBitmap& image, TColor maskColor);
    int AddRawImage(const QImage& image);
    // The image stays for reuse.
    void ReleaseSlot(int index);
    int UsedCount() const { return used_; }

private:
    int Fill(int slot);
    std::vector<bool> slots_;
    int used_ = 0;
};

class TGlyphCache {
public:
    // The last list of that size, or a new one.
    TGlyphList* ListForSize(int width, int height);
    // Frees the list when no slot of it is used.
    void ReturnIfUnused(TGlyphList* list);
    bool IsEmpty() const { return lists_.empty(); }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The one cache, while any glyph object exists; none otherwise.
TGlyphCache* GlyphCache();

class TKvButtonGlyph {
public:
    TKvButtonGlyph();
    ~TKvButtonGlyph();
    TKvButtonGlyph(const TKvButtonGlyph&) = delete;
    TKvButtonGlyph& operator=(const TKvButtonGlyph&) = delete;

    const TBitmap& Glyph() const { return glyph_; }
    // A new strip: the made images go, the transparent colour becomes the strip's, and a strip
    // whose width is a multiple of its height counts its images (1 when more than 5).
    void SetGlyph(const TBitmap& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    // Above 5 counts as 5; 0 is ignored.
    void SetNumGlyphs(int count);
    TColor TransparentColor() const { return transparent_; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    std::function<void()> OnChange;

    int MakeStateImage(TButtonState state);
    int MakeListStateImage(TButtonState state, const TImageList& list, int index);
    // Return the drawn size.
    TPoint PaintStateImage(TCanvas& canvas, int x, int y, TButtonState state);
    TPoint PaintListStateImage(TCanvas& canvas, int x, int y, TButtonState state, const TImageList& list, int index);
    void PaintCaption(TCanvas& canvas, std::string_view caption, TRect textRect, TButtonState state, unsigned textFlags);
    void PaintDropMark(TCanvas& canvas, int x, int y, TButtonState state);
    std::string ShortenCaption(TCanvas& canvas, std::string_view caption, int width);

    struct Layout {
        TPoint glyphPos;
        TRect textRect;
        std::string caption; // shortened to fit
    };
    Layout ComputeLayout(TCanvas& canvas, const TRect& client, std::string_view caption, TButtonLayout layout, int margin,
                         int spacing, bool dropMark, unsigned textFlags, const TImageList* list = nullptr,
                         int index = -1);
    // Returns the text rect.
    TRect PaintFace(TCanvas& canvas, const TRect& client, std::string_view caption, TButtonLayout layout, int margin,
                    int spacing, bool dropMark, TButtonState state, unsigned textFlags,
                    const TImageList* list = nullptr, int index = -1);
    TColor GreyOf(TColor color) const;
    void DropStateImages();

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    TGlyphList* List();
    TBitmap glyph_;
    int numGlyphs_ = 1;
    TColor transparent_ = 0xFF00FF;
    TAlignment alignment_ = TAlignment::taCenter;
    bool wordWrap_ = false;
    int indexes_[5] = {-1, -1, -1, -1, -1};
    TGlyphList* list_ = nullptr;
};

} // namespace kvz
