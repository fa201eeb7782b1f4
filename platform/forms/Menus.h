// Menu items and pop-up menus over QMenu.
#pragma once

#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"

#include <QKeySequence>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace kvz {

// A key with its shift keys: the virtual key code in the low byte, Shift 0x2000, Ctrl 0x4000,
// Alt 0x8000; 0 is none.
using TShortCut = uint16_t;

// A menu item over one QAction that stays while the item lives, so that its shortcut works
// while its menu is closed.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string_view caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    // Shown in the status tip and as the tool tip.
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string_view hint);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    // The picture beside the caption; an empty bitmap shows none.
    const TBitmap& Bitmap() const { return bitmap_; }
    void SetBitmap(const TBitmap& bitmap);
    // The action the menus show for this item.
    QAction* Action() const { return action_; }

    // Sub-items; an item stays owned by its owner component.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    int Count() const { return int(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(size_t(index)); }
    TMenuItem* Parent() const { return parent_; }

    void Click();
    TNotifyEvent OnClick;

private:
    friend class TMainMenu;
    // What changed of an item, for the menu bar that shows it: its caption or enabled state,
    // the items under it, or whether it shows.
    enum class TChange { Look, Items, Shown };
    // Tells the menu bar that shows this item's tree.
    void Changed(TChange change);
    std::string caption_, hint_;
    bool enabled_ = true, visible_ = true, checked_ = false;
    TShortCut shortCut_ = 0;
    TBitmap bitmap_;
    QAction* action_;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    std::function<void(TMenuItem*, TChange)> treeChanged_;
};

// The key sequence of a shortcut; empty for 0 or a key without one.
QKeySequence KeySequenceOf(TShortCut shortCut);

enum class TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    TMenuItem* Items() const { return items_; }
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment a) { alignment_ = a; }
    // Whether a right click on a control that names this menu opens it.
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool on) { autoPopup_ = on; }
    // The control that opened the menu last.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* c) { popupComponent_ = c; }

    // Opens the menu at a screen point and returns when it has closed, after the chosen
    // item's click. A scripted responder, when one is installed, chooses instead.
    void Popup(int x, int y, TComponent* popupComponent = nullptr);
    TNotifyEvent OnPopup;

private:
    TMenuItem* items_;
    TPopupAlignment alignment_ = TPopupAlignment::paLeft;
    bool autoPopup_ = true;
    TComponent* popupComponent_ = nullptr;
};

// The menu bar of the frame window: its items are the bar's menus. A menu is filled as it
// opens; the bar follows changes of the top items at once.
class TMainMenu : public TComponent {
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;
    TMenuItem* Items() const { return items_; }
    // The bar that shows the menu (made on first use; the form that shows it takes it).
    QMenuBar* MenuBar();

private:
    void Rebuild();
    // A top item's menu follows its caption, its enabled state and its items alone; what
    // changes the bar's own list rebuilds the bar.
    void ItemChanged(TMenuItem* item, TMenuItem::TChange change);
    TMenuItem* items_;
    QPointer<QMenuBar> bar_;
    // The bar's menus, by the top item each shows.
    std::vector<std::pair<TMenuItem*, QPointer<QMenu>>> menus_;
};

// An item named as the window calls it, made with its owner (which frees it) and added after
// the items parent holds.
TMenuItem* AddMenuItem(TComponent* owner, TMenuItem* parent, const char* name);

} // namespace kvz
