#include "core/SplitForm.h"

#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "platform/data/DB.h"

namespace kvz {

namespace {
// The window for the three fixed items; each category adds kCategoryItemHeight to the window,
// the group and the OK button's top.
constexpr int kWidth = 160, kHeight = 132, kGroupHeight = 88, kOkTop = 100;
constexpr int kFixedItems = 3;
} // namespace

std::vector<std::string> CategoryFilterItems(const SettingsStore& settings) {
    std::vector<std::string> items = {GetMessageText(MessageId::AllAddresses), GetMessageText(MessageId::Work), GetMessageText(MessageId::Private)};
    for (int k = kFirstCategorySetting; k <= kLastCategorySetting; ++k)
        if (!settings.NastaveniaText[size_t(k)].empty()) items.push_back(settings.NastaveniaText[size_t(k)]);
    return items;
}

std::string CategoryOfItem(int index, const std::vector<std::string>& items) {
    if (index == 1) return kWorkCategory;
    if (index == 2) return kPrivateCategory;
    if (index >= kFixedItems && index < int(items.size())) return items[size_t(index)];
    return {};
}

TSplitForm::TSplitForm(TComponent* owner, FrameState& frame, TDataSet* addressTable)
    : TForm(owner), RadioGroup1(new TRadioGroup(this)), OkButton(new TButton(this)), frame_(frame),
      addressTable_(addressTable) {
    SetName("SplitForm");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetClientSize(kWidth, kHeight);
    RadioGroup1->SetName("RadioGroup1");
    RadioGroup1->SetParent(this);
    RadioGroup1->SetBounds(6, 4, kWidth - 12, kGroupHeight);
    OkButton->SetName("OkButton");
    OkButton->SetParent(this);
    OkButton->SetBounds((kWidth - 75) / 2, kOkTop, 75, 25);
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);
    OkButton->OnClick = [this](TComponent* s) { OkButtonClick(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TSplitForm::FormShow(TComponent*) {
    std::vector<std::string> items = CategoryFilterItems(*frame_.Settings);
    int extra = (int(items.size()) - kFixedItems) * kCategoryItemHeight;
    SetClientSize(kWidth, kHeight + extra);
    RadioGroup1->SetBounds(6, 4, kWidth - 12, kGroupHeight + extra);
    OkButton->SetBounds(OkButton->Left(), kOkTop + extra, OkButton->Width(), OkButton->Height());
    RadioGroup1->SetCaption(" " + GetMessageText(MessageId::Display) + " : ");
    RadioGroup1->Items().Clear();
    for (const std::string& item : items) RadioGroup1->Items().Add(item);
    RadioGroup1->SetItemIndex(std::min(remembered_, int(items.size()) - 1));
}

void TSplitForm::OkButtonClick(TComponent*) {
    int index = RadioGroup1->ItemIndex();
    if (index < 0) index = 0;
    // "All" clears the category too, so that nothing filters by an old choice later.
    frame_.Filters.AddressCategoryFilter = CategoryOfItem(index, CategoryFilterItems(*frame_.Settings));
    if (addressTable_) addressTable_->SetFiltered(index != 0);
    remembered_ = index;
    if (UpdateStatusBar) UpdateStatusBar();
    if (Modal())
        SetModalResult(mrOk);
    else
        Close();
}

} // namespace kvz
