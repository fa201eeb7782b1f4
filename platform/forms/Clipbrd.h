// The clipboard, and dragging between controls and from other programs.
#pragma once

#include <QImage>

#include <string>
#include <string_view>

class QMimeData;

namespace kvz {

// The desktop's clipboard. Text is UTF-8.
class TClipboard {
public:
    bool HasText() const;
    bool HasPicture() const;
    bool HasFormat(std::string_view mimeType) const;
    std::string AsText() const;
    void SetAsText(std::string_view text);
    QImage Picture() const;
    void SetPicture(const QImage& picture);
    // Bytes under a MIME type of the program's own ("application/x-...").
    std::string GetData(std::string_view mimeType) const;
    void SetData(std::string_view mimeType, std::string_view bytes);
    void Clear();
};

TClipboard& Clipboard();

} // namespace kvz
