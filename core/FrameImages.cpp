#include "core/FrameImages.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include <functional>
#include <map>
#include <vector>

namespace kvz {

namespace {

QImage Blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage StyleIcon(QStyle::StandardPixmap which, int size) {
    QStyle* style = QApplication::style();
    // The style's icon reads every size it has (up to 128 pixels) to give one; its own picture
    // of the size asked for is the same one, read alone.
    if (qApp->devicePixelRatio() == 1.0) {
        const QPixmap own = style->standardPixmap(which);
        if (own.width() == size && own.height() == size)
            return own.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return style->standardIcon(which).pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A picture drawn on a 16-unit grid, scaled to the size.
QImage Drawn(int size, const std::function<void(QPainter&)>& draw) {
    QImage image = Blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return image;
}

void Sheet(QPainter& p, QColor fill) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(fill);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
}

void Lines(QPainter& p, int from, int to) {
    p.setPen(QPen(QColor(90, 90, 160), 1));
    for (int y = from; y <= to; y += 2) p.drawLine(QPointF(5, y + 0.5), QPointF(11, y + 0.5));
}

void Person(QPainter& p, QColor colour, qreal dx = 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(8 + dx, 5), 2.8, 2.8);
    QPainterPath body;
    body.moveTo(2.5 + dx, 15);
    body.cubicTo(2.5 + dx, 9, 13.5 + dx, 9, 13.5 + dx, 15);
    body.closeSubpath();
    p.drawPath(body);
}

void Badge(QPainter& p, QColor colour, const QString& text) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, text);
}

QImage Tool(int index, int size) {
    switch (index) {
    case imgFirst: return StyleIcon(QStyle::SP_MediaSkipBackward, size);
    case imgPrior: return StyleIcon(QStyle::SP_MediaSeekBackward, size);
    case imgNext: return StyleIcon(QStyle::SP_MediaSeekForward, size);
    case imgLast: return StyleIcon(QStyle::SP_MediaSkipForward, size);
    case imgInsert:
    case imgInserting:
        return Drawn(size, [index](QPainter& p) {
            Sheet(p, index == imgInserting ? QColor(255, 240, 170) : Qt::white);
            p.setPen(QPen(QColor(20, 140, 40), 2.2));
            p.drawLine(QPointF(11, 8), QPointF(11, 15));
            p.drawLine(QPointF(7.5, 11.5), QPointF(14.5, 11.5));
        });
    case imgPost: return StyleIcon(QStyle::SP_DialogSaveButton, size);
    case imgEdit:
        return Drawn(size, [](QPainter& p) {
            Sheet(p, Qt::white);
            Lines(p, 4, 8);
            p.setPen(QPen(QColor(200, 120, 20), 2.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(7, 14), QPointF(14, 7));
        });
    case imgCancel: return StyleIcon(QStyle::SP_DialogCancelButton, size);
    case imgDelete: return StyleIcon(QStyle::SP_TrashIcon, size);
    case imgFind:
    case imgDetail:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(40, 40, 40), 1.6));
            p.setBrush(QColor(200, 225, 255));
            p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
            p.setPen(QPen(QColor(40, 40, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        });
    case imgFilter:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(40, 60, 120), 1));
            p.setBrush(QColor(90, 140, 220));
            p.drawPolygon(QPolygonF({QPointF(1.5, 2.5), QPointF(14.5, 2.5), QPointF(9.5, 8.5), QPointF(9.5, 14),
                                     QPointF(6.5, 12.5), QPointF(6.5, 8.5)}));
        });
    case imgOrder:
        return Drawn(size, [](QPainter& p) {
            QFont f = p.font();
            f.setPixelSize(7);
            f.setBold(true);
            p.setFont(f);
            p.setPen(QColor(30, 30, 120));
            p.drawText(QRectF(0, 0, 9, 8), Qt::AlignCenter, "A");
            p.drawText(QRectF(0, 8, 9, 8), Qt::AlignCenter, "Z");
            p.setPen(QPen(QColor(20, 140, 40), 1.6));
            p.drawLine(QPointF(12, 2), QPointF(12, 14));
            p.drawLine(QPointF(9.5, 11.5), QPointF(12, 14));
            p.drawLine(QPointF(14.5, 11.5), QPointF(12, 14));
        });
    case imgCategory:
        return Drawn(size, [](QPainter& p) {
            const QColor colours[] = {QColor(220, 70, 60), QColor(60, 160, 70), QColor(60, 100, 210)};
            for (int i = 0; i < 3; ++i) {
                p.setPen(QPen(QColor(50, 50, 50), 0.8));
                p.setBrush(colours[i]);
                p.drawRect(QRectF(1.5 + i * 4.5, 3.5 + i * 2, 6, 8));
            }
        });
    case imgRefresh: return StyleIcon(QStyle::SP_BrowserReload, size);
    case imgImport: return StyleIcon(QStyle::SP_ArrowDown, size);
    case imgExport: return StyleIcon(QStyle::SP_ArrowUp, size);
    case imgSaveAs: return StyleIcon(QStyle::SP_DriveFDIcon, size);
    case imgOpen: return StyleIcon(QStyle::SP_DialogOpenButton, size);
    case imgPreview: return StyleIcon(QStyle::SP_FileDialogContentsView, size);
    case imgFont:
        return Drawn(size, [](QPainter& p) {
            QFont f("Serif");
            f.setPixelSize(14);
            f.setBold(true);
            p.setFont(f);
            p.setPen(QColor(30, 30, 30));
            p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, "A");
        });
    case imgPrint:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(QColor(170, 170, 180));
            p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 10.5, 7, 4));
        });
    case imgTemplateOpen:
    case imgTemplateSave:
        return Drawn(size, [index](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(QColor(250, 220, 120));
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 2; ++c) p.drawRect(QRectF(3 + c * 5.5, 3 + r * 4, 4.5, 3));
            p.setPen(QPen(index == imgTemplateOpen ? QColor(30, 90, 200) : QColor(20, 140, 40), 1.8));
            p.drawLine(QPointF(12, 9), QPointF(12, 15));
        });
    case imgManager:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(QColor(240, 200, 90));
            p.drawRect(QRectF(1.5, 4.5, 13, 10));
            p.drawRect(QRectF(5.5, 2.5, 5, 2));
        });
    case imgOwners:
        return Drawn(size, [](QPainter& p) {
            Person(p, QColor(120, 120, 190), -3);
            Person(p, QColor(60, 110, 200), 3);
        });
    case imgMaximise: return StyleIcon(QStyle::SP_TitleBarMaxButton, size);
    case imgRestore: return StyleIcon(QStyle::SP_TitleBarNormalButton, size);
    case imgPay: return Drawn(size, [](QPainter& p) { Badge(p, QColor(30, 140, 60), "$"); });
    case imgCapture:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(40, 40, 40), 1.2));
            p.setBrush(QColor(200, 225, 255));
            p.drawRect(QRectF(1.5, 3.5, 13, 10));
            p.setPen(QPen(QColor(200, 40, 40), 1.6));
            p.drawLine(QPointF(8, 5), QPointF(8, 12));
            p.drawLine(QPointF(4.5, 8.5), QPointF(11.5, 8.5));
        });
    case imgAddToTask:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(1.5, 2.5, 11, 11));
            p.setBrush(QColor(200, 60, 50));
            p.drawRect(QRectF(1.5, 2.5, 11, 3));
            p.setPen(QPen(QColor(20, 140, 40), 2));
            p.drawLine(QPointF(12, 9), QPointF(12, 15));
            p.drawLine(QPointF(9, 12), QPointF(15, 12));
        });
    case imgRunLink: return StyleIcon(QStyle::SP_MediaPlay, size);
    case imgUser: return Drawn(size, [](QPainter& p) { Person(p, QColor(60, 110, 200)); });
    case imgKey:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(160, 120, 20), 1.8));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(5, 8), 3, 3);
            p.drawLine(QPointF(8, 8), QPointF(15, 8));
            p.drawLine(QPointF(13, 8), QPointF(13, 11));
            p.drawLine(QPointF(11, 8), QPointF(11, 10.5));
        });
    case imgMail:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(QColor(255, 250, 225));
            p.drawRect(QRectF(1.5, 3.5, 13, 9));
            p.drawPolyline(QPolygonF({QPointF(1.5, 3.5), QPointF(8, 9), QPointF(14.5, 3.5)}));
        });
    case imgWeb:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(30, 80, 170), 1.1));
            p.setBrush(QColor(180, 215, 250));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(5, 1.5, 6, 13));
            p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        });
    case imgPhone:
        return Drawn(size, [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 40, 40));
            p.drawRoundedRect(QRectF(1, 3, 14, 4), 2, 2);
            p.drawRect(QRectF(4, 6, 8, 8));
            p.setBrush(QColor(230, 230, 230));
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 3; ++c) p.drawRect(QRectF(5 + c * 2.3, 8 + r * 2.5, 1.5, 1.5));
        });
    case imgScreenSaver:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(QColor(20, 30, 80));
            p.drawRect(QRectF(1.5, 2.5, 13, 9));
            p.setBrush(QColor(150, 150, 150));
            p.drawRect(QRectF(5.5, 12.5, 5, 2));
            p.setPen(QColor(250, 230, 120));
            p.drawPoint(QPointF(5, 5));
            p.drawPoint(QPointF(10, 7));
            p.drawPoint(QPointF(7, 9));
        });
    case imgSetup:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(90, 90, 90), 2.6, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 4; ++i) {
                p.save();
                p.translate(8, 8);
                p.rotate(i * 45);
                p.drawLine(QPointF(0, -6.5), QPointF(0, 6.5));
                p.restore();
            }
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(150, 150, 150));
            p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 1.8, 1.8);
        });
    case imgHelp: return Drawn(size, [](QPainter& p) { Badge(p, QColor(40, 100, 200), "?"); });
    case imgInfo: return Drawn(size, [](QPainter& p) { Badge(p, QColor(40, 140, 180), "i"); });
    case imgQuit:
        return Drawn(size, [](QPainter& p) {
            p.setPen(QPen(QColor(200, 40, 40), 2, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(2.5, 3, 11, 11), 120 * 16, 300 * 16);
            p.drawLine(QPointF(8, 1.5), QPointF(8, 8));
        });
    default: return Blank(size);
    }
}

QImage Module(int index, int size) {
    return Drawn(size, [index](QPainter& p) {
        switch (index) {
        case imgAddressModule:
            p.setPen(QPen(QColor(70, 70, 70), 0.8));
            p.setBrush(QColor(250, 245, 225));
            p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
            p.save();
            p.translate(-3, 0);
            p.scale(0.6, 0.6);
            p.translate(8, 5);
            Person(p, QColor(60, 110, 200));
            p.restore();
            p.setPen(QPen(QColor(120, 120, 160), 0.9));
            for (int y = 6; y <= 11; y += 2) p.drawLine(QPointF(8.5, y), QPointF(14, y));
            break;
        case imgReportsModule:
            Sheet(p, Qt::white);
            Lines(p, 4, 7);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(60, 160, 80));
            p.drawRect(QRectF(5, 10, 1.6, 3));
            p.setBrush(QColor(220, 140, 40));
            p.drawRect(QRectF(7.5, 8.5, 1.6, 4.5));
            p.setBrush(QColor(60, 110, 200));
            p.drawRect(QRectF(10, 11, 1.6, 2));
            break;
        case imgLinksModule:
            p.setPen(QPen(QColor(40, 90, 170), 1.8));
            p.setBrush(Qt::NoBrush);
            p.save();
            p.translate(8, 8);
            p.rotate(-45);
            p.drawRoundedRect(QRectF(-7, -2.5, 8, 5), 2.5, 2.5);
            p.drawRoundedRect(QRectF(-1, -2.5, 8, 5), 2.5, 2.5);
            p.restore();
            break;
        case imgTasksModule:
            p.setPen(QPen(QColor(70, 70, 70), 0.8));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(1.5, 2.5, 13, 12));
            p.setBrush(QColor(200, 60, 50));
            p.drawRect(QRectF(1.5, 2.5, 13, 3));
            p.setPen(QPen(QColor(150, 150, 150), 0.6));
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 4; ++c) p.drawRect(QRectF(3 + c * 2.8, 7 + r * 2.4, 2, 1.6));
            p.setPen(QPen(QColor(20, 140, 40), 1.4));
            p.drawPolyline(QPolygonF({QPointF(8, 11), QPointF(10, 13), QPointF(14, 7.5)}));
            break;
        case imgWizard:
            p.setPen(QPen(QColor(110, 70, 30), 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3, 14), QPointF(11, 6));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(250, 200, 40));
            for (QPointF at : {QPointF(12.5, 3.5), QPointF(6, 3), QPointF(13, 9)}) p.drawEllipse(at, 1.5, 1.5);
            break;
        case imgBack:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(60, 110, 200));
            p.drawPolygon(QPolygonF({QPointF(1.5, 8), QPointF(8, 2), QPointF(8, 5.5), QPointF(14.5, 5.5),
                                     QPointF(14.5, 10.5), QPointF(8, 10.5), QPointF(8, 14)}));
            break;
        default: break;
        }
    });
}

} // namespace

// Drawn once per size for the run: a new frame window (a change of user, a test) reuses them.
void Fill(TImageList& images, int count, QImage (*draw)(int index, int size)) {
    static std::map<std::pair<QImage (*)(int, int), int>, std::vector<QImage>> cache;
    std::vector<QImage>& drawn = cache[{draw, images.Width()}];
    if (drawn.empty())
        for (int i = 0; i < count; ++i) drawn.push_back(draw(i, images.Width()));
    images.Clear();
    for (const QImage& image : drawn) images.AddImage(image);
}

void FillToolImages(TImageList& images) { Fill(images, kFrameImageCount, &Tool); }

void FillModuleImages(TImageList& images) { Fill(images, imgBack + 1, &Module); }

} // namespace kvz
