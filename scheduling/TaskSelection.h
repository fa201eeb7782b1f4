// Choosing several task cells of the week and month grids for one common edit: dragging over
// them with the left button held, or moving with Shift and an arrow key. The window shows what
// the selection says; the task editor reads the keys and the window's Tag.
#pragma once

#include "platform/rtl/DateTime.h"

#include <string>
#include <vector>

namespace kvz {

class TDataSet;

// The last key when no cell was added since the mouse went up (shorter than any key).
inline constexpr const char* kNoLastSelectedKey = "Older";

// What the window shows after a step.
enum class SelectionShow {
    Nothing,  // as it was
    TaskFor,  // the date labels, "Task for : "
    Range,    // "Edit tasks for : " first date .. last date, the date labels hidden
};

class TaskSelection {
public:
    // The left button went down in the grid: a new selection starts.
    SelectionShow MouseDown();
    // The pointer is over the cell with the key while the button is held (empty: no task).
    SelectionShow MouseMove(const std::string& key);
    void MouseUp();
    // A key was pressed in the grid on the cell with the key, before the key moves the grid.
    SelectionShow KeyDown(bool shift, const std::string& key);
    // The task editor closed.
    void Clear();

    const std::vector<std::string>& Keys() const { return keys_; }
    // 1 when the task editor is to edit the chosen tasks together.
    int Tag() const { return tag_; }
    bool Selecting() const { return selecting_; }
    const std::string& LastSelectedKey() const { return last_; }

private:
    std::vector<std::string> keys_;
    std::string last_ = kNoLastSelectedKey;
    bool selecting_ = false;
    int tag_ = 0;
};

// A chosen task as the task table holds it.
struct ChosenTask {
    std::string Key;
    TDateTime Day = 0;
    std::string Time;
    std::string Text;
};

// The keys of the chosen tasks, earliest day first, when together they are one repeated
// series: one task a day on days that follow each other, all with the same time and text, in
// whatever order they were chosen. Otherwise none: tasks that only happen to be chosen together
// are each changed on their own day, never merged into one series.
std::vector<std::string> SeriesOfChosen(std::vector<ChosenTask> tasks);

// The same read from the task table; keys with no task are no series. The table's current
// task stays current.
std::vector<std::string> SeriesOfChosen(TDataSet& tasks, const std::vector<std::string>& keys);

// The keys in their order, each once (the first time it comes); empty keys dropped.
std::vector<std::string> DistinctKeys(std::vector<std::string> keys);

// "Edit tasks for : 01.02.2025 .. 03.02.2025 " in the language.
std::string SelectionRangeText(const std::string& firstDate, const std::string& lastDate, int language);

} // namespace kvz
