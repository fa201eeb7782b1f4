// The detail balloon: a borderless window in the shape of a speech balloon beside the clicked
// task cell, listing every task of that day, one panel per task in a scroll box that shows one
// at a time, with edit, delete and pay for the task in view. Its panels are built when it opens
// from a copy of the task table; a task deleted from here keeps its panel, disabled.
#pragma once

#include "controls/KVCtrls.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "scheduling/InfoRules.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kvz {

class TDataModule1;
class TKvMemoryData;
struct FrameState;

class TInfoForm : public TForm {
public:
    // The balloon over the tasks of the clicked task's day, its tail at the corner given.
    TInfoForm(TComponent* owner, TDataModule1& data, FrameState& frame, const std::string& clickedKey, int orientation);
    ~TInfoForm() override;

    void FormCreate();
    void CreateView();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    void SpeedButton2Click(); // edit
    void SpeedButton1Click(); // delete
    void SpeedButton3Click(); // pay
    void BitBtn1Click();      // OK

    int InfoCount() const { return infoCount_; }
    // The panel in view, 1-based.
    int InfoIndex() const { return infoIndex_; }
    const InfoOutline& Outline() const { return outline_; }
    // The key of the task whose panel is in view ("Info" label of the panel).
    std::string KeyInView() const;
    // A panel whose task was deleted, or is gone from the table: disabled, its buttons do nothing.
    bool PanelGone(int n) const;
    // A label of panel n by its name without the number ("VLabel3_", "Info").
    TLabel* PanelLabel(int n, const std::string& prefix) const;

    // The task editor on the task table's current task (the scheduling window opens it).
    std::function<void()> EditTask;
    // The task table changed under the window (after a delete).
    std::function<void()> TasksChanged;
    // Pays the task in view (its address and type); without it the frame window's pay runs.
    std::function<void(const std::string& path, const std::string& taskType)> Pay;

    TPaintBox* Outline1;
    TScrollBox* ScrollBox1;
    TPanel* Panel1;
    TBevel* Bevel1;
    TKvSpeedButton* SpeedButton2;
    TKvSpeedButton* SpeedButton1;
    TKvSpeedButton* SpeedButton3;
    TUpDown* SpinButton1;
    TBevel* Bevel2;
    TLabel* Label1;
    TButton* BitBtn1;

private:
    void BuildControls();
    void BuildPanel(int n);
    void ScrollToIndex();
    void ShowButtonsForPanel();
    // Makes the task of the panel in view current in the task table; false (and the panel
    // disabled) when it is gone.
    bool LocateTaskInView();
    void MarkGone(int n);
    void FormPaint();

    TDataModule1& data_;
    FrameState& frame_;
    std::string clickedKey_;
    int orientation_;
    InfoOutline outline_{};
    std::unique_ptr<TKvMemoryData> infoTable_;
    int infoCount_ = 0, infoIndex_ = 1;
    std::vector<TPanel*> panels_;
    std::set<int> gone_;
};

} // namespace kvz
