#include "links/LinkDrops.h"

#include "platform/rtl/CodePage.h"

#include <cctype>
#include <fstream>

namespace kvz {

namespace {

// The shortcut format is ASCII: its keys compare without regard to case, byte by byte.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Lines ending in CR LF, LF or CR, without their ends.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithUrlExtension(const std::string& path) {
    return path.size() > 4 && StartsWithNoCase(std::string_view(path).substr(path.size() - 4), ".url");
}

} // namespace

uint32_t ChooseDropEffect(TDragTypes accepted, bool shift, bool ctrl, uint32_t allowed) {
    uint32_t effect = allowed & (accepted & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
    if (shift && ctrl && (effect & DROPEFFECT_LINK)) return DROPEFFECT_LINK;
    if (shift && !ctrl && (effect & DROPEFFECT_MOVE)) return DROPEFFECT_MOVE;
    for (uint32_t one : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
        if (effect & one) return one;
    return DROPEFFECT_NONE;
}

ShortcutReading ReadInternetShortcut(std::string_view content) {
    if (content.size() > kMaxShortcutBytes) return {{}, DropRefusal::TooLarge};
    if (content.find('\0') != std::string_view::npos) return {{}, DropRefusal::Binary};
    const std::vector<std::string_view> lines = SplitLines(content);
    // The section line may be any but the last: an address follows it.
    size_t i = 0;
    while (i + 1 < lines.size() && !(TrimBlanks(lines[i]).size() == 18 && StartsWithNoCase(TrimBlanks(lines[i]), "[InternetShortcut]")))
        ++i;
    if (i + 1 >= lines.size()) return {{}, DropRefusal::NoUrlLine};
    for (++i; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (StartsWithNoCase(line, "[")) break;
        if (!StartsWithNoCase(line, "URL=")) continue;
        std::string url(TrimBlanks(line.substr(4)));
        if (url.empty()) return {{}, DropRefusal::NoUrlLine};
        if (DropRefusal r = CheckLinkText(url); r != DropRefusal::None) return {{}, r};
        return {std::move(url), DropRefusal::None};
    }
    return {{}, DropRefusal::NoUrlLine};
}

ShortcutReading ReadInternetShortcutFile(const std::filesystem::path& fileName) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(fileName, ec);
    if (ec) return {{}, DropRefusal::Unreadable};
    if (size > kMaxShortcutBytes) return {{}, DropRefusal::TooLarge};
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return {{}, DropRefusal::Unreadable};
    std::string content(static_cast<size_t>(size), '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) return {{}, DropRefusal::Unreadable};
    return ReadInternetShortcut(content);
}

bool ReadInternetShortcutFile(const std::string& fileName, std::string& url) {
    ShortcutReading r = ReadInternetShortcutFile(std::filesystem::path(fileName));
    if (!r.Ok()) return false;
    url = std::move(r.Url);
    return true;
}

DropRefusal CheckLinkText(std::string_view text) {
    if (!IsValidUtf8(text)) return DropRefusal::NotUtf8;
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return DropRefusal::ControlCharacters;
    // C1 controls (U+0080..U+009F) are two bytes in UTF-8: C2 80..C2 9F.
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)
            return DropRefusal::ControlCharacters;
    if (Utf8Length(text) > kMaxLinkPathChars) return DropRefusal::TooLong;
    return DropRefusal::None;
}

DropRefusal CheckDroppedFile(std::string_view fileName) {
    if (DropRefusal r = CheckLinkText(fileName); r != DropRefusal::None) return r;
    if (fileName.empty() || fileName.front() != '/') return DropRefusal::RelativePath;
    size_t start = 1;
    while (start <= fileName.size()) {
        size_t end = fileName.find('/', start);
        if (end == std::string_view::npos) end = fileName.size();
        const std::string_view part = fileName.substr(start, end - start);
        if (part == "." || part == "..") return DropRefusal::RelativePath;
        start = end + 1;
    }
    return DropRefusal::None;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<std::string> ParseUriList(std::string_view text) {
    std::vector<std::string> uris;
    for (std::string_view line : SplitLines(text)) {
        line = TrimBlanks(line);
        if (line.empty() || line.front() == '#') continue;
        uris.emplace_back(line);
    }
    return uris;
}

std::string LocalFileOfUri(std::string_view uri) {
    if (!StartsWithNoCase(uri, "file:")) return {};
    std::string_view rest = uri.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        // An authority of "localhost" or nothing; another host's file is not ours to open.
        if (StartsWithNoCase(rest, "localhost")) rest.remove_prefix(9);
        if (rest.empty() || rest.front() != '/') return {};
    }
    if (rest.empty() || rest.front() != '/') return {};
    // The query and fragment are no part of a file name.
    const size_t cut = rest.find_first_of("?#");
    return PercentDecode(rest.substr(0, cut));
}

DroppedAddress ReadDroppedAddress(const AddressPayload& payload, const ShortcutFileReader& readShortcut) {
    DropRefusal first = DropRefusal::None;
    auto refuse = [&](DropRefusal r) {
        if (first == DropRefusal::None) first = r;
    };
    auto accept = [&](std::string url, std::string title) -> DroppedAddress {
        if (title.empty() || CheckLinkText(title) != DropRefusal::None) title = url;
        return {std::move(url), std::move(title), DropRefusal::None};
    };
    // The address and its title, one a line.
    if (!payload.MozUrl.empty()) {
        const std::vector<std::string_view> lines = SplitLines(payload.MozUrl);
        const std::string url(lines.empty() ? std::string_view() : TrimBlanks(lines[0]));
        const std::string title(lines.size() > 1 ? TrimBlanks(lines[1]) : std::string_view());
        // A file names no web address, whichever host it is on.
        const DropRefusal r =
            url.empty() || StartsWithNoCase(url, "file:") ? DropRefusal::NothingUsable : CheckLinkText(url);
        if (r == DropRefusal::None) return accept(url, title);
        refuse(r);
    }
    // The first entry of a URI list; a shortcut file is read for the address it holds.
    if (const std::vector<std::string> uris = ParseUriList(payload.UriList); !uris.empty()) {
        const std::string& uri = uris.front();
        const std::string file = LocalFileOfUri(uri);
        if (!file.empty() && EndsWithUrlExtension(file)) {
            const DropRefusal fileCheck = CheckDroppedFile(file);
            const ShortcutReading s = fileCheck != DropRefusal::None ? ShortcutReading{{}, fileCheck}
                                      : readShortcut                 ? readShortcut(file)
                                                                     : ReadInternetShortcutFile(std::filesystem::path(file));
            if (s.Ok()) {
                const std::string name = FileNameOf(file);
                return accept(s.Url, name.substr(0, name.size() - 4));
            }
            refuse(s.Refusal);
        } else if (!file.empty() || StartsWithNoCase(uri, "file:")) {
            // Another file names no web address, and a file of another host is no local file.
            refuse(DropRefusal::NothingUsable);
        } else if (const DropRefusal r = CheckLinkText(uri); r == DropRefusal::None) {
            // A browser gives the page's title beside the list.
            const std::vector<std::string_view> titles = SplitLines(payload.UriTitle);
            return accept(uri, titles.empty() ? std::string() : std::string(TrimBlanks(titles.front())));
        } else {
            refuse(r);
        }
    }
    // Plain text: its first line that holds something.
    for (std::string_view line : SplitLines(payload.Text)) {
        line = TrimBlanks(line);
        if (line.empty()) continue;
        const std::string url(line);
        // Desktops give dropped files as text too: a file names no web address.
        if (!LocalFileOfUri(url).empty() || StartsWithNoCase(url, "file:")) {
            refuse(DropRefusal::NothingUsable);
            break;
        }
        if (const DropRefusal r = CheckLinkText(url); r == DropRefusal::None) return accept(url, {});
        else refuse(r);
        break;
    }
    return {{}, {}, first == DropRefusal::None ? DropRefusal::NothingUsable : first};
}

} // namespace kvz
