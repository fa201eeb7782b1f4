// The names that the dataset framework and the form layer share: notify events, alignment,
// the quiet abort and the screen cursors. Defined once here, below both, so that a window
// that shows data sees one meaning of each.
#pragma once

#include "platform/rtl/Component.h"

#include <exception>
#include <functional>

namespace kvz {

// An event that only says who raised it.
using TNotifyEvent = std::function<void(TComponent* sender)>;

// Text alignment of fields, labels and cells.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The quiet error: it ends an operation on purpose, and the application's handler shows
// nothing for it.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
[[noreturn]] inline void Abort() { throw EAbort(); }

// Screen cursors: the platform's numbers; programs register their own above 0.
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                  crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

} // namespace kvz
