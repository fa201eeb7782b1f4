#include "platform/forms/Clipbrd.h"

#include "platform/forms/Graphics.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace kvz {

namespace {
const QMimeData* Data() { return QApplication::clipboard()->mimeData(); }
} // namespace

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

bool TClipboard::HasText() const { return Data() && Data()->hasText(); }
bool TClipboard::HasPicture() const { return Data() && Data()->hasImage(); }
bool TClipboard::HasFormat(std::string_view mimeType) const { return Data() && Data()->hasFormat(ToQString(mimeType)); }
std::string TClipboard::AsText() const { return QApplication::clipboard()->text().toStdString(); }
void TClipboard::SetAsText(std::string_view text) { QApplication::clipboard()->setText(ToQString(text)); }
QImage TClipboard::Picture() const { return QApplication::clipboard()->image(); }
void TClipboard::SetPicture(const QImage& picture) { QApplication::clipboard()->setImage(picture); }

std::string TClipboard::GetData(std::string_view mimeType) const {
    if (!Data()) return {};
    QByteArray bytes = Data()->data(ToQString(mimeType));
    return std::string(bytes.constData(), size_t(bytes.size()));
}

void TClipboard::SetData(std::string_view mimeType, std::string_view bytes) {
    auto* data = new QMimeData;
    data->setData(ToQString(mimeType), QByteArray(bytes.data(), qsizetype(bytes.size())));
    QApplication::clipboard()->setMimeData(data);
}

void TClipboard::Clear() { QApplication::clipboard()->clear(); }

} // namespace kvz
