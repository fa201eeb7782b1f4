// The owners dialog: the people who carry out tasks, added, renamed and deleted, each change
// written at once through the shared-table writer (ProjectWrites).
#pragma once

#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "scheduling/ProjectWrites.h"

namespace kvz {

class TDataModule1;
struct FrameState;

class TOwnersForm : public TForm {
public:
    TOwnersForm(TComponent* owner, TDataModule1& data, FrameState& frame);

    void FormShow();
    void ToolButton1Click(); // insert
    void ToolButton2Click(); // edit
    void ToolButton3Click(); // post
    void ToolButton4Click(); // cancel
    void ToolButton5Click(); // delete

    TDBGrid* OwnersGrid;
    TPanel* Panel1;
    TLabel* Label1;
    TEdit* Edit1;
    TToolBar* ToolBar1;
    TToolButton *ToolButton1, *ToolButton2, *ToolButton3, *ToolButton4, *ToolButton5;
    TButton* BitBtn1;

private:
    SharedTableTarget Target() const;
    TImageList images_;
    TDataModule1& data_;
    FrameState& frame_;
};

} // namespace kvz
