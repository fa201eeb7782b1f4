// The outlook bar: a vertical strip of headers, each a caption strip over a body of large or
// small image buttons. One header is open at a time and fills what the other strips leave; two
// small arrow buttons reach the buttons that do not fit. The bar paints itself by hand, in one
// of five view styles, with plain, tiled or gradient bodies. Its rules live in
// kvOutlookBarLayout.h.
#pragma once

#include "controls/KVCtrls.h"
#include "controls/kvOutlookBarLayout.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Graphics.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvz {

enum class TBackStyle { bsNormal, bsGradient };
enum class TBitmapCopy { bcMergeCopy, bcMergePaint, bcSrcCopy, bcSrcErase, bcSrcPaint };
enum class TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphCenter };
enum class TArrowStyle { asUp, asDown };
using TButtonIndex = int16_t;

class TKvOutlookBar;
class TKvOutlookBarHeader;
class TOutlookButton;

// Draws a bevel of width pixels around rect and shrinks rect to inside it.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width);

// Settings that tell their owner of every change: a setter stores a value only when it differs,
// then OnChange fires.
class TNotifyingSettings {
public:
    std::function<void()> OnChange;

protected:
    template <class T>
    void Set(T& field, const T& value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    void Changed() {
        if (OnChange) OnChange();
    }
};

class TKvXPSettings : public TNotifyingSettings {
public:
    TColor Border() const { return border_; }
    void SetBorder(TColor c) { Set(border_, c); }
    TColor Background() const { return background_; }
    void SetBackground(TColor c) { Set(background_, c); }
    bool ButtonShadow() const { return buttonShadow_; }
    void SetButtonShadow(bool on) { Set(buttonShadow_, on); }
    TColor Shadow() const { return shadow_; }
    void SetShadow(TColor c) { Set(shadow_, c); }

private:
    TColor border_ = clNavy, background_ = 14199984, shadow_ = clBlack;
    bool buttonShadow_ = true;
};

class THeaderSettings : public TNotifyingSettings {
public:
    // Fonts start as copies of the owner's font.
    explicit THeaderSettings(const TFont& ownerFont);
    THeaderSettings(const THeaderSettings&) = delete;
    THeaderSettings& operator=(const THeaderSettings&) = delete;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) { Set(alignment_, a); }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool on) { Set(autoScroll_, on); }
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut b) { Set(bevelInner_, b); }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut b) { Set(bevelOuter_, b); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w) { Set(bevelWidth_, w); }
    const TFont& ButtonFont() const { return buttonFont_; }
    void SetButtonFont(const TFont& f) { Set(buttonFont_, f); }
    TOutlookButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TOutlookButtonStyle s) { Set(buttonStyle_, s); }
    TColor HeaderColor() const { return headerColor_; }
    void SetHeaderColor(TColor c) { Set(headerColor_, c); }
    const TFont& HeaderFont() const { return headerFont_; }
    void SetHeaderFont(const TFont& f) { Set(headerFont_, f); }
    const TFont& HighlightFont() const { return highlightFont_; }
    void SetHighlightFont(const TFont& f) { Set(highlightFont_, f); }
    bool KeySupport() const { return keySupport_; }
    void SetKeySupport(bool on) { Set(keySupport_, on); }
    TGlyphLayout Layout() const { return layout_; }
    void SetLayout(TGlyphLayout l) { Set(layout_, l); }
    // Index 1 LargeWidth, 2 LargeHeight, 3 SmallHeight; another index reads -1 and writes nothing.
    int Size(int index) const;
    void SetSize(int index, int value);
    int LargeWidth() const { return Size(1); }
    void SetLargeWidth(int v) { SetSize(1, v); }
    int LargeHeight() const { return Size(2); }
    void SetLargeHeight(int v) { SetSize(2, v); }
    int SmallHeight() const { return Size(3); }
    void SetSmallHeight(int v) { SetSize(3, v); }
    TOutlookViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TOutlookViewStyle v) { Set(viewStyle_, v); }
    TKvXPSettings& XPSettings() { return xp_; }
    const TKvXPSettings& XPSettings() const { return xp_; }

    // Copies the look of the caption strip (alignment, bevels, header colour and fonts).
    void AssignTo(THeaderSettings& target) const;

private:
    TAlignment alignment_ = taCenter;
    bool autoScroll_ = true, keySupport_ = false;
    TBevelCut bevelInner_ = TBevelCut::bvNone, bevelOuter_ = TBevelCut::bvRaised;
    int bevelWidth_ = 1;
    TFont buttonFont_, headerFont_, highlightFont_;
    TOutlookButtonStyle buttonStyle_ = TOutlookButtonStyle::bsLarge;
    TColor headerColor_ = clBtnFace;
    TGlyphLayout layout_ = TGlyphLayout::glGlyphLeft;
    int largeWidth_ = 60, largeHeight_ = 60, smallHeight_ = 20;
    TOutlookViewStyle viewStyle_ = TOutlookViewStyle::vsNormal;
    TKvXPSettings xp_;
};

class TGradient : public TNotifyingSettings {
public:
    TBackStyle BackStyle() const { return backStyle_; }
    void SetBackStyle(TBackStyle s) { Set(backStyle_, s); }
    TGradientType GradientType() const { return type_; }
    void SetGradientType(TGradientType t) { Set(type_, t); }
    TColor StartColor() const { return start_; }
    void SetStartColor(TColor c) { Set(start_, c); }
    TColor EndColor() const { return end_; }
    void SetEndColor(TColor c) { Set(end_, c); }
    void DrawGradient(TCanvas& canvas, const TRect& rect) const;

private:
    TBackStyle backStyle_ = TBackStyle::bsNormal;
    TGradientType type_ = TGradientType::gtt2b;
    TColor start_ = clBlack, end_ = clBlue;
};

// The small arrow buttons of a header: 11 by 10, opaque, hidden until needed.
class TScrollButton : public TKvSpeedButton {
public:
    TScrollButton(TComponent* owner, TArrowStyle arrow);
    TArrowStyle Arrow() const { return arrow_; }

private:
    TArrowStyle arrow_;
};

using TEventHeaderChange = std::function<void(TComponent* sender, int oldIndex, int newIndex)>;
using TEventCanChangeHeader = std::function<void(TComponent* sender, TKvOutlookBarHeader* newHeader, bool& canChange)>;
using TEventOnDrawHeader = std::function<void(TComponent* sender, TCanvas& canvas, TRect& rect, int glyphX, int glyphY,
                                              int imageIndex, const std::string& caption)>;
using TEventCanSortButtons = std::function<void(TComponent* sender, bool& canSort)>;
using TEventCheckScroll =
    std::function<void(TComponent* sender, bool& scrollUpNeed, bool& scrollDownNeed, bool& automatic)>;

class TKvOutlookBar : public TCustomControl {
public:
    explicit TKvOutlookBar(TComponent* owner);
    ~TKvOutlookBar() override;

    TKvOutlookBarHeader* ActiveHeader() const { return active_; }
    void SetActiveHeader(TKvOutlookBarHeader* header);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut b);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut b);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    bool ButtonDown() const { return buttonDown_; }
    void SetButtonDown(bool on) { buttonDown_ = on; }
    bool CommonStyle() const { return commonStyle_; }
    void SetCommonStyle(bool on);
    bool Flat() const { return flat_; }
    void SetFlat(bool on);
    int HeaderHeight() const { return headerHeight_; }
    void SetHeaderHeight(int h);
    THeaderSettings& HeaderSettings() { return settings_; }
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    // "1.52" whatever is written.
    std::string Version() const;

    TEventHeaderChange OnChange;
    TEventCanChangeHeader OnCanChange;

    // Opens the header (none for nullptr); an invisible header leaves the bar with none open.
    void ActivateHeader(TKvOutlookBarHeader* header);
    void ArrangeHeaders();
    TRect GetHeaderRect(int index) const;
    int HeaderCount() const { return int(headers_.size()); }
    TKvOutlookBarHeader* Headers(int index) const;
    TKvOutlookBarHeader* PriorHeader(TKvOutlookBarHeader* header) const;
    TKvOutlookBarHeader* NextHeader(TKvOutlookBarHeader* header) const;
    TKvOutlookBarHeader* HotHeader() const { return hot_; }
    TRect ClientRect() const override;

protected:
    void Paint(TCanvas& canvas) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void Resize() override;
    void MouseLeave() override;

private:
    friend class TKvOutlookBarHeader;
    void AddHeader(TKvOutlookBarHeader* header);
    void RemoveHeader(TKvOutlookBarHeader* header);
    void MoveHeader(TKvOutlookBarHeader* header, int index);
    void SetHot(TKvOutlookBarHeader* header);
    void SettingsChanged();
    void Relayout();
    std::vector<bool> VisibleHeaders() const;

    std::vector<TKvOutlookBarHeader*> headers_;
    TKvOutlookBarHeader* active_ = nullptr;
    TKvOutlookBarHeader* hot_ = nullptr;
    TBevelCut bevelInner_ = TBevelCut::bvNone, bevelOuter_ = TBevelCut::bvLowered;
    int bevelWidth_ = 1, borderWidth_ = 1, headerHeight_ = 22;
    bool buttonDown_ = true, commonStyle_ = true, flat_ = false, updating_ = false;
    THeaderSettings settings_;
    TImageList* images_ = nullptr;
};

class TKvOutlookBarHeader : public TCustomControl {
public:
    explicit TKvOutlookBarHeader(TComponent* owner);
    ~TKvOutlookBarHeader() override;

    // Puts the header into the bar, as its last header; nullptr takes it out.
    void SetOutlookBar(TKvOutlookBar* bar);
    TKvOutlookBar* OutlookBar() const { return bar_; }

    bool AutoSort() const { return autoSort_; }
    void SetAutoSort(bool on) { autoSort_ = on; }
    TBitmap& Bitmap() { return bitmap_; }
    TBitmapCopy BitmapCopy() const { return bitmapCopy_; }
    void SetBitmapCopy(TBitmapCopy c);
    bool CommonStyle() const { return commonStyle_; }
    void SetCommonStyle(bool on);
    int FirstButtonTop() const { return firstButtonTop_; }
    void SetFirstButtonTop(int top);
    TGradient& Gradient() { return gradient_; }
    THeaderSettings& HeaderSettings() { return settings_; }
    // The bar's settings while its CommonStyle rules, else the header's own.
    const THeaderSettings& EffectiveSettings() const;
    int HeaderIndex() const;
    void SetHeaderIndex(int index);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);

    TEventOnDrawHeader OnDrawHeader;
    TEventCanSortButtons OnCanSort;
    TNotifyEvent OnChange, OnScroll, OnSort, OnHide, OnShow;
    TEventCheckScroll OnCheckScroll;

    int CaptionHeight() const;
    int ButtonCount() const { return int(buttons_.size()); }
    TOutlookButton* Buttons(int index) const;
    void ArrangeButtons();
    void SortButtons();
    // Gives every AutoSize button the size and place of the effective settings.
    void ApplySettings();
    bool CanScrollUp() const { return scrollOffset_ > 0; }
    bool CanScrollDown() const;
    int ScrollOffset() const { return scrollOffset_; }
    void ScrollUp();
    void ScrollDown();
    TScrollButton* ScrollUpButton() const { return up_; }
    TScrollButton* ScrollDownButton() const { return down_; }
    bool Pressed() const { return pressed_; }
    // Fires OnChange.
    virtual void Change();

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    bool DialogChar(char32_t key) override;
    void Resize() override;
    void VisibleChanged() override;
    void TextChanged() override;

private:
    friend class TKvOutlookBar;
    friend class TOutlookButton;
    void AddButton(TOutlookButton* button);
    void RemoveButton(TOutlookButton* button);
    void MoveButton(TOutlookButton* button, int index);
    void PlaceScrollButtons();
    void UpdateFocusPolicy();
    void PaintCaption(TCanvas& canvas, TRect strip);

    TKvOutlookBar* bar_ = nullptr;
    std::vector<TOutlookButton*> buttons_;
    bool autoSort_ = true, commonStyle_ = true, pressed_ = false, mouseInCaption_ = false;
    TBitmap bitmap_;
    TBitmapCopy bitmapCopy_ = TBitmapCopy::bcSrcCopy;
    int firstButtonTop_ = 5, imageIndex_ = -1, scrollOffset_ = 0;
    TGradient gradient_;
    THeaderSettings settings_;
    TScrollButton* up_;
    TScrollButton* down_;
};

class TOutlookButton : public TCustomControl {
public:
    explicit TOutlookButton(TComponent* owner);
    ~TOutlookButton() override;

    // Puts the button into the header, as its last button; nullptr takes it out.
    void SetHeader(TKvOutlookBarHeader* header);
    TKvOutlookBarHeader* Header() const { return header_; }

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    TOutlookButtonStyle ButtonStyle() const { return style_; }
    void SetButtonStyle(TOutlookButtonStyle style);
    TButtonIndex ButtonIndex() const;
    void SetButtonIndex(TButtonIndex index);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TImageList* LargeImages() const { return largeImages_; }
    void SetLargeImages(TImageList* images);
    TImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TImageList* images);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool Pressed() const { return pressed_; }
    bool Hot() const { return hot_; }
    // An AutoSize button takes its size only from its header.
    void SetBounds(int left, int top, int width, int height) override;
    bool CanFocus() const;

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    bool DialogChar(char32_t key) override;
    void TextChanged() override;
    void VisibleChanged() override;

private:
    friend class TKvOutlookBarHeader;
    void PaintLarge(TCanvas& canvas, TOutlookViewStyle view);
    void PaintSmall(TCanvas& canvas, TOutlookViewStyle view);
    void PaintFace(TCanvas& canvas, const TRect& edge, TOutlookViewStyle view, const TImageList* images, int x, int y);

    TKvOutlookBarHeader* header_ = nullptr;
    bool autoSize_ = true, transparent_ = true, pressed_ = false, hot_ = false, resizing_ = false;
    TOutlookButtonStyle style_ = TOutlookButtonStyle::bsLarge;
    int imageIndex_ = -1;
    TImageList* largeImages_ = nullptr;
    TImageList* smallImages_ = nullptr;
};

} // namespace kvz
