#include "controls/KVDBCtrlModel.h"

#include "platform/rtl/CodePage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kvz {

// ---- TRowMarking ------------------------------------------------------------------------

void TRowMarking::Step(int direction, bool shift) {
    bool markAfter = false;
    if (MultiSelect && shift) {
        if (!selecting_) {
            anchor_ = marks_.Current();
            marks_.SetCurrentMarked(true);
            selecting_ = true;
            markAfter = true;
        } else {
            const int order = marks_.Compare(marks_.Current(), anchor_);
            const int sign = order < 0 ? -1 : order > 0 ? 1 : 0;
            // A step back towards the anchor gives up the row it leaves.
            if (sign == -direction) {
                marks_.SetCurrentMarked(false);
            } else {
                markAfter = true;
            }
        }
    } else {
        Clear();
    }
    marks_.MoveBy(direction);
    if (markAfter) marks_.SetCurrentMarked(true);
}

void TRowMarking::Click(bool ctrl) {
    if (!MultiSelect) return;
    selecting_ = false;
    if (ctrl) {
        marks_.SetCurrentMarked(!marks_.CurrentMarked());
        return;
    }
    marks_.ClearMarks();
    if (ClearSelection) marks_.SetCurrentMarked(true);
}

void TRowMarking::Clear() {
    if (!MultiSelect) return;
    if (ClearSelection) marks_.ClearMarks();
    selecting_ = false;
}

// ---- Colours ----------------------------------------------------------------------------

const std::vector<TColorEntry>& ColorTable() {
    static const std::vector<TColorEntry> table = {
        {clBlack, "Black"}, {clMaroon, "Maroon"}, {clGreen, "Green"},   {clOlive, "Olive"},     {clNavy, "Navy"},
        {clPurple, "Purple"}, {clTeal, "Teal"},   {clGray, "Gray"},     {clSilver, "Silver"},   {clRed, "Red"},
        {clLime, "Lime"},     {clYellow, "Yellow"}, {clBlue, "Blue"},   {clFuchsia, "Fuchsia"}, {clAqua, "Aqua"},
        {clWhite, "White"},   {clNone, "None"},   {clDefault, "Default"},
    };
    return table;
}

bool IsLightColor(TColor color) {
    if (color & 0xFF000000u) return false; // no colour, the default colour, a system colour
    return (color & 0xFF) >= 192 || ((color >> 8) & 0xFF) >= 192 || ((color >> 16) & 0xFF) >= 192;
}

std::string ColorHexText(TColor color) {
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
    return text;
}

std::optional<TColor> ParseColorText(const std::string& text) {
    std::string name = text;
    while (!name.empty() && name.front() == ' ') name.erase(name.begin());
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty()) return std::nullopt;
    for (const TColorEntry& entry : ColorTable()) {
        if (CompareTextUtf8(name, entry.Name) == 0 || CompareTextUtf8(name, std::string("cl") + entry.Name) == 0)
            return entry.Color;
    }
    int base = 10;
    std::string digits = name;
    if (digits[0] == '$') {
        base = 16;
        digits.erase(0, 1);
    } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.erase(0, 2);
    }
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(digits.c_str(), &end, base);
    if (*end != '\0' || value > 0xFFFFFFFFull || digits[0] == '-' || digits[0] == '+') return std::nullopt;
    return static_cast<TColor>(value);
}

// ---- TItemValues ------------------------------------------------------------------------

namespace {

int IndexOf(const std::vector<std::string>& list, const std::string& text) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == text) return static_cast<int>(i);
    return -1;
}

} // namespace

int TItemValues::IndexOfFieldText(const std::string& text) const {
    if (text.empty()) return -1;
    const int index = IndexOf(EnableValues ? Values : Items, text);
    return index < static_cast<int>(Items.size()) ? index : -1;
}

std::string TItemValues::ValueOfIndex(int index) const {
    const auto& list = EnableValues ? Values : Items;
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<size_t>(index)] : std::string();
}

std::string TItemValues::ShownText(const std::string& fieldText) const {
    if (!EnableValues) return fieldText;
    const int index = IndexOf(Values, fieldText);
    return index >= 0 && index < static_cast<int>(Items.size()) ? Items[static_cast<size_t>(index)] : std::string();
}

// ---- Dates ------------------------------------------------------------------------------

TDateTime ComposeDateTime(TDateTime day, TDateTime time) {
    const double whole = std::trunc(day);
    return whole < 0 ? whole - time : whole + time;
}

TDateTime TimeOfDay(TDateTime dateTime) {
    const double fraction = std::fabs(dateTime - std::trunc(dateTime));
    return fraction < 1 ? fraction : 0;
}

TDateTime DayWithTimeOf(TDateTime date, TDateTime previous) { return ComposeDateTime(date, TimeOfDay(previous)); }

} // namespace kvz
