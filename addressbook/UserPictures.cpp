// The picture commands of user-defined picture fields: paste, copy, cut and load from a file,
// into a data image's field in local mode or into its copy during a network edit.
#include "addressbook/AdresyChild.h"
#include "addressbook/UserFields.h"
#include "core/Data1.h"
#include "core/DataModuleParts.h"
#include "core/FrameServices.h"
#include "core/Messages.h"
#include "core/Main.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Dialogs.h"

namespace kvz {

// ---- the window's picture commands ----

void TAdresyChildForm::BuildPictureMenu() {
    auto add = [this](TMenuItem*& item, const char* name, void (TAdresyChildForm::*handler)()) {
        item = AddMenuItem(this, PopupMenu1->Items(), name);
        item->OnClick = [this, handler](TComponent*) { (this->*handler)(); };
    };
    add(PastePicturePopup, "PastePicturePopup", &TAdresyChildForm::PastePicturePopupClick);
    add(CopyPicturePopup, "CopyPicturePopup", &TAdresyChildForm::CopyPicturePopupClick);
    add(CutPicturePopup, "CutPicturePopup", &TAdresyChildForm::CutPicturePopupClick);
    add(LoadPicturePopup, "LoadPicturePopup", &TAdresyChildForm::LoadPicturePopupClick);
}

void TAdresyChildForm::SetPictureTexts() {
    PastePicturePopup->SetCaption(ByLanguage("Copy from clipboard", "Vložiť", "Vložit"));
    CopyPicturePopup->SetCaption(ByLanguage("Copy to clipboard", "Kopírovať", "Kopírovat"));
    CutPicturePopup->SetCaption(ByLanguage("Cut to clipboard", "Vystrihnúť", "Vystřihnout"));
    LoadPicturePopup->SetCaption(ByLanguage(" Load image from file", "Načítať zo súboru", "Načíst ze souboru"));
}

TImage* TAdresyChildForm::SelectedPicture() const {
    auto* image = dynamic_cast<TImage*>(selected_);
    if (!image) return nullptr;
    const bool dataImage = dynamic_cast<TDBImage*>(image) && UserControlNumber(image->Name(), "UserDBImage") >= 0;
    const bool copy = UserControlNumber(image->Name(), "UserShImage") >= 0;
    // In network mode a data image is never written directly: its copy is, while an address is edited.
    if (dataImage && ProgramState().NetworkMode) return nullptr;
    return dataImage || copy ? image : nullptr;
}

bool TAdresyChildForm::EditForPicture(TImage* target) {
    if (!dynamic_cast<TDBImage*>(target)) return true;
    TVolgaTable& table = Table();
    // The frame runs Edit only when it is on.
    if (table.State() != dsEdit && table.State() != dsInsert && !Editing() && !table.IsEmpty()) Request(Command::Edit);
    return table.State() == dsEdit || table.State() == dsInsert;
}

void TAdresyChildForm::StorePicture(TImage* target, const QImage& picture) {
    if (auto* data = dynamic_cast<TDBImage*>(target)) {
        TField* field = data->Field();
        if (!field) return;
        if (picture.isNull()) field->Clear();
        else field->SetAsString(GraphicFieldBytes(picture));
    } else {
        target->SetPicture(picture);
    }
}

void TAdresyChildForm::PastePicturePopupClick() {
    TImage* target = SelectedPicture();
    if (!target || !Clipboard().HasPicture() || !EditForPicture(target)) return;
    StorePicture(target, Clipboard().Picture());
}

void TAdresyChildForm::CopyPicturePopupClick() {
    if (TImage* target = SelectedPicture(); target && !target->Picture().isNull())
        Clipboard().SetPicture(target->Picture());
}

void TAdresyChildForm::CutPicturePopupClick() {
    TImage* target = SelectedPicture();
    if (!target || target->Picture().isNull() || !EditForPicture(target)) return;
    Clipboard().SetPicture(target->Picture());
    StorePicture(target, QImage());
}

void TAdresyChildForm::LoadPicturePopupClick() {
    TImage* target = SelectedPicture();
    if (!target || !EditForPicture(target)) return;
    TOpenDialog dialog;
    dialog.Filter = ByLanguage("Pictures|*.bmp;*.png;*.jpg;*.jpeg;*.gif|All files|*",
                               "Obrázky|*.bmp;*.png;*.jpg;*.jpeg;*.gif|Všetky súbory|*",
                               "Obrázky|*.bmp;*.png;*.jpg;*.jpeg;*.gif|Všechny soubory|*");
    if (!dialog.Execute()) return;
    QImage picture(QString::fromStdString(dialog.FileName));
    if (picture.isNull()) {
        static const char* const kNoPicture[] = {"This file holds no picture that can be read: ",
                                                 "Tento súbor neobsahuje obrázok, ktorý sa dá prečítať: ",
                                                 "Tento soubor neobsahuje obrázek, který lze přečíst: "};
        ShowMessageBox(InLanguage(kNoPicture) + dialog.FileName, Application().Title(), MB_OK | MB_ICONWARNING);
        return;
    }
    StorePicture(target, picture);
}

void TAdresyChildForm::ShadowImageMouseDown(TControl* image, TMouseButton button) {
    if (button == TMouseButton::mbLeft || button == TMouseButton::mbRight) selected_ = image;
}

} // namespace kvz
