#include "platform/forms/DBCGrids.h"

#include "platform/forms/DBCtrls.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace kvz {

TDBCtrlGrid::TDBCtrlGrid(TComponent* owner)
    : TCustomControl(owner), model_(std::make_unique<TDataSetModel>()), panel_(new TWinControl(this)) {
    panel_->SetParent(this);
    panel_->SetParentColor(true);
    model_->OnCurrentRowChanged = [this](int) { PlacePanel(); };
    model_->OnLayoutChanged = [this] { PlacePanel(); };
    // Any change of the data repaints the other records' pictures.
    QObject::connect(model_.get(), &QAbstractItemModel::dataChanged, Widget(), [this] { Invalidate(); });
    QObject::connect(model_.get(), &QAbstractItemModel::modelReset, Widget(), [this] { Invalidate(); });
    SetBounds(0, 0, 200, 216);
}

TDBCtrlGrid::~TDBCtrlGrid() = default;

void TDBCtrlGrid::SetDataSource(TDataSource* source) {
    topRow_ = 0;
    model_->SetDataSource(source);
    PlacePanel();
}

void TDBCtrlGrid::SetRowCount(int count) {
    rowCount_ = std::max(count, 1);
    PlacePanel();
}

int TDBCtrlGrid::PanelHeight() const { return ClientHeight() / rowCount_; }

void TDBCtrlGrid::SetSelectedColor(TColor color) {
    selectedColor_ = color;
    PlacePanel();
}

int TDBCtrlGrid::RowAt(int y) const {
    const int slot = PanelHeight() > 0 ? y / PanelHeight() : -1;
    const int row = topRow_ + slot;
    return slot >= 0 && slot < rowCount_ && row < model_->rowCount() ? row : -1;
}

// The panel stands at the current record's place; the top row follows so that it shows.
void TDBCtrlGrid::PlacePanel() {
    const int current = model_->CurrentRow();
    const int rows = model_->rowCount();
    if (current >= 0) {
        if (current < topRow_) topRow_ = current;
        if (current >= topRow_ + rowCount_) topRow_ = current - rowCount_ + 1;
    }
    topRow_ = std::clamp(topRow_, 0, std::max(rows - rowCount_, 0));
    panel_->SetVisible(current >= 0);
    if (current >= 0) panel_->SetBounds(0, (current - topRow_) * PanelHeight(), PanelWidth(), PanelHeight() - 1);
    if (selectedColor_ != clNone) {
        panel_->SetColor(selectedColor_);
    } else {
        panel_->SetParentColor(true);
    }
    Invalidate();
}

void TDBCtrlGrid::RefreshControls(TWinControl* parent) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* control = parent->Controls(i);
        if (auto* data = dynamic_cast<TDataControl*>(control)) data->RefreshField();
        if (auto* child = dynamic_cast<TWinControl*>(control)) RefreshControls(child);
    }
}

void TDBCtrlGrid::PaintRow(TCanvas& canvas, int row) {
    const int top = (row - topRow_) * PanelHeight();
    QImage picture(PanelWidth(), PanelHeight() - 1, QImage::Format_ARGB32_Premultiplied);
    picture.fill(ToQColor(Color()));
    // The panel's controls show the row's values while their picture is taken.
    model_->WithRow(row, [&] {
        RefreshControls(panel_);
        panel_->Widget()->render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    });
    canvas.Painter().drawImage(0, top, picture);
}

void TDBCtrlGrid::Paint(TCanvas& canvas) {
    canvas.Brush.Color = Color();
    canvas.FillRect(ClientRect());
    const int current = model_->CurrentRow();
    const int last = std::min(topRow_ + rowCount_, model_->rowCount());
    bool painted = false;
    for (int row = topRow_; row < last; ++row)
        if (row != current) {
            PaintRow(canvas, row);
            painted = true;
        }
    if (painted && current >= 0) RefreshControls(panel_); // the live controls show their record again
    canvas.Pen.Color = clBtnShadow;
    for (int slot = 1; slot < rowCount_; ++slot) {
        canvas.MoveTo(0, slot * PanelHeight() - 1);
        canvas.LineTo(PanelWidth(), slot * PanelHeight() - 1);
    }
    TCustomControl::Paint(canvas);
}

void TDBCtrlGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    if (const int row = RowAt(y); row >= 0) model_->MoveTo(row);
}

void TDBCtrlGrid::KeyDown(uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (!key || !DataSet() || !DataSet()->Active()) return;
    int row = model_->CurrentRow();
    if (key == VK_NEXT) row += rowCount_;
    else if (key == VK_PRIOR) row -= rowCount_;
    else return;
    model_->MoveTo(std::clamp(row, 0, std::max(model_->rowCount() - 1, 0)));
    key = 0;
}

void TDBCtrlGrid::Resize() {
    TCustomControl::Resize();
    PlacePanel();
}

} // namespace kvz
