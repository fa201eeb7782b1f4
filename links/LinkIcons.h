// The desktop's icons of links, chosen from the path's text alone: a folder, a web address (as a
// web page), a program, else the icon of the MIME type the extension stands for. Building the
// list never asks the file system, which on a network share would wait on every link; only the
// current link's one path may be looked at, where its text leaves the kind open. One lookup per
// kind of icon (a folder, an extension), kept for the program's run and counted.
#pragma once

#include <QIcon>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace kvz {

class LinkIconCache {
public:
    // The key by which a path's icon is kept, from its text: "url:" for a web address, "folder"
    // for a path that ends in a separator or whose last element has no extension, "program" for
    // a program's extension or a name in a "bin" folder, else "name:" and the short extension in
    // lower case.
    static std::string KeyOf(const std::string& path);
    // The key of one path looked at on the disk where its text leaves the kind open (a name
    // without an extension: a folder, a program or a plain file); one status call at most.
    static std::string KeyOnDisk(const std::string& path);
    // The status calls made by KeyOnDisk in this run.
    static int StatusCalls();
    // What KeyOnDisk asks the file system: a path's mode bits, -1 when there is no such path.
    // Replaceable (a share that never answers, a counting probe); none restores the real one.
    using PathProbe = std::function<int32_t(const std::string& path)>;
    static void SetPathProbe(PathProbe probe);
    // The icon of the key; looked up once per key.
    const QIcon& IconOfKey(const std::string& key);
    // The icon of the path's text.
    const QIcon& IconFor(const std::string& path) { return IconOfKey(KeyOf(path)); }
    // How many lookups were made (misses of the cache).
    int Lookups() const { return lookups_; }
    int Size() const { return static_cast<int>(icons_.size()); }
    void Clear() { icons_.clear(); }

private:
    QIcon LookUp(const std::string& key);
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
