#include "controls/ToolEditModel.h"

#include "controls/KvDateUtil.h"
#include "controls/KvFileUtil.h"
#include "platform/rtl/Clock.h"

#include <algorithm>
#include <filesystem>

namespace kvz {

TPoint DropDownOrigin(const TRect& edit, int panelWidth, int panelHeight, const TRect& screen, TPopupAlign align) {
    int y = edit.Bottom;
    if (y + panelHeight > screen.Bottom) y = edit.Top - panelHeight;
    int x;
    if (align == TPopupAlign::epaRight) {
        x = edit.Right - panelWidth;
        if (x < screen.Left) x = edit.Left;
    } else {
        x = edit.Left;
        if (x + panelWidth > screen.Right) x = edit.Right - panelWidth;
    }
    // Neither above nor below may leave the screen: a panel taller than the room on either
    // side still opens where it can be seen.
    x = std::max(screen.Left, std::min(x, screen.Right - panelWidth));
    y = std::max(screen.Top, std::min(y, screen.Bottom - panelHeight));
    return {x, y};
}

std::string DirectoryDialogStart(std::string_view text, std::string_view initialDir) {
    std::string start(text.empty() ? initialDir : text);
    if (start.empty() || !IsExistingDirectory(start)) return "/";
    return start;
}

std::string AddDirectoryText(std::string_view text, std::string_view folder, bool multipleDirs) {
    if (multipleDirs && !text.empty()) return std::string(text) + ";" + std::string(folder);
    return std::string(folder);
}

std::string DroppedDirectoryName(std::string_view name) {
    std::error_code error;
    const std::filesystem::path path(name);
    if (std::filesystem::is_regular_file(path, error)) {
        std::string folder = path.parent_path().string();
        if (folder.empty() || folder.back() != '/') folder += '/';
        return folder;
    }
    return std::string(name);
}

std::string MapDirectoryList(std::string_view text, bool multipleDirs, std::string (*convert)(std::string_view)) {
    if (!multipleDirs) return convert(text);
    std::string result;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string part = convert(text.substr(start, end - start));
        if (!part.empty()) result += (result.empty() ? "" : ";") + part;
        start = end + 1;
    }
    return result;
}

std::string TDateTextModel::DateFormat() const { return DefaultDateFormatText(fs_); }

std::string TDateTextModel::EditMask() const {
    std::string mask;
    for (char c : DateFormat()) {
        if (c == '/') {
            for (char s : fs_.DateSeparator) (mask += '\\') += s;
        } else {
            mask += '9';
        }
    }
    return mask + ";" + blanksChar_;
}

std::string TDateTextModel::BlankText() const {
    std::string text;
    for (char c : DateFormat()) text += c == '/' ? fs_.DateSeparator : std::string(1, blanksChar_);
    return text;
}

bool TDateTextModel::IsBlank(std::string_view text) const {
    size_t i = 0;
    while (i < text.size()) {
        if (!fs_.DateSeparator.empty() && text.substr(i, fs_.DateSeparator.size()) == fs_.DateSeparator) {
            i += fs_.DateSeparator.size();
        } else if (text[i] == '\0' || text[i] == ' ' || text[i] == blanksChar_) {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

TDateTime TDateTextModel::DateValue(std::string_view text) const {
    TDateTime date = NoDate;
    if (IsBlank(text) || !TryTextToDate(DateFormat(), text, date, fs_) || date == NoDate)
        return defaultToday_ ? Today() : NoDate;
    return date;
}

std::string TDateTextModel::TextOf(TDateTime date) const {
    if (date == NoDate || !IsValidDateValue(date)) {
        if (!defaultToday_) return BlankText();
        date = Today();
    }
    std::string format = DateFormat();
    std::transform(format.begin(), format.end(), format.begin(), [](char c) { return char(std::tolower(c)); });
    return FormatDateTime(format, date, fs_);
}

TDateTime TDateTextModel::ValidDate(std::string_view text) const {
    if (IsBlank(text)) return NoDate;
    return TextToDate(DateFormat(), text, fs_);
}

TDateTime TDateTextModel::StepDate(std::string_view text, int days) const {
    const TDateTime date = DateValue(text);
    return (date == NoDate ? Now() : date) + days;
}

} // namespace kvz
