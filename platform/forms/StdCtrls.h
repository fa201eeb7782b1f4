// The platform's standard controls, as far as the windows have needed them.
#pragma once

#include "platform/forms/Controls.h"

#include <QLineEdit>
#include <QPushButton>

namespace kvz {

// A push button; one with a ModalResult ends its modal form with it.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Default() const;
    void SetDefault(bool on);
    void Click() override;

protected:
    void TextChanged() override;

private:
    int modalResult_ = 0;
};

// A one-line edit; OnChange follows every change of the text.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    TNotifyEvent OnChange;

protected:
    void TextChanged() override;
};

} // namespace kvz
