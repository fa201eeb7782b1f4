// The pictures of user-defined picture fields: how a picture is kept in its table field, and
// the window's commands that paste, copy, cut and load them (TAdresyChildForm's own, defined
// in UserPictures.cpp).
#pragma once

#include <QImage>

#include <string>
#include <string_view>

namespace kvz {

// The bytes a picture field keeps: the picture as a Windows bitmap file; empty for no picture.
std::string PictureFieldBytes(const QImage& picture);
// The picture of a field's bytes; a null image when they hold none. The 8-byte header that
// older writers put before a bitmap (count 1, type 0x0100, size of the rest) is skipped.
QImage PictureOfFieldBytes(std::string_view bytes);

} // namespace kvz
