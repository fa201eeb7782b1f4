// The tab order of the address book window, the same for the data controls and for the copies
// that stand over them while an address is typed in network mode.
#include "addressbook/AdresyChild.h"

#include <QWidget>

#include <string_view>

namespace kvz {

namespace {

// Sibling groups in tab order, by the names of the data controls.
const std::initializer_list<std::initializer_list<const char*>> kTabGroups = {
    {"DBEdit1", "PageControl1", "TrackBar1"},
    {"DBEdit2", "DBEdit3", "DBMemo1", "DBMemo2", "DBEdit4", "DBMemo3", "ContactPanel", "BankPanel", "DBGrid1"},
    {"DBEdit5", "DBEdit6", "DBEdit7", "DBEdit8", "DBEdit9", "DBEdit10", "DBEdit13"},
    {"DBEdit11", "DBEdit12", "DBEdit18"},
    {"DBEdit15", "DBEdit14", "DBEdit16", "DBDateEdit1", "DBCheckBox1", "DBDateEdit2", "DBCheckBox2", "DBEdit17",
     "DBMemo4"},
};

// The name of the copy that stands over a data control; other names stay.
std::string CopyName(std::string_view name) {
    for (auto [data, copy] : {std::pair<std::string_view, std::string_view>{"DBDateEdit", "ShDate"},
                              {"DBCheckBox", "ShCheck"}, {"DBEdit", "ShEdit"}, {"DBMemo", "ShMemo"}})
        if (name.substr(0, data.size()) == data) return std::string(copy) + std::string(name.substr(data.size()));
    return std::string(name);
}

// Tab goes through the controls in this order: the name, the page control's tabs, each page's
// controls (panels in their place), then the letter bar. The desktop steps into a container when
// Tab reaches it; Qt's focus chain runs through the whole window, so it is chained in that order.
const std::initializer_list<const char*> kTabChain = {
    "DBEdit1", "PageControl1", "DBEdit2", "DBEdit3", "DBMemo1", "DBMemo2", "DBEdit4", "DBMemo3", "DBEdit5",
    "DBEdit6", "DBEdit7", "DBEdit8", "DBEdit9", "DBEdit10", "DBEdit13", "DBEdit11", "DBEdit12", "DBEdit18",
    "DBGrid1", "DBEdit15", "DBEdit14", "DBEdit16", "DBDateEdit1", "DBCheckBox1", "DBDateEdit2", "DBCheckBox2",
    "DBEdit17", "DBMemo4", "DBGrid2", "TrackBar1",
};

} // namespace

void TAdresyChildForm::OrderComp(bool copies) {
    for (const auto& group : kTabGroups) {
        int order = 0;
        for (const char* name : group)
            if (auto* control = dynamic_cast<TWinControl*>(FindComponent(copies ? CopyName(name) : name)))
                control->SetTabOrder(order++);
    }
    QWidget* previous = nullptr;
    for (const char* name : kTabChain) {
        auto* control = dynamic_cast<TWinControl*>(FindComponent(copies ? CopyName(name) : name));
        if (!control || !control->Widget()) continue;
        if (previous) QWidget::setTabOrder(previous, control->Widget());
        previous = control->Widget();
    }
}

void TAdresyChildForm::OrderCompFromView() { OrderComp(false); }
void TAdresyChildForm::OrderCompFromEdit() { OrderComp(true); }

} // namespace kvz
