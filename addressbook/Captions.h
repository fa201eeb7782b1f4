// Captions of the exchange dialogs in English, Slovak and Czech, kept as data by component.
#pragma once

#include "core/Messages.h"
#include "platform/forms/Forms.h"

#include <string>

namespace kvz {

struct CaptionRow {
    const char* Name; // the component; "" for the form itself
    const char* Texts[3];
};

// Sets the captions for the program's language; any other language keeps those the form has.
template <size_t N> void ApplyCaptions(TForm& form, const CaptionRow (&rows)[N]) {
    const int language = Language();
    if (language < 1 || language > 3) return;
    for (const CaptionRow& row : rows) {
        TControl* control = *row.Name ? dynamic_cast<TControl*>(form.FindComponent(row.Name)) : &form;
        if (control) control->SetCaption(row.Texts[language - 1]);
    }
}

// Sets a control's caption to a catalogue message.
inline void SetMessageCaption(TControl& control, int message) {
    control.SetCaption(GetMessageText(message));
}

} // namespace kvz
