#include "controls/KvAni.h"

#include "controls/KvGIF.h"
#include "controls/KvGraph.h"
#include "controls/KvImageBytes.h"
#include "controls/KvReduce.h"
#include "platform/forms/Timer.h"
#include "platform/rtl/Files.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

namespace kvz {

// ---- icon ----

TIcon& TIcon::operator=(const TIcon& other) {
    if (this != &other) {
        data_ = other.data_;
        image_ = other.image_;
        Changed();
    }
    return *this;
}

void TIcon::LoadFromStream(std::string_view data) {
    QImage image = QImage::fromData(reinterpret_cast<const uchar*>(data.data()), int(data.size()), "ICO");
    if (image.isNull()) throw EInvalidGraphicOperation("Invalid icon image");
    data_ = std::string(data);
    image_ = std::move(image);
    Changed();
}

void TIcon::SetImage(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "ICO").write(image)) throw EInvalidGraphicOperation("Invalid icon image");
    data_.assign(bytes.constData(), size_t(bytes.size()));
    image_ = image;
    Changed();
}

// ---- frames of an animated cursor ----

void TIconFrame::Assign(const TIconFrame& other) {
    FrameIcon = other.FrameIcon ? std::make_unique<TIcon>(*other.FrameIcon) : nullptr;
    FromIcon = other.FromIcon;
    ChunkTag = other.ChunkTag;
    CursorHotSpot = other.CursorHotSpot;
    RateJiffies = other.RateJiffies;
    SeqIndex = other.SeqIndex;
}

void TAnimatedCursorImage::Clear() {
    frames_.clear();
    AniHeader = {};
    CursorName.clear();
    Artist.clear();
    SourceColors = 0;
}

void TAnimatedCursorImage::LoadFromStream(std::string_view data) {
    Clear();
    try {
        TAniFileRecord file = ReadAnimatedCursor(data);
        std::vector<std::unique_ptr<TIcon>> icons;
        for (const TAniIconResource& resource : file.Icons) {
            SourceColors = std::max(SourceColors, resource.SourceColors);
            auto icon = std::make_unique<TIcon>();
            try {
                icon->LoadFromStream(resource.Data);
            } catch (const EInvalidGraphicOperation&) {
                icon.reset(); // counts as missing
            }
            icons.push_back(std::move(icon));
        }
        for (const TAniFrameRecord& rec : file.Frames) {
            const TIcon* icon = icons[size_t(rec.Icon)].get();
            if (!icon) continue;
            const TAniIconResource& resource = file.Icons[size_t(rec.Icon)];
            auto frame = std::make_unique<TIconFrame>();
            frame->FrameIcon = std::make_unique<TIcon>(*icon);
            frame->FromIcon = resource.FromIcon;
            frame->ChunkTag = resource.ChunkTag;
            frame->CursorHotSpot = resource.FromIcon ? TPoint{icon->Width() / 2, icon->Height() / 2}
                                                     : TPoint{resource.HotSpotX, resource.HotSpotY};
            frame->RateJiffies = rec.RateJiffies;
            frame->SeqIndex = rec.SeqIndex;
            frames_.push_back(std::move(frame));
        }
        AniHeader = file.Header;
        AniHeader.Steps = uint32_t(frames_.size());
        CursorName = file.CursorName;
        Artist = file.Artist;
        if (frames_.empty()) throw EReadError();
    } catch (...) {
        Clear();
        throw;
    }
}

void TAnimatedCursorImage::SaveToStream() { RefuseNotImplemented(); }

void TAnimatedCursorImage::LoadFromFile(const std::filesystem::path& path) {
    try {
        LoadFromStream(ReadWholeFile(path));
    } catch (...) {
        Clear();
        throw;
    }
}

void TAnimatedCursorImage::Assign(const TAnimatedCursorImage& other) {
    if (this == &other) return;
    AniHeader = other.AniHeader;
    CursorName = other.CursorName;
    Artist = other.Artist;
    SourceColors = other.SourceColors;
    frames_.clear();
    for (const auto& f : other.frames_) {
        frames_.push_back(std::make_unique<TIconFrame>());
        frames_.back()->Assign(*f);
    }
}

void TAnimatedCursorImage::AssignTo(TIcon& icon) const {
    if (frames_.empty() || !frames_[0]->FrameIcon) icon = TIcon();
    else icon = *frames_[0]->FrameIcon;
}

void TAnimatedCursorImage::AssignTo(TIconList& list) const {
    list.BeginUpdate();
    list.Clear();
    for (const auto& f : frames_)
        if (f->FrameIcon) list.Add(*f->FrameIcon);
    list.EndUpdate();
}

void TAnimatedCursorImage::AssignTo(TBitmap& bitmap, TColor background) const {
    if (frames_.empty()) {
        bitmap.SetImage(QImage());
        return;
    }
    const int w = frames_[0]->FrameIcon->Width(), h = frames_[0]->FrameIcon->Height();
    QImage strip(w * FrameCount(), h, QImage::Format_RGB32);
    strip.fill(ToQColor(background));
    {
        QPainter painter(&strip);
        for (int i = 0; i < FrameCount(); ++i) painter.drawImage(i * w, 0, frames_[size_t(i)]->FrameIcon->Image());
    }
    bitmap.SetImage(ImageOfBitmapFile(ReduceBitmapToColors(TBitmap(strip), std::max(SourceColors, 16))));
}

void TGIFImage::Assign(const TAnimatedCursorImage& source) {
    Reset();
    BackgroundColor = clWindow;
    for (int i = 0; i < source.FrameCount(); ++i) {
        const TIconFrame& frame = source.Frame(i);
        if (!frame.FrameIcon) continue;
        // The icon's mask becomes a transparent colour that icons hardly use.
        const QImage& icon = frame.FrameIcon->Image();
        QImage image(icon.size(), QImage::Format_RGB32);
        image.fill(ToQColor(clFuchsia));
        {
            QPainter painter(&image);
            painter.drawImage(0, 0, icon);
        }
        TBitmap bitmap(image);
        if (icon.hasAlphaChannel()) {
            bitmap.SetTransparent(true);
            bitmap.SetTransparentColor(clFuchsia);
        }
        Frame(AddFrame(bitmap)).DelayMs = int(frame.RateJiffies * 100 / 6);
    }
    Changed();
}

// ---- icon list ----

TIconList::~TIconList() {
    for (auto& icon : icons_) Release(icon);
}

std::unique_ptr<TIcon> TIconList::Held(const TIcon& icon) {
    auto held = std::make_unique<TIcon>(icon);
    held->OnChange = [this] { NotifyChange(); };
    return held;
}

void TIconList::Release(std::unique_ptr<TIcon>& icon) {
    if (icon) icon->OnChange = nullptr;
    icon.reset();
}

void TIconList::NotifyChange() {
    if (updates_ == 0 && OnChange) OnChange();
}

void TIconList::EndUpdate() {
    if (updates_ > 0 && --updates_ == 0) NotifyChange();
}

void TIconList::SetIcon(int index, const TIcon& icon) {
    if (index == Count()) icons_.emplace_back();
    auto& entry = icons_.at(size_t(index));
    if (!entry) entry = Held(TIcon());
    *entry = icon; // tells the list through the icon's handler
}

int TIconList::Add(const TIcon& icon) {
    icons_.push_back(Held(icon));
    NotifyChange();
    return Count() - 1;
}

void TIconList::Insert(int index, const TIcon& icon) {
    icons_.insert(icons_.begin() + std::clamp(index, 0, Count()), Held(icon));
    NotifyChange();
}

namespace {
TIcon ResourceIcon(std::string_view name) {
    QFile file(":/" + ToQString(name));
    if (!file.open(QIODevice::ReadOnly)) throw EInvalidGraphicOperation("Invalid icon image");
    QByteArray bytes = file.readAll();
    TIcon icon;
    icon.LoadFromStream(std::string_view(bytes.constData(), size_t(bytes.size())));
    return icon;
}
} // namespace

int TIconList::AddFromResource(std::string_view name) { return Add(ResourceIcon(name)); }
void TIconList::InsertFromResource(int index, std::string_view name) { Insert(index, ResourceIcon(name)); }

void TIconList::Clear() {
    BeginUpdate();
    while (Count()) Delete(Count() - 1);
    EndUpdate();
}

void TIconList::Delete(int index) {
    Release(icons_.at(size_t(index)));
    icons_.erase(icons_.begin() + index);
    NotifyChange();
}

void TIconList::Exchange(int a, int b) {
    std::swap(icons_.at(size_t(a)), icons_.at(size_t(b)));
    NotifyChange();
}

void TIconList::Move(int from, int to) {
    if (from == to) return;
    auto icon = std::move(icons_.at(size_t(from)));
    icons_.erase(icons_.begin() + from);
    icons_.insert(icons_.begin() + std::clamp(to, 0, Count()), std::move(icon));
    NotifyChange();
}

int TIconList::IndexOf(const TIcon* icon) const {
    for (int i = 0; i < Count(); ++i)
        if (icons_[size_t(i)].get() == icon) return i;
    return -1;
}

void TIconList::Assign(const TIconList& other) {
    if (this == &other) return;
    BeginUpdate();
    Clear();
    for (const auto& icon : other.icons_) {
        if (icon) Add(*icon);
        else icons_.emplace_back();
    }
    EndUpdate();
}

void TIconList::Assign(const TIcon* icon) {
    BeginUpdate();
    Clear();
    if (icon) Add(*icon);
    EndUpdate();
}

void TIconList::LoadFromStream(std::string_view data) {
    // Every icon is built before the list changes, so a failure leaves it as it was.
    std::vector<std::unique_ptr<TIcon>> loaded;
    for (const std::string& entry : ReadIconListEntries(data)) {
        if (entry.empty()) {
            loaded.emplace_back();
            continue;
        }
        TIcon icon;
        icon.LoadFromStream(entry);
        loaded.push_back(Held(icon));
    }
    BeginUpdate();
    Clear();
    icons_ = std::move(loaded);
    NotifyChange();
    EndUpdate();
}

std::string TIconList::SaveToStream() const {
    std::vector<std::string> entries;
    for (const auto& icon : icons_) entries.push_back(icon && !icon->Empty() ? icon->SaveToStream() : std::string());
    return WriteIconListEntries(entries);
}

bool TIconList::ShouldStore(const TIconList* ancestor) const {
    if (icons_.empty()) return false;
    if (!ancestor || ancestor->Count() != Count()) return true;
    for (int i = 0; i < Count(); ++i)
        if (icons_[size_t(i)].get() != ancestor->icons_[size_t(i)].get()) return true;
    return false;
}

// ---- the application's animated cursor ----

TAnimatedCursor::TAnimatedCursor(TCursor cursor, const TAnimatedCursorImage& image) : cursor_(cursor) {
    for (int i = 0; i < image.FrameCount(); ++i) {
        const TIconFrame& frame = image.Frame(i);
        if (!frame.FrameIcon) continue;
        shapes_.emplace_back(QPixmap::fromImage(frame.FrameIcon->Image()), frame.CursorHotSpot.X, frame.CursorHotSpot.Y);
        uint32_t rate = frame.RateJiffies ? frame.RateJiffies : image.AniHeader.DisplayRate;
        delays_.push_back(std::max(1u, unsigned(rate * 1000 / 60)));
    }
    if (shapes_.empty()) throw EReadError();
    RegisterCursor(cursor_, shapes_[0]);
    timer_ = std::make_unique<TTimer>(nullptr);
    timer_->SetInterval(delays_[0]);
    timer_->OnTimer = [this](TComponent*) { Show((step_ + 1) % int(shapes_.size())); };
}

TAnimatedCursor::~TAnimatedCursor() = default;

void TAnimatedCursor::Show(int step) {
    qint64 before = shapes_[size_t(step_)].pixmap().cacheKey();
    step_ = step;
    const QCursor& shape = shapes_[size_t(step)];
    RegisterCursor(cursor_, shape);
    // Widgets that show the cursor hold a copy of the last frame's shape.
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->testAttribute(Qt::WA_SetCursor) && widget->cursor().shape() == Qt::BitmapCursor &&
            widget->cursor().pixmap().cacheKey() == before)
            widget->setCursor(shape);
    if (const QCursor* override = QApplication::overrideCursor();
        override && override->shape() == Qt::BitmapCursor && override->pixmap().cacheKey() == before)
        QApplication::changeOverrideCursor(shape);
    timer_->SetInterval(delays_[size_t(step)]);
}

} // namespace kvz
