#include "core/FrameImages.h"

#include "forms/FormsTesting.h"

#include <QApplication>
#include <QStyle>

using namespace kvz;

namespace {

class FrameImagesTest : public kvz::testing::FormsTest {};

// The bars' pictures that the style gives are its icons at the list's size, pixel for pixel,
// at each size a list may have: those of the size read alone and those scaled from larger ones.
TEST_F(FrameImagesTest, StylePicturesAreTheStylesIconsAtTheSize) {
    const std::pair<int, QStyle::StandardPixmap> fromStyle[] = {
        {imgFirst, QStyle::SP_MediaSkipBackward},    {imgPrior, QStyle::SP_MediaSeekBackward},
        {imgNext, QStyle::SP_MediaSeekForward},      {imgLast, QStyle::SP_MediaSkipForward},
        {imgPost, QStyle::SP_DialogSaveButton},      {imgCancel, QStyle::SP_DialogCancelButton},
        {imgDelete, QStyle::SP_TrashIcon},           {imgRefresh, QStyle::SP_BrowserReload},
        {imgImport, QStyle::SP_ArrowDown},           {imgExport, QStyle::SP_ArrowUp},
        {imgSaveAs, QStyle::SP_DriveFDIcon},         {imgOpen, QStyle::SP_DialogOpenButton},
        {imgPreview, QStyle::SP_FileDialogContentsView}, {imgMaximise, QStyle::SP_TitleBarMaxButton},
        {imgRestore, QStyle::SP_TitleBarNormalButton}, {imgRunLink, QStyle::SP_MediaPlay},
    };
    for (int size : {16, 24, 32}) {
        TImageList images(size, size), expected(size, size);
        FillToolImages(images);
        ASSERT_EQ(images.Count(), kFrameImageCount);
        for (auto [index, which] : fromStyle) {
            const QImage icon = QApplication::style()->standardIcon(which).pixmap(size, size).toImage();
            expected.AddImage(icon.convertToFormat(QImage::Format_ARGB32_Premultiplied));
            EXPECT_EQ(images.GetImage(index), expected.GetImage(expected.Count() - 1)) << "size " << size << ", picture " << index;
        }
    }
}

} // namespace
