#include "platform/report/ReportRender.h"

#include "platform/report/ReportFonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace kvz {

namespace {

// The renderer draws in hundredths of a millimetre: whole numbers of the prepared pages, and
// fine enough for font sizes given as pixel sizes.
constexpr double UnitsPerMm = 100;

QFont FontOf(const TReportFont& f) {
    return ReportQFont(f.Name, static_cast<int32_t>(std::lround(f.Size * 10)),
                       uint8_t((f.Bold ? rfBold : 0) | (f.Italic ? rfItalic : 0) | (f.Underline ? rfUnderline : 0) |
                               (f.StrikeOut ? rfStrikeOut : 0)));
}

int TextFlags(const TPreparedItem& item) {
    int flags = Qt::AlignTop;
    flags |= item.Alignment == taRightJustify ? Qt::AlignRight : item.Alignment == taCenter ? Qt::AlignHCenter
                                                                                             : Qt::AlignLeft;
    if (item.WordWrap) flags |= Qt::TextWordWrap;
    return flags;
}

} // namespace

QFont ReportQFont(const std::string& family, int32_t sizeTenths, uint8_t style) {
    QFont font(QString::fromStdString(SubstituteFontFamily(family)));
    // Points to hundredths of a millimetre: a point is 1/72 inch.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(sizeTenths / 10.0 * 25.4 / 72.0 * UnitsPerMm))));
    font.setBold(style & rfBold);
    font.setItalic(style & rfItalic);
    font.setUnderline(style & rfUnderline);
    font.setStrikeOut(style & rfStrikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

QColor ReportQColor(TColor color) { return QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF)); }

TTextExtent MeasureReportText(const TReportFont& font, std::string_view text, double wrapWidth) {
    const QFontMetricsF metrics(FontOf(font));
    const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const double width = wrapWidth > 0 ? wrapWidth * UnitsPerMm : 1e9;
    const QRectF r = metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::AlignLeft | Qt::AlignTop |
                                                                       (wrapWidth > 0 ? Qt::TextWordWrap : 0), s);
    return {r.width() / UnitsPerMm, std::max(r.height(), metrics.height()) / UnitsPerMm};
}

TPreparedReport PrepareReport(TReportLayout& layout) { return Prepare(layout, MeasureReportText); }

void ScaleToMillimetres(QPainter& painter, double dotsPerMm, double originX, double originY) {
    painter.translate(originX, originY);
    painter.scale(dotsPerMm, dotsPerMm);
}

namespace {

void DrawOutline(QPainter& painter, const TPreparedItem& item) {
    const QRectF rect(item.X, item.Y, item.W, item.H);
    QPen pen(ReportQColor(item.PenColor), std::max(item.PenWidth, 1));
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (item.Sides == 15) {
        painter.drawRect(rect);
        return;
    }
    if (item.Sides & 1) painter.drawLine(rect.topLeft(), rect.topRight());
    if (item.Sides & 2) painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    if (item.Sides & 4) painter.drawLine(rect.topLeft(), rect.bottomLeft());
    if (item.Sides & 8) painter.drawLine(rect.topRight(), rect.bottomRight());
}

bool HasOutline(const TPreparedItem& item) {
    return item.Kind == TPreparedKind::Rectangle && item.PenColor != ReportNoColor && item.Sides != 0;
}

} // namespace

void RenderPage(QPainter& painter, const TPreparedPage& page) {
    painter.save();
    painter.scale(1 / UnitsPerMm, 1 / UnitsPerMm);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Consecutive texts mostly share a font: it is made once for them.
    std::string lastName;
    int32_t lastSize = -1;
    uint8_t lastStyle = 0xFF;
    for (const TPreparedItem& item : page.Items) {
        const QRectF rect(item.X, item.Y, item.W, item.H);
        switch (item.Kind) {
        case TPreparedKind::Text: {
            if (item.Fill != ReportNoColor) painter.fillRect(rect, ReportQColor(item.Fill));
            if (item.Text.empty()) break;
            if (item.FontSize != lastSize || item.FontStyle != lastStyle || item.FontName != lastName) {
                painter.setFont(ReportQFont(item.FontName, item.FontSize, item.FontStyle));
                lastName = item.FontName;
                lastSize = item.FontSize;
                lastStyle = item.FontStyle;
            }
            painter.setPen(ReportQColor(item.FontColor));
            painter.drawText(rect, TextFlags(item), QString::fromStdString(item.Text));
            break;
        }
        case TPreparedKind::Rectangle:
            if (item.Fill != ReportNoColor) painter.fillRect(rect, ReportQColor(item.Fill));
            break;
        case TPreparedKind::Line: {
            if (item.PenColor == ReportNoColor) break;
            QPen pen(ReportQColor(item.PenColor), std::max(item.PenWidth, 1));
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(QPointF(item.X, item.Y), QPointF(item.X + item.W, item.Y + item.H));
            break;
        }
        }
    }
    // Outlines go over every fill: a line lies half outside its band, where the next band (a
    // label's gap band) would paint over it.
    for (const TPreparedItem& item : page.Items)
        if (HasOutline(item)) DrawOutline(painter, item);
    painter.restore();
}

} // namespace kvz
