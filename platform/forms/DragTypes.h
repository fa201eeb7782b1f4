// The drag kinds a drag source offers or a drop target accepts, as a set of bits. Free of Qt, so
// that readers of dropped data can be built and fuzzed without it.
#pragma once

#include <initializer_list>

namespace kvz {

enum class TDragType : unsigned { dtCopy = 1, dtMove = 2, dtLink = 4 };
using TDragTypes = unsigned; // an or of TDragType values
constexpr TDragTypes DragTypes(std::initializer_list<TDragType> types) {
    TDragTypes set = 0;
    for (TDragType t : types) set |= static_cast<unsigned>(t);
    return set;
}
inline constexpr TDragTypes dtCopyBit = 1u, dtMoveBit = 2u, dtLinkBit = 4u;

} // namespace kvz
