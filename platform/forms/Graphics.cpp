#include "platform/forms/Graphics.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPalette>
#include <QRegularExpression>

#include "platform/rtl/Files.h"

#include <map>
#include <stdexcept>

namespace kvz {

namespace {

QPalette::ColorRole RoleOf(unsigned index, QPalette::ColorGroup& group) {
    group = QPalette::Active;
    switch (index) {
    case 1: case 4: return QPalette::Window;
    case 2: case 13: return QPalette::Highlight;
    case 3: case 12: return QPalette::Mid;
    case 5: return QPalette::Base;
    case 6: case 21: return QPalette::Shadow;
    case 7: case 19: return QPalette::WindowText;
    case 8: return QPalette::Text;
    case 9: case 14: return QPalette::HighlightedText;
    case 16: return QPalette::Dark;
    case 17: group = QPalette::Disabled; return QPalette::Text;
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;
    case 22: return QPalette::Midlight;
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    default: return QPalette::Button; // scroll bar, borders, button face
    }
}


} // namespace

TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000) == clSystemColor) {
        QPalette::ColorGroup group;
        QPalette::ColorRole role = RoleOf(color & 0xFF, group);
        return FromQColor(QApplication::palette().color(group, role));
    }
    return color & 0x00FFFFFF;
}

QColor ToQColor(TColor color) {
    TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

void InflateRect(TRect& r, int dx, int dy) {
    r.Left -= dx;
    r.Top -= dy;
    r.Right += dx;
    r.Bottom += dy;
}
void OffsetRect(TRect& r, int dx, int dy) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
}
TRect UnionRect(const TRect& a, const TRect& b) {
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}
QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
TRect FromQRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

QFont TFont::ToQFont() const {
    QFont font = QApplication::font();
    if (!Name.empty()) font.setFamily(ToQString(Name));
    if (Size > 0) font.setPointSize(Size);
    font.setBold(Style & fsBold);
    font.setItalic(Style & fsItalic);
    font.setUnderline(Style & fsUnderline);
    font.setStrikeOut(Style & fsStrikeOut);
    return font;
}

// ---- canvas ----

TCanvas::TCanvas(QPaintDevice* device) : own_(std::make_unique<QPainter>(device)), painter_(own_.get()) {}

TCanvas::TCanvas(TBitmap& bitmap) : bitmap_(&bitmap) {
    if (bitmap.Image().format() != QImage::Format_RGB32 && bitmap.Image().format() != QImage::Format_ARGB32_Premultiplied)
        bitmap.Image() = bitmap.Image().convertToFormat(QImage::Format_RGB32);
    own_ = std::make_unique<QPainter>(&bitmap.Image());
    painter_ = own_.get();
}

TCanvas::TCanvas(QPainter& painter) : painter_(&painter) {}

TCanvas::~TCanvas() {
    own_.reset();
    if (bitmap_) bitmap_->Changed();
}

void TCanvas::ApplyPen() {
    if (Pen.Style == TPenStyle::psClear) {
        painter_->setPen(Qt::NoPen);
        return;
    }
    QPen pen(ToQColor(Pen.Color));
    pen.setWidth(Pen.Width);
    pen.setStyle(Pen.Style == TPenStyle::psDash ? Qt::DashLine : Pen.Style == TPenStyle::psDot ? Qt::DotLine : Qt::SolidLine);
    painter_->setPen(pen);
}

void TCanvas::ApplyBrush() {
    if (Brush.Style == TBrushStyle::bsClear)
        painter_->setBrush(Qt::NoBrush);
    else if (!Brush.Pattern.isNull())
        painter_->setBrush(QBrush(Brush.Pattern));
    else
        painter_->setBrush(ToQColor(Brush.Color));
}

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.Style == TBrushStyle::bsClear || rect.Width() <= 0 || rect.Height() <= 0) return;
    if (!Brush.Pattern.isNull())
        painter_->fillRect(ToQRect(rect), QBrush(Brush.Pattern));
    else
        painter_->fillRect(ToQRect(rect), ToQColor(Brush.Color));
}

void TCanvas::FrameRect(const TRect& r) {
    if (r.Width() <= 0 || r.Height() <= 0) return;
    QColor c = ToQColor(Brush.Color);
    painter_->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    painter_->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    painter_->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    painter_->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TCanvas::Rectangle(const TRect& r) {
    FillRect(r);
    if (Pen.Style == TPenStyle::psClear) return;
    TBrush saved = Brush;
    Brush.Color = Pen.Color;
    Brush.Pattern = QImage();
    FrameRect(r);
    Brush = saved;
}

void TCanvas::MoveTo(int x, int y) { penPos_ = {x, y}; }

void TCanvas::LineTo(int x, int y) {
    ApplyPen();
    // The end point stays undrawn, as the platform's lines leave it.
    int dx = x - penPos_.X, dy = y - penPos_.Y;
    int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps > 0) {
        if (dx == 0 || dy == 0) {
            int ex = x - (dx > 0) + (dx < 0), ey = y - (dy > 0) + (dy < 0);
            painter_->drawLine(penPos_.X, penPos_.Y, ex, ey);
        } else {
            painter_->drawLine(QPointF(penPos_.X, penPos_.Y), QPointF(x - double(dx) / steps, y - double(dy) / steps));
        }
    }
    penPos_ = {x, y};
}

void TCanvas::SetPixel(int x, int y, TColor color) { painter_->fillRect(QRect(x, y, 1, 1), ToQColor(color)); }

void TCanvas::TextOut(int x, int y, std::string_view text) {
    QFont font = Font.ToQFont();
    painter_->setFont(font);
    QFontMetrics fm(font);
    QString s = ToQString(text);
    if (Brush.Style != TBrushStyle::bsClear)
        painter_->fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), ToQColor(Brush.Color));
    painter_->setPen(ToQColor(Font.Color));
    painter_->drawText(x, y + fm.ascent(), s);
}

int TCanvas::TextWidth(std::string_view text) { return QFontMetrics(Font.ToQFont()).horizontalAdvance(ToQString(text)); }
// One line's height, whatever the text.
int TCanvas::TextHeight(std::string_view) { return QFontMetrics(Font.ToQFont()).height(); }

int TCanvas::DrawText(std::string_view text, TRect& rect, unsigned flags) {
    int qf = 0;
    qf |= (flags & DT_CENTER) ? Qt::AlignHCenter : (flags & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    if (flags & DT_SINGLELINE) {
        qf |= Qt::TextSingleLine;
        qf |= (flags & DT_VCENTER) ? Qt::AlignVCenter : (flags & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
    } else {
        qf |= Qt::AlignTop;
    }
    if (flags & DT_WORDBREAK) qf |= Qt::TextWordWrap;
    if (flags & DT_EXPANDTABS) qf |= Qt::TextExpandTabs;
    if (!(flags & DT_NOPREFIX)) qf |= Qt::TextShowMnemonic;
    if (flags & DT_NOCLIP) qf |= Qt::TextDontClip;
    QFont font = Font.ToQFont();
    QFontMetrics fm(font);
    QString s = ToQString(text);
    if (flags & DT_CALCRECT) {
        QRect bound = (flags & DT_WORDBREAK)
                          ? fm.boundingRect(QRect(rect.Left, rect.Top, std::max(1, rect.Width()), 100000), qf, s)
                          : fm.boundingRect(QRect(rect.Left, rect.Top, 100000, 100000), qf & ~int(Qt::AlignHCenter | Qt::AlignRight), s);
        int h = s.isEmpty() ? 0 : bound.height();
        int w = bound.width();
        if (!(flags & DT_WORDBREAK)) {
            // The advance of the widest line, as TextWidth measures: the ink's box may stand
            // a pixel off it.
            QString shown = s;
            if (!(flags & DT_NOPREFIX)) shown.replace(QRegularExpression("&(.)"), "\\1");
            w = 0;
            for (const QString& line : shown.split('\n')) w = std::max(w, fm.horizontalAdvance(line));
        }
        rect.Right = rect.Left + (s.isEmpty() ? 0 : w);
        rect.Bottom = rect.Top + h;
        return h;
    }
    painter_->setFont(font);
    painter_->setPen(ToQColor(Font.Color));
    if (flags & DT_RTLREADING) painter_->setLayoutDirection(Qt::RightToLeft);
    QRect bound;
    painter_->drawText(ToQRect(rect), qf, s, &bound);
    if (flags & DT_RTLREADING) painter_->setLayoutDirection(Qt::LeftToRight);
    return bound.height();
}

namespace {
// The bitmap's image with its transparent colour cut out.
QImage Cutout(const TBitmap& bitmap) {
    QImage image = bitmap.Image().convertToFormat(QImage::Format_ARGB32);
    if (!bitmap.Transparent()) return image;
    QRgb key = ToQColor(bitmap.TransparentColor()).rgb() & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return image;
}
} // namespace

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    painter_->drawImage(x, y, Cutout(bitmap));
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    painter_->drawImage(ToQRect(rect), Cutout(bitmap));
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect) {
    painter_->drawImage(ToQRect(dest), source.Image(), ToQRect(sourceRect));
}

void TCanvas::DrawFocusRect(const TRect& r) {
    // A dotted frame that shows on any background.
    painter_->save();
    painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QColor white(255, 255, 255);
    for (int x = r.Left; x < r.Right; x += 2) {
        painter_->fillRect(QRect(x, r.Top, 1, 1), white);
        painter_->fillRect(QRect(x, r.Bottom - 1, 1, 1), white);
    }
    for (int y = r.Top + 2; y < r.Bottom - 1; y += 2) {
        painter_->fillRect(QRect(r.Left, y, 1, 1), white);
        painter_->fillRect(QRect(r.Right - 1, y, 1, 1), white);
    }
    painter_->restore();
}

// ---- bitmap ----

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::TBitmap(QImage image) : image_(std::move(image)) {}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other) {
        image_ = other.image_;
        monochrome_ = other.monochrome_;
        transparent_ = other.transparent_;
        transparentColor_ = other.transparentColor_;
        Changed();
    }
    return *this;
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == Width() && height == Height()) return;
    QImage next(width, height, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = next;
    Changed();
}

void TBitmap::SetImage(QImage image) {
    image_ = std::move(image);
    Changed();
}

TColor TBitmap::Pixel(int x, int y) const {
    if (!image_.valid(x, y)) return clNone;
    return FromQColor(image_.pixelColor(x, y));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (!image_.valid(x, y)) return;
    if (image_.format() != QImage::Format_RGB32 && image_.format() != QImage::Format_ARGB32)
        image_ = image_.convertToFormat(QImage::Format_RGB32);
    image_.setPixelColor(x, y, ToQColor(color));
}

void TBitmap::SetMonochrome(bool on) {
    if (on == monochrome_) return;
    monochrome_ = on;
    if (on && !image_.isNull()) {
        // Anything not white turns black.
        for (int y = 0; y < image_.height(); ++y)
            for (int x = 0; x < image_.width(); ++x)
                image_.setPixelColor(x, y, (image_.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? Qt::white : Qt::black);
    }
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (transparentColor_ != clDefault) return transparentColor_;
    if (monochrome_) return clWhite;
    if (Empty()) return clDefault;
    return Pixel(0, Height() - 1);
}

void TBitmap::LoadFromFile(const std::filesystem::path& path) {
    QImage image;
    if (!image.load(QString::fromStdString(path.string())))
        throw std::runtime_error("Cannot read the picture " + path.string());
    SetImage(image.convertToFormat(QImage::Format_RGB32));
}

void TBitmap::SaveToFile(const std::filesystem::path& path) const {
    if (!image_.save(QString::fromStdString(path.string())))
        throw std::runtime_error("Cannot write the picture " + path.string());
}

// ---- image list ----

QImage TImageList::Prepare(const TBitmap& image, const TBitmap* mask, const TColor* maskColor) const {
    QImage out(width_, height_, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QImage src = image.Image().convertToFormat(QImage::Format_ARGB32);
    QRgb key = maskColor ? (ToQColor(*maskColor).rgb() & 0xFFFFFF) : 0;
    for (int y = 0; y < std::min(height_, src.height()); ++y)
        for (int x = 0; x < std::min(width_, src.width()); ++x) {
            QRgb px = src.pixel(x, y) | 0xFF000000;
            bool clear = maskColor ? (px & 0xFFFFFF) == key
                                   : (mask && mask->Image().valid(x, y) && (mask->Image().pixel(x, y) & 0xFFFFFF) == 0xFFFFFF);
            out.setPixel(x, y, clear ? 0 : px);
        }
    return out;
}

int TImageList::Add(const TBitmap& image, const TBitmap* mask) {
    images_.push_back(Prepare(image, mask, nullptr));
    return Count() - 1;
}

int TImageList::AddMasked(const TBitmap& image, TColor maskColor) {
    images_.push_back(Prepare(image, nullptr, &maskColor));
    return Count() - 1;
}

void TImageList::Replace(int index, const TBitmap& image, const TBitmap* mask) {
    images_.at(size_t(index)) = Prepare(image, mask, nullptr);
}

void TImageList::ReplaceMasked(int index, const TBitmap& image, TColor maskColor) {
    images_.at(size_t(index)) = Prepare(image, nullptr, &maskColor);
}

int TImageList::AddImage(const QImage& image) {
    images_.push_back(image.convertToFormat(QImage::Format_ARGB32).copy(0, 0, width_, height_));
    return Count() - 1;
}

void TImageList::ReplaceImage(int index, const QImage& image) {
    images_.at(size_t(index)) = image.convertToFormat(QImage::Format_ARGB32).copy(0, 0, width_, height_);
}

void TImageList::Delete(int index) { images_.erase(images_.begin() + index); }

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) const {
    if (index < 0 || index >= Count()) return;
    canvas.Painter().drawImage(x, y, images_[size_t(index)]);
}

// ---- picture classes ----

namespace {
struct GraphicClass {
    std::string description;
    TGraphicFactory create;
};
std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}
std::map<std::string, GraphicClass>& GraphicClasses() {
    static std::map<std::string, GraphicClass> classes;
    return classes;
}
} // namespace

void TGraphic::LoadFromFile(const std::filesystem::path& path) { LoadFromStream(ReadWholeFile(path)); }

void TGraphic::SaveToFile(const std::filesystem::path& path) { WriteFileDurably(path, SaveToStream()); }

void RegisterFileFormat(std::string_view extension, std::string_view description, TGraphicFactory create) {
    GraphicClasses()[LowerAscii(extension)] = {std::string(description), std::move(create)};
}

void UnregisterFileFormat(std::string_view extension) { GraphicClasses().erase(LowerAscii(extension)); }

std::unique_ptr<TGraphic> GraphicForFile(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    if (!ext.empty()) ext.erase(0, 1);
    auto it = GraphicClasses().find(LowerAscii(ext));
    return it == GraphicClasses().end() ? nullptr : it->second.create();
}

std::string GraphicFileFilter() {
    std::string filter;
    for (const auto& [ext, kind] : GraphicClasses()) {
        if (!filter.empty()) filter += ";;";
        filter += kind.description + " (*." + ext + ")";
    }
    return filter;
}

} // namespace kvz
