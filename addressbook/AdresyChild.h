// The address book window: the current address in data-aware controls on three pages, a quick
// list, a survey grid and a letter bar; in network mode unbound copies over the controls while
// an address is typed; fields and controls that the user adds on the Personal page. The rules
// live in AddressLook, AddressSave and UserFields; this window places controls and calls them.
#pragma once

#include "addressbook/Dialer.h"
#include "addressbook/ModuleSearches.h"
#include "controls/KVDBCtrl.h"
#include "core/ModuleServices.h"
#include "core/ReminderTasks.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

#include <map>
#include <string>
#include <vector>

class QRubberBand;

namespace kvz {

class AddressLineLabels;
class TDataModule1;
class TVolgaTable;

// An edit and a memo that know the address field they stand for.
class TShfEdit : public TEdit {
public:
    explicit TShfEdit(TComponent* owner) : TEdit(owner) {}
    std::string SFieldName;
};
class TShfMemo : public TMemo {
public:
    explicit TShfMemo(TComponent* owner) : TMemo(owner) {}
    std::string SFieldName;
};

class TAdresyChildForm : public TForm, public AddressBookWindow, public AddressSortServices {
public:
    TAdresyChildForm(TComponent* owner, TDataModule1& data);
    ~TAdresyChildForm() override;

    // ---- what the frame window asks ----
    TForm& Form() override { return *this; }
    RecordBarState State(const ModuleContext& context) const override;
    // The record commands, the filter, mail, web and phone.
    void Run(Command command) override;
    std::optional<TableId> RecordTable() const override { return TableId::Address; }
    // Record codes of the quick list's selected rows.
    std::vector<std::string> SelectedRecordCodes() const override;
    void TablesChanged() override { SetPosition(); }
    void FormShow() override;
    void UlozDoPola() override;
    void VymenColor() override;
    void VymenFont() override;
    void SetLastNewAddressCode(const std::string& code) override { lastNewCode_ = code; }
    AddressParts CurrentAddress() const override;
    ModuleSearch* Search() override { return &search_; }
    void CitajKomponenty() override;
    // A record is being typed (after Insert or Edit), and whether it is a new one.
    bool Editing() const { return editing_ != EditMode::None; }
    bool Inserting() const { return editing_ == EditMode::Insert; }

    // ---- the record commands ----
    void Insert();
    void Edit();
    // Saves what was typed; throws when it cannot, and the edit stays open.
    void Post();
    void Cancel();
    // The table's current row moved: the letter bar follows.
    void SetPosition();
    // Network mode: unbound copies over the controls in which a new ("Insert") or the current
    // ("Edit") address is typed while no table is locked; removed after a save or a cancel.
    void InsertAddressNet(const std::string& mode);
    void DeleteAddressNet();
    // Saves the copies under the address table's lock and makes the reminder tasks.
    void PostAddressNet();
    // Copies shared user-defined fields between their copies before a network save.
    void ShEditExit();
    void PhoneCallNumber(const std::string& number, const std::string& party);
    void DBEdit10DblClick(); // new mail to the address's e-mail
    void DBEdit13DblClick(); // the address's web page
    void ApplySortOrder();
    void ZapisKomponenty();
    void FocusNameEdit();
    // The birthday and name-day date edits, and their two remind check boxes.
    void EnableDateEdits(bool birthday, bool nameDay);
    void EnableRemindBoxes(bool on);
    // The category box: none, work, private, then the five user categories.
    void ShowCategoryBox(bool on);
    std::string CategoryItem(int index) const;

    // ---- what the find, filter, sort-order and category dialogs ask ----
    void ShowSortField(const std::string& fieldName, const std::string& caption) override;
    void LoadUserSplitItems() override;
    bool RecordMovesAllowed() const override { return !Editing() && copies_.empty(); }

    // ---- handlers ----
    void FormCloseHandler(TCloseAction& action);
    void FormPaintOnce();
    void DBEdit1KeyDown(uint16_t& key);
    void DBEdit1KeyPress(char32_t& key);
    void FormKeyDown(uint16_t& key);
    void TrackBar1Change();
    void DBMemo1Enter(TComponent* sender);
    void NewFieldPopupClick();
    void EdipPopupClick();
    void DeletePopupClick();
    // The control a click on the Personal page chose last (the editor's and the menu's).
    TControl* SelectedControl() const { return selected_; }
    void SetSelectedControl(TControl* control) { selected_ = control; }
    void ComboBox1Change();
    void RadioGroup1Click();
    void ComboBox2Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void EnableModuleButtons();
    // The picture commands of the Personal page's menu, on the selected picture.
    void PastePicturePopupClick();
    void CopyPicturePopupClick();
    void CutPicturePopupClick();
    void LoadPicturePopupClick();
    // A picture copy of network mode pressed with the left or right button becomes the selected control.
    void ShadowImageMouseDown(TControl* image, TMouseButton button);
    // Tab order of the data controls, and of the copies of network mode in the same places.
    void OrderCompFromView();
    void OrderCompFromEdit();
    // Dragging a user-defined control while the field editor is shown; x and y are the control's own.
    void CompMouseDown(TControl* control, TMouseButton button, int x, int y);
    void CompMouseMove(TControl* control, int x, int y);
    void CompMouseUp(TControl* control, int x, int y);

    // ---- controls ----
    TLabel* FirmaLabel;
    TDBEdit *DBEdit1, *DBEdit2, *DBEdit3, *DBEdit4, *DBEdit5, *DBEdit6, *DBEdit7, *DBEdit8, *DBEdit9, *DBEdit10,
        *DBEdit11, *DBEdit12, *DBEdit13, *DBEdit14, *DBEdit15, *DBEdit16, *DBEdit17, *DBEdit18;
    TDBMemo *DBMemo1, *DBMemo2, *DBMemo3, *DBMemo4;
    TDBDateEdit *DBDateEdit1, *DBDateEdit2;
    TDBCheckBox *DBCheckBox1, *DBCheckBox2;
    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2, *TabSheet3;
    TGroupBox *ContactPanel, *BankPanel, *PersonalPanel, *UserPanel;
    TDBGrid *DBGrid1, *DBGrid2;
    TComboBox* ComboBox3;
    TLabel* LookLabel;
    TTrackBar* TrackBar1;
    TPaintBox* LetterStrip;
    TPopupMenu* PopupMenu1;
    TMenuItem *NewFieldPopup, *EdipPopup, *DeletePopup;
    TMenuItem *PastePicturePopup, *CopyPicturePopup, *CutPicturePopup, *LoadPicturePopup;
    // The user-field editor.
    TPanel* Panel1;
    TComboBox *ComboBox1, *ComboBox2;
    TRadioGroup* RadioGroup1;
    TEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9;
    TButton *BitBtn1, *BitBtn2;

private:
    TVolgaTable& Table() const;
    void BuildBasicPage();
    void BuildPersonalPage();
    void BuildEditorPanel();
    void SetTexts();
    void ApplyLook();
    // DBEdit2's colour and (or) font to every other field control.
    void SpreadFieldLook(bool colour, bool font);
    // A data control of the window by number ("DBEdit" n), nullptr when there is none.
    TDBEdit* DataEdit(int n) const;
    // Creates a user-defined control of a layout record; nullptr when its field is gone.
    TControl* CreateUserControl(const struct TUserFieldRec& rec);
    std::vector<std::string> ComponentNames() const;
    std::vector<TComponent*> OwnedComponents() const;
    void AttachKeys(TWinControl* control);
    // The quick list, the survey grid and the letter bar, which move the current address.
    void EnableRecordMovers(bool on);
    void MakeCopies(bool edit);
    // The category picker's items: none, work, private, then each named user category.
    std::vector<std::string> SplitItems() const;
    void MakePictureCopy(TDBImage* original, bool edit);
    void AttachDrag(TControl* control);
    void OrderComp(bool copies);
    void BuildPictureMenu();
    void SetPictureTexts();
    // The picture the commands act on: a selected data image (local mode) or picture copy.
    TImage* SelectedPicture() const;
    // A data image's table in edit state (through the frame's edit button); false when it cannot edit.
    bool EditForPicture(TImage* target);
    // Into a data image's field, or into a copy; a null picture clears.
    void StorePicture(TImage* target, const QImage& picture);

    // The category chosen in the box into the address row (Split_field).
    void WorkSplitItems();

    enum class EditMode { None, Insert, Edit };
    TDataModule1& data_;
    EditMode editing_ = EditMode::None;
    AddressSearch search_;
    // The reminder flags and dates the address had when its edit began.
    ReminderMemory had_;
    std::string lastNewCode_;
    PhoneChoice phone_;
    std::string netMode_;
    std::string editCode_; // the record code of the address the copies edit, kept from the start
    std::string editBegun_; // the address's values when the copies were made (AddressRowValues)
    std::string sortTitle_;
    bool firstPaint_ = true;
    bool editingField_ = false; // the user-field editor changes a control (not a new field)
    bool newItem_ = false; // the editor adds an item; after the add its OK only closes it
    bool layoutPending_ = false; // the layout file is read again once the copies are gone
    int clickX_ = 10, clickY_ = 10;
    TControl* selected_ = nullptr;
    // The copies of network mode: copy -> the data control it stands over, and its first text.
    struct Copy {
        TControl* copy;
        TControl* original;
        std::string field;
        std::string initial;
        bool user;
        TControl* frame = nullptr; // the outline drawn around a picture copy
    };
    std::vector<Copy> copies_;
    // The street, city and zip labels beside each address memo.
    std::vector<AddressLineLabels*> lineLabels_;
    // The control being dragged, where the mouse took it, and the rectangle that follows the mouse.
    struct Drag {
        TControl* Control = nullptr;
        int GrabX = 0, GrabY = 0;
        QRubberBand* Band = nullptr; // the page owns it
    } drag_;
};

} // namespace kvz
