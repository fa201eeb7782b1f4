#include "controls/KvGlyph.h"

#include "controls/KvGraph.h"

#include <algorithm>

namespace kvz {

// ---- image lists ----

int TGlyphList::ReserveSlot() {
    for (size_t i = 0; i < slots_.size(); ++i)
        if (!slots_[i]) return int(i);
    QImage empty(Width(), Height(), QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    TImageList::AddImage(empty);
    slots_.push_back(false);
    return int(slots_.size()) - 1;
}

int TGlyphList::Fill(int slot) {
    slots_[size_t(slot)] = true;
    ++used_;
    return slot;
}

int TGlyphList::AddImage(const TBitmap& image, const TBitmap* mask) {
    int slot = ReserveSlot();
    Replace(slot, image, mask);
    return Fill(slot);
}

int TGlyphList::AddMaskedImage(const TBitmap& image, TColor maskColor) {
    int slot = ReserveSlot();
    ReplaceMasked(slot, image, maskColor);
    return Fill(slot);
}

int TGlyphList::AddRawImage(const QImage& image) {
    int slot = ReserveSlot();
    ReplaceImage(slot, image);
    return Fill(slot);
}

void TGlyphList::ReleaseSlot(int index) {
    if (index < 0 || size_t(index) >= slots_.size() || !slots_[size_t(index)]) return;
    slots_[size_t(index)] = false;
    --used_;
}

namespace {
std::unique_ptr<TGlyphCache> cache;
int glyphObjects = 0;
} // namespace

TGlyphCache* GlyphCache() { return cache.get(); }

TGlyphList* TGlyphCache::ListForSize(int width, int height) {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
    lists_.push_back(std::make_unique<TGlyphList>(width, height));
    return lists_.back().get();
}

void TGlyphCache::ReturnIfUnused(TGlyphList* list) {
    if (!list || list->UsedCount() != 0) return;
    lists_.erase(std::remove_if(lists_.begin(), lists_.end(), [&](auto& l) { return l.get() == list; }), lists_.end());
}

// ---- the glyph ----

TKvButtonGlyph::TKvButtonGlyph() {
    if (glyphObjects++ == 0 && !cache) cache = std::make_unique<TGlyphCache>();
}

TKvButtonGlyph::~TKvButtonGlyph() {
    DropStateImages();
    if (--glyphObjects == 0 && cache && cache->IsEmpty()) cache.reset();
}

TGlyphList* TKvButtonGlyph::List() {
    if (!list_) {
        if (!cache) cache = std::make_unique<TGlyphCache>();
        list_ = cache->ListForSize(glyph_.Width() / numGlyphs_, glyph_.Height());
    }
    return list_;
}

void TKvButtonGlyph::SetGlyph(const TBitmap& glyph) {
    DropStateImages();
    glyph_ = glyph;
    if (glyph_.Height() > 0) {
        transparent_ = glyph_.TransparentColor() & ~TColor(0x02000000);
        if (glyph_.Width() % glyph_.Height() == 0) {
            int count = glyph_.Width() / glyph_.Height();
            numGlyphs_ = count > 5 ? 1 : std::max(1, count);
        }
    }
    Changed();
}

void TKvButtonGlyph::SetNumGlyphs(int count) {
    if (count <= 0) return;
    count = std::min(count, 5);
    if (count == numGlyphs_) return;
    DropStateImages();
    numGlyphs_ = count;
    Changed();
}

void TKvButtonGlyph::SetAlignment(TAlignment a) {
    alignment_ = a;
    Changed();
}

void TKvButtonGlyph::SetWordWrap(bool on) {
    wordWrap_ = on;
    Changed();
}

void TKvButtonGlyph::DropStateImages() {
    for (int& index : indexes_) {
        if (index != -1 && list_) list_->ReleaseSlot(index);
        index = -1;
    }
    if (list_ && cache) cache->ReturnIfUnused(list_);
    list_ = nullptr;
}

TColor TKvButtonGlyph::GreyOf(TColor color) const {
    TColor c = ColorToRGB(color);
    if (c == ColorToRGB(transparent_) || c == ColorToRGB(clBtnFace)) return color;
    int g = (77 * GetRValue(c) + 150 * GetGValue(c) + 29 * GetBValue(c)) >> 8;
    return RGB(g, g, g);
}

int TKvButtonGlyph::MakeStateImage(TButtonState state) {
    if (state == TButtonState::bsDown && numGlyphs_ < 3) state = TButtonState::bsUp;
    int& slot = indexes_[int(state)];
    if (slot != -1) return slot;
    if (glyph_.Empty() || glyph_.Width() / numGlyphs_ == 0) return -1;
    const int w = glyph_.Width() / numGlyphs_, h = glyph_.Height();
    TGlyphList* list = List();
    const int i = int(state) < numGlyphs_ ? int(state) : 0;
    auto part = [&](int n) { return TBitmap(glyph_.Image().copy(n * w, 0, w, h)); };
    if (state == TButtonState::bsDisabled && numGlyphs_ < 2) {
        slot = list->AddMaskedImage(MakeDisabledBitmap(glyph_, clBlack), clBtnFace);
    } else if (state == TButtonState::bsInactive && numGlyphs_ < 5) {
        TBitmap grey = part(0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) grey.SetPixel(x, y, GreyOf(grey.Pixel(x, y)));
        slot = list->AddMaskedImage(grey, transparent_);
    } else {
        slot = list->AddMaskedImage(part(i), transparent_);
    }
    return slot;
}

int TKvButtonGlyph::MakeListStateImage(TButtonState state, const TImageList& source, int index) {
    if (state == TButtonState::bsDown) state = TButtonState::bsUp;
    int& slot = indexes_[int(state)];
    if (slot != -1) return slot;
    if (source.Count() == 0 || source.Width() == 0 || source.Height() == 0 || index < 0 || index >= source.Count())
        return -1;
    if (!list_) {
        if (!cache) cache = std::make_unique<TGlyphCache>();
        list_ = cache->ListForSize(source.Width(), source.Height());
    }
    if (state == TButtonState::bsDisabled || state == TButtonState::bsInactive) {
        TBitmap face(source.Width(), source.Height());
        {
            TCanvas canvas(face);
            canvas.Brush.Color = clBtnFace;
            canvas.FillRect(Rect(0, 0, face.Width(), face.Height()));
            if (state == TButtonState::bsDisabled)
                PaintDisabledListImage(source, canvas, 0, 0, index, clBtnHighlight, clBtnShadow, true);
            else
                source.Draw(canvas, 0, 0, index);
        }
        if (state == TButtonState::bsInactive)
            for (int y = 0; y < face.Height(); ++y)
                for (int x = 0; x < face.Width(); ++x) face.SetPixel(x, y, GreyOf(face.Pixel(x, y)));
        slot = list_->AddMaskedImage(face, clBtnFace);
    } else {
        slot = list_->AddRawImage(source.GetImage(index));
    }
    return slot;
}

TPoint TKvButtonGlyph::PaintStateImage(TCanvas& canvas, int x, int y, TButtonState state) {
    int index = MakeStateImage(state);
    if (index < 0) return {};
    list_->Draw(canvas, x, y, index);
    return {list_->Width(), list_->Height()};
}

TPoint TKvButtonGlyph::PaintListStateImage(TCanvas& canvas, int x, int y, TButtonState state, const TImageList& list,
                                           int index) {
    int made = MakeListStateImage(state, list, index);
    if (made < 0) return {};
    list_->Draw(canvas, x, y, made);
    return {list_->Width(), list_->Height()};
}

void TKvButtonGlyph::PaintCaption(TCanvas& canvas, std::string_view caption, TRect r, TButtonState state,
                                  unsigned textFlags) {
    canvas.Brush.Style = TBrushStyle::bsClear;
    const unsigned flags = (wordWrap_ ? DT_WORDBREAK : 0) | DT_VCENTER | textFlags;
    if (state == TButtonState::bsDisabled) {
        TColor saved = canvas.Font.Color;
        TRect shifted = r;
        OffsetRect(shifted, 1, 1);
        canvas.Font.Color = clBtnHighlight;
        canvas.DrawText(caption, shifted, flags);
        canvas.Font.Color = clBtnShadow;
        canvas.DrawText(caption, r, flags);
        canvas.Font.Color = saved;
    } else {
        canvas.DrawText(caption, r, flags);
    }
}

void TKvButtonGlyph::PaintDropMark(TCanvas& canvas, int x, int y, TButtonState state) {
    auto triangle = [&](int ox, int oy, TColor color) {
        QColor c = ToQColor(color);
        for (int row = 0; row < 4; ++row)
            canvas.Painter().fillRect(QRect(ox + x + row, oy + y - 1 + row, 7 - 2 * row, 1), c);
    };
    if (state == TButtonState::bsDisabled) {
        triangle(1, 1, clBtnHighlight);
        triangle(0, 0, clBtnShadow);
    } else {
        triangle(0, 0, clBtnText);
    }
}

std::string TKvButtonGlyph::ShortenCaption(TCanvas& canvas, std::string_view caption, int width) {
    // Every line on its own.
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t end = caption.find('\n', start);
        std::string_view line = caption.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        bool cr = !line.empty() && line.back() == '\r';
        if (cr) line.remove_suffix(1);
        out += ShortenWithEllipsis(line, canvas, width);
        if (end == std::string_view::npos) break;
        out += cr ? "\r\n" : "\n";
        start = end + 1;
    }
    return out;
}

TKvButtonGlyph::Layout TKvButtonGlyph::ComputeLayout(TCanvas& canvas, const TRect& client, std::string_view caption,
                                                     TButtonLayout layout, int margin, int spacing, bool dropMark,
                                                     unsigned textFlags, const TImageList* list, int index) {
    Layout out;
    const TPoint clientSize{client.Width(), client.Height()};
    TPoint glyph;
    if (list && index >= 0 && index < list->Count())
        glyph = {list->Width(), list->Height()};
    else
        glyph = {glyph_.Width() / numGlyphs_, glyph_.Height()};
    const bool horizontal = layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
    TPoint room;
    if (horizontal) {
        room = {clientSize.X - glyph.X - (dropMark ? 9 : 0), clientSize.Y};
        if (margin != -1) room.X -= margin;
        if (spacing != -1) room.X -= spacing;
    } else {
        room = {clientSize.X, clientSize.Y - glyph.Y};
        if (margin != -1) room.Y -= margin;
        if (spacing != -1) room.Y -= spacing;
    }
    room.X = std::max(0, room.X);
    room.Y = std::max(0, room.Y);

    out.caption = wordWrap_ ? std::string(caption) : ShortenCaption(canvas, caption, room.X);
    TPoint text;
    if (!out.caption.empty()) {
        TRect r = Rect(0, 0, room.X, 0);
        canvas.DrawText(out.caption, r, DT_CALCRECT | DT_CENTER | DT_VCENTER | (wordWrap_ ? DT_WORDBREAK : 0) | textFlags);
        text = {std::min(room.X, r.Width()), std::min(room.Y, r.Height())};
    }
    const TPoint drawnText = text;
    if (dropMark) {
        if (glyph.X == 0 || layout == TButtonLayout::blGlyphLeft)
            text.X += 9;
        else
            glyph.X += 6;
    }
    TPoint glyphPos, textPos;
    if (horizontal) {
        glyphPos.Y = clientSize.Y / 2 - glyph.Y / 2;
        textPos.Y = clientSize.Y / 2 - text.Y / 2;
    } else {
        glyphPos.X = clientSize.X / 2 - glyph.X / 2;
        textPos.X = clientSize.X / 2 - text.X / 2;
    }
    if (text.X == 0 || glyph.X == 0) spacing = 0;
    const int axisClient = horizontal ? clientSize.X : clientSize.Y;
    const int axisGlyph = horizontal ? glyph.X : glyph.Y;
    const int axisText = horizontal ? text.X : text.Y;
    if (margin == -1 && spacing == -1) {
        spacing = (axisClient - (axisGlyph + axisText)) / 3;
        margin = spacing;
    } else if (margin == -1) {
        margin = axisClient / 2 - (axisGlyph + spacing + axisText) / 2;
    } else if (spacing == -1) {
        spacing = (axisClient - margin - axisGlyph) / 2 - axisText / 2;
    }
    int glyphAt = 0, textAt = 0;
    switch (layout) {
    case TButtonLayout::blGlyphLeft: case TButtonLayout::blGlyphTop:
        glyphAt = margin;
        textAt = margin + axisGlyph + spacing;
        break;
    default:
        glyphAt = axisClient - margin - axisGlyph;
        textAt = glyphAt - spacing - axisText;
        break;
    }
    (horizontal ? glyphPos.X : glyphPos.Y) = glyphAt;
    (horizontal ? textPos.X : textPos.Y) = textAt;
    out.glyphPos = {glyphPos.X + client.Left, glyphPos.Y + client.Top};
    out.textRect = Bounds(textPos.X + client.Left, textPos.Y + client.Top, drawnText.X, drawnText.Y);
    return out;
}

TRect TKvButtonGlyph::PaintFace(TCanvas& canvas, const TRect& client, std::string_view caption, TButtonLayout layout,
                                int margin, int spacing, bool dropMark, TButtonState state, unsigned textFlags,
                                const TImageList* list, int index) {
    Layout l = ComputeLayout(canvas, client, caption, layout, margin, spacing, dropMark, textFlags, list, index);
    TPoint drawn = (list && index >= 0 && index < list->Count())
                       ? PaintListStateImage(canvas, l.glyphPos.X, l.glyphPos.Y, state, *list, index)
                       : PaintStateImage(canvas, l.glyphPos.X, l.glyphPos.Y, state);
    PaintCaption(canvas, l.caption, l.textRect, state, textFlags);
    if (dropMark) {
        int x, y;
        if (layout != TButtonLayout::blGlyphLeft && drawn.X > 0) {
            x = l.glyphPos.X + drawn.X + 1;
            y = l.glyphPos.Y + drawn.Y / 2;
        } else {
            x = !l.caption.empty() ? l.textRect.Right + 3 : (client.Left + client.Right - 7) / 2;
            y = l.textRect.Top + l.textRect.Height() / 2;
        }
        PaintDropMark(canvas, x, y, state);
    }
    return l.textRect;
}

} // namespace kvz
