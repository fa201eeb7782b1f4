// The control grid: a panel of data-aware controls repeated for RowCount records of a data
// source. The controls on the panel are live for the current record; the other records are
// pictures of the same panel with its fields reading their rows (read by position, so the
// dataset does not scroll for a paint). A click on another record's picture moves there.
#pragma once

#include "platform/data/DB.h"
#include "platform/forms/Controls.h"
#include "platform/forms/DataSetModel.h"

#include <memory>

namespace kvz {

class TDBCtrlGrid : public TCustomControl {
public:
    explicit TDBCtrlGrid(TComponent* owner);
    ~TDBCtrlGrid() override;

    TDataSource* DataSource() const { return model_->DataSource(); }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return model_->DataSet(); }
    // Records shown at once, one above the other.
    int RowCount() const { return rowCount_; }
    void SetRowCount(int count);
    int PanelHeight() const;
    int PanelWidth() const { return ClientWidth(); }
    // The panel that the data-aware controls stand on (their parent).
    TWinControl* Panel() const { return panel_; }
    // The colour of the current record's panel; clNone: the grid's colour.
    TColor SelectedColor() const { return selectedColor_; }
    void SetSelectedColor(TColor color);
    // The record shown at the top, as a row of the dataset's view.
    int TopRow() const { return topRow_; }
    // The row of the panel under a point of the grid; -1 when none.
    int RowAt(int y) const;
    const TDataSetModel& Model() const { return *model_; }

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void Resize() override;

private:
    void PlacePanel();
    void RefreshControls(TWinControl* parent);
    void PaintRow(TCanvas& canvas, int row);

    std::unique_ptr<TDataSetModel> model_;
    TWinControl* panel_;
    int rowCount_ = 3;
    int topRow_ = 0;
    TColor selectedColor_ = clNone;
};

} // namespace kvz
