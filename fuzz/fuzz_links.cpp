// Feeds arbitrary bytes to the readers of dropped things: the first byte chooses the internet
// shortcut reader or the dropped-address reader; for the latter the rest is split at zero bytes
// into the address-and-title text, the URI list, the plain text and the content of any
// shortcut file the list names. Every result must be whole or refused.
#include "links/LinkDrops.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        const kvz::ShortcutReading r = kvz::ReadInternetShortcut(rest);
        if (r.Ok() && kvz::CheckLinkText(r.Url) != kvz::DropRefusal::None) std::abort();
        return 0;
    }
    std::string parts[4];
    size_t part = 0;
    for (char c : rest) {
        if (c == '\0' && part < 3) ++part;
        else parts[part].push_back(c);
    }
    const std::string shortcut = parts[3];
    const kvz::DroppedAddress a = kvz::ReadDroppedAddress(
        {parts[0], parts[1], parts[2]}, [&](const std::string&) { return kvz::ReadInternetShortcut(shortcut); });
    if (a.Ok() && (a.Url.empty() || kvz::CheckLinkText(a.Url) != kvz::DropRefusal::None ||
                   kvz::CheckLinkText(a.Title) != kvz::DropRefusal::None))
        std::abort();
    for (const std::string& uri : kvz::ParseUriList(parts[1])) {
        const std::string file = kvz::LocalFileOfUri(uri);
        (void)kvz::CheckDroppedFile(file);
    }
    (void)kvz::ChooseDropEffect(data[0] >> 1, data[0] & 0x10, data[0] & 0x20, size);
    return 0;
}
