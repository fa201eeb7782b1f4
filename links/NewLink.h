// The new-link dialog: a link's name, type, path and note typed or picked; OK adds the link
// (and its type when the type table does not hold it) or, in network mode's Edit, changes the
// current link. The writes are LinkWrites'; a refused or failed write keeps the dialog open
// with what was typed.
#pragma once

#include "controls/KvLookup.h"
#include "links/LinkWrites.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <functional>
#include <string>

namespace kvz {

class TDataModule1;
class TDataSource;
struct FrameState;

class TNewLinkForm : public TForm {
public:
    static constexpr int kHelpContext = 47;

    TNewLinkForm(TComponent* owner, TDataModule1& data, FrameState& frame);

    void FormCreate();
    void FormShow();
    // The file dialog; a cancelled dialog changes nothing.
    void Button1Click();
    void EditTypeButtonClick();
    void KvDBLookupCombo1Change();
    // OK: saves and closes; a refusal or failure is shown and the dialog stays open.
    void BitBtn1Click();
    void BitBtn3Click();
    // The path's icon into Image1.
    void SetIconFile();
    // Fills the boxes as a dropped or picked file gives them: its path, its name and its type.
    void FillFromFile(const std::string& fileName);

    // After a save: the links window shows the tables again (looked up when it runs, so that a
    // window closed meanwhile is never reached).
    std::function<void(const LinkSaveResult&)> OnSaved;
    // The last save's result.
    const LinkSaveResult& Result() const { return result_; }

    TLabel *KvLabel1, *Label1, *Label2, *Label3, *Label4;
    TEdit *NameEdit, *TypeEdit, *PathEdit, *NoteEdit;
    TButton *EditTypeButton, *Button1;
    TBevel* Bevel2;
    TImage* Image1;
    TKvDBLookupCombo* KvDBLookupCombo1;
    TButton *BitBtn1, *BitBtn2, *BitBtn3;

private:
    TDataModule1& data_;
    FrameState& frame_;
    TDataSource* addressSource_;
    LinkSaveResult result_;
    std::string editCode_; // the link that network mode's Edit changes, kept from the show
    bool editMode_ = false; // the mode at the show: a dialog left open keeps the link it was opened for
};

// The links window of the moment refreshes after a save (nothing when none is open).
void RefreshLinksWindow(FrameState& frame);

} // namespace kvz
