// Captions and hints of windows in the three languages of the program, as data.
#pragma once

#include <cstddef>

namespace kvz {

enum class TCaptionKind { Caption, Hint };

// One text of one component of a form (an empty component name is the window itself), in
// English, Slovak and Czech. UTF-8.
struct TCaptionRow {
    const char* Form;
    const char* Component;
    TCaptionKind Kind;
    const char* Text[3];
};

extern const TCaptionRow kCaptionTable[];
extern const size_t kCaptionCount;

} // namespace kvz
