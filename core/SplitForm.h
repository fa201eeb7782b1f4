// The address category filter: a small window over the frame window that shows all addresses,
// the work or the private ones, or those of one of the user's five categories.
#pragma once

#include "core/ModuleServices.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <functional>
#include <string>
#include <vector>

namespace kvz {

class TDataSet;

// The values of the address field Split_field for work and private addresses.
inline constexpr const char* kWorkCategory = "work_zirt";
inline constexpr const char* kPrivateCategory = "private_zirt";
// Text settings 20 to 24 name the user's categories.
constexpr int kFirstCategorySetting = 20, kLastCategorySetting = 24;
// Each category item makes the window this much taller.
constexpr int kCategoryItemHeight = 20;

// "All", "Work", "Private" (messages 195 to 197, in the program's language), then each
// category that has a name, in order.
std::vector<std::string> CategoryFilterItems(const SettingsStore& settings);
// The Split_field value that item index shows; empty for "all".
std::string CategoryOfItem(int index, const std::vector<std::string>& items);

class TSplitForm : public TForm {
public:
    TSplitForm(TComponent* owner, FrameState& frame, TDataSet* addressTable);

    TRadioGroup* RadioGroup1;
    TButton* OkButton;
    // The frame window's status bar for the active module.
    std::function<void()> UpdateStatusBar;

    void FormShow(TComponent* sender);
    void OkButtonClick(TComponent* sender);

private:
    FrameState& frame_;
    TDataSet* addressTable_;
    // The choice shown again next time.
    int remembered_ = 0;
};

} // namespace kvz
