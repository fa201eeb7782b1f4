#include "platform/forms/Menus.h"

#include "platform/forms/Responder.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include <algorithm>
#include <map>

namespace kvz {

QKeySequence KeySequenceOf(TShortCut shortCut) {
    const int vk = shortCut & 0xFF;
    int key = 0;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) key = vk;
    else if (vk >= VK_F1 && vk < VK_F1 + 24) key = Qt::Key_F1 + (vk - VK_F1);
    else {
        static const std::map<int, int> keys = {
            {VK_BACK, Qt::Key_Backspace}, {VK_TAB, Qt::Key_Tab},       {VK_RETURN, Qt::Key_Return},
            {VK_ESCAPE, Qt::Key_Escape},  {VK_SPACE, Qt::Key_Space},   {VK_PRIOR, Qt::Key_PageUp},
            {VK_NEXT, Qt::Key_PageDown},  {VK_END, Qt::Key_End},       {VK_HOME, Qt::Key_Home},
            {VK_LEFT, Qt::Key_Left},      {VK_UP, Qt::Key_Up},         {VK_RIGHT, Qt::Key_Right},
            {VK_DOWN, Qt::Key_Down},      {VK_INSERT, Qt::Key_Insert}, {VK_DELETE, Qt::Key_Delete}};
        auto it = keys.find(vk);
        if (it == keys.end()) return {};
        key = it->second;
    }
    int modifiers = 0;
    if (shortCut & 0x2000) modifiers |= Qt::SHIFT;
    if (shortCut & 0x4000) modifiers |= Qt::CTRL;
    if (shortCut & 0x8000) modifiers |= Qt::ALT;
    return QKeySequence(key | modifiers);
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), action_(new QAction) {
    QObject::connect(action_, &QAction::triggered, action_, [this] { Guarded([this] { Click(); }); });
}

TMenuItem::~TMenuItem() {
    if (parent_) parent_->Remove(this);
    for (TMenuItem* item : items_) item->parent_ = nullptr;
    delete action_;
}

void TMenuItem::SetHint(std::string_view hint) {
    hint_ = std::string(hint);
    action_->setStatusTip(QString::fromStdString(hint_));
    action_->setToolTip(QString::fromStdString(hint_.empty() ? caption_ : hint_));
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
    shortCut_ = shortCut;
    action_->setShortcut(KeySequenceOf(shortCut));
}

void TMenuItem::SetBitmap(const TBitmap& bitmap) {
    bitmap_ = bitmap;
    action_->setIcon(bitmap.Empty() ? QIcon() : QIcon(QPixmap::fromImage(bitmap.Image())));
}

void TMenuItem::Add(TMenuItem* item) {
    if (!item || item->parent_ == this) return;
    if (item->parent_) item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
    Changed(TChange::Items);
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    Changed(TChange::Items);
}

void TMenuItem::Changed(TChange change) {
    // Only the bar's own items show at once; deeper items are read as their menu opens.
    if (parent_ && parent_->parent_) return;
    TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    if (root->treeChanged_) root->treeChanged_(this, change);
}

void TMenuItem::SetCaption(std::string_view caption) {
    caption_ = std::string(caption);
    action_->setText(QString::fromStdString(caption_));
    if (hint_.empty()) action_->setToolTip(action_->text());
    Changed(TChange::Look);
}

void TMenuItem::SetEnabled(bool on) {
    enabled_ = on;
    action_->setEnabled(on);
    Changed(TChange::Look);
}

void TMenuItem::SetVisible(bool on) {
    visible_ = on;
    Changed(TChange::Shown);
}

void TMenuItem::SetChecked(bool on) {
    checked_ = on;
    action_->setCheckable(on);
    action_->setChecked(on);
    Changed(TChange::Look);
}

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

namespace {
// The item's own actions go into the menu; their triggers click the items.
void Fill(QMenu& menu, TMenuItem* item) {
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        if (!child->Visible()) continue;
        if (child->Caption() == "-") {
            menu.addSeparator();
            continue;
        }
        QString caption = QString::fromStdString(child->Caption());
        if (child->Count() > 0) {
            QMenu* sub = menu.addMenu(caption);
            sub->setEnabled(child->Enabled());
            Fill(*sub, child);
            continue;
        }
        QAction* a = child->Action();
        // A check the action toggled itself stands as the item says.
        a->setCheckable(child->Checked());
        a->setChecked(child->Checked());
        menu.addAction(a);
    }
}
} // namespace

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {
    items_->treeChanged_ = [this](TMenuItem* item, TMenuItem::TChange change) { ItemChanged(item, change); };
}

TMainMenu::~TMainMenu() {
    items_->treeChanged_ = nullptr;
    if (bar_) bar_->clear();
}

QMenuBar* TMainMenu::MenuBar() {
    if (!bar_) {
        bar_ = new QMenuBar;
        Rebuild();
    }
    return bar_;
}

void TMainMenu::ItemChanged(TMenuItem* item, TMenuItem::TChange change) {
    if (!bar_) return;
    if (item != items_ && change != TMenuItem::TChange::Shown) {
        auto it = std::find_if(menus_.begin(), menus_.end(), [item](const auto& m) { return m.first == item; });
        // A hidden top item has no menu to change.
        if (it == menus_.end() && !item->Visible()) return;
        if (it != menus_.end() && it->second) {
            QMenu* menu = it->second;
            if (change == TMenuItem::TChange::Look) {
                menu->setTitle(QString::fromStdString(item->Caption()));
                menu->setEnabled(item->Enabled());
            } else {
                menu->clear();
                Fill(*menu, item);
            }
            return;
        }
    }
    Rebuild();
}

void TMainMenu::Rebuild() {
    if (!bar_) return;
    bar_->clear();
    // The menus of before go once the event that changed them is over: one of them may be
    // handling its own click.
    for (auto& [top, menu] : menus_)
        if (menu) menu->deleteLater();
    menus_.clear();
    for (int i = 0; i < items_->Count(); ++i) {
        TMenuItem* top = items_->Items(i);
        if (!top->Visible()) continue;
        QMenu* menu = bar_->addMenu(QString::fromStdString(top->Caption()));
        menus_.emplace_back(top, menu);
        menu->setEnabled(top->Enabled());
        // Filled now, so that the items' shortcuts work, and again as it opens, so that it
        // shows the items as they are then.
        Fill(*menu, top);
        QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, top] {
            menu->clear();
            Fill(*menu, top);
        });
    }
}

void TPopupMenu::Popup(int x, int y, TComponent* popupComponent) {
    if (popupComponent) popupComponent_ = popupComponent;
    if (OnPopup) OnPopup(this);
    TMenuItem* chosen = nullptr;
    if (TResponder* responder = TResponder::Current()) {
        chosen = responder->AnswerPopupMenu(*this);
    } else if (TResponder::Unattended()) {
        // Nobody to choose: the menu closes without a choice.
    } else {
        QMenu menu;
        Fill(menu, items_);
        QSize size = menu.sizeHint();
        if (alignment_ == TPopupAlignment::paRight) x -= size.width();
        if (alignment_ == TPopupAlignment::paCenter) x -= size.width() / 2;
        // The chosen item's action clicks it.
        menu.exec(QPoint(x, y));
        return;
    }
    if (chosen) chosen->Click();
}

TMenuItem* AddMenuItem(TComponent* owner, TMenuItem* parent, const char* name) {
    auto* item = new TMenuItem(owner);
    item->SetName(name);
    parent->Add(item);
    return item;
}

} // namespace kvz
