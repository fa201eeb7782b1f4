// The two task layouts: the brief summary, one line per task, and the full summary, one block
// per task with every detail; and the words the full summary prints for its yes/no and repeat
// fields.
#pragma once

#include "platform/report/ReportLayout.h"

#include <memory>
#include <string>

namespace kvz {

// The brief summary (TReportTasksForm) and the full summary (TTaskReportAll), unbound.
std::unique_ptr<TReportLayout> MakeBriefTaskLayout();
std::unique_ptr<TReportLayout> MakeFullTaskLayout();

// Binds a layout to the task table and its fields and sets its captions in the program's
// language. The full layout's detail turns the remind, repeat, completed and run fields of
// each task into words as it prints.
void BindBriefTaskLayout(TReportLayout& layout, TDataSet& tasks);
void BindFullTaskLayout(TReportLayout& layout, TDataSet& tasks);

// Sets the caption's font to its design size, made smaller (down to 6 points) until the
// caption, measured in the font that prints it, ends a little before `right` (mm).
void FitCaption(TReportLayout& layout, const char* caption, double designSize, double right);

// The words of the full layout, the same in every language.
const char* YesNoWord(bool value);           // remind and run a file
const char* CompletedWord(bool completed);
// The repeat word of RepFreq 0 to 4; nullptr for any other, which leaves the label as it was.
const char* RepeatWord(int repFreq);

} // namespace kvz
