#include "platform/forms/Menus.h"

#include "platform/forms/Responder.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <map>

namespace kvz {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    if (parent_) parent_->Remove(this);
    for (TMenuItem* item : items_) item->parent_ = nullptr;
}

void TMenuItem::Add(TMenuItem* item) {
    if (!item || item->parent_ == this) return;
    if (item->parent_) item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    Changed();
}

void TMenuItem::Changed() {
    // Only the bar's own items show at once; deeper items are read as their menu opens.
    if (parent_ && parent_->parent_) return;
    TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    if (root->treeChanged_) root->treeChanged_();
}

void TMenuItem::SetCaption(std::string_view caption) {
    caption_ = std::string(caption);
    Changed();
}

void TMenuItem::SetEnabled(bool on) {
    enabled_ = on;
    Changed();
}

void TMenuItem::SetVisible(bool on) {
    visible_ = on;
    Changed();
}

void TMenuItem::SetChecked(bool on) {
    checked_ = on;
    Changed();
}

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

namespace {
void Fill(QMenu& menu, TMenuItem* item, std::map<QAction*, TMenuItem*>& actions) {
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
            Fill(*sub, child, actions);
            continue;
        }
        QAction* a = menu.addAction(caption);
        a->setEnabled(child->Enabled());
        a->setCheckable(child->Checked());
        a->setChecked(child->Checked());
        actions[a] = child;
    }
}
} // namespace

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {
    items_->treeChanged_ = [this] { Rebuild(); };
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

void TMainMenu::Rebuild() {
    if (!bar_) return;
    bar_->clear();
    for (int i = 0; i < items_->Count(); ++i) {
        TMenuItem* top = items_->Items(i);
        if (!top->Visible()) continue;
        QMenu* menu = bar_->addMenu(QString::fromStdString(top->Caption()));
        menu->setEnabled(top->Enabled());
        // Filled as it opens, so that it shows the items as they are then.
        QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, top] {
            menu->clear();
            std::map<QAction*, TMenuItem*> actions;
            Fill(*menu, top, actions);
            for (auto [action, item] : actions)
                QObject::connect(action, &QAction::triggered, menu, [item] { Guarded([item] { item->Click(); }); });
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
        std::map<QAction*, TMenuItem*> actions;
        Fill(menu, items_, actions);
        QSize size = menu.sizeHint();
        if (alignment_ == TPopupAlignment::paRight) x -= size.width();
        if (alignment_ == TPopupAlignment::paCenter) x -= size.width() / 2;
        QAction* a = menu.exec(QPoint(x, y));
        if (a && actions.count(a)) chosen = actions[a];
    }
    if (chosen) chosen->Click();
}

} // namespace kvz
