// Moving user-defined controls on the Personal page with the mouse while the field editor is
// open: the control stays put while a rectangle follows the mouse, and moves when the button
// is let go.
#include "addressbook/AdresyChild.h"

#include <QRubberBand>

namespace kvz {

void TAdresyChildForm::AttachDrag(TControl* control) {
    control->OnMouseDown = [this, control](TComponent*, TMouseButton button, TShiftState, int x, int y) {
        CompMouseDown(control, button, x, y);
    };
    control->OnMouseMove = [this, control](TComponent*, TShiftState, int x, int y) { CompMouseMove(control, x, y); };
    control->OnMouseUp = [this, control](TComponent*, TMouseButton, TShiftState, int x, int y) {
        CompMouseUp(control, x, y);
    };
}

void TAdresyChildForm::CompMouseDown(TControl* control, TMouseButton button, int x, int y) {
    selected_ = control;
    if (!Panel1->Visible() || (button != TMouseButton::mbLeft && button != TMouseButton::mbRight)) return;
    EdipPopupClick(); // the panel shows the grabbed control
    drag_.Control = control;
    drag_.GrabX = x;
    drag_.GrabY = y;
    if (!drag_.Band) drag_.Band = new QRubberBand(QRubberBand::Rectangle, TabSheet2->Widget());
    drag_.Band->setGeometry(control->Left(), control->Top(), control->Width(), control->Height());
    drag_.Band->show();
    drag_.Band->raise();
}

void TAdresyChildForm::CompMouseMove(TControl* control, int x, int y) {
    if (drag_.Control != control) return;
    const int left = control->Left() + x - drag_.GrabX, top = control->Top() + y - drag_.GrabY;
    drag_.Band->move(left, top);
    Edit5->SetText(std::to_string(left));
    Edit6->SetText(std::to_string(top));
}

void TAdresyChildForm::CompMouseUp(TControl* control, int x, int y) {
    if (drag_.Control != control) return;
    drag_.Control = nullptr;
    drag_.Band->hide();
    control->SetBounds(control->Left() + x - drag_.GrabX, control->Top() + y - drag_.GrabY, control->Width(),
                       control->Height());
    EdipPopupClick(); // the panel shows where it went
}

} // namespace kvz
