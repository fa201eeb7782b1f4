// What the settings dialog and the network wizard ask of the frame window: each call goes to the
// module window that is open, or to the frame's own bars and flags.
#include "core/Main.h"

#include "core/DataModuleParts.h"
#include "platform/rtl/ScopeGuard.h"

#include <map>
#include <optional>
#include <vector>

namespace kvz {

namespace {

constexpr int kFontDialogMaxSize = 16;

// The controls of the module windows that the dialog colours directly, by their names; the
// calendar's own colours and the report lists the window answers itself (PartColor).
std::vector<TControl*> NamedControls(TForm& form, SetupTarget target) {
    static const std::map<SetupTarget, std::vector<const char*>> names = {
        {SetupTarget::AddressName, {"DBEdit1"}},  {SetupTarget::AddressNote, {"DBMemo2"}},
        {SetupTarget::AddressGrid, {"DBGrid1"}},  {SetupTarget::LinksName, {"DBEdit1"}},
        {SetupTarget::LinksGrid, {"DBGrid1"}},    {SetupTarget::TaskGrids, {"UlohaDbGrid", "TaskKvGrid"}},
        {SetupTarget::TaskMemo, {"DBMemo1"}},
    };
    std::vector<TControl*> controls;
    if (auto it = names.find(target); it != names.end())
        for (const char* name : it->second)
            if (auto* control = dynamic_cast<TControl*>(form.FindComponent(name))) controls.push_back(control);
    return controls;
}

std::optional<TColor> ColorOf(ModuleWindow& window, SetupTarget target) {
    if (auto color = window.PartColor(target)) return color;
    auto controls = NamedControls(window.Form(), target);
    return controls.empty() ? std::nullopt : std::optional(controls.front()->Color());
}

std::optional<TFont> FontOf(ModuleWindow& window, SetupTarget target) {
    if (auto font = window.PartFont(target)) return font;
    auto controls = NamedControls(window.Form(), target);
    return controls.empty() ? std::nullopt : std::optional(controls.front()->Font());
}

} // namespace

void TMainForm::InterfaceSetupMenuClick(TComponent*) {
    if (!module_ || !DataModule1) return;
    TSetupForm dialog(this, ProgramState(), *DataModule1, *this);
    dialog.ShowModal();
}

// ---- colours and fonts of the module windows ----

TColor TMainForm::TargetColor(SetupTarget target) const {
    return module_ ? ColorOf(*module_, target).value_or(clGray) : clGray;
}

void TMainForm::PickColor(SetupTarget target) {
    if (!module_) return;
    TColorDialog& dialog = DataModuleParts().ColorDialog1;
    if (auto color = ColorOf(*module_, target)) dialog.Color = *color;
    if (!dialog.Execute()) return;
    module_->SetPartColor(target, dialog.Color);
    for (TControl* control : NamedControls(module_->Form(), target)) control->SetColor(dialog.Color);
}

void TMainForm::PickFont(SetupTarget target, int maxSize) {
    if (!module_) return;
    TFontDialog& dialog = DataModuleParts().FontDialog1;
    if (auto font = FontOf(*module_, target)) dialog.Font = *font;
    // The limit is this part's only: the dialog's other users get the usual one back.
    auto limit = OnScopeExit([&dialog] { dialog.MaxFontSize = kFontDialogMaxSize; });
    dialog.MaxFontSize = maxSize;
    if (!dialog.Execute()) return;
    module_->SetPartFont(target, dialog.Font);
    for (TControl* control : NamedControls(module_->Form(), target)) control->SetFont(dialog.Font);
}

// The module asked is the open one: the dialog shows only its page.
void TMainForm::VymenColor(int module) {
    if (module_ && module == ActiveModule()) module_->VymenColor();
}

void TMainForm::VymenFont(int module) {
    if (module_ && module == ActiveModule()) module_->VymenFont();
}

void TMainForm::UlozDoPola(int module) {
    if (module_ && module == ActiveModule()) module_->UlozDoPola();
}

// ---- address categories, reports, scheduling ----

void TMainForm::ShowSplitEnableButton(bool on) {
    if (!on) return HideSplitEnableButton();
    SplitEnableButton->SetVisible(true);
    EnableModuleButtons();
}

void TMainForm::EditCategories() { RunRegisteredDialog("TAddForm"); }

void TMainForm::ApplyEnvelopeFeed(int feed) {
    if (module_) module_->ApplySetting(ModuleSetting::EnvelopeFeed, feed);
}

void TMainForm::SetEnvelopePosition(int position) {
    if (module_) module_->ApplySetting(ModuleSetting::EnvelopePosition, position);
}

void TMainForm::SetWeekNumbers(bool on) {
    if (module_) module_->ApplySetting(ModuleSetting::WeekNumbers, on ? 1 : 0);
}

void TMainForm::ChangeFirstDay(int day) {
    if (module_) module_->ApplySetting(ModuleSetting::FirstDay, day);
}

bool TMainForm::OutlookHasActiveHeader() const { return kvOutlookBar1->ActiveHeader() != nullptr; }

// ---- the network wizard ----

void TMainForm::NetWizardMenuClick(TComponent*) {
    if (!DataModule1) return;
    TWizardForm wizard(this, ProgramState(), *DataModule1, *this);
    wizard.ShowModal();
    // The role may have left the offline state: the bars follow.
    EnableModuleButtons();
}

void TMainForm::SetNetworkRole(bool clientMode, const std::string& tablePassword) {
    ProgramSettings().ClientMode = clientMode;
    // Local tables keep the password their user was picked with; shared ones take the wizard's.
    if (ProgramState().NetworkMode) TablePassword = tablePassword;
    OfflineMode = false;
    SetHelpFileByLanguage();
}

void TMainForm::ScanUser() {
    if (auto& scan = RegisteredUserSteps().ScanUser) scan(*this);
}

void TMainForm::ActiveModuleFormShow() {
    // The show handler applies the sort order the wizard's tables may have lost.
    RefreshActiveModule();
}

void TMainForm::EnableKeyByRole() {
    if (auto& role = RegisteredUserSteps().EnableKeyByRole) role(*this);
}

// An address book made later reads the layout as it is made.
void TMainForm::ReadAddressLayoutAgain() {
    if (AddressBookWindow* book = AddressBook()) book->CitajKomponenty();
}

} // namespace kvz
