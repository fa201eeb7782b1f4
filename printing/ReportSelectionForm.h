// What the task and link selection windows share: a frameless window filling the report
// window, with its heading, the data source selector, the selection controls, the sample
// pictures of the layouts and the grid of the rows that will print.
#pragma once

#include "controls/KvDBGrid.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "printing/ReportSources.h"

#include <QImage>

class QGridLayout;
class QHBoxLayout;

namespace kvz {

class TDataModule1;

// Offers the task and link selection windows to the report window's data source selector.
void RegisterReportSelectionWindows(TDataModule1& data);

// The sample pictures of the tabs: a page of one-line rows, of blocks with every detail, or
// of link blocks.
enum class TSampleKind { BriefRows, FullBlocks, LinkBlocks };
QImage SamplePicture(TSampleKind kind);

class TReportSelectionForm : public TForm, public ReportSourceWindow {
public:
    // source: the data source item this window stands for (1 tasks, 2 links).
    TReportSelectionForm(TComponent* owner, TWinControl* parent, int source);

    TForm& Form() override { return *this; }

    TPanel* HeadPanel;
    TLabel* KvLabel1;
    TLabel* Label4;
    TLabel* Label3;
    TComboBox* ComboBox1;
    TPageControl* PageControl1;
    TKvDBGrid* Grid;

protected:
    // Adds a tab with the sample picture.
    TTabSheet* AddSampleTab(const char* name, TSampleKind kind);
    // The data source selector's items, with this window's own chosen.
    void FillSources();
    // The page control as wide as its tabs, once they have their captions.
    void FitTabs();
    void ComboBox1Click();

    QGridLayout* Choices; // the selection controls, in two columns
    QHBoxLayout* Buttons;

private:
    int source_;
};

} // namespace kvz
