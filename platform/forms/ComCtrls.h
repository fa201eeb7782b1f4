// The common controls: page controls and their sheets, status bars, tool bars, trees, list
// views, progress bars, track bars and up-down buttons. Each is the Qt widget that does the
// job; nodes and items are views of the widget's own items.
#pragma once

#include "platform/forms/Controls.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QTabWidget;
class QStatusBar;
class QLabel;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QProgressBar;
class QSlider;
class QTimer;

namespace kvz {

class TPageControl;
class TPopupMenu;

// One page of a page control; its Caption is its tab's text.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    TPageControl* PageControl() const;
    void SetPageControl(TPageControl* pageControl);
    // Its place among the pages; -1 when it stands in none.
    int PageIndex() const;
    bool TabVisible() const;
    void SetTabVisible(bool on);

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;

private:
    friend class TPageControl;
};

using TTabChangingEvent = std::function<void(TComponent* sender, bool& allowChange)>;

// Pages behind tabs. OnChanging may refuse the user's change of page; OnChange follows it.
// Setting the page from code raises neither.
class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    int PageCount() const;
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    void ControlAdded(TControl* control) override;
    void ControlRemoved(TControl* control) override;

private:
    friend class TTabSheet;
    QTabWidget* Tabs() const;
    int shownIndex_ = -1;
    bool setting_ = false;
};

// One panel of a status bar.
class TStatusPanel {
public:
    explicit TStatusPanel(QLabel* label) : label_(label) {}
    std::string Text() const;
    void SetText(std::string_view text);
    int Width() const;
    void SetWidth(int width);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);

private:
    friend class TStatusBar;
    QLabel* label_;
};

// A bar at the bottom of a window: panels side by side (the last takes what is left), or
// one simple text.
class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;
    int PanelCount() const { return int(panels_.size()); }
    TStatusPanel* Panels(int index) const { return panels_.at(size_t(index)).get(); }
    TStatusPanel* AddPanel(int width);
    void ClearPanels();
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool on);
    std::string SimpleText() const;
    void SetSimpleText(std::string_view text);

private:
    QStatusBar* Bar() const;
    std::vector<std::unique_ptr<TStatusPanel>> panels_;
    QLabel* simple_;
    bool simplePanel_ = false;
};

class TToolButton;

// A row of tool buttons; the buttons are its child controls, in the order they were added.
class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* owner);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    bool ShowCaptions() const;
    void SetShowCaptions(bool on);
    int ButtonCount() const;
    TToolButton* Buttons(int index) const;
    // A flat bar draws a button's frame only under the mouse; others are always raised.
    bool Flat() const { return flat_; }
    void SetFlat(bool on);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);

protected:
    void ControlAdded(TControl* control) override;
    void ControlRemoved(TControl* control) override;

private:
    friend class TToolButton;
    QToolBar* Bar() const;
    // The bar is as high as its buttons need.
    void FitHeight();
    TImageList* images_ = nullptr;
    bool flat_ = true;
    int borderWidth_ = 0;
};

enum class TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// A button of a tool bar: a picture from the bar's images, a caption, a hint. A check button
// stays down; grouped check buttons keep one down.
class TToolButton : public TWinControl {
public:
    explicit TToolButton(TComponent* owner);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle style);
    bool Down() const;
    void SetDown(bool on);
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool on) { grouped_ = on; }
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* menu);
    // A transparent button shows its bar behind it, even on a bar that is not flat.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);

protected:
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TToolBar;
    QToolButton* Button() const;
    void ApplyImage();
    int imageIndex_ = -1;
    TToolButtonStyle style_ = TToolButtonStyle::tbsButton;
    bool grouped_ = false;
    bool transparent_ = false;
    TPopupMenu* dropdownMenu_ = nullptr;
    void ApplyLook(bool flatBar);
};

class TTreeView;

// A node of a tree: a view of one item of the tree's widget, alive as long as the item.
class TTreeNode {
public:
    TTreeNode(TTreeView* tree, QTreeWidgetItem* item) : tree_(tree), item_(item) {}
    std::string Text() const;
    void SetText(std::string_view text);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TTreeNode* Parent() const;
    int Count() const;
    TTreeNode* Item(int index) const;
    bool HasChildren() const { return Count() > 0; }
    // Its place among its siblings, and its depth (0 for a top node).
    int Index() const;
    int Level() const;
    bool Expanded() const;
    void SetExpanded(bool on);
    bool Selected() const;
    // Frees the node and its children.
    void Delete();
    TTreeNode* GetNextSibling() const;
    TTreeView* TreeView() const { return tree_; }

private:
    friend class TTreeView;
    TTreeView* tree_;
    QTreeWidgetItem* item_;
    void* data_ = nullptr;
    int imageIndex_ = -1;
};

using TTVChangedEvent = std::function<void(TComponent* sender, TTreeNode* node)>;

// A tree of nodes; OnChange follows the selected node.
class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* owner);
    // A new last node at the top (parent nullptr) or under the parent.
    TTreeNode* AddChild(TTreeNode* parent, std::string_view text);
    TTreeNode* AddChildObject(TTreeNode* parent, std::string_view text, void* data);
    void Clear();
    int TopCount() const;
    TTreeNode* TopItems(int index) const;
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    void FullExpand();
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images) { images_ = images; }
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    TTVChangedEvent OnChange;

    // The node of a widget item.
    static TTreeNode* NodeOf(QTreeWidgetItem* item);

private:
    friend class TTreeNode;
    QTreeWidget* Tree() const;
    TImageList* images_ = nullptr;
};

class TListView;

// One column of a list view in the report style.
class TListColumn {
public:
    TListColumn(TListView* view, int index) : view_(view), index_(index) {}
    std::string Caption() const;
    void SetCaption(std::string_view caption);
    int Width() const;
    void SetWidth(int width);
    int Index() const { return index_; }

private:
    TListView* view_;
    int index_;
};

// A row of a list view: its caption and the texts of the further columns.
class TListItem {
public:
    TListItem(TListView* view, QTreeWidgetItem* item) : view_(view), item_(item) {}
    std::string Caption() const;
    void SetCaption(std::string_view caption);
    // The texts of columns 1, 2, ...
    int SubItemCount() const;
    std::string SubItems(int index) const;
    void SetSubItem(int index, std::string_view text);
    void AddSubItem(std::string_view text) { SetSubItem(SubItemCount(), text); }
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    bool Selected() const;
    void SetSelected(bool on);
    bool Checked() const;
    void SetChecked(bool on);
    int Index() const;
    void Delete();

private:
    friend class TListView;
    TListView* view_;
    QTreeWidgetItem* item_;
    void* data_ = nullptr;
    int imageIndex_ = -1;
};

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
using TLVSelectItemEvent = std::function<void(TComponent* sender, TListItem* item, bool selected)>;
using TLVColumnClickEvent = std::function<void(TComponent* sender, TListColumn* column)>;

// Rows with columns (the report style) or a plain list.
class TListView : public TWinControl {
public:
    explicit TListView(TComponent* owner);
    ~TListView() override;
    TListColumn* AddColumn(std::string_view caption, int width);
    int ColumnCount() const { return int(columns_.size()); }
    TListColumn* Columns(int index) const { return columns_.at(size_t(index)).get(); }
    TListItem* AddItem(std::string_view caption);
    // A row not yet in the list, to be filled and added with others at once (a long list is
    // then laid out once): QTreeWidget::addTopLevelItems.
    QTreeWidgetItem* NewItem();
    int ItemCount() const;
    TListItem* Items(int index) const;
    void Clear();
    TListItem* Selected() const;
    TListItem* ItemFocused() const;
    TViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle style);
    bool MultiSelect() const;
    void SetMultiSelect(bool on);
    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool on);
    TImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TImageList* images) { smallImages_ = images; }
    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;

    static TListItem* ItemOf(QTreeWidgetItem* item);

private:
    friend class TListItem;
    friend class TListColumn;
    QTreeWidget* Tree() const;
    std::vector<std::unique_ptr<TListColumn>> columns_;
    TViewStyle viewStyle_ = TViewStyle::vsIcon;
    bool checkboxes_ = false;
    TImageList* smallImages_ = nullptr;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);
    int Min() const;
    void SetMin(int value);
    int Max() const;
    void SetMax(int value);
    int Position() const;
    void SetPosition(int value);
    int Step() const { return step_; }
    void SetStep(int step) { step_ = step; }
    void StepIt() { StepBy(step_); }
    void StepBy(int delta);

private:
    QProgressBar* Bar() const;
    int step_ = 10;
};

enum class TTrackBarOrientation { trHorizontal, trVertical };

// A slider; OnChange follows its position, moved or set.
class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* owner);
    int Min() const;
    void SetMin(int value);
    int Max() const;
    void SetMax(int value);
    int Position() const;
    void SetPosition(int value);
    int Frequency() const;
    void SetFrequency(int ticks);
    int PageSize() const;
    void SetPageSize(int size);
    TTrackBarOrientation Orientation() const;
    void SetOrientation(TTrackBarOrientation orientation);
    TNotifyEvent OnChange;

private:
    QSlider* Slider() const;
};

enum class TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TComponent* sender, TUDBtnType button)>;
using TUDChangingEvent = std::function<void(TComponent* sender, bool& allowChange)>;

// Two arrow buttons that count a position up and down, shown in the edit it is associated with.
class TUpDown : public TCustomControl {
public:
    explicit TUpDown(TComponent* owner);
    int Min() const { return min_; }
    void SetMin(int value) { min_ = value; }
    int Max() const { return max_; }
    void SetMax(int value) { max_ = value; }
    int Position() const;
    void SetPosition(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    bool Wrap() const { return wrap_; }
    void SetWrap(bool on) { wrap_ = on; }
    // The edit that shows the position; the up-down stands at its right edge.
    TWinControl* Associate() const { return associate_; }
    void SetAssociate(TWinControl* edit);
    // Presses an arrow as the user does.
    void Press(TUDBtnType button);
    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    QTimer* repeat_;
    TUDBtnType held_ = TUDBtnType::btNext;
    int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
    bool wrap_ = false;
    TWinControl* associate_ = nullptr;
};

} // namespace kvz
