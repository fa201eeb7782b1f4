// Painted controls: the label with a one-pixel shadow that can mark the control it labels, and
// the speed button with a glyph strip, a flat look, groups, a drop-down menu and a repeat timer.
#pragma once

#include "controls/KvGlyph.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timer.h"

#include <string>

namespace kvz {

enum class TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// Draws the text first in the shadow colour, moved by the shadow size toward the shadow's
// corner, then in the canvas's font colour in place; the rect becomes the union of both (with
// DT_CALCRECT it is measured). Returns the height drawn with the shadow.
int DrawTextWithShadow(TCanvas& canvas, std::string_view text, TRect& rect, unsigned flags, int shadowSize,
                       TColor shadowColor, TShadowPosition shadowPos);

class TKvCustomLabel : public TGraphicControl {
public:
    explicit TKvCustomLabel(TComponent* owner);
    ~TKvCustomLabel() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int size);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition pos);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool on);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool on);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);

    // Whether the pointer is over the label, as last found.
    bool MouseInControl() const { return mouseInControl_; }
    // Paints (or, with DT_CALCRECT, measures) the caption; returns the height.
    int PaintLabelText(TCanvas& canvas, TRect& rect, unsigned flags);
    void FitLabelSize();
    void TrackMouseHover();

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool DialogChar(char32_t key) override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void TextChanged() override;
    void FontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void FocusMoved(QWidget* now);
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool autoSize_ = true;
    TWinControl* focusControl_ = nullptr;
    TTextLayout layout_ = TTextLayout::tlTop;
    TColor shadowColor_ = clBtnHighlight;
    int shadowSize_ = 1;
    TShadowPosition shadowPos_ = TShadowPosition::spLeftTop;
    bool showAccelChar_ = true, showFocus_ = false, transparent_ = false, wordWrap_ = false;
    bool focused_ = false, mouseInControl_ = false, dragging_ = false, pointerInside_ = false;
};

class TKvLabel : public TKvCustomLabel {
public:
    using TKvCustomLabel::TKvCustomLabel;
};

enum class TKvDropDownMenuPos { dmpBottom, dmpRight };
enum class TButtonStyle { bsAutoDetect, bsWin31, bsNew };

class TKvSpeedButton : public TGraphicControl {
public:
    explicit TKvSpeedButton(TComponent* owner);
    ~TKvSpeedButton() override;

    TAlignment Alignment() const { return glyph_.Alignment(); }
    void SetAlignment(TAlignment a) { glyph_.SetAlignment(a); }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool on);
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool on);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool Down() const { return down_; }
    void SetDown(bool down);
    TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(TPopupMenu* menu);
    TKvDropDownMenuPos MenuPosition() const { return menuPosition_; }
    void SetMenuPosition(TKvDropDownMenuPos pos) { menuPosition_ = pos; }
    bool Flat() const { return flat_; }
    void SetFlat(bool on);
    const TBitmap& Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const TBitmap& glyph) { glyph_.SetGlyph(glyph); }
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool on);
    unsigned InitPause() const { return initPause_; }
    void SetInitPause(unsigned ms) { initPause_ = ms; }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool on);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int count) { glyph_.SetNumGlyphs(count); }
    unsigned RepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(unsigned ms) { repeatInterval_ = ms; }
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle style);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool WordWrap() const { return glyph_.WordWrap(); }
    void SetWordWrap(bool on) { glyph_.SetWordWrap(on); }

    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    TKvButtonGlyph& ButtonGlyph() { return glyph_; }
    TTimer* RepeatTimer() const { return repeatTimer_; }

    void Click() override;
    // Draws the frame and returns the rect inside it.
    static TRect PaintButtonEdges(TCanvas& canvas, const TRect& client, bool isDown, TButtonStyle style, bool flat);
    TPoint MenuAnchor() const;
    bool DropMenuIfAny(TPoint point, bool manual);

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DblClick() override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool DialogChar(char32_t key) override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void SysColorChange() override;
    void Notification(TComponent* component, TOperation operation) override;
    void FinishPress(TMouseButton button, TShiftState shift, int x, int y);
    void NotifyGroup();
    void ButtonPressed(int group, TKvSpeedButton* sender);
    void RepeatTick();
    void TrackMouse();
    bool Inside(int x, int y) const { return x >= 0 && x < Width() && y >= 0 && y < Height(); }

private:
    bool allowAllUp_ = false, allowTimer_ = false, down_ = false, flat_ = false, grayedInactive_ = true;
    bool markDropDown_ = true, transparent_ = false;
    int groupIndex_ = 0, margin_ = -1, spacing_ = 1, modalResult_ = 0;
    unsigned initPause_ = 500, repeatInterval_ = 100;
    TPopupMenu* dropDownMenu_ = nullptr;
    TKvDropDownMenuPos menuPosition_ = TKvDropDownMenuPos::dmpBottom;
    TButtonLayout layout_ = TButtonLayout::blGlyphTop;
    TButtonStyle style_ = TButtonStyle::bsAutoDetect;
    TButtonState state_ = TButtonState::bsUp;
    bool dragging_ = false, mouseInControl_ = false, menuTracking_ = false, pointerInside_ = false;
    TKvButtonGlyph glyph_;
    TTimer* repeatTimer_ = nullptr;
};

// The small arrow button that repeats while held down.
class TKvTimerSpeedButton : public TKvSpeedButton {
public:
    explicit TKvTimerSpeedButton(TComponent* owner);
};

} // namespace kvz
