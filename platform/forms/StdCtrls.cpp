#include "platform/forms/StdCtrls.h"

#include "platform/forms/Forms.h"

namespace kvz {

TButton::TButton(TComponent* owner) : TWinControl(owner, new TControlWidget<QPushButton>(this)) {
    SetClickOnRelease(false);
    auto* button = static_cast<QPushButton*>(Widget());
    QObject::connect(button, &QPushButton::clicked, button, [this] { Guarded([this] { Click(); }); });
    SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

bool TButton::Default() const { return static_cast<QPushButton*>(Widget())->isDefault(); }
void TButton::SetDefault(bool on) { static_cast<QPushButton*>(Widget())->setDefault(on); }

void TButton::TextChanged() { static_cast<QPushButton*>(Widget())->setText(ToQString(Caption())); }

TEdit::TEdit(TComponent* owner) : TWinControl(owner, new TControlWidget<QLineEdit>(this)) {
    auto* edit = static_cast<QLineEdit*>(Widget());
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this, edit](const QString& text) {
        std::string value = text.toStdString();
        if (value == Text()) return;
        SetCaptionQuietly(value);
        Guarded([this] {
            if (OnChange) OnChange(this);
        });
    });
    SetBounds(0, 0, 121, 21);
}

void TEdit::TextChanged() {
    auto* edit = static_cast<QLineEdit*>(Widget());
    if (edit->text().toStdString() != Text()) edit->setText(ToQString(Text()));
    if (OnChange) OnChange(this);
}

} // namespace kvz
