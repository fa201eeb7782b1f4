// A combo edit painted by hand as a copy of itself (a control grid shows one per record):
// the text where the edit shows it, inside the edit's frame and colour.
#pragma once

#include "controls/ToolEdit.h"

namespace kvz {

// The left and top offsets of the text inside the edit.
TPoint EditTextMargins(const TCustomComboEdit& edit);
// Paints the edit's client area with the text as the edit would show it, the button's place
// left free.
void PaintComboEditText(const TCustomComboEdit& edit, const std::string& text, TAlignment alignment, TCanvas& canvas);

} // namespace kvz
