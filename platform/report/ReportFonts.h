// The fonts the layouts name, and the free fonts of the same metrics that stand in for them.
#pragma once

#include <string>
#include <string_view>

namespace kvz {

// The family that paints a layout's font: Arial, Times New Roman and Courier (New) take the
// Liberation fonts of the same widths; Tahoma and MS Sans Serif take DejaVu Sans. Any other
// name stays as it is (the font system then finds the nearest). Without regard to case.
std::string SubstituteFontFamily(std::string_view family);

} // namespace kvz
