// The one renderer of prepared pages: the preview, the printer and PDF files all paint
// through RenderPage, so what the preview shows is what prints.
#pragma once

#include "platform/report/PreparedReport.h"

#include <QFont>

#include <cstdint>
#include <string>

class QPainter;
class QColor;

namespace kvz {

// The painted font of a prepared text: the stand-in family of the font table, its size as a
// pixel size in hundredths of a millimetre (the renderer's unit), and no hinting, so that
// texts take the same room on every device.
QFont ReportQFont(const std::string& family, int32_t sizeTenths, uint8_t style);
QColor ReportQColor(TColor color);

// The size a text takes when painted (what Prepare asks for stretching and self-sizing texts).
TTextExtent MeasureReportText(const TReportFont& font, std::string_view text, double wrapWidth);
// Prepare with the painted fonts' metrics.
TPreparedReport PrepareReport(TReportLayout& layout);

// Paints the page. The painter's units must be millimetres from the paper's top left corner
// (see ScaleToMillimetres); its state is as it was afterwards. Texts are clipped to their
// rectangles.
void RenderPage(QPainter& painter, const TPreparedPage& page);
// Makes the painter's units millimetres on a device of that many dots per millimetre, with
// the paper's corner at the given device point.
void ScaleToMillimetres(QPainter& painter, double dotsPerMm, double originX = 0, double originY = 0);

} // namespace kvz
