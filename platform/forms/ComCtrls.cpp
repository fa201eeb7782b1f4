#include "platform/forms/ComCtrls.h"

#include "platform/forms/Menus.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace kvz {

namespace {

std::string ToStd(const QString& s) { return s.toStdString(); }

QIcon IconOf(TImageList* images, int index) {
    if (!images || index < 0 || index >= images->Count()) return {};
    return QIcon(QPixmap::fromImage(images->GetImage(index)));
}

// A widget item that carries its node or row, so that the view lives and dies with it.
template <class View>
class TViewItem : public QTreeWidgetItem {
public:
    template <class Owner>
    explicit TViewItem(Owner* owner) : view(owner, this) {}
    View view;
};
using TNodeItem = TViewItem<TTreeNode>;
using TRowItem = TViewItem<TListItem>;

} // namespace

// ---- TTabSheet, TPageControl ----

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {}

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

int TTabSheet::PageIndex() const { return PageControl() ? PageControl()->Tabs()->indexOf(Widget()) : -1; }

bool TTabSheet::TabVisible() const {
    return !PageControl() || PageControl()->Tabs()->isTabVisible(PageIndex());
}

void TTabSheet::SetTabVisible(bool on) {
    if (PageControl()) PageControl()->Tabs()->setTabVisible(PageIndex(), on);
}

std::string TTabSheet::WidgetText() const {
    return PageControl() ? ToStd(PageControl()->Tabs()->tabText(PageIndex())) : TWinControl::WidgetText();
}

void TTabSheet::SetWidgetText(std::string_view text) {
    TWinControl::SetWidgetText(text);
    if (PageControl()) PageControl()->Tabs()->setTabText(PageIndex(), ToQString(text));
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner, new TControlWidget<QTabWidget>(this, HomeWidget(owner))) {
    QTabWidget* tabs = Tabs();
    QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [this, tabs](int index) {
        if (setting_) {
            shownIndex_ = index;
            return;
        }
        bool allow = true;
        Guarded([&] {
            if (OnChanging) OnChanging(this, allow);
        });
        if (!allow && shownIndex_ >= 0 && shownIndex_ < tabs->count()) {
            // Refused: the page that was shown comes back.
            setting_ = true;
            tabs->setCurrentIndex(shownIndex_);
            setting_ = false;
            return;
        }
        shownIndex_ = index;
        Guarded([&] {
            if (OnChange) OnChange(this);
        });
    });
    SetBounds(0, 0, 289, 193);
}

QTabWidget* TPageControl::Tabs() const { return static_cast<QTabWidget*>(Widget()); }

void TPageControl::ControlAdded(TControl* control) {
    auto* sheet = dynamic_cast<TTabSheet*>(control);
    if (!sheet) return;
    setting_ = true;
    Tabs()->addTab(sheet->Widget(), ToQString(sheet->TWinControl::WidgetText()));
    setting_ = false;
    shownIndex_ = Tabs()->currentIndex();
}

void TPageControl::ControlRemoved(TControl* control) {
    auto* sheet = dynamic_cast<TTabSheet*>(control);
    if (!sheet || !sheet->Widget()) return;
    setting_ = true;
    // The tab's text goes with the tab; the sheet keeps it.
    sheet->TWinControl::SetWidgetText(ToStd(Tabs()->tabText(Tabs()->indexOf(sheet->Widget()))));
    Tabs()->removeTab(Tabs()->indexOf(sheet->Widget()));
    setting_ = false;
    shownIndex_ = Tabs()->currentIndex();
}

int TPageControl::PageCount() const { return Tabs()->count(); }

TTabSheet* TPageControl::Pages(int index) const {
    QWidget* page = Tabs()->widget(index);
    if (!page) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Widget() == page) return static_cast<TTabSheet*>(Controls(i));
    return nullptr;
}

TTabSheet* TPageControl::ActivePage() const { return PageCount() && ActivePageIndex() >= 0 ? Pages(ActivePageIndex()) : nullptr; }

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->PageControl() == this) SetActivePageIndex(page->PageIndex());
}

int TPageControl::ActivePageIndex() const { return Tabs()->currentIndex(); }

void TPageControl::SetActivePageIndex(int index) {
    setting_ = true;
    Tabs()->setCurrentIndex(index);
    setting_ = false;
}

// ---- TStatusBar ----

std::string TStatusPanel::Text() const { return ToStd(label_->text()); }
void TStatusPanel::SetText(std::string_view text) { label_->setText(ToQString(text)); }
int TStatusPanel::Width() const { return label_->minimumWidth(); }
void TStatusPanel::SetWidth(int width) { label_->setMinimumWidth(width); }

TAlignment TStatusPanel::Alignment() const {
    Qt::Alignment a = label_->alignment();
    return a & Qt::AlignRight ? taRightJustify : a & Qt::AlignHCenter ? taCenter : taLeftJustify;
}

void TStatusPanel::SetAlignment(TAlignment alignment) {
    label_->setAlignment(Qt::AlignVCenter | (alignment == taRightJustify ? Qt::AlignRight
                                             : alignment == taCenter     ? Qt::AlignHCenter
                                                                         : Qt::AlignLeft));
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner, new TControlWidget<QStatusBar>(this, HomeWidget(owner))) {
    simple_ = new QLabel(Bar());
    simple_->hide();
    Bar()->addWidget(simple_, 1);
    SetAlign(TAlign::alBottom);
    SetBounds(0, 0, 200, Bar()->sizeHint().height());
}

TStatusBar::~TStatusBar() = default;

QStatusBar* TStatusBar::Bar() const { return static_cast<QStatusBar*>(Widget()); }

TStatusPanel* TStatusBar::AddPanel(int width) {
    panels_.push_back(std::make_unique<TStatusPanel>(new QLabel(Bar())));
    panels_.back()->SetWidth(width);
    // Each panel keeps its width; the last one takes the rest of the bar.
    for (auto& panel : panels_) Bar()->removeWidget(panel->label_);
    for (size_t i = 0; i < panels_.size(); ++i) {
        Bar()->addWidget(panels_[i]->label_, i + 1 == panels_.size() ? 1 : 0);
        panels_[i]->label_->setVisible(!simplePanel_);
    }
    return panels_.back().get();
}

void TStatusBar::ClearPanels() {
    for (auto& panel : panels_) delete panel->label_;
    panels_.clear();
}

void TStatusBar::SetSimplePanel(bool on) {
    simplePanel_ = on;
    simple_->setVisible(on);
    for (auto& panel : panels_) panel->label_->setVisible(!on);
}

std::string TStatusBar::SimpleText() const { return ToStd(simple_->text()); }
void TStatusBar::SetSimpleText(std::string_view text) { simple_->setText(ToQString(text)); }

// ---- TToolBar, TToolButton ----

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner, new TControlWidget<QToolBar>(this, HomeWidget(owner))) {
    Bar()->setMovable(false);
    Bar()->setFloatable(false);
    Bar()->setToolButtonStyle(Qt::ToolButtonIconOnly);
    SetAlign(TAlign::alTop);
    SetBounds(0, 0, 200, Bar()->sizeHint().height());
}

QToolBar* TToolBar::Bar() const { return static_cast<QToolBar*>(Widget()); }

void TToolBar::SetImages(TImageList* images) {
    images_ = images;
    if (images) Bar()->setIconSize(QSize(images->Width(), images->Height()));
    for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->ApplyImage();
    FitHeight();
}

bool TToolBar::ShowCaptions() const { return Bar()->toolButtonStyle() == Qt::ToolButtonTextUnderIcon; }
void TToolBar::SetShowCaptions(bool on) {
    Bar()->setToolButtonStyle(on ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->ApplyImage();
    FitHeight();
}

int TToolBar::ButtonCount() const {
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i) n += dynamic_cast<TToolButton*>(Controls(i)) != nullptr;
    return n;
}

TToolButton* TToolBar::Buttons(int index) const {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* b = dynamic_cast<TToolButton*>(Controls(i)); b && index-- == 0) return b;
    throw std::out_of_range("List index out of bounds");
}

void TToolBar::ControlAdded(TControl* control) {
    auto* button = dynamic_cast<TToolButton*>(control);
    if (!button) return;
    Bar()->addWidget(button->Widget())->setVisible(true);
    button->ApplyImage();
    button->ApplyLook(flat_);
    FitHeight();
}

void TToolBar::FitHeight() { SetHeight(Bar()->sizeHint().height()); }

void TToolBar::SetFlat(bool on) {
    flat_ = on;
    for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->ApplyLook(flat_);
}

void TToolBar::SetBorderWidth(int width) {
    borderWidth_ = std::max(0, width);
    Bar()->setContentsMargins(borderWidth_, borderWidth_, borderWidth_, borderWidth_);
    FitHeight();
}

void TToolBar::ControlRemoved(TControl* control) {
    if (!control->Widget()) return;
    for (QAction* action : Bar()->actions())
        if (Bar()->widgetForAction(action) == control->Widget()) {
            Bar()->removeAction(action);
            break;
        }
}

TToolButton::TToolButton(TComponent* owner) : TWinControl(owner, new TControlWidget<QToolButton>(this, HomeWidget(owner))) {
    SetClickOnRelease(false);
    QToolButton* button = Button();
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(button, &QToolButton::clicked, button, [this] {
        Guarded([this] {
            if (grouped_ && style_ == TToolButtonStyle::tbsCheck) SetDown(true);
            Click();
        });
    });
    SetBounds(0, 0, 23, 22);
}

QToolButton* TToolButton::Button() const { return static_cast<QToolButton*>(Widget()); }

void TToolButton::ApplyImage() {
    auto* bar = dynamic_cast<TToolBar*>(Parent());
    Button()->setIcon(IconOf(bar ? bar->Images() : nullptr, imageIndex_));
    if (bar) Button()->setToolButtonStyle(bar->Bar()->toolButtonStyle());
}

void TToolButton::SetImageIndex(int index) {
    imageIndex_ = index;
    ApplyImage();
}

void TToolButton::SetStyle(TToolButtonStyle style) {
    style_ = style;
    QToolButton* button = Button();
    button->setCheckable(style == TToolButtonStyle::tbsCheck);
    button->setPopupMode(style == TToolButtonStyle::tbsDropDown ? QToolButton::MenuButtonPopup
                                                                : QToolButton::DelayedPopup);
    const bool separator = style == TToolButtonStyle::tbsSeparator || style == TToolButtonStyle::tbsDivider;
    button->setEnabled(!separator);
    if (separator) SetWidth(8);
}

bool TToolButton::Down() const { return Button()->isChecked() || Button()->isDown(); }

void TToolButton::SetDown(bool on) {
    if (style_ != TToolButtonStyle::tbsCheck) {
        Button()->setDown(on);
        return;
    }
    Button()->setChecked(on);
    // The grouped check buttons next to this one let go.
    if (!on || !grouped_ || !Parent()) return;
    for (int i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TToolButton*>(Parent()->Controls(i));
            other && other != this && other->grouped_ && other->style_ == TToolButtonStyle::tbsCheck)
            other->Button()->setChecked(false);
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
    if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
    dropdownMenu_ = menu;
    if (menu) menu->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

std::string TToolButton::WidgetText() const { return ToStd(Button()->text()); }
void TToolButton::ApplyLook(bool flatBar) { Button()->setAutoRaise(flatBar || transparent_); }

void TToolButton::SetTransparent(bool on) {
    transparent_ = on;
    auto* bar = dynamic_cast<TToolBar*>(Parent());
    ApplyLook(!bar || bar->Flat());
}

void TToolButton::SetWidgetText(std::string_view text) { Button()->setText(ToQString(text)); }

// ---- TTreeView ----

std::string TTreeNode::Text() const { return ToStd(item_->text(0)); }
void TTreeNode::SetText(std::string_view text) { item_->setText(0, ToQString(text)); }

void TTreeNode::SetImageIndex(int index) {
    imageIndex_ = index;
    item_->setIcon(0, IconOf(tree_->Images(), index));
}

TTreeNode* TTreeNode::Parent() const { return TTreeView::NodeOf(item_->parent()); }
int TTreeNode::Count() const { return item_->childCount(); }

TTreeNode* TTreeNode::Item(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
    return TTreeView::NodeOf(item_->child(index));
}

int TTreeNode::Index() const {
    return item_->parent() ? item_->parent()->indexOfChild(item_) : item_->treeWidget()->indexOfTopLevelItem(item_);
}

int TTreeNode::Level() const {
    int level = 0;
    for (QTreeWidgetItem* p = item_->parent(); p; p = p->parent()) ++level;
    return level;
}

bool TTreeNode::Expanded() const { return item_->isExpanded(); }
void TTreeNode::SetExpanded(bool on) { item_->setExpanded(on); }
bool TTreeNode::Selected() const { return item_->isSelected(); }

TTreeNode* TTreeNode::GetNextSibling() const {
    QTreeWidgetItem* parent = item_->parent();
    int next = Index() + 1;
    QTreeWidgetItem* sibling = parent ? parent->child(next) : item_->treeWidget()->topLevelItem(next);
    return TTreeView::NodeOf(sibling);
}

void TTreeNode::Delete() { delete item_; }

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner, new TControlWidget<QTreeWidget>(this, HomeWidget(owner))) {
    QTreeWidget* tree = Tree();
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QObject::connect(tree, &QTreeWidget::currentItemChanged, tree, [this](QTreeWidgetItem* current) {
        Guarded([&] {
            if (OnChange) OnChange(this, NodeOf(current));
        });
    });
    SetBounds(0, 0, 121, 97);
}

QTreeWidget* TTreeView::Tree() const { return static_cast<QTreeWidget*>(Widget()); }

TTreeNode* TTreeView::NodeOf(QTreeWidgetItem* item) {
    auto* node = dynamic_cast<TNodeItem*>(item);
    return node ? &node->view : nullptr;
}

TTreeNode* TTreeView::AddChild(TTreeNode* parent, std::string_view text) {
    auto* item = new TNodeItem(this);
    item->setText(0, ToQString(text));
    if (parent)
        parent->item_->addChild(item);
    else
        Tree()->addTopLevelItem(item);
    return &item->view;
}

TTreeNode* TTreeView::AddChildObject(TTreeNode* parent, std::string_view text, void* data) {
    TTreeNode* node = AddChild(parent, text);
    node->SetData(data);
    return node;
}

void TTreeView::Clear() { Tree()->clear(); }
int TTreeView::TopCount() const { return Tree()->topLevelItemCount(); }
TTreeNode* TTreeView::TopItems(int index) const { return NodeOf(Tree()->topLevelItem(index)); }
TTreeNode* TTreeView::Selected() const { return NodeOf(Tree()->currentItem()); }
void TTreeView::SetSelected(TTreeNode* node) { Tree()->setCurrentItem(node ? node->item_ : nullptr); }
void TTreeView::FullExpand() { Tree()->expandAll(); }
bool TTreeView::ReadOnly() const { return Tree()->editTriggers() == QAbstractItemView::NoEditTriggers; }
void TTreeView::SetReadOnly(bool on) {
    Tree()->setEditTriggers(on ? QAbstractItemView::NoEditTriggers : QAbstractItemView::EditKeyPressed);
}

// ---- TListView ----

std::string TListColumn::Caption() const { return ToStd(view_->Tree()->headerItem()->text(index_)); }
void TListColumn::SetCaption(std::string_view caption) { view_->Tree()->headerItem()->setText(index_, ToQString(caption)); }
int TListColumn::Width() const { return view_->Tree()->columnWidth(index_); }
void TListColumn::SetWidth(int width) { view_->Tree()->setColumnWidth(index_, width); }

std::string TListItem::Caption() const { return ToStd(item_->text(0)); }
void TListItem::SetCaption(std::string_view caption) { item_->setText(0, ToQString(caption)); }

int TListItem::SubItemCount() const {
    int n = 0;
    for (int c = 1; c < item_->columnCount(); ++c)
        if (!item_->data(c, Qt::DisplayRole).isNull()) n = c;
    return n;
}

std::string TListItem::SubItems(int index) const {
    if (index < 0 || index >= SubItemCount()) throw std::out_of_range("List index out of bounds");
    return ToStd(item_->text(index + 1));
}

void TListItem::SetSubItem(int index, std::string_view text) { item_->setText(index + 1, ToQString(text)); }

void TListItem::SetImageIndex(int index) {
    imageIndex_ = index;
    item_->setIcon(0, IconOf(view_->SmallImages(), index));
}

bool TListItem::Selected() const { return item_->isSelected(); }
void TListItem::SetSelected(bool on) { item_->setSelected(on); }
bool TListItem::Checked() const { return item_->checkState(0) == Qt::Checked; }
void TListItem::SetChecked(bool on) { item_->setCheckState(0, on ? Qt::Checked : Qt::Unchecked); }
int TListItem::Index() const { return view_->Tree()->indexOfTopLevelItem(item_); }
void TListItem::Delete() { delete item_; }

TListView::TListView(TComponent* owner) : TWinControl(owner, new TControlWidget<QTreeWidget>(this, HomeWidget(owner))) {
    QTreeWidget* tree = Tree();
    tree->setRootIsDecorated(false);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setUniformRowHeights(true);
    QObject::connect(tree, &QTreeWidget::itemSelectionChanged, tree, [this, tree] {
        // The rows whose selection changed: the tree tells only that something did.
        if (!OnSelectItem) return;
        Guarded([&] {
            QTreeWidgetItem* current = tree->currentItem();
            if (TListItem* item = ItemOf(current)) OnSelectItem(this, item, current->isSelected());
        });
    });
    QObject::connect(tree->header(), &QHeaderView::sectionClicked, tree, [this](int index) {
        Guarded([&] {
            if (OnColumnClick && index < ColumnCount()) OnColumnClick(this, Columns(index));
        });
    });
    SetBounds(0, 0, 250, 150);
}

TListView::~TListView() = default;

QTreeWidget* TListView::Tree() const { return static_cast<QTreeWidget*>(Widget()); }

TListItem* TListView::ItemOf(QTreeWidgetItem* item) {
    auto* row = dynamic_cast<TRowItem*>(item);
    return row ? &row->view : nullptr;
}

TListColumn* TListView::AddColumn(std::string_view caption, int width) {
    int index = ColumnCount();
    Tree()->setColumnCount(index + 1);
    columns_.push_back(std::make_unique<TListColumn>(this, index));
    columns_.back()->SetCaption(caption);
    columns_.back()->SetWidth(width);
    return columns_.back().get();
}

TListItem* TListView::AddItem(std::string_view caption) {
    auto* item = new TRowItem(this);
    item->setText(0, ToQString(caption));
    if (checkboxes_) item->setCheckState(0, Qt::Unchecked);
    Tree()->addTopLevelItem(item);
    return &item->view;
}

QTreeWidgetItem* TListView::NewItem() { return new TRowItem(this); }

int TListView::ItemCount() const { return Tree()->topLevelItemCount(); }

TListItem* TListView::Items(int index) const {
    if (index < 0 || index >= ItemCount()) throw std::out_of_range("List index out of bounds");
    return ItemOf(Tree()->topLevelItem(index));
}

void TListView::Clear() { Tree()->clear(); }

TListItem* TListView::Selected() const {
    QList<QTreeWidgetItem*> selected = Tree()->selectedItems();
    if (selected.isEmpty()) return nullptr;
    // The first in the list's order, whatever order they were chosen in.
    auto first = std::min_element(selected.begin(), selected.end(), [this](auto* a, auto* b) {
        return Tree()->indexOfTopLevelItem(a) < Tree()->indexOfTopLevelItem(b);
    });
    return ItemOf(*first);
}

TListItem* TListView::ItemFocused() const { return ItemOf(Tree()->currentItem()); }

void TListView::SetViewStyle(TViewStyle style) {
    viewStyle_ = style;
    Tree()->setHeaderHidden(style != TViewStyle::vsReport);
}

bool TListView::MultiSelect() const { return Tree()->selectionMode() == QAbstractItemView::ExtendedSelection; }
void TListView::SetMultiSelect(bool on) {
    Tree()->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TListView::SetCheckboxes(bool on) {
    checkboxes_ = on;
    for (int i = 0; i < ItemCount(); ++i)
        if (on)
            Tree()->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        else
            Tree()->topLevelItem(i)->setData(0, Qt::CheckStateRole, QVariant());
}

// ---- TProgressBar, TTrackBar ----

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner, new TControlWidget<QProgressBar>(this, HomeWidget(owner))) {
    Bar()->setRange(0, 100);
    Bar()->setValue(0);
    Bar()->setTextVisible(false);
    SetBounds(0, 0, 150, 16);
}

QProgressBar* TProgressBar::Bar() const { return static_cast<QProgressBar*>(Widget()); }
int TProgressBar::Min() const { return Bar()->minimum(); }
void TProgressBar::SetMin(int value) { Bar()->setMinimum(value); }
int TProgressBar::Max() const { return Bar()->maximum(); }
void TProgressBar::SetMax(int value) { Bar()->setMaximum(value); }
int TProgressBar::Position() const { return Bar()->value(); }
void TProgressBar::SetPosition(int value) { Bar()->setValue(std::clamp(value, Min(), Max())); }
void TProgressBar::StepBy(int delta) { SetPosition(Position() + delta); }

namespace {

// A press or a drag takes the focus before it moves the bar, as the desktop's track bar does:
// a window that follows the bar only while it has the focus then sees the move.
class TTrackBarWidget : public TControlWidget<QSlider> {
public:
    using TControlWidget<QSlider>::TControlWidget;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (isEnabled() && (focusPolicy() & Qt::ClickFocus) && !hasFocus()) setFocus(Qt::MouseFocusReason);
        TControlWidget<QSlider>::mousePressEvent(e);
    }
};

} // namespace

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner, new TTrackBarWidget(this, HomeWidget(owner))) {
    QSlider* slider = Slider();
    slider->setOrientation(Qt::Horizontal);
    slider->setRange(0, 10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    QObject::connect(slider, &QSlider::valueChanged, slider, [this] {
        Guarded([this] {
            if (OnChange) OnChange(this);
        });
    });
    SetBounds(0, 0, 150, 45);
}

QSlider* TTrackBar::Slider() const { return static_cast<QSlider*>(Widget()); }
int TTrackBar::Min() const { return Slider()->minimum(); }
void TTrackBar::SetMin(int value) { Slider()->setMinimum(value); }
int TTrackBar::Max() const { return Slider()->maximum(); }
void TTrackBar::SetMax(int value) { Slider()->setMaximum(value); }
int TTrackBar::Position() const { return Slider()->value(); }
void TTrackBar::SetPosition(int value) { Slider()->setValue(value); }
int TTrackBar::Frequency() const { return Slider()->tickInterval(); }
void TTrackBar::SetFrequency(int ticks) { Slider()->setTickInterval(ticks); }
int TTrackBar::PageSize() const { return Slider()->pageStep(); }
void TTrackBar::SetPageSize(int size) { Slider()->setPageStep(size); }

TTrackBarOrientation TTrackBar::Orientation() const {
    return Slider()->orientation() == Qt::Vertical ? TTrackBarOrientation::trVertical : TTrackBarOrientation::trHorizontal;
}

void TTrackBar::SetOrientation(TTrackBarOrientation orientation) {
    const bool vertical = orientation == TTrackBarOrientation::trVertical;
    Slider()->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    // The desktop's upright bar has its least position at the top, and Up moves towards it.
    Slider()->setInvertedAppearance(vertical);
    Slider()->setInvertedControls(vertical);
}

// ---- TUpDown ----

TUpDown::TUpDown(TComponent* owner) : TCustomControl(owner) {
    // Held down, an arrow repeats as the desktop's spin boxes do.
    repeat_ = new QTimer(Widget());
    QObject::connect(repeat_, &QTimer::timeout, Widget(), [this] {
        repeat_->setInterval(60);
        Guarded([this] { Press(held_); });
    });
    SetClickOnRelease(false);
    SetTabStop(false);
    SetBounds(0, 0, 17, 21);
}

void TUpDown::Paint(TCanvas& canvas) {
    QStyleOptionSpinBox option;
    option.initFrom(Widget());
    option.rect = Widget()->rect();
    option.frame = false;
    option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    if (repeat_->isActive()) {
        option.activeSubControls = held_ == TUDBtnType::btNext ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown;
        option.state |= QStyle::State_Sunken;
    }
    Widget()->style()->drawComplexControl(QStyle::CC_SpinBox, &option, &canvas.Painter(), Widget());
    TCustomControl::Paint(canvas);
}

void TUpDown::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    held_ = y < Height() / 2 ? TUDBtnType::btNext : TUDBtnType::btPrev;
    Press(held_);
    repeat_->start(QApplication::style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatThreshold));
    Invalidate();
}

void TUpDown::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    repeat_->stop();
    Invalidate();
    TCustomControl::MouseUp(button, shift, x, y);
}

int TUpDown::Position() const {
    // The associated edit holds the position: what the user typed there counts.
    if (associate_) {
        std::string text = associate_->Text();
        int value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc() && end == text.data() + text.size()) return std::clamp(value, min_, max_);
    }
    return position_;
}

void TUpDown::SetPosition(int value) {
    position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (associate_) associate_->SetText(std::to_string(position_));
}

void TUpDown::SetAssociate(TWinControl* edit) {
    if (associate_) associate_->RemoveFreeNotification(this);
    associate_ = edit;
    if (!edit) return;
    edit->FreeNotification(this);
    if (edit->Parent() != Parent()) SetParent(edit->Parent());
    SetBounds(edit->Left() + edit->Width(), edit->Top(), Width(), edit->Height());
    SetPosition(position_);
}

void TUpDown::Press(TUDBtnType button) {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    int next = Position() + (button == TUDBtnType::btNext ? increment_ : -increment_);
    if (next > max_) next = wrap_ ? min_ : max_;
    if (next < min_) next = wrap_ ? max_ : min_;
    SetPosition(next);
    if (OnClick) OnClick(this, button);
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == associate_) associate_ = nullptr;
}

} // namespace kvz
