// The links window: the current link in four data-aware boxes with its icon, a list of link
// types beside a list of links on one page and a grid of all links on the other; links are
// opened through the desktop and handed to the task editor, and link types are added, renamed
// and deleted. The writes live in LinkWrites, the icons in LinkIcons; this window places the
// controls and calls them.
#pragma once

#include "addressbook/ModuleSearches.h"
#include "controls/KvLookup.h"
#include "core/ModuleServices.h"
#include "links/LinkWrites.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvz {

class TDataModule1;
class TVolgaTable;

class TLinksChildForm : public TForm, public ModuleWindow, public LinksWindowServices, public LinksSearchServices {
public:
    static constexpr int kHelpContext = 47;

    TLinksChildForm(TComponent* owner, TDataModule1& data, FrameState& frame);
    ~TLinksChildForm() override;

    // ---- what the frame window asks ----
    TForm& Form() override { return *this; }
    int Module() const override { return LinksModule; }
    RecordBarState State(const ModuleContext& context) const override;
    void Run(Command command) override;
    std::optional<TableId> RecordTable() const override { return TableId::Links; }
    // The list's selected links, or the grid's marked rows.
    std::vector<std::string> SelectedRecordCodes() const override;
    void TablesChanged() override { PageControl1Change(); }
    void FormShow() override;
    void UlozDoPola() override;
    void VymenColor() override;
    void VymenFont() override;
    ModuleSearch* Search() override { return &search_; }

    // ---- what the data module's filter and the find and filter dialogs ask ----
    std::string TypeComboBoxText() const override;
    bool TreePageShown() const override { return PageControl1->ActivePageIndex() == 0; }
    std::optional<std::string> SelectedTopLevelType() const override;
    void TriedLinks(const std::string& fieldName) override;
    void PageControlChange() override { PageControl1Change(); }

    // ---- the window's operations ----
    void LoadLinkList();
    void SetDataLinks();
    // Opens the current link through the desktop; a path the desktop cannot open is reported.
    void RunLink();
    // A new task that opens the current link, in the task editor.
    void AddToTask();
    void AktualizeData();

    // ---- handlers ----
    void FormCreate();
    void FormClose(TCloseAction& action);
    void FormKeyDown(uint16_t& key);
    void TypeComboBoxClick();
    void TreeView1Click();
    void PageControl1Change();
    void LinksListViewClick();
    void DBGrid1CellClick() { SetDataLinks(); }
    void EditTypeButtonClick();
    void KvDBLookupCombo1Change();
    void NewFileTypePopouClick();
    void EditFileTypePopupClick();
    void DeleteFileTypePopupClick();

    // Opens the task editor for a link (name, path); set by the program.
    std::function<int(const std::string& name, const std::string& path)> OpenTaskEditor;
    // Opens the new-link dialog (the frame window's Insert, and Edit in network mode); set by the program.
    std::function<int()> OpenNewLinkDialog;

    // The icon shown for the current link, and the icon each list row shows (by key).
    const std::string& CurrentIconKey() const { return currentIconKey_; }
    // The list's hint as it was set: the clicked link's name, type and path, one a line.
    std::string ListHintText() const;

    // ---- controls ----
    TLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    TDBEdit *DBEdit1, *DBEdit2, *DBEdit3, *DBEdit4;
    TBevel* Bevel1;
    TImage* Image1;
    TComboBox* TypeComboBox;
    TButton* EditTypeButton;
    TKvDBLookupCombo* KvDBLookupCombo1;
    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2;
    TTreeView* TreeView1;
    TListView* LinksListView;
    TDBGrid* DBGrid1;
    TPopupMenu* PopupMenu1;
    TMenuItem *EditlinksMenuPopup, *DelMenuLinksPopup, *AddToTaskPopup, *RunLinkPopup, *Separator1,
        *EditFileTypePopup, *DeleteFileTypePopup, *NewFileTypePopou;

private:
    TVolgaTable& Links() const;
    LinkTables Tables() const;
    void BuildControls();
    void SetTexts();
    void FillTypeCombo();
    // A box whose colours and font the user sets, with the settings slots they are kept in.
    struct LookPart {
        TControl* control;
        int back, fontColor, size, style, name;
    };
    std::array<LookPart, 3> LookParts() const;
    void ApplyLook();
    void SpreadTypeLook(bool colour, bool font);
    // Asks the link-type dialog; false when it was cancelled. text holds the prefill and the answer.
    bool AskLinkType(std::string& text);
    // The selected type node's key and text; none for "All links" or no selection.
    std::optional<LinkTypeKey> SelectedTypeKey() const;
    void EndEdit();
    void SetFieldsReadOnly(bool on);
    void SetListHint(const std::string& hint);
    // Runs a step that rebuilds the links table's view with the type the filter asks for taken
    // once: the filter asks for each link, and the answer cannot change while the view is built.
    void WithFilterTypeFixed(const std::function<void()>& rebuild);
    // The frame window's progress bar, while the window is made and shown.
    void Progress(int position);

    TDataModule1& data_;
    FrameState& frame_;
    LinksSearch search_;
    bool editing_ = false;
    std::string currentIconKey_;
    // The type rows' keys in the tree's order (node i + 1).
    std::vector<LinkTypeKey> typeKeys_;
    // The record codes of the list's rows.
    std::vector<std::string> listCodes_;
    // The type picked in the tree ("All links": none): it filters the links on both pages.
    std::optional<std::string> treePick_;
    // The filter's answers while a rebuild runs (see WithFilterTypeFixed).
    struct FilterAnswers {
        std::string comboText;
        std::optional<std::string> topLevelType;
    };
    std::optional<FilterAnswers> fixedAnswers_;
};

// A tooltip that shows the text as it stands ("<", "&" and "|" included), line by line.
QString PlainTextToolTip(const std::string& text);

} // namespace kvz
