#include "platform/forms/ExtCtrls.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <stdexcept>

namespace kvz {

namespace {

// A raised or lowered edge as the desktop's style draws a frame.
void DrawEdge(QPainter& painter, QWidget* widget, const QRect& rect, TBevelCut cut) {
    if (cut == TBevelCut::bvNone || cut == TBevelCut::bvSpace) return;
    QStyleOptionFrame option;
    option.initFrom(widget);
    option.rect = rect;
    option.lineWidth = 1;
    option.midLineWidth = 0;
    option.frameShape = QFrame::StyledPanel;
    option.state |= cut == TBevelCut::bvRaised ? QStyle::State_Raised : QStyle::State_Sunken;
    widget->style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, widget);
}

} // namespace

// ---- TPanel ----

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetBevelOuter(TBevelCut cut) {
    bevelOuter_ = cut;
    Invalidate();
}
void TPanel::SetBevelInner(TBevelCut cut) {
    bevelInner_ = cut;
    Invalidate();
}
void TPanel::SetBorderStyle(TBorderStyle style) {
    borderStyle_ = style;
    Invalidate();
}
void TPanel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Invalidate();
}

void TPanel::Paint(TCanvas& canvas) {
    QPainter& painter = canvas.Painter();
    QRect r = Widget()->rect();
    if (borderStyle_ == TBorderStyle::bsSingle) {
        painter.setPen(Widget()->palette().color(QPalette::Mid));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    DrawEdge(painter, Widget(), r, bevelOuter_);
    if (bevelOuter_ != TBevelCut::bvNone) r.adjust(1, 1, -1, -1);
    DrawEdge(painter, Widget(), r, bevelInner_);
    std::string caption = Caption();
    if (!caption.empty()) {
        unsigned align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
        TRect text = Rect(r.left() + 2, r.top(), r.right() - 1, r.bottom() + 1);
        canvas.Brush.Style = TBrushStyle::bsClear;
        canvas.Font = Font();
        canvas.DrawText(caption, text, align | DT_VCENTER | DT_SINGLELINE);
    }
    TCustomControl::Paint(canvas);
}

// ---- TBevel ----

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape shape) {
    shape_ = shape;
    Invalidate();
}
void TBevel::SetStyle(TBevelStyle style) {
    style_ = style;
    Invalidate();
}

void TBevel::Paint(TCanvas& canvas) {
    QPainter& painter = canvas.Painter();
    const QPalette& pal = Widget()->palette();
    // A groove: a dark line beside a light one, the light one first when raised.
    QColor first = pal.color(QPalette::Mid), second = pal.color(QPalette::Light);
    if (style_ == TBevelStyle::bsRaised) std::swap(first, second);
    const int w = Width(), h = Height();
    auto hline = [&](int y) {
        painter.setPen(first);
        painter.drawLine(0, y, w - 1, y);
        painter.setPen(second);
        painter.drawLine(0, y + 1, w - 1, y + 1);
    };
    auto vline = [&](int x) {
        painter.setPen(first);
        painter.drawLine(x, 0, x, h - 1);
        painter.setPen(second);
        painter.drawLine(x + 1, 0, x + 1, h - 1);
    };
    switch (shape_) {
    case TBevelShape::bsTopLine: hline(0); break;
    case TBevelShape::bsBottomLine: hline(h - 2); break;
    case TBevelShape::bsLeftLine: vline(0); break;
    case TBevelShape::bsRightLine: vline(w - 2); break;
    case TBevelShape::bsBox:
        DrawEdge(painter, Widget(), Widget()->rect(),
                 style_ == TBevelStyle::bsRaised ? TBevelCut::bvRaised : TBevelCut::bvLowered);
        break;
    case TBevelShape::bsFrame:
        painter.setPen(first);
        painter.drawRect(0, 0, w - 2, h - 2);
        painter.setPen(second);
        painter.drawRect(1, 1, w - 2, h - 2);
        break;
    case TBevelShape::bsSpacer: break;
    }
    TGraphicControl::Paint(canvas);
}

// ---- TShape ----

TShape::TShape(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 65, 65); }

void TShape::SetShape(TShapeType shape) {
    shape_ = shape;
    Invalidate();
}

void TShape::Paint(TCanvas& canvas) {
    canvas.Pen = Pen;
    canvas.Brush = Brush;
    QPainter& painter = canvas.Painter();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Pen.Style == TPenStyle::psClear ? QPen(Qt::NoPen) : QPen(ToQColor(Pen.Color), Pen.Width));
    painter.setBrush(Brush.Style == TBrushStyle::bsClear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(Brush.Color)));
    const int inset = Pen.Width / 2;
    QRectF r(inset, inset, Width() - Pen.Width, Height() - Pen.Width);
    const bool square = shape_ == TShapeType::stSquare || shape_ == TShapeType::stRoundSquare ||
                        shape_ == TShapeType::stCircle;
    if (square) {
        double side = std::min(r.width(), r.height());
        r = QRectF(r.x() + (r.width() - side) / 2, r.y() + (r.height() - side) / 2, side, side);
    }
    switch (shape_) {
    case TShapeType::stRectangle:
    case TShapeType::stSquare: painter.drawRect(r); break;
    case TShapeType::stRoundRect:
    case TShapeType::stRoundSquare: {
        double radius = std::min(r.width(), r.height()) / 4;
        painter.drawRoundedRect(r, radius, radius);
        break;
    }
    case TShapeType::stEllipse:
    case TShapeType::stCircle: painter.drawEllipse(r); break;
    }
    TGraphicControl::Paint(canvas);
}

// ---- TImage ----

TImage::TImage(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 105, 105); }

void TImage::SetPicture(const QImage& picture) {
    picture_ = picture;
    if (autoSize_ && !picture_.isNull()) SetBounds(Left(), Top(), picture_.width(), picture_.height());
    Invalidate();
}

bool TImage::LoadFromFile(const std::string& path) {
    QImage image;
    if (!image.load(ToQString(path))) return false;
    SetPicture(image);
    return true;
}

void TImage::SetStretch(bool on) {
    stretch_ = on;
    Invalidate();
}
void TImage::SetCenter(bool on) {
    center_ = on;
    Invalidate();
}
void TImage::SetProportional(bool on) {
    proportional_ = on;
    Invalidate();
}
void TImage::SetAutoSize(bool on) {
    autoSize_ = on;
    SetPicture(picture_);
}

void TImage::Paint(TCanvas& canvas) {
    if (!picture_.isNull()) {
        QSize size = picture_.size();
        const QSize room = Widget()->size();
        // Proportional shrinks a picture too large for the room, and keeps its shape.
        if (stretch_)
            size = proportional_ ? size.scaled(room, Qt::KeepAspectRatio) : room;
        else if (proportional_ && (size.width() > room.width() || size.height() > room.height()))
            size = size.scaled(room, Qt::KeepAspectRatio);
        QPoint at(0, 0);
        if (center_) at = QPoint((room.width() - size.width()) / 2, (room.height() - size.height()) / 2);
        canvas.Painter().setRenderHint(QPainter::SmoothPixmapTransform);
        canvas.Painter().drawImage(QRect(at, size), picture_);
    }
    TGraphicControl::Paint(canvas);
}

// ---- TRadioGroup ----

class TRadioItems : public TStrings {
public:
    explicit TRadioItems(TRadioGroup* owner) : owner_(owner) {}
    int Count() const override { return int(Buttons().size()); }
    std::string Get(int index) const override { return Button(index)->text().toStdString(); }
    void Put(int index, std::string_view s) override { Button(index)->setText(ToQString(s)); }
    void* GetObject(int index) const override {
        return reinterpret_cast<void*>(Button(index)->property("kvzObject").value<quintptr>());
    }
    void PutObject(int index, void* object) override {
        Button(index)->setProperty("kvzObject", QVariant::fromValue(reinterpret_cast<quintptr>(object)));
    }
    void Insert(int index, std::string_view s) override {
        if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
        auto* button = new QRadioButton(ToQString(s), owner_->Widget());
        QList<QAbstractButton*> all = Buttons();
        all.insert(index, button);
        for (int i = 0; i < all.size(); ++i) {
            owner_->group_->removeButton(all[i]);
            owner_->group_->addButton(all[i], i);
        }
        owner_->Arrange();
    }
    void Delete(int index) override {
        QAbstractButton* button = Button(index);
        owner_->group_->removeButton(button);
        delete button;
        QList<QAbstractButton*> all = Buttons();
        for (int i = 0; i < all.size(); ++i) owner_->group_->setId(all[i], i);
        owner_->Arrange();
    }
    void Clear() override {
        for (QAbstractButton* b : Buttons()) {
            owner_->group_->removeButton(b);
            delete b;
        }
        owner_->Arrange();
    }
    QList<QAbstractButton*> Buttons() const {
        QList<QAbstractButton*> all = owner_->group_->buttons();
        std::sort(all.begin(), all.end(),
                  [this](QAbstractButton* a, QAbstractButton* b) { return owner_->group_->id(a) < owner_->group_->id(b); });
        return all;
    }
    QAbstractButton* Button(int index) const {
        QList<QAbstractButton*> all = Buttons();
        if (index < 0 || index >= all.size()) throw std::out_of_range("List index out of bounds");
        return all[index];
    }

private:
    TRadioGroup* owner_;
};

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner, new TControlWidget<QGroupBox>(this, HomeWidget(owner))) {
    items_ = std::make_unique<TRadioItems>(this);
    group_ = new QButtonGroup(Widget());
    new QGridLayout(Widget());
    QObject::connect(group_, &QButtonGroup::idClicked, Widget(), [this] { Guarded([this] { Click(); }); });
    SetClickOnRelease(false);
    SetBounds(0, 0, 185, 105);
}

TRadioGroup::~TRadioGroup() = default;

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* b = group_->button(index)) {
        b->setChecked(true);
        return;
    }
    // No choice: the group lets go of its one checked button for a moment.
    if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

void TRadioGroup::SetColumns(int columns) {
    columns_ = std::clamp(columns, 1, 16);
    Arrange();
}

QWidget* TRadioGroup::Buttons(int index) const { return static_cast<TRadioItems&>(*items_).Button(index); }

void TRadioGroup::Arrange() {
    auto* grid = static_cast<QGridLayout*>(Widget()->layout());
    QList<QAbstractButton*> all = static_cast<TRadioItems&>(*items_).Buttons();
    for (QAbstractButton* b : all) grid->removeWidget(b);
    // Filled down the columns, as many rows as the longest column needs.
    const int rows = std::max<int>(1, int((all.size() + columns_ - 1) / columns_));
    for (int i = 0; i < all.size(); ++i) {
        grid->addWidget(all[i], i % rows, i / rows);
        all[i]->show();
    }
}

std::string TRadioGroup::WidgetText() const { return static_cast<QGroupBox*>(Widget())->title().toStdString(); }
void TRadioGroup::SetWidgetText(std::string_view text) { static_cast<QGroupBox*>(Widget())->setTitle(ToQString(text)); }

// ---- TSplitter ----

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetAlign(TAlign::alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
}

bool TSplitter::Vertical() const { return Align() == TAlign::alTop || Align() == TAlign::alBottom; }

TControl* TSplitter::Neighbour() const {
    // The control of the same alignment whose edge touches this one's near side.
    if (!Parent()) return nullptr;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this || c->Align() != Align() || !c->Visible()) continue;
        switch (Align()) {
        case TAlign::alLeft: if (c->Left() + c->Width() == Left()) return c; break;
        case TAlign::alRight: if (c->Left() == Left() + Width()) return c; break;
        case TAlign::alTop: if (c->Top() + c->Height() == Top()) return c; break;
        case TAlign::alBottom: if (c->Top() == Top() + Height()) return c; break;
        default: break;
        }
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    dragged_ = Neighbour();
    if (!dragged_) return;
    TPoint p = ClientToScreen({x, y});
    start_ = Vertical() ? p.Y : p.X;
    startSize_ = Vertical() ? dragged_->Height() : dragged_->Width();
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragged_ || !(shift & ssLeft)) return;
    TPoint p = ClientToScreen({x, y});
    int delta = (Vertical() ? p.Y : p.X) - start_;
    if (Align() == TAlign::alRight || Align() == TAlign::alBottom) delta = -delta;
    int size = std::max(minSize_, startSize_ + delta);
    if (Vertical())
        dragged_->SetHeight(size);
    else
        dragged_->SetWidth(size);
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragged_ || button != TMouseButton::mbLeft) return;
    dragged_ = nullptr;
    if (OnMoved) OnMoved(this);
}

void TSplitter::MouseEnter() {
    SetCursor(Vertical() ? crVSplit : crHSplit);
    TGraphicControl::MouseEnter();
}

} // namespace kvz
