// More standard controls: panels, bevels and shapes, images, radio groups, splitters, paint
// boxes.
#pragma once

#include "platform/forms/Controls.h"

#include <QImage>

#include <memory>
#include <string>

class QButtonGroup;
class QFrame;
class QGridLayout;

namespace kvz {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TBorderStyle { bsNone, bsSingle };

// A plain container with an optional frame and a centred caption.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

protected:
    void Paint(TCanvas& canvas) override;

private:
    void ApplyFrame();
    TBevelCut bevelOuter_ = TBevelCut::bvRaised, bevelInner_ = TBevelCut::bvNone;
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
    TAlignment alignment_ = taCenter;
};

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle { bsLowered, bsRaised };

// A line or a box that sets controls apart.
class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape shape);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle style);

protected:
    void Paint(TCanvas& canvas) override;

private:
    TBevelShape shape_ = TBevelShape::bsBox;
    TBevelStyle style_ = TBevelStyle::bsLowered;
};

enum class TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A figure drawn with a pen and a brush.
class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* owner);
    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType shape);
    TPen Pen;
    TBrush Brush;

protected:
    void Paint(TCanvas& canvas) override;

private:
    TShapeType shape_ = TShapeType::stRectangle;
};

// A picture, at its size, centred, or stretched (keeping its proportions when asked).
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    // False when the file holds no picture that can be read.
    bool LoadFromFile(const std::string& path);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    bool Center() const { return center_; }
    void SetCenter(bool on);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool on);
    // Fits the control to the picture.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);

protected:
    void Paint(TCanvas& canvas) override;

private:
    QImage picture_;
    bool stretch_ = false, center_ = false, proportional_ = false, autoSize_ = false;
};

// A group box of radio buttons made from its Items, in Columns; ItemIndex is the chosen one.
// OnClick follows the user's choice.
class TRadioGroup : public TWinControl {
public:
    explicit TRadioGroup(TComponent* owner);
    ~TRadioGroup() override;
    TStrings& Items() { return *items_; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    // The radio button of an item, to enable or hide it.
    QWidget* Buttons(int index) const;

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;

private:
    friend class TRadioItems;
    void Arrange();
    std::unique_ptr<TStrings> items_;
    QButtonGroup* group_;
    int columns_ = 1;
};

// A bar between two aligned controls that the user drags to share the room between them: it
// resizes the control that stands before it in its alignment.
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* owner);
    // The least size the resized control keeps (30 by default).
    int MinSize() const { return minSize_; }
    void SetMinSize(int size) { minSize_ = size; }
    TNotifyEvent OnMoved;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;

private:
    TControl* Neighbour() const;
    bool Vertical() const;
    TControl* dragged_ = nullptr;
    int start_ = 0, startSize_ = 0, minSize_ = 30;
};

// A surface that its OnPaint handler draws on.
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* owner) : TGraphicControl(owner) {}
};

} // namespace kvz
