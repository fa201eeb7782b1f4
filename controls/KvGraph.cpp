#include "controls/KvGraph.h"

#include "platform/forms/Forms.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>

#include <cstdlib>
#include <cstring>

namespace kvz {

void LoadLibraryCursors() {
    RegisterCursor(HandCursor, QCursor(Qt::PointingHandCursor));
    RegisterCursor(DragHandCursor, QCursor(Qt::ClosedHandCursor));
}

void RefuseNotImplemented() {
    Screen().SetCursor(crDefault);
    throw ENotImplemented();
}

unsigned CellAlignFlags(TAlignment alignment) {
    switch (alignment) {
    case TAlignment::taRightJustify: return 0x842;
    case TAlignment::taCenter: return 0x841;
    default: return 0x840;
    }
}

void MaskedStretchCopy(QPainter& painter, const TRect& dest, const QImage& source, const TRect& sourceRect, TColor key) {
    QImage part = source.copy(ToQRect(sourceRect)).convertToFormat(QImage::Format_ARGB32);
    if (key != clNone) {
        const QRgb k = ToQColor(key).rgb() & 0xFFFFFF;
        for (int y = 0; y < part.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                if ((line[x] & 0xFFFFFF) == k) line[x] = 0;
        }
    }
    // Stretching drops or repeats whole lines, as the platform's colour-on-colour mode does.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(ToQRect(dest), part);
    painter.restore();
}

void DrawBitmapMasked(TCanvas& canvas, int x, int y, int width, int height, const TBitmap& bitmap, const TRect& source,
                      TColor transparent) {
    if (bitmap.Empty()) return;
    if (width < 1) width = bitmap.Width();
    if (height < 1) height = bitmap.Height();
    TRect src = source;
    if (src.Width() < 1 || src.Height() < 1) src = Rect(0, 0, bitmap.Width(), bitmap.Height());
    TColor key = transparent;
    if (bitmap.Monochrome())
        key = clWhite;
    else if (transparent == clDefault)
        key = bitmap.Pixel(0, bitmap.Height() - 1);
    MaskedStretchCopy(canvas.Painter(), Bounds(x, y, width, height), bitmap.Image(), src, key);
}

void DrawBitmapRectMasked(TCanvas& canvas, const TRect& dest, const TBitmap& bitmap, const TRect& source,
                          TColor transparent) {
    DrawBitmapMasked(canvas, dest.Left, dest.Top, dest.Width(), dest.Height(), bitmap, source, transparent);
}

void DrawBitmapMaskedAt(TCanvas& canvas, int x, int y, const TBitmap& bitmap, TColor transparent) {
    DrawBitmapMasked(canvas, x, y, bitmap.Width(), bitmap.Height(), bitmap, TRect{}, transparent);
}

TBitmap MakeDisabledBitmapWith(const TBitmap& bitmap, TColor maskColor, TColor background, bool highlight,
                               TColor highlightColor, TColor shadowColor) {
    TBitmap result(bitmap.Width(), bitmap.Height());
    QImage& out = result.Image();
    out.fill(ToQColor(background));
    if (bitmap.Empty()) return result;
    // A monochrome source counts its black pixels as the drawing.
    const QRgb key = (bitmap.Monochrome() ? 0 : ToQColor(maskColor).rgb()) & 0xFFFFFF;
    const QImage& src = bitmap.Image();
    auto marked = [&](int x, int y) { return (src.pixel(x, y) & 0xFFFFFF) == key; };
    const QRgb hi = ToQColor(highlightColor).rgb(), sh = ToQColor(shadowColor).rgb();
    if (highlight)
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x)
                if (marked(x, y) && out.valid(x + 1, y + 1)) out.setPixel(x + 1, y + 1, hi);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (marked(x, y)) out.setPixel(x, y, sh);
    return result;
}

TBitmap MakeDisabledBitmap(const TBitmap& bitmap, TColor maskColor) {
    return MakeDisabledBitmapWith(bitmap, maskColor, clBtnFace, true, clBtnHighlight, clBtnShadow);
}

void PaintDisabledListImage(const TImageList& list, TCanvas& canvas, int x, int y, int index, TColor highlightColor,
                            TColor shadowColor, bool highlight) {
    if (index < 0 || index >= list.Count()) return;
    const QImage& image = list.GetImage(index);
    auto emboss = [&](int dx, int dy, TColor color) {
        QColor c = ToQColor(color);
        for (int py = 0; py < image.height(); ++py)
            for (int px = 0; px < image.width(); ++px)
                if (qAlpha(image.pixel(px, py)) != 0) canvas.Painter().fillRect(QRect(x + px + dx, y + py + dy, 1, 1), c);
    };
    if (highlight) emboss(1, 1, highlightColor);
    emboss(0, 0, shadowColor);
}

void PaintParentBackground(const TControl& control, TCanvas& canvas) {
    TWinControl* parent = control.Parent();
    if (!parent || !parent->Widget()) return;
    QPainter& p = canvas.Painter();
    p.save();
    p.setClipRect(QRect(0, 0, control.Width(), control.Height()));
    const QRect mine(control.Left(), control.Top(), control.Width(), control.Height());
    // The rendered region's corner lands on the target offset.
    const QRect visible = mine.intersected(parent->Widget()->rect());
    parent->Widget()->render(&p, visible.topLeft() - mine.topLeft(), QRegion(visible), QWidget::DrawWindowBackground);
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* sibling = parent->Controls(i);
        if (sibling == &control) break;
        if (!sibling->Visible() || !dynamic_cast<TGraphicControl*>(sibling)) continue;
        const QRect theirs(sibling->Left(), sibling->Top(), sibling->Width(), sibling->Height());
        if (!theirs.intersects(mine)) continue;
        sibling->Widget()->render(&p, QPoint(sibling->Left() - control.Left(), sibling->Top() - control.Top()),
                                  QRegion(), QWidget::RenderFlags());
    }
    p.restore();
}

std::string ShortenWithEllipsis(std::string_view text, TCanvas& canvas, int width) {
    if (canvas.TextWidth(text) <= width) return std::string(text);
    const QList<uint> chars = ToQString(text).toUcs4();
    const int length = int(chars.size());
    std::string shortened;
    for (int i = 1; i <= length; ++i) {
        int keep = std::max(0, length - i - 1);
        shortened = QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.data()), keep).toStdString() + "...";
        if (canvas.TextWidth(shortened) <= width) break;
    }
    return shortened;
}

void PaintCellText(TCanvas& canvas, const TRect& rect, int dx, int dy, std::string_view text, TAlignment alignment,
                   bool wordWrap, bool rightToLeft) {
    canvas.FillRect(rect);
    TBrush saved = canvas.Brush;
    canvas.Brush.Style = TBrushStyle::bsClear;
    if (wordWrap || text.find('\r') != std::string_view::npos) {
        unsigned flags = CellAlignFlags(alignment) | (wordWrap ? CellWordWrapFlag : 0) | (rightToLeft ? CellRtlFlag : 0);
        TRect r = Rect(rect.Left + dx, rect.Top + dy, rect.Right - 1, rect.Bottom - 1);
        canvas.Painter().save();
        canvas.Painter().setClipRect(ToQRect(rect));
        canvas.DrawText(text, r, flags);
        canvas.Painter().restore();
    } else {
        TAlignment a = alignment;
        if (rightToLeft && a != TAlignment::taCenter)
            a = a == TAlignment::taLeftJustify ? TAlignment::taRightJustify : TAlignment::taLeftJustify;
        int x = rect.Left + dx;
        if (a == TAlignment::taRightJustify) x = rect.Right - canvas.TextWidth(text) - 3;
        if (a == TAlignment::taCenter) x = rect.Left + rect.Width() / 2 - canvas.TextWidth(text) / 2;
        canvas.Painter().save();
        canvas.Painter().setClipRect(ToQRect(rect));
        canvas.TextOut(x, rect.Top + dy, text);
        canvas.Painter().restore();
    }
    canvas.Brush = saved;
}

void PaintGridCellText(TCanvas& canvas, const TRect& rect, std::string_view text, TAlignment alignment,
                       TVerticalAlignment vertical, bool wordWrap, bool rightToLeft) {
    int dy = 2;
    const int line = canvas.TextHeight("W");
    if (vertical == TVerticalAlignment::vaCenter) dy = std::max(1, (rect.Height() - line) / 2);
    if (vertical == TVerticalAlignment::vaBottom) dy = std::max(2, rect.Height() - line);
    PaintCellText(canvas, rect, 2, dy, text, alignment, wordWrap, rightToLeft);
}

void KeepRectOnScreen(TRect& rect) {
    const int w = Screen().Width(), h = Screen().Height();
    if (rect.Right > w) OffsetRect(rect, w - rect.Right, 0);
    if (rect.Left < 0) OffsetRect(rect, -rect.Left, 0);
    if (rect.Bottom > h) OffsetRect(rect, 0, h - rect.Bottom);
    if (rect.Top < 0) OffsetRect(rect, 0, -rect.Top);
}

void CenterWindowOnScreen(TControl& window) {
    TRect r = Bounds((Screen().Width() - window.Width()) / 2, (Screen().Height() - window.Height()) / 2, window.Width(),
                     window.Height());
    KeepRectOnScreen(r);
    window.SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void DropPendingMessage(QObject* receiver, int eventType) { QCoreApplication::removePostedEvents(receiver, eventType); }

bool OwnThreadIsActive() { return QApplication::activeWindow() != nullptr; }

void SoundBeep() { QApplication::beep(); }

void* AllocGlobalBlock(long size) { return size <= 0 ? nullptr : std::calloc(size_t(size), 1); }

void FreeGlobalBlock(void*& block) {
    std::free(block);
    block = nullptr;
}

bool SameBytes(const void* a, const void* b, size_t count) { return std::memcmp(a, b, count) == 0; }

void CopyBytes(void* dest, const void* source, size_t count) { std::memmove(dest, source, count); }

} // namespace kvz
