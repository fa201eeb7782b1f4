#include "addressbook/CategoryForm.h"

#include "addressbook/Categories.h"
#include "addressbook/DialogParts.h"
#include "core/Languages.h"
#include "core/SettingsStore.h"
#include "platform/forms/Dialogs.h"

#include <QVBoxLayout>

namespace kvz {

namespace {

constexpr int kFixedMessages[] = {MessageId::AllAddresses, MessageId::Work, MessageId::Private};

} // namespace

TAddForm::TAddForm(TComponent* owner, FrameState& frame) : TForm(owner), BitBtn1(new TButton(this)), frame_(frame) {
    SetName("AddForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poDesktopCenter);
    auto* column = new QVBoxLayout(ClientWidget());
    for (size_t i = 0; i < Edits.size(); ++i) {
        Edits[i] = new TEdit(this);
        Edits[i]->SetName("Edit" + std::to_string(i + 1));
        Edits[i]->SetParent(this);
        if (i < 3)
            Edits[i]->SetEnabled(false);
        else
            Edits[i]->SetMaxLength(static_cast<int>(kCategoryNameLength));
        column->addWidget(Edits[i]->Widget());
        if (i == 2) column->addSpacing(8); // the user's own after the fixed ones
    }
    column->addStretch();
    column->addLayout(OkButtonRow(*this, *BitBtn1));
    SetClientSize(220, 280);
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TAddForm::FormShow(TComponent*) {
    ApplyCaptions(*this, "TAddForm", Language());
    for (size_t i = 0; i < 3; ++i) Edits[i]->SetText(GetMessageText(kFixedMessages[i]));
    for (int i = 0; i < kUserCategoryCount; ++i)
        Edits[static_cast<size_t>(3 + i)]->SetText(frame_.Settings ? frame_.Settings->NastaveniaText[kFirstCategorySetting + i]
                                                                   : "");
}

void TAddForm::BitBtn1Click(TComponent*) {
    std::array<std::string, kUserCategoryCount> names;
    for (int i = 0; i < kUserCategoryCount; ++i) names[static_cast<size_t>(i)] = Edits[static_cast<size_t>(3 + i)]->Text();
    if (const auto error = CategoryNamesError(names)) {
        ShowMessageBox(*error, Application().Title(), MB_OK | MB_ICONWARNING);
        return;
    }
    if (frame_.Settings)
        for (int i = 0; i < kUserCategoryCount; ++i)
            frame_.Settings->NastaveniaText[kFirstCategorySetting + i] = names[static_cast<size_t>(i)];
    if (frame_.AddressSort) frame_.AddressSort->LoadUserSplitItems();
    SetModalResult(mrOk);
}

} // namespace kvz
