#include "links/LinkIcons.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysInfo.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStyle>

#include <sys/stat.h>

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

namespace {

int statusCalls = 0;

LinkIconCache::PathProbe& Probe() {
    static LinkIconCache::PathProbe probe;
    return probe;
}

// The path's last element and the folder it is in, without a closing separator.
std::string_view LastElement(std::string_view path, std::string_view* folder = nullptr) {
    const size_t slash = path.find_last_of("/\\");
    if (folder) *folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsProgramExtension(const std::string& ext) {
    for (const char* known : {".exe", ".com", ".bat", ".cmd", ".sh", ".run"})
        if (ext == known) return true;
    return false;
}

} // namespace

std::string LinkIconCache::KeyOf(const std::string& path) {
    if (IsWebAddress(path)) return "url:";
    if (path.empty()) return "name:";
    if (path.back() == '/' || path.back() == '\\') return "folder";
    std::string_view folder;
    const std::string_view last = LastElement(path, &folder);
    const size_t dot = last.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) {
        // A name without an extension: a program where programs are kept, else a folder.
        const std::string_view parent = LastElement(folder);
        return parent == "bin" || parent == "sbin" ? "program" : "folder";
    }
    const std::string ext = Utf8Lower(std::string(last.substr(dot, 4)));
    if (ext.size() < 2) return "folder";
    return IsProgramExtension(ext) ? "program" : "name:" + ext;
}

std::string LinkIconCache::KeyOnDisk(const std::string& path) {
    std::string key = KeyOf(path);
    // Only a name without an extension leaves the kind open.
    if (key != "folder" && key != "program") return key;
    if (path.empty() || path.back() == '/' || path.back() == '\\') return key;
    ++statusCalls;
    const int32_t mode = Probe() ? Probe()(path) : FileAttributesOf(path);
    if (mode == -1) return key;
    if (S_ISDIR(mode)) return "folder";
    if (mode & (S_IXUSR | S_IXGRP | S_IXOTH)) return "program";
    return "name:";
}

int LinkIconCache::StatusCalls() { return statusCalls; }

void LinkIconCache::SetPathProbe(PathProbe probe) { Probe() = std::move(probe); }

const QIcon& LinkIconCache::IconOfKey(const std::string& key) {
    if (auto it = icons_.find(key); it != icons_.end()) return it->second;
    ++lookups_;
    return icons_.emplace(key, LookUp(key)).first->second;
}

QIcon LinkIconCache::LookUp(const std::string& key) {
    static QMimeDatabase mimes;
    if (key == "url:") return ThemeIcon(mimes.mimeTypeForName("text/html"), QStyle::SP_DriveNetIcon);
    if (key == "folder") {
        QIcon icon = QFileIconProvider().icon(QFileIconProvider::Folder);
        return icon.isNull() ? Fallback(QStyle::SP_DirIcon) : icon;
    }
    if (key == "program") return ThemeIcon(mimes.mimeTypeForName("application/x-executable"), QStyle::SP_FileIcon);
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
