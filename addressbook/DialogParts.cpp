#include "addressbook/DialogParts.h"

#include "core/Languages.h"

#include <QHBoxLayout>

#include <vector>

namespace kvz {

namespace {
constexpr int kMargin = 12, kHeadingHeight = 30, kFirstBoxTop = 48, kBoxHeight = 24, kBoxStep = 28;
constexpr int kButtonWidth = 88, kButtonHeight = 28, kButtonStep = 96;
} // namespace

void PlaceHeading(TForm& form, TLabel& heading, int width) {
    heading.SetName("Label1");
    heading.SetParent(&form);
    heading.SetBounds(kMargin, 8, width - 2 * kMargin, kHeadingHeight);
    heading.SetFont(TFont{"", 14, clWindowText, fsItalic});
}

void PlaceColumn(TForm& form, std::initializer_list<NamedBox> boxes, int left, int width) {
    int top = kFirstBoxTop;
    for (auto [box, name] : boxes) {
        box->SetName(name);
        box->SetParent(&form);
        box->SetBounds(left, top, width, kBoxHeight);
        top += kBoxStep;
    }
}

void PlaceButtons(TForm& form, TButton& help, TButton& cancel, TButton& ok, int top) {
    int left = form.ClientWidth() - kMargin - 2 * kButtonStep - kButtonWidth;
    for (auto [button, name] :
         {std::pair{&help, "BitBtn3"}, std::pair{&cancel, "BitBtn2"}, std::pair{&ok, "BitBtn1"}}) {
        button->SetName(name);
        button->SetParent(&form);
        button->SetBounds(left, top, kButtonWidth, kButtonHeight);
        left += kButtonStep;
    }
    ok.SetCaption("OK");
    ok.SetDefault(true);
    cancel.SetCancel(true);
    cancel.SetModalResult(mrCancel);
}

void MakeExclusive(std::initializer_list<TCheckBox*> boxes) {
    const std::vector<TCheckBox*> group(boxes);
    for (TCheckBox* box : group)
        box->OnClick = [box, group](TComponent*) {
            if (!box->Checked()) return;
            for (TCheckBox* other : group)
                if (other != box) other->SetChecked(false);
        };
}

void TableBoxes::ShowCaptions() const {
    SetMessageCaption(*Address, MessageId::Address);
    SetMessageCaption(*Tasks, MessageId::Tasks);
    SetMessageCaption(*Links, MessageId::Links);
    SetMessageCaption(*All, MessageId::AllModules);
}

std::optional<TableGroup> TableBoxes::Checked() const {
    if (Address->Checked()) return TableGroup::Address;
    if (Tasks->Checked()) return TableGroup::Tasks;
    if (Links->Checked()) return TableGroup::Links;
    if (All->Checked()) return TableGroup::All;
    return std::nullopt;
}

void ShowButtonCaptions(TButton& help, TButton& cancel) {
    SetMessageCaption(help, MessageId::Help);
    SetMessageCaption(cancel, MessageId::Cancel);
}

QHBoxLayout* OkButtonRow(TForm& form, TButton& ok) {
    ok.SetName("BitBtn1");
    ok.SetParent(&form);
    ok.SetCaption("OK");
    ok.SetDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok.Widget());
    return row;
}

} // namespace kvz
