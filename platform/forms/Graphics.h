// Colours, fonts, pens, brushes, the canvas over QPainter, bitmaps over QImage and image lists.
// Colours keep the stored form 0x00BBGGRR; 0x800000nn is system colour nn, taken from the
// application palette when drawn.
#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QFont;
class QColor;

namespace kvz {

// Text crosses into Qt here: UTF-8 on our side.
inline QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

using TColor = uint32_t;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = 0x80000000, clBackground = 0x80000001, clActiveCaption = 0x80000002,
                 clInactiveCaption = 0x80000003, clMenu = 0x80000004, clWindow = 0x80000005,
                 clWindowFrame = 0x80000006, clMenuText = 0x80000007, clWindowText = 0x80000008,
                 clCaptionText = 0x80000009, clActiveBorder = 0x8000000A, clInactiveBorder = 0x8000000B,
                 clAppWorkSpace = 0x8000000C, clHighlight = 0x8000000D, clHighlightText = 0x8000000E,
                 clBtnFace = 0x8000000F, clBtnShadow = 0x80000010, clGrayText = 0x80000011,
                 clBtnText = 0x80000012, clInactiveCaptionText = 0x80000013, clBtnHighlight = 0x80000014,
                 cl3DDkShadow = 0x80000015, cl3DLight = 0x80000016, clInfoText = 0x80000017,
                 clInfoBk = 0x80000018;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

// The plain 0x00BBGGRR value; system colours come from the application palette.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
inline constexpr TColor RGB(int r, int g, int b) {
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
inline constexpr int GetRValue(TColor c) { return int(c & 0xFF); }
inline constexpr int GetGValue(TColor c) { return int((c >> 8) & 0xFF); }
inline constexpr int GetBValue(TColor c) { return int((c >> 16) & 0xFF); }

// Right and bottom are outside, as the platform counts them.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect&) const = default;
};
struct TPoint {
    int X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};
inline TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
void InflateRect(TRect& rect, int dx, int dy);
void OffsetRect(TRect& rect, int dx, int dy);
TRect UnionRect(const TRect& a, const TRect& b);
QRect ToQRect(const TRect& rect);
TRect FromQRect(const QRect& rect);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TFont {
    std::string Name;     // empty: the application's font family
    int Size = 0;         // points; 0: the desktop's size
    TColor Color = clWindowText;
    unsigned Style = 0;   // TFontStyle bits
    QFont ToQFont() const;
    bool operator==(const TFont&) const = default;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear };
struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
};

enum class TBrushStyle { bsSolid, bsClear };
struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
    // A pattern image that tiles the fill in place of the colour (a dither of two colours).
    QImage Pattern;
};

// Text flags of DrawText.
constexpr unsigned DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8,
                   DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100,
                   DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_RTLREADING = 0x20000;

class TBitmap;

// Drawing on a widget, a bitmap or any paint device. Pen, Brush and Font are read at each call.
class TCanvas {
public:
    explicit TCanvas(QPaintDevice* device);
    // Paints into the bitmap; the bitmap hears of the change when the canvas goes.
    explicit TCanvas(TBitmap& bitmap);
    // Borrows a painter that is already drawing.
    explicit TCanvas(QPainter& painter);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;

    void FillRect(const TRect& rect);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& rect);
    void Rectangle(const TRect& rect);
    void MoveTo(int x, int y);
    // Draws up to, not including, the end point.
    void LineTo(int x, int y);
    void SetPixel(int x, int y, TColor color);
    // The text at (x, y) as its top-left corner; the brush fills behind it unless clear.
    void TextOut(int x, int y, std::string_view text);
    int TextWidth(std::string_view text);
    int TextHeight(std::string_view text);
    // Draws or (DT_CALCRECT) measures; the rect then takes the text's size. Returns the height.
    int DrawText(std::string_view text, TRect& rect, unsigned flags);
    // Honours the bitmap's Transparent flag and transparent colour.
    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& rect, const TBitmap& bitmap);
    void CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect);
    void DrawFocusRect(const TRect& rect);

    QPainter& Painter() { return *painter_; }

private:
    void ApplyPen();
    void ApplyBrush();
    std::unique_ptr<QPainter> own_;
    QPainter* painter_;
    TBitmap* bitmap_ = nullptr;
    TPoint penPos_;
};

// A bitmap over QImage. The transparent colour is the bottom-left pixel's unless one is set.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height);
    explicit TBitmap(QImage image);
    TBitmap(const TBitmap& other) : image_(other.image_), monochrome_(other.monochrome_), transparent_(other.transparent_),
                                    transparentColor_(other.transparentColor_) {}
    TBitmap& operator=(const TBitmap& other);

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool Empty() const { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }
    // New pixels are white.
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    const QImage& Image() const { return image_; }
    QImage& Image() { return image_; }
    void SetImage(QImage image);
    void Assign(const TBitmap& other) { *this = other; }

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // A monochrome bitmap holds black and white only.
    bool Monochrome() const { return monochrome_; }
    void SetMonochrome(bool on);

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on) { transparent_ = on; }
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color) { transparentColor_ = color; }

    // Throws std::runtime_error when the file cannot be read or written.
    void LoadFromFile(const std::filesystem::path& path);
    void SaveToFile(const std::filesystem::path& path) const;

    std::function<void()> OnChange;
    void Changed() {
        if (OnChange) OnChange();
    }

private:
    QImage image_;
    bool monochrome_ = false;
    bool transparent_ = false;
    TColor transparentColor_ = clDefault;
};

// Images of one size with their masks, kept as images with an alpha channel.
class TImageList {
public:
    TImageList(int width = 16, int height = 16) : width_(width), height_(height) {}
    virtual ~TImageList() = default;
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return int(images_.size()); }
    // The mask's white pixels are transparent; without a mask the image is opaque.
    int Add(const TBitmap& image, const TBitmap* mask);
    // Pixels of the mask colour are transparent.
    int AddMasked(const TBitmap& image, TColor maskColor);
    void Replace(int index, const TBitmap& image, const TBitmap* mask);
    void ReplaceMasked(int index, const TBitmap& image, TColor maskColor);
    // An image with its alpha channel as it is.
    int AddImage(const QImage& image);
    void ReplaceImage(int index, const QImage& image);
    void Delete(int index);
    void Clear() { images_.clear(); }
    void Draw(TCanvas& canvas, int x, int y, int index) const;
    // The image on its mask (transparent pixels have alpha 0).
    const QImage& GetImage(int index) const { return images_.at(size_t(index)); }

private:
    QImage Prepare(const TBitmap& image, const TBitmap* mask, const TColor* maskColor) const;
    int width_, height_;
    std::vector<QImage> images_;
};

// A picture of a kind that files hold; picture fields, picture controls and open-picture
// dialogs find the kind by the file's extension among the registered classes.
class TGraphic {
public:
    virtual ~TGraphic() = default;
    // The whole file as it lies on disk.
    virtual void LoadFromStream(std::string_view data) = 0;
    virtual std::string SaveToStream() = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    void LoadFromFile(const std::filesystem::path& path);
    // Written durably: the old file stays when writing fails.
    void SaveToFile(const std::filesystem::path& path);
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
// The extension without its dot, found without regard to case; a second registration replaces
// the first.
void RegisterFileFormat(std::string_view extension, std::string_view description, TGraphicFactory create);
void UnregisterFileFormat(std::string_view extension);
// A new picture of the class registered for the file's extension; none when no class is.
std::unique_ptr<TGraphic> GraphicForFile(const std::filesystem::path& path);
// The registered kinds as an open-dialog filter: "Description (*.ext)" joined by ";;".
std::string GraphicFileFilter();

} // namespace kvz
