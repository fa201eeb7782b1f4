// The desktop's icons of links: the icon of the file or folder when the path exists, else the
// icon of the MIME type its name suggests (web addresses as web pages). One lookup per kind
// of icon (a folder, an extension), kept for the program's run and counted.
#pragma once

#include <QIcon>

#include <map>
#include <string>

namespace kvz {

class LinkIconCache {
public:
    // The key by which a path's icon is kept: "folder" for an existing folder, "url:" for a web
    // address, else the path's short extension in lower case ("" for none), marked whether the
    // file exists.
    static std::string KeyOf(const std::string& path);
    // The icon of the path; looked up once per key.
    const QIcon& IconFor(const std::string& path);
    // How many lookups were made (misses of the cache).
    int Lookups() const { return lookups_; }
    int Size() const { return static_cast<int>(icons_.size()); }
    void Clear() { icons_.clear(); }

private:
    QIcon LookUp(const std::string& key, const std::string& path);
    std::map<std::string, QIcon, std::less<>> icons_;
    int lookups_ = 0;
};

// The program's one cache, shared by the links window and the new-link dialog.
LinkIconCache& ProgramLinkIcons();

// The pictures of the links window's type tree: a type's node (a folder, open while selected)
// and the "All links" node.
QIcon LinkTypeNodeIcon();
QIcon AllLinksNodeIcon();

} // namespace kvz
