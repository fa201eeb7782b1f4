// The program's three languages: the captions and hints of windows taken from the caption
// table by component name, the frame window's translation, and the language dialog.
#pragma once

#include "core/Messages.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kvz {

class SettingsStore;
class TKvSpeedButton;
class TPanel;
enum class TCaptionKind;

inline constexpr int kEnglish = 1, kSlovak = 2, kCzech = 3;

// The language's help file: the contents page of its help pages beside the program.
std::string HelpFileName(int language);

// The component of that name that the form owns, or that a component of the form owns (menu
// items owned by their menu, buttons by their tool bar), other windows' parts aside; or none.
TComponent* FindNamedComponent(const TComponent& form, std::string_view name);

// The text of the table for a component of a form class in the language (1..3); none for
// another language or a component the table does not name.
std::optional<std::string> CaptionText(std::string_view formClass, std::string_view component, TCaptionKind kind,
                                       int language);
// Sets every caption and hint that the table holds for the form class on the components of
// that name found from the form (the form itself for the window caption). Another language
// leaves the texts as they are.
void ApplyCaptions(TComponent& form, std::string_view formClass, int language);

// Sets a control's caption to a catalogue message.
inline void SetMessageCaption(TControl& control, int message) { control.SetCaption(GetMessageText(message)); }

// Sets the frame window's menu captions and tool button hints from the table and the outlook
// bar's captions from the message catalogue, for the components it finds by name.
void TranslateMainWindow(TComponent& frameWindow, int language);

// The outlook bar's captions of the frame window: one message, or two on two lines.
struct OutlookCaption {
    const char* Component;
    int First;
    int Second; // 0: none
};
inline constexpr OutlookCaption kOutlookCaptions[] = {
    {"AdresySpeedButton1", MessageId::Address, 0},
    {"UlohySpeedButton1", MessageId::Tasks, 0},
    {"LinksSpeedButton1", MessageId::Links, 0},
    {"ZostavySpeedButton1", MessageId::Reports, 0},
    {"AddressPrintButton", MessageId::Address, MessageId::PrintSecondLine},
    {"TasksPrintButton", MessageId::Tasks, MessageId::PrintSecondLine},
    {"LinksPrintButton", MessageId::Links, MessageId::PrintSecondLine},
    {"Header2", MessageId::Reports, 0},
    {"BackButton", MessageId::OutlookBack, 0},
    {"WizardButton", MessageId::WizardFirstLine, MessageId::WizardSecondLine},
};

class TSelectLanguageForm : public TForm {
public:
    TSelectLanguageForm(TComponent* owner, SettingsStore& settings);

    TLabel* Label1 = new TLabel(this);
    TLabel* Label2 = new TLabel(this);
    TLabel* Label3 = new TLabel(this);
    TPanel* Panel1;
    TLabel* InterfaceLabel;
    TKvSpeedButton* EngButton;
    TKvSpeedButton* SkButton;
    TKvSpeedButton* CzButton;
    TButton* BitBtn1 = new TButton(this);

    // The first start translates the windows itself afterwards.
    bool FirstStart = false;
    // Set by the frame window: translate the frame window and the active module window (only
    // the texts: nothing is reopened, a pending edit stays). Run after the translate-on-show
    // flag is set.
    std::function<void()> TranslateWindows;

    void FormShow(TComponent* sender);
    void EngButtonClick(TComponent* sender);
    void SkButtonClick(TComponent* sender);
    void CzButtonClick(TComponent* sender);
    void BitBtn1Click(TComponent* sender);

private:
    void Choose(TKvSpeedButton* button, int language);
    SettingsStore& settings_;
};

// "Select language": the dialog run modally (frame window, menu LangsMenu).
void RunLanguageDialog(SettingsStore& settings, bool firstStart, std::function<void()> translateWindows);

} // namespace kvz
