// The settings dialog of the frame window: one page for the active module and a global page.
// Colours, fonts and choices change the module windows while the dialog is open; OK asks the
// active window to store its view into the settings and saves the settings file.
#pragma once

#include "core/ModuleServices.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"

#include <string>
#include <vector>

namespace kvz {

class TDataModule1;

inline constexpr TColor kDefaultHeaderColor = 0x808080, kDefaultHeaderEndColor = 0xFFFFFF;

// How the outlook bar's two headers look.
struct OutlookLook {
    TColor Color = kDefaultHeaderColor;
    TColor EndColor = kDefaultHeaderEndColor;
    int GradientType = 0;  // 0 left to right, 1 side to centre, 2 top to bottom, 3 bottom to centre
    int BackStyle = 0;     // 0 gradient, 1 standard
    int ViewStyle = 0;     // vsNormal, vsBig, vsAdvanced, vsWindows2000, vsWindowsXP
    std::string Background; // a bitmap file; empty: none
};

// What the dialog asks of the frame window and its module windows; the frame window forwards
// each call to the window that is open.
class SetupWindowServices {
public:
    virtual ~SetupWindowServices() = default;
    virtual TColor TargetColor(SetupTarget target) const = 0;
    // The data module's colour or font dialog over the control; font sizes up to maxSize.
    virtual void PickColor(SetupTarget target) = 0;
    virtual void PickFont(SetupTarget target, int maxSize) = 0;
    // The window's own colour and font change of its detail (address book and links).
    virtual void VymenColor(int module) = 0;
    virtual void VymenFont(int module) = 0;
    // The window stores its view settings into the settings store.
    virtual void UlozDoPola(int module) = 0;
    // The frame window's category button (SplitEnableButton).
    virtual void ShowSplitEnableButton(bool on) = 0;
    // The category names dialog (TAddForm), modally.
    virtual void EditCategories() = 0;
    virtual void ApplyEnvelopeFeed(int feed) = 0;
    virtual void SetEnvelopePosition(int position) = 0;
    virtual void SetWeekNumbers(bool on) = 0;
    // The tasks window's first weekday (1 Monday .. 7 Sunday); its page is drawn again.
    virtual void ChangeFirstDay(int day) = 0;
    virtual bool OutlookHasActiveHeader() const = 0;
    virtual void ApplyOutlookLook(const OutlookLook& look) = 0;
    // The frame window's show handler, which opens the seven tables again.
    virtual void FrameFormShow() = 0;
};

// The list of ComboBox4: the standard address fields (messages) and the address table's fields
// from position 31 on.
std::vector<std::string> LinksSourceItems(const std::vector<std::string>& addressFieldNames);
// The field that position of that list stands for: what the list shows.
std::string LinksSourceField(int index, const std::vector<std::string>& items);

class TSetupForm : public TForm {
public:
    TSetupForm(TComponent* owner, FrameState& frame, TDataModule1& data, SetupWindowServices& windows);

    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4, *TabSheet5;
    // Address book.
    TButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button7, *Button6, *Button8;
    TShape *AdrNameShape, *AdrNoteShape, *AdrGridShape;
    TCheckBox* CheckBox1;
    TComboBox* ComboBox1;
    TButton* Button9;
    // Reports.
    TButton *Button10, *Button11;
    TShape* ReportShape;
    TRadioGroup *SetupObRadioGroup, *PolohaRadioGroup;
    TPanel* PrinterPanel;
    TShape* EnvelopeShape;
    // Links.
    TButton *Button14, *Button15, *Button12, *Button13, *Button16, *Button17;
    TShape *LinksNameShape, *LinksGridShape;
    TComboBox* ComboBox4;
    // Scheduling.
    TButton *Button18, *Button19, *Button20, *Button21, *Button22, *Button23, *Button24, *Button25;
    TShape *CalBackShape, *CalTextShape, *CalTitleShape, *CalTitleTextShape, *TaskGridShape, *TaskMemoShape;
    TCheckBox* CheckBox2;
    TComboBox* ComboBox2;
    TEdit* PSpinEdit;
    TUpDown* PSpinUpDown;
    // Global.
    TButton *Button26, *Button27, *Button28, *Button29, *BackButton, *ClearBack;
    TShape *HeaderShape, *HeaderEndShape;
    TComboBox* ComboBox3;
    TRadioGroup *RadioGroup1, *ViewStyle;
    TImage* Image1;
    // Bottom.
    TButton *BitBtn1, *HelpButton;

    void FormCreate(TComponent* sender);
    void FormShow(TComponent* sender);
    void BitBtn1Click(TComponent* sender);
    void CheckBox1Click(TComponent* sender);
    void Button9Click(TComponent* sender);
    void SetupObRadioGroupClick(TComponent* sender);
    void PolohaRadioGroupClick(TComponent* sender);
    void ComboBox4Change(TComponent* sender);
    void CheckBox2Click(TComponent* sender);
    void ComboBox2Change(TComponent* sender);
    void Button28Click(TComponent* sender);
    void Button29Click(TComponent* sender);
    void ComboBox3Change(TComponent* sender);
    void RadioGroup1Click(TComponent* sender);
    void ViewStyleClick(TComponent* sender);
    void BackButtonClick(TComponent* sender);
    void ClearBackClick(TComponent* sender);
    // Global colours: the dialog's own colour dialog.
    void PickHeaderColor(int slot);

    // Makes sure the address table has the category field, rebuilding the file it was opened
    // from under its lock; the frame window then opens the tables again. True when rebuilt.
    bool EnsureCategoryField();

private:
    void ShowSamples();
    void MoveEnvelope();
    OutlookLook Look() const;

    FrameState& frame_;
    TDataModule1& data_;
    SetupWindowServices& windows_;
    std::string background_;
};

} // namespace kvz
