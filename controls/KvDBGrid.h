// The dataset grid of the windows with marked rows, coloured cells and title buttons.
#pragma once

#include "controls/KVDBCtrlModel.h"
#include "platform/forms/DBGrids.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QHeaderView;
class QMouseEvent;

namespace kvz {

class TFormPlacement;
class TIniLink;

enum class TSortMarker { smNone, smDown, smUp };

using TGetCellParamsEvent =
    std::function<void(TComponent* sender, TField* field, TFont& font, TColor& background, bool highlight)>;
using TGetCellPropsEvent = std::function<void(TComponent* sender, TField* field, TFont& font, TColor& background)>;
using TGetBtnParamsEvent = std::function<void(TComponent* sender, TField* field, TFont& font, TColor& background,
                                              TSortMarker& marker, bool isDown)>;
using TCheckTitleBtnEvent = std::function<void(TComponent* sender, int column, TField* field, bool& enabled)>;
using TTitleBtnClickEvent = std::function<void(TComponent* sender, int column, TField* field)>;
using TShowEditorEvent = std::function<void(TComponent* sender, TField* field, bool& allowEdit)>;
using TRecordsEvent = std::function<void(TComponent* sender, const std::vector<TBookmark>& rows)>;
using TMouseWheelUpDownEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y, bool& handled)>;

// The dataset grid of the windows: rows marked with Shift, Ctrl and the mouse (kept as
// bookmarks of the same records also when the dataset is read anew), marks in the indicator
// column, pictures for fields that have no text, cell colours by event, titles that are
// buttons with sort marks, and data columns kept from the cursor at the left.
//
// A window whose table is shared with other computers sets OnDeleteRecords and OnAppendRecord
// and makes the change under the table's lock; the grid then never changes the dataset for
// Ctrl+Delete, Insert or Down on the last row. In-place edits are refused through OnShowEditor.
class TKvDBGrid : public TDBGrid {
public:
    explicit TKvDBGrid(TComponent* owner);
    ~TKvDBGrid() override;

    void SetOptions(TDBGridOptions options) override;
    bool MultiSelect() const { return Options() & dgMultiSelect; }
    void SetMultiSelect(bool on);
    bool ClearSelection() const;
    void SetClearSelection(bool on);
    bool ShowGlyphs() const { return showGlyphs_; }
    void SetShowGlyphs(bool on);
    bool TitleButtons() const { return titleButtons_; }
    void SetTitleButtons(bool on);
    // Data columns at the left that stay in view while the grid scrolls sideways; the cursor
    // does not enter them. At least one column stays free.
    int FixedCols() const;
    void SetFixedCols(int count);
    int RowsHeight() const { return DefaultRowHeight(); }
    void SetRowsHeight(int height) { SetDefaultRowHeight(height); }
    // The fields that tell a marked record when the dataset is read anew ("" : all fields).
    const std::string& MarkKeyFields() const { return markKeyFields_; }
    void SetMarkKeyFields(std::string names) { markKeyFields_ = std::move(names); }
    // The picture of a field that shows no text: 0 BLOB, 1 memo, 2 graphic; -1 none.
    int FieldGlyphIndex(TField* field) const;
    // One step of Up or Down as the keys make it (Shift extends the marks).
    void SelectionStep(int direction, bool shift);
    // Ctrl+Delete: asks, then deletes the marked rows (or the current one).
    void DeleteRecords();
    // The title button drawn down while the mouse holds it (-1 none).
    int PressedTitle() const { return pressed_ ? pressedColumn_ : -1; }
    // The placement whose storage keeps the column layout (order and widths of the grid's own
    // columns, else the fields' layout); saved and restored with it. A grid without a Name
    // keeps none.
    TFormPlacement* IniStorage() const;
    void SetIniStorage(TFormPlacement* placement);

    TGetCellParamsEvent OnGetCellParams;
    TGetCellPropsEvent OnGetCellProps;
    TGetBtnParamsEvent OnGetBtnParams;
    TCheckTitleBtnEvent OnCheckButton;
    TTitleBtnClickEvent OnTitleBtnClick;
    TShowEditorEvent OnShowEditor;
    TNotifyEvent OnTopLeftChanged;
    // The person changed the text of a cell's in-place editor.
    TNotifyEvent OnEditChange;
    // The wheel: these first; unless one handled it, the dataset moves a record.
    TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;
    // Requests of the keys that would change the dataset (see above).
    TRecordsEvent OnDeleteRecords;
    TNotifyEvent OnAppendRecord;

protected:
    void QueryCellStyle(int row, TColumn& column, TField* field, TCellStyle& style, bool highlight) override;
    void DrawColumnCell(TCanvas& canvas, const TRect& rect, int dataCol, TColumn& column, TGridDrawState state) override;
    bool DrawsColumnCells() const override;
    bool CanEditShow(int column) const override;
    void TopLeftChanged() override;
    void LayoutChanged() override;
    void ColWidthsChanged() override;
    void DoExit() override;
    void Resize() override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void PaintHeaderSection(QPainter& painter, const QRect& rect, Qt::Orientation orientation, int section,
                            const std::function<void()>& standard) const override;
    // Whether a title may be pressed: a column of the grid, and OnCheckButton agrees.
    virtual bool QueryTitleButton(int column);
    virtual void TitleButtonClick(int column, TField* field);
    void EditorCreated(QWidget* editor) override;
    virtual void EditorChanged();

private:
    class Marks;
    class Wheel;
    class FrozenView;
    class FrozenDelegate;
    class FrozenHeader;
    class TitleTracker;
    friend class Wheel;
    int FrozenCount() const;
    void UpdateFrozenView();
    void KeepCurrentInView();
    void FrozenPress(int row, TShiftState shift);
    // Title buttons: a press on a section of the header, moves and the release.
    bool TitlePress(QHeaderView& header, QMouseEvent& event);
    void TitleMove(QHeaderView& header, const QPoint& at);
    void TitleRelease(QHeaderView& header, const QPoint& at);
    void StopTracking();
    bool MouseWheel(bool down, TShiftState shift, int x, int y);
    bool CanChange() const;
    void AppendRecord();
    void ClearMarks();
    void FindMarksAgain();
    std::string RecordKey() const;
    int FirstFreeColumn() const;
    std::string LayoutSection() const;
    void SaveLayout();
    void RestoreLayout();

    std::unique_ptr<Marks> marks_;
    std::unique_ptr<TIniLink> layoutLink_;
    std::unique_ptr<TRowMarking> marking_;
    bool showGlyphs_ = true, titleButtons_ = false;
    int fixedCols_ = 0;
    int pressedColumn_ = -1;
    bool pressed_ = false, tracking_ = false;
    FrozenView* frozen_ = nullptr;
    std::string markKeyFields_;
};

} // namespace kvz
