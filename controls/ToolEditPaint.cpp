#include "controls/ToolEditPaint.h"

#include <QFontMetrics>
#include <QLineEdit>

namespace kvz {

TPoint EditTextMargins(const TCustomComboEdit& edit) {
    // The line edit's own inset of its text, and the text centred in the height as it shows.
    const QLineEdit* line = edit.LineEdit();
    const QMargins margins = line->textMargins();
    const int frame = line->hasFrame() ? 1 : 0;
    const int height = QFontMetrics(edit.Font().ToQFont()).height();
    return {margins.left() + frame + 2, std::max((edit.ClientHeight() - height) / 2, 0)};
}

void PaintComboEditText(const TCustomComboEdit& edit, const std::string& text, TAlignment alignment, TCanvas& canvas) {
    TRect client = edit.ClientRect();
    canvas.Brush.Color = clBtnShadow;
    canvas.FrameRect(client);
    InflateRect(client, -1, -1);
    canvas.Brush.Color = edit.Color();
    canvas.FillRect(client);
    canvas.Font = edit.Font();
    if (!edit.Enabled()) canvas.Font.Color = clGrayText;
    const TPoint margins = EditTextMargins(edit);
    const int button = edit.Button()->Visible() ? edit.ButtonWidth() : 0;
    int width = canvas.TextWidth(text);
    if (button > 0) ++width;
    int left = margins.X;
    if (!edit.PopupVisible()) {
        if (alignment == taRightJustify)
            left = edit.ClientWidth() - button - width - margins.X - 2;
        else if (alignment == taCenter)
            left = (edit.ClientWidth() - button - width) / 2;
    }
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.TextOut(left, margins.Y, text);
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

} // namespace kvz
