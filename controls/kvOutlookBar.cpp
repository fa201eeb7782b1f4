#include "controls/kvOutlookBar.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace kvz {

namespace {

constexpr uint32_t kBarVersion = 308;
constexpr int kOutsideBarCaption = 22;

void Bevel(TCanvas& canvas, TRect& rect, TBevelCut cut, int width) {
    if (cut == TBevelCut::bvNone) return;
    if (cut == TBevelCut::bvSpace) {
        InflateRect(rect, -width, -width);
        return;
    }
    bool raised = cut == TBevelCut::bvRaised;
    Frame3D(canvas, rect, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, width);
}

// The arrow of a scroll button: 5 by 4, black on white, rows of 1, 3 and 5 pixels (up) and an
// empty last row.
TBitmap ArrowGlyph(TArrowStyle arrow) {
    TBitmap b(5, 4);
    for (int row = 0; row < 3; ++row) {
        int half = arrow == TArrowStyle::asUp ? row : 2 - row;
        for (int x = 2 - half; x <= 2 + half; ++x) b.SetPixel(x, row, clBlack);
    }
    b.SetTransparent(true);
    b.SetTransparentColor(clWhite);
    return b;
}

QPainter::CompositionMode RasterMode(TBitmapCopy copy) {
    switch (copy) {
    case TBitmapCopy::bcMergeCopy: return QPainter::RasterOp_SourceAndDestination;
    case TBitmapCopy::bcMergePaint: return QPainter::RasterOp_NotSourceOrDestination;
    case TBitmapCopy::bcSrcErase: return QPainter::RasterOp_SourceAndNotDestination;
    case TBitmapCopy::bcSrcPaint: return QPainter::RasterOp_SourceOrDestination;
    case TBitmapCopy::bcSrcCopy: break;
    }
    return QPainter::CompositionMode_Source;
}

// Moves item to index of the list (clamped); false when it is not in the list.
template <class T>
bool MoveItem(std::vector<T*>& list, T* item, int index) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    index = std::clamp(index, 0, int(list.size()));
    list.insert(list.begin() + index, item);
    return true;
}

unsigned AlignmentFlags(TAlignment a) {
    return a == taLeftJustify ? DT_LEFT : a == taRightJustify ? DT_RIGHT : DT_CENTER;
}

} // namespace

void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width) {
    QPainter& p = canvas.Painter();
    for (int i = 0; i < width && rect.Width() > 0 && rect.Height() > 0; ++i) {
        QColor a = ToQColor(topLeft), b = ToQColor(bottomRight);
        p.fillRect(rect.Left, rect.Top, rect.Width(), 1, a);
        p.fillRect(rect.Left, rect.Top, 1, rect.Height(), a);
        p.fillRect(rect.Left, rect.Bottom - 1, rect.Width(), 1, b);
        p.fillRect(rect.Right - 1, rect.Top, 1, rect.Height(), b);
        InflateRect(rect, -1, -1);
    }
}

// ---- settings ----

THeaderSettings::THeaderSettings(const TFont& ownerFont)
    : buttonFont_(ownerFont), headerFont_(ownerFont), highlightFont_(ownerFont) {
    xp_.OnChange = [this] { Changed(); };
}

int THeaderSettings::Size(int index) const {
    switch (index) {
    case 1: return largeWidth_;
    case 2: return largeHeight_;
    case 3: return smallHeight_;
    default: return -1;
    }
}

void THeaderSettings::SetSize(int index, int value) {
    switch (index) {
    case 1: Set(largeWidth_, value); break;
    case 2: Set(largeHeight_, value); break;
    case 3: Set(smallHeight_, value); break;
    default: break;
    }
}

void THeaderSettings::AssignTo(THeaderSettings& t) const {
    t.alignment_ = alignment_;
    t.bevelInner_ = bevelInner_;
    t.bevelOuter_ = bevelOuter_;
    t.bevelWidth_ = bevelWidth_;
    t.headerColor_ = headerColor_;
    t.headerFont_ = headerFont_;
    t.highlightFont_ = highlightFont_;
    t.Changed();
}

void TGradient::DrawGradient(TCanvas& canvas, const TRect& rect) const {
    for (const auto& [band, colour] : outlook::GradientBands(type_, rect, start_, end_))
        if (band.Width() > 0 && band.Height() > 0) canvas.Painter().fillRect(ToQRect(band), ToQColor(colour));
}

TScrollButton::TScrollButton(TComponent* owner, TArrowStyle arrow) : TKvSpeedButton(owner), arrow_(arrow) {
    SetBounds(0, 0, 11, 10);
    SetGlyph(ArrowGlyph(arrow));
    SetVisible(false);
}

// ---- the bar ----

TKvOutlookBar::TKvOutlookBar(TComponent* owner) : TCustomControl(owner), settings_(Font()) {
    SetCaption("kvOutlookBar");
    SetColor(clBtnFace);
    SetBounds(0, 0, 120, 200);
    SetAlign(TAlign::alLeft);
    // The bar never takes the focus itself; its headers and buttons do.
    Widget()->setFocusPolicy(Qt::NoFocus);
    settings_.OnChange = [this] { SettingsChanged(); };
}

TKvOutlookBar::~TKvOutlookBar() {
    for (TKvOutlookBarHeader* h : headers_) h->bar_ = nullptr;
}

std::string TKvOutlookBar::Version() const {
    return std::to_string(kBarVersion >> 8) + "." + std::to_string(kBarVersion & 0xFF);
}

TRect TKvOutlookBar::ClientRect() const {
    TRect r = Rect(0, 0, Width(), Height());
    int inset = borderWidth_ + (bevelOuter_ != TBevelCut::bvNone ? bevelWidth_ : 0) +
                (bevelInner_ != TBevelCut::bvNone ? bevelWidth_ : 0);
    InflateRect(r, -inset, -inset);
    return r;
}

void TKvOutlookBar::SetBevelInner(TBevelCut b) {
    bevelInner_ = b;
    Relayout();
}
void TKvOutlookBar::SetBevelOuter(TBevelCut b) {
    bevelOuter_ = b;
    Relayout();
}
void TKvOutlookBar::SetBevelWidth(int w) {
    bevelWidth_ = std::max(1, w);
    Relayout();
}
void TKvOutlookBar::SetBorderWidth(int w) {
    borderWidth_ = std::max(0, w);
    Relayout();
}
// The frame's widths changed: the headers move inside it.
void TKvOutlookBar::Relayout() {
    ArrangeHeaders();
    Invalidate();
}

void TKvOutlookBar::SetFlat(bool on) {
    flat_ = on;
    for (TKvOutlookBarHeader* h : headers_) {
        h->up_->SetFlat(on);
        h->down_->SetFlat(on);
        h->Invalidate();
    }
}
void TKvOutlookBar::SetHeaderHeight(int h) {
    headerHeight_ = h;
    ArrangeHeaders();
    for (TKvOutlookBarHeader* header : headers_) {
        header->PlaceScrollButtons();
        header->SortButtons();
        header->Invalidate();
    }
}
void TKvOutlookBar::SetImages(TImageList* images) {
    images_ = images;
    for (TKvOutlookBarHeader* h : headers_) h->Invalidate();
}

void TKvOutlookBar::SetCommonStyle(bool on) {
    commonStyle_ = on;
    for (TKvOutlookBarHeader* h : headers_) h->ApplySettings();
    Invalidate();
}

void TKvOutlookBar::SettingsChanged() {
    if (commonStyle_)
        for (TKvOutlookBarHeader* h : headers_) h->ApplySettings();
    Invalidate();
}

TKvOutlookBarHeader* TKvOutlookBar::Headers(int index) const {
    return index >= 0 && index < HeaderCount() ? headers_[size_t(index)] : nullptr;
}

std::vector<bool> TKvOutlookBar::VisibleHeaders() const {
    std::vector<bool> v;
    for (TKvOutlookBarHeader* h : headers_) v.push_back(h->Visible());
    return v;
}

TRect TKvOutlookBar::GetHeaderRect(int index) const {
    return outlook::HeaderRect(ClientRect(), index, VisibleHeaders(), active_ ? active_->HeaderIndex() : -1, headerHeight_);
}

void TKvOutlookBar::ArrangeHeaders() {
    if (updating_) return;
    updating_ = true;
    for (int i = 0; i < HeaderCount(); ++i) {
        TRect r = GetHeaderRect(i);
        if (headers_[size_t(i)]->BoundsRect() != r) headers_[size_t(i)]->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    }
    updating_ = false;
}

TKvOutlookBarHeader* TKvOutlookBar::PriorHeader(TKvOutlookBarHeader* header) const {
    if (!header) return nullptr;
    return Headers(outlook::PriorHeader(header->HeaderIndex(), VisibleHeaders()));
}

TKvOutlookBarHeader* TKvOutlookBar::NextHeader(TKvOutlookBarHeader* header) const {
    if (!header) return nullptr;
    return Headers(outlook::NextHeader(header->HeaderIndex(), VisibleHeaders()));
}

void TKvOutlookBar::SetActiveHeader(TKvOutlookBarHeader* header) {
    if (header == active_) return;
    ActivateHeader(header);
    Invalidate();
}

void TKvOutlookBar::ActivateHeader(TKvOutlookBarHeader* header) {
    bool canChange = true;
    if (OnCanChange) OnCanChange(this, header, canChange);
    if (!canChange) return;
    int oldIndex = active_ ? active_->HeaderIndex() : -1, newIndex = header ? header->HeaderIndex() : -1;
    if (!Destroying() && OnChange) OnChange(this, oldIndex, newIndex);
    for (TKvOutlookBarHeader* h : headers_) h->Change();
    active_ = header && header->Visible() ? header : nullptr;
    SetHot(nullptr);
    if (Destroying()) return;
    QPointer<QWidget> focused = QApplication::focusWidget();
    const bool inBar = focused && Widget()->isAncestorOf(focused);
    ArrangeHeaders();
    for (TKvOutlookBarHeader* h : headers_) h->UpdateFocusPolicy();
    // The keyboard stays in the bar: a button of a header that closed hands the focus to the
    // header that opened, so that Page Up and Page Down go on working.
    if (inBar && active_ && active_->CanFocus() &&
        (!focused || !focused->isVisible() || focused->focusPolicy() == Qt::NoFocus ||
         QApplication::focusWidget() != focused))
        active_->SetFocus();
}

void TKvOutlookBar::SetHot(TKvOutlookBarHeader* header) {
    if (header == hot_) return;
    TKvOutlookBarHeader* old = hot_;
    hot_ = header;
    if (old) old->Invalidate();
    if (header) header->Invalidate();
}

void TKvOutlookBar::AddHeader(TKvOutlookBarHeader* header) {
    headers_.push_back(header);
    header->up_->SetFlat(flat_);
    header->down_->SetFlat(flat_);
    if (header->Owner() == this)
        ActivateHeader(header);
    else
        ArrangeHeaders();
    header->ApplySettings();
}

void TKvOutlookBar::RemoveHeader(TKvOutlookBarHeader* header) {
    headers_.erase(std::remove(headers_.begin(), headers_.end(), header), headers_.end());
    if (hot_ == header) hot_ = nullptr;
    if (active_ == header) active_ = nullptr;
    // While the window that holds the bar is going, nobody is told of changes any more.
    if (!Destroying() && !(Owner() && Owner()->Destroying())) ActivateHeader(Headers(0));
}

void TKvOutlookBar::MoveHeader(TKvOutlookBarHeader* header, int index) {
    if (MoveItem(headers_, header, index)) ArrangeHeaders();
}

void TKvOutlookBar::Resize() {
    ArrangeHeaders();
    TCustomControl::Resize();
}

void TKvOutlookBar::MouseLeave() {
    SetHot(nullptr);
    TCustomControl::MouseLeave();
}

void TKvOutlookBar::KeyDown(uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_PRIOR && active_) ActivateHeader(PriorHeader(active_));
    if (key == VK_NEXT && active_) ActivateHeader(NextHeader(active_));
}

void TKvOutlookBar::Paint(TCanvas& canvas) {
    TRect r = Rect(0, 0, Width(), Height());
    if (headers_.empty()) {
        canvas.Brush.Color = Color();
        canvas.FillRect(r);
    }
    Bevel(canvas, r, bevelOuter_, bevelWidth_);
    Frame3D(canvas, r, Color(), Color(), borderWidth_);
    Bevel(canvas, r, bevelInner_, bevelWidth_);
    TCustomControl::Paint(canvas);
}

// ---- headers ----

TKvOutlookBarHeader::TKvOutlookBarHeader(TComponent* owner)
    : TCustomControl(owner), settings_(Font()), up_(new TScrollButton(this, TArrowStyle::asUp)),
      down_(new TScrollButton(this, TArrowStyle::asDown)) {
    SetColor(clGray);
    Widget()->setMouseTracking(true);
    up_->SetParent(this);
    down_->SetParent(this);
    up_->OnClick = [this](TComponent*) { ScrollUp(); };
    down_->OnClick = [this](TComponent*) { ScrollDown(); };
    settings_.OnChange = [this] {
        if (!(bar_ && bar_->CommonStyle())) ApplySettings();
        Invalidate();
    };
    gradient_.OnChange = [this] { Invalidate(); };
    bitmap_.OnChange = [this] { Invalidate(); };
    // A button dragged over a header opens it and moves in.
    OnDragOver = [this](TComponent*, const TDragObject& source, int, int, TDragState state, bool& accept) {
        auto* button = dynamic_cast<TOutlookButton*>(source.Source);
        if (!button || state == TDragState::dsDragLeave) return;
        accept = true;
        if (bar_ && bar_->ActiveHeader() != this) bar_->ActivateHeader(this);
        button->SetHeader(this);
    };
}

TKvOutlookBarHeader::~TKvOutlookBarHeader() {
    for (TOutlookButton* b : buttons_) b->header_ = nullptr;
    if (bar_) bar_->RemoveHeader(this);
}

void TKvOutlookBarHeader::SetOutlookBar(TKvOutlookBar* bar) {
    if (bar == bar_) return;
    if (bar_) bar_->RemoveHeader(this);
    bar_ = bar;
    SetParent(bar);
    if (bar) bar->AddHeader(this);
    UpdateFocusPolicy();
}

const THeaderSettings& TKvOutlookBarHeader::EffectiveSettings() const {
    return bar_ && bar_->CommonStyle() ? bar_->HeaderSettings() : settings_;
}

int TKvOutlookBarHeader::CaptionHeight() const { return bar_ ? bar_->HeaderHeight() : kOutsideBarCaption; }

int TKvOutlookBarHeader::HeaderIndex() const {
    if (!bar_) return -1;
    auto it = std::find(bar_->headers_.begin(), bar_->headers_.end(), this);
    return int(it - bar_->headers_.begin());
}

void TKvOutlookBarHeader::SetHeaderIndex(int index) {
    if (bar_) bar_->MoveHeader(this, index);
}

void TKvOutlookBarHeader::SetBitmapCopy(TBitmapCopy c) {
    bitmapCopy_ = c;
    Invalidate();
}
void TKvOutlookBarHeader::SetCommonStyle(bool on) {
    commonStyle_ = on;
    ApplySettings();
}
void TKvOutlookBarHeader::SetFirstButtonTop(int top) {
    firstButtonTop_ = top;
    SortButtons();
}
void TKvOutlookBarHeader::SetImageIndex(int index) {
    imageIndex_ = index;
    Invalidate();
}

void TKvOutlookBarHeader::Change() {
    if (OnChange) OnChange(this);
}

TOutlookButton* TKvOutlookBarHeader::Buttons(int index) const {
    return index >= 0 && index < ButtonCount() ? buttons_[size_t(index)] : nullptr;
}

void TKvOutlookBarHeader::AddButton(TOutlookButton* button) {
    buttons_.push_back(button);
    button->Widget()->setFocusPolicy(Qt::NoFocus);
    ApplySettings();
    UpdateFocusPolicy();
}

void TKvOutlookBarHeader::RemoveButton(TOutlookButton* button) {
    buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), button), buttons_.end());
    scrollOffset_ = std::clamp(scrollOffset_, 0, std::max(0, ButtonCount() - 1));
    if (autoSort_) SortButtons();
}

void TKvOutlookBarHeader::MoveButton(TOutlookButton* button, int index) {
    if (MoveItem(buttons_, button, index) && autoSort_) SortButtons();
}

void TKvOutlookBarHeader::ApplySettings() {
    const THeaderSettings& s = EffectiveSettings();
    outlook::ButtonSizing sizing{s.ButtonStyle(), s.ViewStyle(), s.LargeWidth(), s.LargeHeight(), s.SmallHeight()};
    for (TOutlookButton* b : buttons_) {
        if (!b->AutoSize()) continue;
        b->style_ = s.ButtonStyle();
        b->SetFont(s.ButtonFont());
        TRect r = outlook::AutoButtonBounds(sizing, ClientWidth(), b->Top());
        b->resizing_ = true;
        b->SetBounds(r.Left, r.Top, r.Width(), r.Height());
        b->resizing_ = false;
    }
    if (autoSort_) SortButtons();
    Invalidate();
    for (TOutlookButton* b : buttons_) b->Invalidate();
}

void TKvOutlookBarHeader::SortButtons() {
    if (OnSort) OnSort(this);
    ArrangeButtons();
}

void TKvOutlookBarHeader::ArrangeButtons() {
    bool canSort = true;
    if (OnCanSort) OnCanSort(this, canSort);
    if (!canSort || !bar_) return;
    outlook::ButtonArea area{Width(), Height(), CaptionHeight(), firstButtonTop_, up_->Top() + up_->Height(),
                             down_->Height(), scrollOffset_};
    std::vector<outlook::ButtonSlot> slotList;
    for (TOutlookButton* b : buttons_) slotList.push_back({b->Visible(), b->ButtonStyle(), b->Width(), b->Height()});
    outlook::ButtonPlaces places = outlook::ArrangeButtons(area, slotList);
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (places.places[i]) buttons_[i]->SetBounds(places.places[i]->X, places.places[i]->Y, buttons_[i]->Width(),
                                                     buttons_[i]->Height());
    // Which arrows show: by themselves, or as the handler says when automatic scrolling is off.
    bool upNeed = CanScrollUp(), downNeed = CanScrollDown();
    bool automatic = EffectiveSettings().AutoScroll();
    if (!automatic && OnCheckScroll) OnCheckScroll(this, upNeed, downNeed, automatic);
    if (automatic) {
        upNeed = CanScrollUp();
        downNeed = CanScrollDown();
    }
    up_->SetVisible(upNeed);
    down_->SetVisible(downNeed);
}

bool TKvOutlookBarHeader::CanScrollDown() const {
    TOutlookButton* last = Buttons(ButtonCount() - 1);
    return last && last->Top() + last->Height() > Height();
}

void TKvOutlookBarHeader::ScrollUp() {
    scrollOffset_ = std::max(0, scrollOffset_ - 1);
    if (OnScroll) OnScroll(this);
    if (autoSort_) SortButtons();
}

void TKvOutlookBarHeader::ScrollDown() {
    scrollOffset_ = std::min(std::max(0, ButtonCount() - 1), scrollOffset_ + 1);
    if (OnScroll) OnScroll(this);
    if (autoSort_) SortButtons();
}

void TKvOutlookBarHeader::PlaceScrollButtons() {
    int caption = CaptionHeight();
    up_->SetBounds(Width() - up_->Width() - 1, caption + 1, up_->Width(), up_->Height());
    if (Height() - down_->Height() - 1 > caption)
        down_->SetBounds(Width() - down_->Width() - 1, Height() - down_->Height() - 1, down_->Width(), down_->Height());
}

void TKvOutlookBarHeader::UpdateFocusPolicy() {
    bool keys = !bar_ || EffectiveSettings().KeySupport();
    Widget()->setFocusPolicy(keys ? Qt::StrongFocus : Qt::NoFocus);
    bool buttonKeys = bar_ && EffectiveSettings().KeySupport() && bar_->ActiveHeader() == this;
    for (TOutlookButton* b : buttons_) b->Widget()->setFocusPolicy(buttonKeys ? Qt::StrongFocus : Qt::NoFocus);
}

void TKvOutlookBarHeader::Resize() {
    PlaceScrollButtons();
    ApplySettings();
    TCustomControl::Resize();
}

void TKvOutlookBarHeader::VisibleChanged() {
    if (Visible() && OnShow) OnShow(this);
    if (!Visible() && OnHide) OnHide(this);
    if (bar_) bar_->ArrangeHeaders();
}

void TKvOutlookBarHeader::TextChanged() { Invalidate(); }

void TKvOutlookBarHeader::MouseMove(TShiftState shift, int x, int y) {
    mouseInCaption_ = y < CaptionHeight();
    if (bar_ && bar_->Enabled()) {
        if (bar_->HotHeader() == this && !mouseInCaption_) bar_->SetHot(nullptr);
        if (!bar_->HotHeader() && mouseInCaption_) bar_->SetHot(this);
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TKvOutlookBarHeader::MouseEnter() { TCustomControl::MouseEnter(); }

void TKvOutlookBarHeader::MouseLeave() {
    pressed_ = false;
    mouseInCaption_ = false;
    if (bar_ && bar_->HotHeader() == this) bar_->SetHot(nullptr);
    Invalidate();
    TCustomControl::MouseLeave();
}

void TKvOutlookBarHeader::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && y < CaptionHeight()) {
        pressed_ = true;
        if (CanFocus()) SetFocus();
        Invalidate();
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TKvOutlookBarHeader::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (pressed_ && bar_ && y > 0 && y < CaptionHeight() && x > 0 && x < Width()) {
        int active = bar_->ActiveHeader() ? bar_->ActiveHeader()->HeaderIndex() : -1;
        bar_->ActivateHeader(bar_->Headers(outlook::CaptionClickTarget(HeaderIndex(), active, bar_->VisibleHeaders())));
    }
    pressed_ = false;
    Invalidate();
    TCustomControl::MouseUp(button, shift, x, y);
}

void TKvOutlookBarHeader::KeyDown(uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (!bar_) return;
    if (key == VK_RETURN && bar_->ActiveHeader() != this) bar_->ActivateHeader(this);
    if (key == VK_PRIOR) bar_->ActivateHeader(bar_->PriorHeader(bar_->ActiveHeader() ? bar_->ActiveHeader() : this));
    if (key == VK_NEXT) bar_->ActivateHeader(bar_->NextHeader(bar_->ActiveHeader() ? bar_->ActiveHeader() : this));
}

bool TKvOutlookBarHeader::DialogChar(char32_t key) {
    if (!bar_ || !CanFocus() || AccelCharOf(Caption()) != key) return false;
    bar_->ActivateHeader(this);
    return true;
}

void TKvOutlookBarHeader::Paint(TCanvas& canvas) {
    TRect strip = Rect(0, 0, Width(), std::min(Height(), CaptionHeight()));
    PaintCaption(canvas, strip);

    TRect body = Rect(0, strip.Bottom, Width(), Height());
    if (body.Height() > 0) {
        if (gradient_.BackStyle() == TBackStyle::bsGradient) {
            gradient_.DrawGradient(canvas, body);
        } else if (!bitmap_.Empty()) {
            QPainter& p = canvas.Painter();
            p.save();
            p.setClipRect(ToQRect(body));
            p.setCompositionMode(RasterMode(bitmapCopy_));
            for (int y = body.Top; y < body.Bottom; y += bitmap_.Height())
                for (int x = body.Left; x < body.Right; x += bitmap_.Width()) p.drawImage(x, y, bitmap_.Image());
            p.restore();
        } else {
            canvas.Brush.Color = Color();
            canvas.FillRect(body);
        }
    }
    TCustomControl::Paint(canvas);
}

void TKvOutlookBarHeader::PaintCaption(TCanvas& canvas, TRect strip) {
    const THeaderSettings& s = EffectiveSettings();
    bool hot = bar_ && bar_->HotHeader() == this;
    int shift = 0;
    if (bar_ && bar_->Flat() && !hot) {
        strip.Bottom -= 1;
        canvas.Painter().fillRect(strip.Left, strip.Bottom, strip.Width(), 1, ToQColor(clBtnShadow));
    } else if (pressed_ && bar_ && bar_->ButtonDown()) {
        Frame3D(canvas, strip, clBtnHighlight, clBtnShadow, 1);
        Frame3D(canvas, strip, s.HeaderColor(), s.HeaderColor(), 1);
        Frame3D(canvas, strip, clBtnShadow, clBtnHighlight, 1);
        shift = 1;
    } else {
        Bevel(canvas, strip, s.BevelOuter(), s.BevelWidth());
        Bevel(canvas, strip, s.BevelInner(), s.BevelWidth());
    }
    canvas.Brush.Color = s.HeaderColor();
    canvas.FillRect(strip);

    TImageList* images = bar_ ? bar_->Images() : nullptr;
    bool image = images && imageIndex_ >= 0;
    int glyphX = 0, glyphY = 0;
    if (image) {
        switch (s.Layout()) {
        case TGlyphLayout::glGlyphLeft: glyphX = strip.Left + 2; break;
        case TGlyphLayout::glGlyphRight: glyphX = strip.Right - images->Width() - 2; break;
        case TGlyphLayout::glGlyphCenter: glyphX = strip.Left + (strip.Width() - images->Width()) / 2; break;
        }
        glyphY = strip.Top + (strip.Height() - images->Height()) / 2;
        if (!OnDrawHeader) images->Draw(canvas, glyphX + shift, glyphY + shift, imageIndex_);
    }
    if (OnDrawHeader) {
        OnDrawHeader(this, canvas, strip, glyphX, glyphY, imageIndex_, Caption());
    } else {
        TRect text = strip;
        OffsetRect(text, shift, shift);
        InflateRect(text, -2, 0);
        if (image && s.Layout() == TGlyphLayout::glGlyphLeft && s.Alignment() == taLeftJustify)
            text.Left += images->Width() + 3;
        if (image && s.Layout() == TGlyphLayout::glGlyphRight && s.Alignment() == taRightJustify)
            text.Right -= images->Width() + 4;
        canvas.Font = hot ? s.HighlightFont() : s.HeaderFont();
        canvas.Brush.Style = TBrushStyle::bsClear;
        unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | AlignmentFlags(s.Alignment());
        if (bar_ && !bar_->Enabled()) {
            TRect emboss = text;
            OffsetRect(emboss, 1, 1);
            canvas.Font.Color = clBtnHighlight;
            canvas.DrawText(Caption(), emboss, flags);
            canvas.Font.Color = clBtnShadow;
        }
        canvas.DrawText(Caption(), text, flags);
        canvas.Brush.Style = TBrushStyle::bsSolid;
    }
    if (Focused()) {
        TRect focus = strip;
        InflateRect(focus, -1, -1);
        canvas.DrawFocusRect(focus);
    }
}

// ---- buttons ----

TOutlookButton::TOutlookButton(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 60, 60);
    Widget()->setAutoFillBackground(false);
}

TOutlookButton::~TOutlookButton() {
    if (header_) header_->RemoveButton(this);
}

void TOutlookButton::SetHeader(TKvOutlookBarHeader* header) {
    if (header == header_) return;
    if (header_) header_->RemoveButton(this);
    header_ = header;
    SetParent(header);
    if (header) header->AddButton(this);
}

void TOutlookButton::SetBounds(int left, int top, int width, int height) {
    if (autoSize_ && header_ && !resizing_) {
        width = Width();
        height = Height();
    }
    TCustomControl::SetBounds(left, top, width, height);
}

void TOutlookButton::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on && header_) header_->ApplySettings();
}

void TOutlookButton::SetButtonStyle(TOutlookButtonStyle style) {
    style_ = style;
    Invalidate();
}

TButtonIndex TOutlookButton::ButtonIndex() const {
    if (!header_) return 0;
    auto it = std::find(header_->buttons_.begin(), header_->buttons_.end(), this);
    return TButtonIndex(it - header_->buttons_.begin());
}

void TOutlookButton::SetButtonIndex(TButtonIndex index) {
    if (header_) header_->MoveButton(this, index);
}

void TOutlookButton::SetImageIndex(int index) {
    imageIndex_ = index;
    Invalidate();
}
void TOutlookButton::SetLargeImages(TImageList* images) {
    largeImages_ = images;
    Invalidate();
}
void TOutlookButton::SetSmallImages(TImageList* images) {
    smallImages_ = images;
    Invalidate();
}
void TOutlookButton::SetTransparent(bool on) {
    transparent_ = on;
    Widget()->setAutoFillBackground(!on);
    Invalidate();
}

bool TOutlookButton::CanFocus() const { return TCustomControl::CanFocus(); }

void TOutlookButton::TextChanged() { Invalidate(); }

void TOutlookButton::VisibleChanged() {
    if (header_ && header_->AutoSort()) header_->SortButtons();
}

void TOutlookButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        pressed_ = true;
        Invalidate();
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TOutlookButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    pressed_ = false;
    if (CanFocus()) SetFocus();
    Invalidate();
    TCustomControl::MouseUp(button, shift, x, y);
}

void TOutlookButton::MouseEnter() {
    hot_ = true;
    Invalidate();
    TCustomControl::MouseEnter();
}

void TOutlookButton::MouseLeave() {
    hot_ = false;
    pressed_ = false;
    Invalidate();
    TCustomControl::MouseLeave();
}

void TOutlookButton::KeyDown(uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_RETURN) Click();
}

bool TOutlookButton::DialogChar(char32_t key) {
    if (!Enabled() || !Showing() || AccelCharOf(Caption()) != key) return false;
    Click();
    return true;
}

void TOutlookButton::Paint(TCanvas& canvas) {
    TOutlookViewStyle view = TOutlookViewStyle::vsNormal;
    TFont font = Font();
    if (header_) {
        TKvOutlookBar* bar = header_->OutlookBar();
        view = header_->EffectiveSettings().ViewStyle();
        if (bar && bar->CommonStyle())
            font = bar->HeaderSettings().ButtonFont();
        else if (header_->CommonStyle())
            font = header_->HeaderSettings().ButtonFont();
    }
    if (!transparent_) {
        canvas.Brush.Color = Color();
        canvas.FillRect(Rect(0, 0, Width(), Height()));
    }
    canvas.Font = font;
    if (style_ == TOutlookButtonStyle::bsLarge)
        PaintLarge(canvas, view);
    else
        PaintSmall(canvas, view);
    if (Focused() && !hot_) {
        TRect focus = Rect(0, 0, Width(), Height());
        InflateRect(focus, -1, -1);
        canvas.DrawFocusRect(focus);
    }
    TCustomControl::Paint(canvas);
}

void TOutlookButton::PaintFace(TCanvas& canvas, const TRect& edge, TOutlookViewStyle view, const TImageList* images, int x,
                               int y) {
    bool xp = view == TOutlookViewStyle::vsWindowsXP || view == TOutlookViewStyle::vsWindows2000;
    bool image = images && imageIndex_ >= 0 && imageIndex_ < images->Count();
    if (!xp) {
        TRect r = edge;
        if (pressed_)
            Frame3D(canvas, r, clBtnShadow, clBtnHighlight, 1);
        else if (hot_)
            Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
        if (image) images->Draw(canvas, x + (pressed_ ? 1 : 0), y + (pressed_ ? 1 : 0), imageIndex_);
        return;
    }
    const TKvXPSettings& s = header_ ? header_->EffectiveSettings().XPSettings() : TKvXPSettings();
    if (pressed_ || hot_) {
        TRect r = edge;
        Frame3D(canvas, r, s.Border(), s.Border(), 1);
        canvas.Brush.Color = s.Background();
        canvas.FillRect(r);
    }
    if (!image) return;
    if (hot_ && !pressed_) {
        if (s.ButtonShadow()) {
            QImage shadow = images->GetImage(imageIndex_);
            QPainter sp(&shadow);
            sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
            sp.fillRect(shadow.rect(), ToQColor(s.Shadow()));
            sp.end();
            canvas.Painter().drawImage(x, y, shadow);
        }
        images->Draw(canvas, x - 1, y - 1, imageIndex_);
    } else {
        images->Draw(canvas, x, y, imageIndex_);
    }
}

void TOutlookButton::PaintLarge(TCanvas& canvas, TOutlookViewStyle view) {
    TRect whole = Rect(0, 0, Width(), Height());
    TRect image = largeImages_ ? Bounds((Width() - largeImages_->Width()) / 2, 4, largeImages_->Width(), largeImages_->Height())
                               : whole;
    TRect edge = whole;
    if (view == TOutlookViewStyle::vsNormal) {
        edge = image;
        InflateRect(edge, 2, 2);
    }
    PaintFace(canvas, edge, view, largeImages_, image.Left, image.Top);
    TRect text = Rect(0, Height() - canvas.TextHeight("W") - 15, Width(), Height());
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.DrawText(Caption(), text, DT_CENTER | DT_NOCLIP | DT_EXPANDTABS);
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

void TOutlookButton::PaintSmall(TCanvas& canvas, TOutlookViewStyle view) {
    bool xp = view == TOutlookViewStyle::vsWindowsXP || view == TOutlookViewStyle::vsWindows2000;
    int x = 4, y = 0, imageWidth = 0;
    if (smallImages_) {
        imageWidth = smallImages_->Width();
        y = (Height() - smallImages_->Height()) / 2 + 2;
        if (xp) ++x, ++y;
    }
    PaintFace(canvas, Rect(0, 0, Width(), Height()), view, smallImages_, x, y);
    TRect text = Rect((smallImages_ ? 4 + imageWidth : 0) + 2, 0, Width(), Height());
    if (pressed_ && (view == TOutlookViewStyle::vsBig || view == TOutlookViewStyle::vsAdvanced)) OffsetRect(text, 1, 1);
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.DrawText(Caption(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

} // namespace kvz
