#include "core/Languages.h"

#include "controls/KVCtrls.h"
#include "core/Help.h"
#include "core/Messages.h"
#include "core/Main.h"
#include "core/SettingsStore.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Menus.h"
#include "resources/CaptionTable.h"

#include <QTimer>

#include <filesystem>

namespace kvz {

namespace {

bool KnownLanguage(int language) { return language >= kEnglish && language <= kCzech; }

// The language dialog's title in the language chosen in it.
std::string DialogCaption(int language) {
    return language == kEnglish ? "Select language" : language == kCzech ? "Výběr jazyka" : "Výber jazyka";
}

void SetText(TComponent* component, TCaptionKind kind, const std::string& text) {
    if (auto* item = dynamic_cast<TMenuItem*>(component)) {
        if (kind == TCaptionKind::Caption) item->SetCaption(text);
    } else if (auto* control = dynamic_cast<TControl*>(component)) {
        if (kind == TCaptionKind::Caption)
            control->SetCaption(text);
        else
            control->SetHint(text);
    }
}

} // namespace

TComponent* FindNamedComponent(const TComponent& form, std::string_view name) {
    if (TComponent* found = form.FindComponent(name)) return found;
    for (int i = 0; i < form.ComponentCount(); ++i) {
        const TComponent* part = form.Components(i);
        // Another window (a module window the frame window owns) has names of its own.
        if (dynamic_cast<const TForm*>(part)) continue;
        if (TComponent* found = FindNamedComponent(*part, name)) return found;
    }
    return nullptr;
}

std::string HelpFileName(int language) {
    std::filesystem::path folder = ProgramState().ProgramFolder;
    if (folder.empty()) folder = std::filesystem::path(Application().ExeName()).parent_path();
    return HelpFilePath(folder, language == kEnglish ? kEnglish : language).string();
}

std::optional<std::string> CaptionText(std::string_view formClass, std::string_view component, TCaptionKind kind,
                                       int language) {
    if (!KnownLanguage(language)) return std::nullopt;
    for (size_t i = 0; i < kCaptionCount; ++i) {
        const TCaptionRow& row = kCaptionTable[i];
        if (row.Kind == kind && formClass == row.Form && component == row.Component) return row.Text[language - 1];
    }
    return std::nullopt;
}

void ApplyCaptions(TComponent& form, std::string_view formClass, int language) {
    if (!KnownLanguage(language)) return;
    for (size_t i = 0; i < kCaptionCount; ++i) {
        const TCaptionRow& row = kCaptionTable[i];
        if (formClass != row.Form) continue;
        TComponent* target = *row.Component ? FindNamedComponent(form, row.Component) : &form;
        if (target) SetText(target, row.Kind, row.Text[language - 1]);
    }
}

void TranslateMainWindow(TComponent& frameWindow, int language) {
    if (!KnownLanguage(language)) return;
    ApplyCaptions(frameWindow, "TMainForm", language);
    for (const OutlookCaption& c : kOutlookCaptions) {
        TComponent* target = FindNamedComponent(frameWindow, c.Component);
        if (!target) continue;
        std::string text, second;
        GetMessageText(c.First, text, language);
        // The two parts stand on two lines; the old line end's carriage return would show as a box.
        if (c.Second) {
            GetMessageText(c.Second, second, language);
            text += "\n" + second;
        }
        SetText(target, TCaptionKind::Caption, text);
    }
}

TSelectLanguageForm::TSelectLanguageForm(TComponent* owner, SettingsStore& settings)
    : TForm(owner), Panel1(new TPanel(this)), InterfaceLabel(new TLabel(this)), EngButton(new TKvSpeedButton(this)),
      SkButton(new TKvSpeedButton(this)), CzButton(new TKvSpeedButton(this)), settings_(settings) {
    SetName("SelectLanguageForm");
    SetCaption(DialogCaption(Language()));
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(330, 160);
    const char* const prompts[] = {"Select language interface ...", "Vyberte jazykové prostredie ...",
                                   "Vyberte jazykové prostředí ..."};
    TLabel* labels[] = {Label1, Label2, Label3};
    for (int i = 0; i < 3; ++i) {
        labels[i]->SetName("Label" + std::to_string(i + 1));
        labels[i]->SetParent(this);
        labels[i]->SetBounds(16, 12 + 20 * i, 300, 16);
        labels[i]->SetCaption(prompts[i]);
    }
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetBevelOuter(TBevelCut::bvLowered);
    Panel1->SetCaption("");
    InterfaceLabel->SetName("InterfaceLabel");
    InterfaceLabel->SetParent(this);
    InterfaceLabel->SetCaption(" Interface :");
    InterfaceLabel->SetBounds(16, 86, 80, 16);
    TKvSpeedButton* buttons[] = {EngButton, SkButton, CzButton};
    const char* const names[] = {"EngButton", "SkButton", "CzButton"};
    const char* const captions[] = {"English", "Slovensky", "Česky"};
    for (int i = 0; i < 3; ++i) {
        buttons[i]->SetName(names[i]);
        buttons[i]->SetParent(this);
        buttons[i]->SetGroupIndex(1);
        buttons[i]->SetLayout(TButtonLayout::blGlyphLeft);
        buttons[i]->SetCaption(captions[i]);
        buttons[i]->SetBounds(100 + 72 * i, 82, 70, 25);
    }
    EngButton->OnClick = [this](TComponent* s) { EngButtonClick(s); };
    SkButton->OnClick = [this](TComponent* s) { SkButtonClick(s); };
    CzButton->OnClick = [this](TComponent* s) { CzButtonClick(s); };
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn1->SetModalResult(mrOk);
    BitBtn1->SetBounds(127, 124, 75, 25);
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    OnCreate = [](TComponent*) { Application().SetHelpFile(HelpFileName(Language())); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TSelectLanguageForm::FormShow(TComponent*) {
    const int language = settings_.Nastavenia[Slot::Language];
    if (language == kEnglish) EngButton->SetDown(true);
    if (language == kSlovak) SkButton->SetDown(true);
    if (language == kCzech) CzButton->SetDown(true);
    Panel1->SetBounds(InterfaceLabel->Left() - 4, 78, InterfaceLabel->Width() + 8 + 3 * 72, 33);
    Panel1->SendToBack();
}

void TSelectLanguageForm::Choose(TKvSpeedButton* button, int language) {
    if (!button->Down()) return;
    settings_.Nastavenia[Slot::Language] = language;
    SetLanguage(language);
    Application().SetHelpFile(HelpFileName(language));
    SetCaption(DialogCaption(language));
}

void TSelectLanguageForm::EngButtonClick(TComponent*) {
    Choose(EngButton, kEnglish);
    if (!EngButton->Down()) return;
    std::error_code ec;
    if (std::filesystem::exists(HelpFileName(kEnglish), ec)) return;
    // After the click has ended, so that the button lets the mouse go and the next click counts.
    QTimer::singleShot(0, Widget(), [] {
        ShowMessage("The English help is not installed: its pages are missing from the folder \"help/en\" beside "
                    "the program. Install the program again to have them.");
    });
}

void TSelectLanguageForm::SkButtonClick(TComponent*) { Choose(SkButton, kSlovak); }
void TSelectLanguageForm::CzButtonClick(TComponent*) { Choose(CzButton, kCzech); }

void TSelectLanguageForm::BitBtn1Click(TComponent*) {
    if (FirstStart || !TranslateWindows) return;
    TranslateWindows();
}

void RunLanguageDialog(SettingsStore& settings, bool firstStart, std::function<void()> translateWindows) {
    TSelectLanguageForm dialog(nullptr, settings);
    dialog.FirstStart = firstStart;
    dialog.TranslateWindows = std::move(translateWindows);
    dialog.ShowModal();
}

} // namespace kvz
