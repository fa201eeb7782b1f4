#include "links/LinkIcons.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysInfo.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>

namespace kvz {

namespace {

bool IsWebAddress(const std::string& path) {
    const size_t colon = path.find("://");
    if (colon == std::string::npos || colon == 0) return false;
    const std::string scheme = Utf8Lower(path.substr(0, colon));
    return scheme == "http" || scheme == "https" || scheme == "ftp";
}

// The style's own pictures where the desktop has no icon theme.
QIcon Fallback(QStyle::StandardPixmap picture) {
    if (qobject_cast<QApplication*>(QApplication::instance())) return QApplication::style()->standardIcon(picture);
    return {};
}

QIcon ThemeIcon(const QMimeType& mime, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    return icon.isNull() ? Fallback(fallback) : icon;
}

} // namespace

std::string LinkIconCache::KeyOf(const std::string& path) {
    if (IsWebAddress(path)) return "url:";
    const bool exists = PathExists(path);
    if (exists && QFileInfo(QString::fromStdString(path)).isDir()) return "folder";
    const std::string ext = ShortFileExt(path);
    return (exists ? "file:" : "name:") + (ext.size() > 1 && ext[0] == '.' ? Utf8Lower(ext) : std::string());
}

const QIcon& LinkIconCache::IconFor(const std::string& path) {
    const std::string key = KeyOf(path);
    if (auto it = icons_.find(key); it != icons_.end()) return it->second;
    ++lookups_;
    return icons_.emplace(key, LookUp(key, path)).first->second;
}

QIcon LinkIconCache::LookUp(const std::string& key, const std::string& path) {
    static QMimeDatabase mimes;
    if (key == "url:") return ThemeIcon(mimes.mimeTypeForName("text/html"), QStyle::SP_DriveNetIcon);
    if (key == "folder") {
        QIcon icon = QFileIconProvider().icon(QFileIconProvider::Folder);
        return icon.isNull() ? Fallback(QStyle::SP_DirIcon) : icon;
    }
    if (key.starts_with("file:")) {
        QIcon icon = QFileIconProvider().icon(QFileInfo(QString::fromStdString(path)));
        if (!icon.isNull()) return icon;
    }
    // A name that need not exist: the type its extension stands for.
    const std::string ext = key.substr(key.find(':') + 1);
    return ThemeIcon(mimes.mimeTypeForFile(QString::fromStdString("x" + ext), QMimeDatabase::MatchExtension), QStyle::SP_FileIcon);
}

LinkIconCache& ProgramLinkIcons() {
    static LinkIconCache cache;
    return cache;
}

QIcon LinkTypeNodeIcon() {
    // A closed folder, open while its node is selected.
    QIcon closed = QIcon::fromTheme("folder");
    if (closed.isNull()) closed = Fallback(QStyle::SP_DirClosedIcon);
    QIcon open = QIcon::fromTheme("folder-open");
    if (open.isNull()) open = Fallback(QStyle::SP_DirOpenIcon);
    QIcon icon;
    for (const QSize& size : {QSize(16, 16), QSize(32, 32)}) {
        icon.addPixmap(closed.pixmap(size), QIcon::Normal);
        icon.addPixmap(open.pixmap(size), QIcon::Selected);
    }
    return icon;
}

QIcon AllLinksNodeIcon() {
    QIcon icon = QIcon::fromTheme("folder-bookmark");
    return icon.isNull() ? Fallback(QStyle::SP_DirLinkIcon) : icon;
}

} // namespace kvz
