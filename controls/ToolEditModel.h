// The rules of the combo edits without a window: where a drop-down panel opens, how the folder
// edit's dialog and dropped files change its text, and the date edit's text: its format and
// mask, its blank text, and how text and dates turn into each other.
#pragma once

#include "platform/forms/Graphics.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kvz {

enum class TPopupAlign { epaRight, epaLeft };

// The screen point where a panel of that size opens under an edit (both in screen
// coordinates): below it, or above when it would cross the bottom of the screen; right edges
// aligned (epaRight) or left edges (epaLeft) unless the panel would leave the screen that way;
// and always wholly on the screen that holds the edit.
TPoint DropDownOrigin(const TRect& edit, int panelWidth, int panelHeight, const TRect& screen, TPopupAlign align);

// The folder a folder dialog opens at: the text, else the initial folder, else the root; a text
// that is no existing folder gives the root.
std::string DirectoryDialogStart(std::string_view text, std::string_view initialDir);
// The text once a folder was chosen or dropped: the folder, or appended after ";" when several
// folders are kept and the text holds one already.
std::string AddDirectoryText(std::string_view text, std::string_view folder, bool multipleDirs);
// A dropped name as a folder: an existing file gives its folder, with the trailing separator.
std::string DroppedDirectoryName(std::string_view name);
// Each ";"-separated part converted by the function, the empty results left out.
std::string MapDirectoryList(std::string_view text, bool multipleDirs, std::string (*convert)(std::string_view));

enum class TYearDigits { dyDefault, dyFour, dyTwo };

// The text of a date edit. Years always have four digits, whatever the language's short date
// format or YearDigits say: a two-digit year typed or shown would read back in another century.
class TDateTextModel {
public:
    explicit TDateTextModel(const FormatSettings& fs = FormatSettings::ForLanguage(1)) : fs_(fs) {}

    const FormatSettings& Settings() const { return fs_; }
    void SetSettings(const FormatSettings& fs) { fs_ = fs; }
    char BlanksChar() const { return blanksChar_; }
    // A control character becomes a space.
    void SetBlanksChar(char c) { blanksChar_ = static_cast<unsigned char>(c) < ' ' ? ' ' : c; }
    bool DefaultToday() const { return defaultToday_; }
    void SetDefaultToday(bool on) { defaultToday_ = on; }

    // "DD/MM/YYYY", "MM/DD/YYYY" or "YYYY/MM/DD" by the language's date order; "/" stands for
    // the language's date separator.
    std::string DateFormat() const;
    // The mask of the edit: "9" for each digit, the separators as literals, ";" and the blank
    // character.
    std::string EditMask() const;
    // The text of an edit holding no date: blanks in the date's shape.
    std::string BlankText() const;
    // Only blanks, NUL characters and date separators.
    bool IsBlank(std::string_view text) const;

    // Never fails: a text that is no date reads as today with DefaultToday, else as no date (0).
    TDateTime DateValue(std::string_view text) const;
    // The text that shows the date; no date (0) or an invalid one gives today with DefaultToday,
    // else the blank text.
    std::string TextOf(TDateTime date) const;
    // A blank text is no date; any other text must be a date, or "''text'' is not a valid date"
    // is thrown.
    TDateTime ValidDate(std::string_view text) const;
    // The keypad's plus and minus: the text's date (or now when it holds none) a day on or back.
    TDateTime StepDate(std::string_view text, int days) const;

private:
    FormatSettings fs_;
    char blanksChar_ = ' ';
    bool defaultToday_ = false;
};

} // namespace kvz
