// What a drop on the capture window carries, read without a window: the drop effect chosen
// from the keys held, internet shortcut files (".url"), and the texts a browser or a file
// manager offers for a web address (a URI list, the two-line address-and-title form, plain
// text). Everything here refuses what it cannot take whole: a refused drop says why and no
// link is made of it.
#pragma once

#include "platform/forms/DragTypes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// The drop effects the drag kinds stand for.
inline constexpr uint32_t DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2, DROPEFFECT_LINK = 4;

// The effect of a drop: the allowed effects less those the target does not take; Shift and
// Ctrl together link, Shift alone moves, else copy, move or link in that order of preference.
uint32_t ChooseDropEffect(TDragTypes accepted, bool shift, bool ctrl, uint32_t allowed);

// Why a dropped thing was refused.
enum class DropRefusal {
    None,
    NothingUsable,      // no file and no web address in what was dropped
    TooLarge,           // a shortcut file larger than any shortcut
    Binary,             // a shortcut file that is not text
    NoUrlLine,          // a shortcut file without an address in its section
    ControlCharacters,  // an address or file name with control characters
    NotUtf8,            // text that is not valid UTF-8
    TooLong,            // longer than the link's path may be
    RelativePath,       // a file name that is not absolute, or climbs with ".."
    Unreadable,         // a shortcut file that cannot be read
};

// The longest path a link holds (characters), and the largest shortcut file read.
inline constexpr size_t kMaxLinkPathChars = 255;
inline constexpr size_t kMaxShortcutBytes = 64 * 1024;

struct ShortcutReading {
    std::string Url;
    DropRefusal Refusal = DropRefusal::None;
    bool Ok() const { return Refusal == DropRefusal::None; }
};

// The address of an internet shortcut's text: the first "URL=" line after the
// "[InternetShortcut]" section line (letter case ignored), before the next section; lines end
// in CR LF, LF or CR.
ShortcutReading ReadInternetShortcut(std::string_view content);
// The same from a file; a file above kMaxShortcutBytes is not read.
ShortcutReading ReadInternetShortcutFile(const std::filesystem::path& fileName);
// The old form: true and the address when the file gives one.
bool ReadInternetShortcutFile(const std::string& fileName, std::string& url);

// Whether a text may become a link's path (or name): valid UTF-8, no control characters, at
// most kMaxLinkPathChars characters.
DropRefusal CheckLinkText(std::string_view text);
// A dropped file name: as CheckLinkText, and absolute without "." or ".." parts.
DropRefusal CheckDroppedFile(std::string_view fileName);

// "%41" -> "A"; a "%" without two hex digits stays as it is.
std::string PercentDecode(std::string_view text);
// The entries of a "text/uri-list": one per line, comments ("#") and blank lines left out.
std::vector<std::string> ParseUriList(std::string_view text);
// The local file name of a "file:" URI ("file:///a/b", "file://localhost/a/b"), percent-decoded;
// empty for any other.
std::string LocalFileOfUri(std::string_view uri);

// A dropped web address and its title.
struct DroppedAddress {
    std::string Url;
    std::string Title;
    DropRefusal Refusal = DropRefusal::None;
    bool Ok() const { return Refusal == DropRefusal::None; }
};

// What a drop offers for a web address, each as UTF-8 (empty when not offered).
struct AddressPayload {
    std::string MozUrl;  // "text/x-moz-url": the address, a line break, the title
    std::string UriList; // "text/uri-list"
    std::string Text;    // "text/plain"
    std::string UriTitle = {}; // "text/x-moz-url-desc": the title of the URI list's address
};

// Reads a shortcut file for ReadDroppedAddress (tests and the fuzzer give their own).
using ShortcutFileReader = std::function<ShortcutReading(const std::string& fileName)>;

// The address of a drop, trying the address-and-title form, the URI list (a ".url" file in it
// is read as a shortcut, titled by its name without ".url"), then the first line of plain
// text. The title is the address when nothing names it. A refusal names the first reason.
DroppedAddress ReadDroppedAddress(const AddressPayload& payload, const ShortcutFileReader& readShortcut = {});

} // namespace kvz
