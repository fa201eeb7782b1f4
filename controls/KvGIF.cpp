#include "controls/KvGIF.h"

#include "controls/KvGraph.h"
#include "controls/KvImageBytes.h"
#include "controls/KvReduce.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <algorithm>

namespace kvz {

namespace {

// A frame's colours as a palette of the depth its bits give: 2, 16 or 256 entries, those past
// the table grey.
QList<QRgb> PaletteOf(const TGIFColorTable& table, int entries) {
    QList<QRgb> palette;
    for (int i = 0; i < entries; ++i) {
        if (i < table.Count) {
            TColor c = table.Color(i);
            palette.push_back(qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        } else {
            palette.push_back(qRgb(128, 128, 128));
        }
    }
    return palette;
}

} // namespace

// ---- frame ----

const TBitmap* TGIFFrame::Bitmap() {
    if (!bitmap_ && Item && !Item->EncodedData.empty()) Decode();
    return bitmap_ ? &*bitmap_ : nullptr;
}

int TGIFFrame::Width() const { return Item ? Item->FrameWidth : bitmap_ ? bitmap_->Width() : 0; }
int TGIFFrame::Height() const { return Item ? Item->FrameHeight : bitmap_ ? bitmap_->Height() : 0; }

std::vector<std::string>& TGIFFrame::Comment() {
    for (TExtension& ext : Extensions)
        if (ext.ExtKind == ekComment) return ext.Lines;
    Extensions.push_back({ekComment, {}, {}});
    return Extensions.back().Lines;
}

void TGIFFrame::Decode() {
    const TGIFItem& item = *Item;
    int bits = item.BitsPerPixel;
    if (bits < 1 || bits > 8) throw EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");
    owner_->Progress(TProgressStage::psStarting, 0);
    try {
        std::vector<uint8_t> indices = DecodeGifPixels(item, Interlaced, Corrupted, [this](int percent) {
            owner_->Progress(TProgressStage::psRunning, percent);
        });
        const int w = item.FrameWidth, h = item.FrameHeight;
        QImage image;
        if (bits == 1) {
            image = QImage(w, h, QImage::Format_Mono);
            image.setColorTable(PaletteOf(item.FrameColors, 2));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) image.setPixel(x, y, indices[size_t(y) * size_t(w) + size_t(x)]);
        } else {
            image = QImage(w, h, QImage::Format_Indexed8);
            image.setColorTable(PaletteOf(item.FrameColors, bits <= 4 ? 16 : 256));
            for (int y = 0; y < h; ++y)
                std::copy_n(indices.begin() + std::ptrdiff_t(size_t(y) * size_t(w)), w, image.scanLine(y));
        }
        if (image.isNull()) throw EReadError();
        bitmap_.emplace(std::move(image));
    } catch (const std::exception& e) {
        owner_->Progress(TProgressStage::psEnding, 0, e.what());
        throw;
    }
    owner_->Progress(TProgressStage::psEnding, 100);
}

void TGIFFrame::Encode() {
    if (!bitmap_ || bitmap_->Empty()) throw EInvalidGraphicOperation("No GIF Data to write");
    owner_->Progress(TProgressStage::psStarting, 0);
    QImage image = bitmap_->Image();
    TPixelFormat format = PixelFormatOf(image);
    keptIndex_ = -1;
    if (format != pf1bit && format != pf4bit && format != pf8bit) {
        // Other depths come down to 256 colours; the transparent colour keeps an entry of its own.
        TKeepColor keep{TransparentColor};
        image = ImageOfBitmapFile(ReduceBitmap(*bitmap_, pf8bit, crHistogram, &keep));
        keptIndex_ = keep.Index;
    }
    if (image.format() != QImage::Format_Indexed8) image = image.convertToFormat(QImage::Format_Indexed8);
    if (image.isNull() || image.colorCount() < 1 || image.colorCount() > 256)
        throw EInvalidGraphicOperation("GIF image encoding error");
    auto item = std::make_shared<TGIFItem>();
    for (QRgb c : image.colorTable()) item->FrameColors.Add(RGB(qRed(c), qGreen(c), qBlue(c)));
    item->BitsPerPixel = GifBitsFor(item->FrameColors.Count);
    item->FrameWidth = image.width();
    item->FrameHeight = image.height();
    std::vector<uint8_t> indices(size_t(image.width()) * size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.constScanLine(y), image.width(), indices.begin() + std::ptrdiff_t(size_t(y) * size_t(image.width())));
    item->EncodedData = EncodeGifPixels(indices.data(), indices.size(), item->BitsPerPixel);
    Interlaced = false;
    Item = item;
    auto data = owner_->Data();
    if (data->GlobalColors.Count == 0) {
        data->GlobalColors = item->FrameColors;
        data->BitsPerPixel = item->BitsPerPixel;
        LocalColors = false;
    } else {
        LocalColors = true;
    }
    owner_->UpdateScreenSize();
    owner_->Progress(TProgressStage::psEnding, 100);
}

void TGIFFrame::Assign(const TGIFFrame& source) {
    Item = source.Item;
    bitmap_ = source.bitmap_;
    FrameLeft = source.FrameLeft, FrameTop = source.FrameTop;
    Interlaced = source.Interlaced, Corrupted = source.Corrupted;
    TransparentColor = source.TransparentColor;
    DelayMs = source.DelayMs, Disposal = source.Disposal;
    LocalColors = source.LocalColors;
    Extensions = source.Extensions;
    keptIndex_ = source.keptIndex_;
}

void TGIFFrame::Assign(const TBitmap& graphic) {
    Item.reset();
    bitmap_.reset();
    keptIndex_ = -1;
    TransparentColor = clNone;
    if (!graphic.Empty()) {
        bitmap_.emplace(graphic.Image());
        if (graphic.Transparent()) TransparentColor = ColorToRGB(graphic.TransparentColor());
    }
    owner_->UpdateScreenSize();
}

void TGIFFrame::AssignTo(TBitmap& target) {
    const TBitmap* bitmap = Bitmap();
    target.SetImage(bitmap ? bitmap->Image() : QImage());
    target.SetTransparent(TransparentColor != clNone);
    if (TransparentColor != clNone) target.SetTransparentColor(TransparentColor);
}

// ---- image ----

TGIFImage::TGIFImage() { Reset(); }
TGIFImage::~TGIFImage() = default;

void TGIFImage::Reset() {
    data_ = std::make_shared<TGIFData>();
    frames_.clear();
    FrameIndex = -1;
    BackgroundColor = clNone;
    backgroundIndex_ = -1;
    loopAt_ = -1;
    Looping = false;
    LoopCount = 1;
    Version = gvUnknown;
    ScreenWidth = ScreenHeight = 0;
}

void TGIFImage::Changed() {
    if (OnChange) OnChange();
}

void TGIFImage::Progress(TProgressStage stage, int percent, const std::string& message) {
    if (OnProgress) OnProgress(stage, percent, message);
}

void TGIFImage::LoadFromStream(std::string_view data) { Load(data, true); }

void TGIFImage::Load(std::string_view data, bool decodeFirst) {
    Reset();
    TGIFFileRecord file = ReadGif(data);
    data_ = file.Data;
    ScreenWidth = file.ScreenWidth, ScreenHeight = file.ScreenHeight;
    Looping = file.Looping, LoopCount = file.LoopCount, Version = file.Version;
    backgroundIndex_ = file.BackgroundIndex;
    loopAt_ = file.LoopAt;
    if (backgroundIndex_ >= 0) BackgroundColor = data_->GlobalColors.Color(backgroundIndex_);
    for (TGIFFrameRecord& rec : file.Frames) {
        auto frame = std::make_unique<TGIFFrame>(this);
        frame->Item = rec.Item;
        frame->FrameLeft = rec.FrameLeft, frame->FrameTop = rec.FrameTop;
        frame->Interlaced = rec.Interlaced, frame->Corrupted = rec.Corrupted, frame->LocalColors = rec.LocalColors;
        frame->DelayMs = rec.DelayMs, frame->Disposal = rec.Disposal;
        frame->Extensions = std::move(rec.Extensions);
        frame->keptIndex_ = rec.TransparentIndex;
        if (rec.TransparentIndex >= 0) frame->TransparentColor = rec.Item->FrameColors.Color(rec.TransparentIndex);
        frames_.push_back(std::move(frame));
    }
    if (!frames_.empty()) FrameIndex = 0;
    if (decodeFirst && !frames_.empty()) {
        try {
            frames_[0]->Bitmap();
        } catch (...) {
            frames_.erase(frames_.begin());
            FrameIndex = frames_.empty() ? -1 : 0;
            throw;
        }
    }
    Changed();
}

std::string TGIFImage::SaveToStream() {
    if (frames_.empty()) throw EInvalidGraphicOperation("No GIF Data to write");
    for (auto& frame : frames_)
        if (!frame->Item || frame->Item->EncodedData.empty()) frame->Encode();
    TGIFFileRecord file;
    file.Data = data_;
    file.ScreenWidth = ScreenWidth, file.ScreenHeight = ScreenHeight;
    file.Looping = Looping, file.LoopCount = LoopCount, file.Version = Version;
    file.LoopAt = loopAt_;
    const TGIFColorTable& global = data_->GlobalColors;
    TColor background = BackgroundColor == clNone ? clNone : ColorToRGB(BackgroundColor);
    file.BackgroundIndex = background == clNone ? -1
                           : backgroundIndex_ >= 0 && backgroundIndex_ < global.Count &&
                                   global.Color(backgroundIndex_) == background
                               ? backgroundIndex_
                               : global.IndexOf(background);
    for (auto& frame : frames_) {
        TGIFFrameRecord rec;
        rec.Item = frame->Item;
        rec.FrameLeft = frame->FrameLeft, rec.FrameTop = frame->FrameTop;
        rec.Interlaced = frame->Interlaced, rec.Corrupted = frame->Corrupted, rec.LocalColors = frame->LocalColors;
        rec.DelayMs = frame->DelayMs, rec.Disposal = frame->Disposal;
        rec.Extensions = frame->Extensions;
        if (frame->TransparentColor != clNone) {
            const TGIFColorTable& colors = frame->Item->FrameColors;
            TColor wanted = ColorToRGB(frame->TransparentColor);
            int kept = frame->keptIndex_;
            rec.TransparentIndex = kept >= 0 && kept < colors.Count && colors.Color(kept) == wanted ? kept
                                                                                                  : colors.IndexOf(wanted);
        }
        file.Frames.push_back(std::move(rec));
    }
    std::string out = WriteGif(file);
    for (size_t i = 0; i < frames_.size(); ++i) frames_[i]->Extensions = std::move(file.Frames[i].Extensions);
    Version = file.Version;
    ScreenWidth = file.ScreenWidth, ScreenHeight = file.ScreenHeight;
    return out;
}

size_t TGIFImage::ReadData(std::string_view data) {
    TByteReader in(data);
    uint32_t size = in.Long();
    LoadFromStream(in.Bytes(size));
    return 4 + size_t(size);
}

std::string TGIFImage::WriteData() {
    std::string gif = SaveToStream();
    std::string out;
    PutLong(out, uint32_t(gif.size()));
    return out + gif;
}

void TGIFImage::SaveToClipboard() {
    auto* mime = new QMimeData;
    if (!frames_.empty())
        if (const TBitmap* first = frames_[0]->Bitmap()) mime->setImageData(first->Image());
    bool encoded = !frames_.empty() && std::all_of(frames_.begin(), frames_.end(), [](const auto& f) {
        return f->Item && !f->Item->EncodedData.empty();
    });
    if (encoded) {
        std::string data = WriteData();
        mime->setData(GIFClipboardFormat, QByteArray(data.data(), qsizetype(data.size())));
    }
    QApplication::clipboard()->setMimeData(mime);
}

void TGIFImage::LoadFromClipboard() {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime) return;
    if (mime->hasFormat(GIFClipboardFormat)) {
        QByteArray data = mime->data(GIFClipboardFormat);
        TByteReader in(std::string_view(data.constData(), size_t(data.size())));
        std::string_view gif = in.Bytes(in.Long());
        // Read without decoding: the clipboard's bitmap, when there is one, stands for frame 0.
        Load(gif, false);
        if (mime->hasImage() && !frames_.empty())
            frames_[0]->bitmap_.emplace(qvariant_cast<QImage>(mime->imageData()));
    } else if (mime->hasImage()) {
        Assign(TBitmap(qvariant_cast<QImage>(mime->imageData())));
    }
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
    if (FrameIndex < 0 || FrameIndex >= FrameCount()) return;
    TGIFFrame& frame = *frames_[size_t(FrameIndex)];
    const TBitmap* bitmap = frame.Bitmap();
    if (!bitmap) return;
    if (frame.TransparentColor != clNone && transparent_)
        DrawBitmapRectMasked(canvas, rect, *bitmap, TRect{}, frame.TransparentColor);
    else
        canvas.StretchDraw(rect, *bitmap);
}

bool TGIFImage::Empty() const {
    if (frames_.empty()) return true;
    const TGIFFrame& frame = *frames_[size_t(std::max(0, FrameIndex))];
    return !frame.bitmap_ && !(frame.Item && !frame.Item->EncodedData.empty());
}

int TGIFImage::Width() const {
    return FrameIndex >= 0 && FrameIndex < FrameCount() ? frames_[size_t(FrameIndex)]->Width() : 0;
}
int TGIFImage::Height() const {
    return FrameIndex >= 0 && FrameIndex < FrameCount() ? frames_[size_t(FrameIndex)]->Height() : 0;
}
void TGIFImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the Size of a GIF image"); }
void TGIFImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the Size of a GIF image"); }

bool TGIFImage::Transparent() const {
    return transparent_ &&
           std::any_of(frames_.begin(), frames_.end(), [](const auto& f) { return f->TransparentColor != clNone; });
}

std::vector<TColor> TGIFImage::Palette() {
    std::vector<TColor> palette;
    if (FrameIndex < 0 || FrameIndex >= FrameCount()) return palette;
    if (const TBitmap* bitmap = frames_[size_t(FrameIndex)]->Bitmap())
        for (QRgb c : bitmap->Image().colorTable()) palette.push_back(RGB(qRed(c), qGreen(c), qBlue(c)));
    return palette;
}

int TGIFImage::AddFrame(const TBitmap& graphic) {
    auto frame = std::make_unique<TGIFFrame>(this);
    frames_.push_back(std::move(frame));
    frames_.back()->Assign(graphic);
    FrameIndex = FrameCount() - 1;
    if (Version == gvUnknown) Version = gv87a;
    if (FrameCount() >= 2) Version = gv89a;
    Changed();
    return FrameIndex;
}

void TGIFImage::UpdateScreenSize() {
    for (const auto& frame : frames_) {
        ScreenWidth = std::max(ScreenWidth, frame->FrameLeft + frame->Width());
        ScreenHeight = std::max(ScreenHeight, frame->FrameTop + frame->Height());
    }
}

void TGIFImage::Assign(const TGIFImage& source) {
    if (&source == this) return;
    data_ = source.data_;
    Version = source.Version;
    BackgroundColor = source.BackgroundColor;
    backgroundIndex_ = source.backgroundIndex_;
    loopAt_ = source.loopAt_;
    Looping = source.Looping, LoopCount = source.LoopCount;
    frames_.clear();
    for (const auto& f : source.frames_) {
        frames_.push_back(std::make_unique<TGIFFrame>(this));
        frames_.back()->Assign(*f);
    }
    ScreenWidth = source.ScreenWidth, ScreenHeight = source.ScreenHeight;
    FrameIndex = source.FrameIndex;
    Changed();
}

void TGIFImage::Assign(const TGIFFrame& source) {
    auto data = std::make_shared<TGIFData>();
    if (source.Owner()) {
        const TGIFData& from = *source.Owner()->Data();
        data->AspectRatio = from.AspectRatio;
        data->BitsPerPixel = from.BitsPerPixel;
        data->ColorResBits = from.ColorResBits;
        data->GlobalColors = from.GlobalColors;
    }
    Reset();
    data_ = data;
    frames_.push_back(std::make_unique<TGIFFrame>(this));
    frames_.back()->Assign(source);
    FrameIndex = 0;
    Version = source.Owner() ? std::max(gv87a, source.Owner()->Version) : gv87a;
    UpdateScreenSize();
    Changed();
}

void TGIFImage::Assign(const TBitmap& source) {
    Reset();
    AddFrame(source);
}

void TGIFImage::AssignTo(TBitmap& target) {
    if (Empty()) return;
    frames_[size_t(FrameIndex >= 0 ? FrameIndex : 0)]->AssignTo(target);
}

void RegisterGIFImage() {
    RegisterFileFormat("gif", "CompuServe GIF Image", [] { return std::make_unique<TGIFImage>(); });
}

void UnregisterGIFImage() { UnregisterFileFormat("gif"); }

} // namespace kvz
