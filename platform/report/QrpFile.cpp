#include "platform/report/QrpFile.h"

#include "platform/report/ReportMessages.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz {

namespace {

constexpr std::string_view Magic = "KV-Zirt prepared report ";
constexpr int Version = 1;
// Coordinates stay within ten metres either way of the paper's corner.
constexpr int64_t MaxCoordinate = 1000000;
constexpr int64_t MaxPaper = 1000000;

const char Hex[] = "0123456789ABCDEF";

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\x";
                out += Hex[c >> 4];
                out += Hex[c & 15];
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
}

void AppendColor(std::string& out, TColor color) {
    if (color == ReportNoColor) {
        out += "none";
        return;
    }
    const unsigned rgb = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    for (int shift = 20; shift >= 0; shift -= 4) out += Hex[(rgb >> shift) & 15];
}

void AppendMask(std::string& out, unsigned bits, const char* letters) {
    for (int i = 0; letters[i]; ++i) out += (bits >> i & 1) ? letters[i] : '-';
}

void AppendInts(std::string& out, std::initializer_list<int64_t> values) {
    for (int64_t v : values) {
        out += ' ';
        out += std::to_string(v);
    }
}

const char* AlignmentWord(TAlignment a) {
    return a == taRightJustify ? "right" : a == taCenter ? "center" : "left";
}

// ---- Reading ----------------------------------------------------------------------------

class TReader {
public:
    TReader(std::string_view bytes, const std::string& fileName) : bytes_(bytes), fileName_(fileName) {}

    TPreparedReport Read() {
        if (bytes_.size() > QrpMaxFileSize) Fail(TReportMessage::ReasonTooLong);
        ReadHeader();
        TPreparedReport report;
        NextLine();
        Keyword("title");
        report.Title = Quoted();
        EndOfLine();
        NextLine();
        Keyword("paper");
        report.PageWidth = static_cast<int32_t>(Int(1, MaxPaper));
        Blank();
        report.PageHeight = static_cast<int32_t>(Int(1, MaxPaper));
        Blank();
        report.Landscape = Choice({"portrait", "landscape"}) == 1;
        Blank();
        report.ManualFeed = Choice({"auto", "manual"}) == 1;
        EndOfLine();
        NextLine();
        Keyword("pages");
        const int pages = static_cast<int>(Int(0, QrpMaxPages));
        EndOfLine();
        report.Pages.resize(static_cast<size_t>(pages));
        for (int p = 1; p <= pages; ++p) {
            NextLine();
            Keyword("page");
            if (Int(p, p) != p) Fail(TReportMessage::ReasonNumber);
            Blank();
            const int items = static_cast<int>(Int(0, QrpMaxItemsPerPage));
            EndOfLine();
            std::vector<TPreparedItem>& list = report.Pages[static_cast<size_t>(p - 1)].Items;
            // An item takes at least a line of a dozen bytes: a count the file cannot hold
            // reserves no more than the file could fill.
            list.reserve(std::min(static_cast<size_t>(items), (bytes_.size() - pos_) / 12));
            for (int i = 0; i < items; ++i) {
                NextLine();
                list.push_back(Item());
            }
        }
        NextLine();
        Keyword("end", false);
        EndOfLine();
        if (pos_ != bytes_.size()) {
            ++lineNo_;
            Fail(TReportMessage::ReasonUnexpected);
        }
        return report;
    }

private:
    [[noreturn]] void Fail(TReportMessage reason) const {
        throw EReportError(ReportMessage(TReportMessage::DamagedReport,
                                         {fileName_, std::to_string(lineNo_), ReportMessage(reason)}),
                           lineNo_);
    }

    void ReadHeader() {
        const size_t end = bytes_.find('\n');
        const std::string_view first = bytes_.substr(0, end == std::string_view::npos ? bytes_.size() : end);
        lineNo_ = 1;
        if (first.substr(0, Magic.size()) == Magic) {
            const std::string_view version = first.substr(Magic.size());
            if (version == std::to_string(Version)) {
                if (end == std::string_view::npos) Fail(TReportMessage::ReasonEnd);
                pos_ = end + 1;
                return;
            }
            if (!version.empty() && version.size() < 10 &&
                version.find_first_not_of("0123456789") == std::string_view::npos && version[0] != '0')
                throw EReportError(ReportMessage(TReportMessage::NewerPreparedReport, {fileName_}), 1);
        }
        throw EReportError(ReportMessage(TReportMessage::NotAPreparedReport, {fileName_}), 1);
    }

    void NextLine() {
        ++lineNo_;
        if (pos_ >= bytes_.size()) Fail(TReportMessage::ReasonEnd);
        const size_t end = bytes_.find('\n', pos_);
        if (end == std::string_view::npos) Fail(TReportMessage::ReasonEnd);
        line_ = bytes_.substr(pos_, end - pos_);
        pos_ = end + 1;
        at_ = 0;
    }

    std::string_view Word() {
        const size_t end = std::min(line_.find(' ', at_), line_.size());
        const std::string_view word = line_.substr(at_, end - at_);
        at_ = end;
        return word;
    }

    void Keyword(std::string_view keyword, bool more = true) {
        if (Word() != keyword) Fail(TReportMessage::ReasonUnexpected);
        if (more) Blank();
    }

    void Blank() {
        if (at_ >= line_.size() || line_[at_] != ' ') Fail(TReportMessage::ReasonUnexpected);
        ++at_;
    }

    void EndOfLine() {
        if (at_ != line_.size()) Fail(TReportMessage::ReasonUnexpected);
    }

    int64_t Int(int64_t min, int64_t max) {
        const std::string_view word = Word();
        size_t i = 0;
        const bool negative = !word.empty() && word[0] == '-';
        if (negative) ++i;
        if (i == word.size() || word.size() - i > 12) Fail(TReportMessage::ReasonNumber);
        // One spelling per number, so that files stay byte-stable.
        if (word[i] == '0' && (word.size() - i > 1 || negative)) Fail(TReportMessage::ReasonNumber);
        int64_t value = 0;
        for (; i < word.size(); ++i) {
            if (word[i] < '0' || word[i] > '9') Fail(TReportMessage::ReasonNumber);
            value = value * 10 + (word[i] - '0');
        }
        if (negative) value = -value;
        if (value < min || value > max) Fail(TReportMessage::ReasonNumber);
        return value;
    }

    int Choice(std::initializer_list<std::string_view> words) {
        const std::string_view word = Word();
        int i = 0;
        for (std::string_view w : words) {
            if (w == word) return i;
            ++i;
        }
        Fail(TReportMessage::ReasonUnexpected);
    }

    unsigned Mask(const char* letters) {
        const std::string_view word = Word();
        if (word.size() != std::strlen(letters)) Fail(TReportMessage::ReasonUnexpected);
        unsigned bits = 0;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] == letters[i])
                bits |= 1u << i;
            else if (word[i] != '-')
                Fail(TReportMessage::ReasonUnexpected);
        }
        return bits;
    }

    TColor Color(bool noneAllowed) {
        const std::string_view word = Word();
        if (noneAllowed && word == "none") return ReportNoColor;
        if (word.size() != 6) Fail(TReportMessage::ReasonUnexpected);
        unsigned rgb = 0;
        for (char c : word) {
            const char* h = std::strchr(Hex, c);
            if (!c || !h) Fail(TReportMessage::ReasonUnexpected);
            rgb = rgb << 4 | unsigned(h - Hex);
        }
        return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }

    static int HexDigit(char c) {
        const char* h = c ? std::strchr(Hex, c) : nullptr;
        return h ? int(h - Hex) : -1;
    }

    std::string Quoted() {
        if (at_ >= line_.size() || line_[at_] != '"') Fail(TReportMessage::ReasonUnexpected);
        ++at_;
        std::string out;
        for (;;) {
            if (at_ >= line_.size()) Fail(TReportMessage::ReasonText);
            const unsigned char c = static_cast<unsigned char>(line_[at_++]);
            if (c == '"') break;
            if (c < 0x20 || c == 0x7F) Fail(TReportMessage::ReasonText);
            if (c == '\\') {
                if (at_ >= line_.size()) Fail(TReportMessage::ReasonText);
                const char e = line_[at_++];
                switch (e) {
                case '\\': out += '\\'; break;
                case '"': out += '"'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'x': {
                    if (at_ + 2 > line_.size()) Fail(TReportMessage::ReasonText);
                    const int hi = HexDigit(line_[at_]), lo = HexDigit(line_[at_ + 1]);
                    const int value = hi << 4 | lo;
                    // Only what the writer escapes this way: one spelling per text.
                    if (hi < 0 || lo < 0 || !(value < 0x20 || value == 0x7F) || value == '\n' || value == '\r' ||
                        value == '\t')
                        Fail(TReportMessage::ReasonText);
                    out += char(value);
                    at_ += 2;
                    break;
                }
                default: Fail(TReportMessage::ReasonText);
                }
            } else {
                out += char(c);
            }
            if (out.size() > QrpMaxText) Fail(TReportMessage::ReasonTooLong);
        }
        if (!ValidUtf8(out)) Fail(TReportMessage::ReasonText);
        return out;
    }

    static bool ValidUtf8(std::string_view s) {
        for (size_t i = 0; i < s.size();) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            size_t n = 0;
            uint32_t cp = 0;
            if (c < 0x80) {
                ++i;
                continue;
            } else if ((c & 0xE0) == 0xC0) {
                n = 1, cp = c & 0x1F;
            } else if ((c & 0xF0) == 0xE0) {
                n = 2, cp = c & 0x0F;
            } else if ((c & 0xF8) == 0xF0) {
                n = 3, cp = c & 0x07;
            } else {
                return false;
            }
            if (i + n >= s.size()) return false;
            for (size_t k = 1; k <= n; ++k) {
                const unsigned char d = static_cast<unsigned char>(s[i + k]);
                if ((d & 0xC0) != 0x80) return false;
                cp = cp << 6 | (d & 0x3F);
            }
            const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
            if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
            i += n + 1;
        }
        return true;
    }

    TPreparedItem Item() {
        TPreparedItem item;
        const int kind = Choice({"text", "rect", "line"});
        item.Kind = static_cast<TPreparedKind>(kind);
        Blank();
        item.X = static_cast<int32_t>(Int(-MaxCoordinate, MaxCoordinate));
        Blank();
        item.Y = static_cast<int32_t>(Int(-MaxCoordinate, MaxCoordinate));
        Blank();
        // Lines may run either way; text and rectangles have sizes.
        const int64_t least = item.Kind == TPreparedKind::Line ? -MaxCoordinate : 0;
        item.W = static_cast<int32_t>(Int(least, MaxCoordinate));
        Blank();
        item.H = static_cast<int32_t>(Int(least, MaxCoordinate));
        Blank();
        if (item.Kind == TPreparedKind::Text) {
            item.FontName = Quoted();
            if (item.FontName.size() > 256) Fail(TReportMessage::ReasonTooLong);
            Blank();
            item.FontSize = static_cast<int32_t>(Int(1, 10000));
            Blank();
            item.FontStyle = static_cast<uint8_t>(Mask("bius"));
            Blank();
            item.FontColor = Color(false);
            Blank();
            item.Fill = Color(true);
            Blank();
            item.Alignment = static_cast<TAlignment>(std::array{taLeftJustify, taRightJustify, taCenter}[size_t(
                Choice({"left", "right", "center"}))]);
            Blank();
            item.WordWrap = Choice({"nowrap", "wrap"}) == 1;
            Blank();
            item.Text = Quoted();
        } else {
            item.PenColor = Color(true);
            Blank();
            item.PenWidth = static_cast<int32_t>(Int(0, 100000));
            if (item.Kind == TPreparedKind::Rectangle) {
                Blank();
                item.Sides = static_cast<uint8_t>(Mask("tblr"));
                Blank();
                item.Fill = Color(true);
            }
        }
        EndOfLine();
        return item;
    }

    std::string_view bytes_;
    const std::string& fileName_;
    size_t pos_ = 0;
    std::string_view line_;
    size_t at_ = 0;
    int lineNo_ = 0;
};

} // namespace

std::string WritePreparedReport(const TPreparedReport& report) {
    std::string out;
    out += Magic;
    out += std::to_string(Version);
    out += "\ntitle ";
    AppendQuoted(out, report.Title);
    out += "\npaper";
    AppendInts(out, {report.PageWidth, report.PageHeight});
    out += report.Landscape ? " landscape" : " portrait";
    out += report.ManualFeed ? " manual" : " auto";
    out += "\npages " + std::to_string(report.Pages.size()) + "\n";
    int number = 0;
    for (const TPreparedPage& page : report.Pages) {
        out += "page " + std::to_string(++number) + " " + std::to_string(page.Items.size()) + "\n";
        for (const TPreparedItem& item : page.Items) {
            static const char* kinds[] = {"text", "rect", "line"};
            out += kinds[static_cast<int>(item.Kind)];
            AppendInts(out, {item.X, item.Y, item.W, item.H});
            out += ' ';
            if (item.Kind == TPreparedKind::Text) {
                AppendQuoted(out, item.FontName);
                AppendInts(out, {item.FontSize});
                out += ' ';
                AppendMask(out, item.FontStyle, "bius");
                out += ' ';
                AppendColor(out, item.FontColor);
                out += ' ';
                AppendColor(out, item.Fill);
                out += ' ';
                out += AlignmentWord(item.Alignment);
                out += item.WordWrap ? " wrap " : " nowrap ";
                AppendQuoted(out, item.Text);
            } else {
                AppendColor(out, item.PenColor);
                AppendInts(out, {item.PenWidth});
                if (item.Kind == TPreparedKind::Rectangle) {
                    out += ' ';
                    AppendMask(out, item.Sides, "tblr");
                    out += ' ';
                    AppendColor(out, item.Fill);
                }
            }
            out += '\n';
        }
    }
    out += "end\n";
    return out;
}

TPreparedReport ReadPreparedReport(std::string_view bytes, const std::string& fileName) {
    return TReader(bytes, fileName).Read();
}

void SavePreparedReport(const TPreparedReport& report, const std::filesystem::path& path) {
    try {
        WriteFileDurably(path, WritePreparedReport(report));
    } catch (const FileError& e) {
        throw EReportError(ReportMessage(TReportMessage::CannotWriteFile, {path.string(), e.what()}));
    }
}

namespace {

// The bytes of a report file, at most one byte beyond the limit. Only a regular file is read:
// a pipe would wait for a writer for ever and a device may never end. Opening does not wait
// either (a pipe with no writer would hold the open itself).
std::string ReadReportFile(const std::filesystem::path& path) {
    auto fail = [&](const char* what) {
        const int error = errno;
        return FileError(std::string(what) + " \"" + path.string() + "\": " + std::strerror(error), path, error);
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw fail("Cannot open file");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw fail("Cannot read file");
    if (!S_ISREG(st.st_mode)) throw EReportError(ReportMessage(TReportMessage::NotARegularFile, {path.string()}));
    std::string bytes;
    bytes.reserve(size_t(std::clamp<off_t>(st.st_size, 0, off_t(QrpMaxFileSize) + 1)));
    char buffer[65536];
    while (bytes.size() <= QrpMaxFileSize) {
        const size_t want = std::min(sizeof buffer, QrpMaxFileSize + 1 - bytes.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fail("Cannot read file");
        }
        if (n == 0) break;
        bytes.append(buffer, size_t(n));
    }
    return bytes;
}

} // namespace

TPreparedReport LoadPreparedReport(const std::filesystem::path& path) {
    std::string bytes;
    try {
        bytes = ReadReportFile(path);
    } catch (const FileError& e) {
        throw EReportError(ReportMessage(TReportMessage::CannotReadFile, {path.string(), e.what()}));
    }
    if (bytes.size() > QrpMaxFileSize)
        throw EReportError(
            ReportMessage(TReportMessage::DamagedReport, {path.string(), "0", ReportMessage(TReportMessage::ReasonTooLong)}));
    return ReadPreparedReport(bytes, path.string());
}

} // namespace kvz
