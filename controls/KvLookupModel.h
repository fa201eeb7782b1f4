// The rules of the lookup list and lookup combo that need no painting: incremental search of
// typed characters with its time-out, the scroll timer while the mouse drags outside the list,
// the row under the mouse, the steps of the arrow and page keys, and where a drop-down opens.
#pragma once

#include "platform/forms/Graphics.h"
#include "platform/rtl/Classes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// Milliseconds of a steady clock; tests install their own (nullptr restores the real one).
long long LookupTicks();
void SetLookupTicks(std::function<long long()> ticks);

// The text typed so far into a lookup list. Outside a pop-up list, a pause of more than two
// seconds starts a new search; one clock of the last key is shared by every lookup control.
class TLookupSearch {
public:
    static constexpr int kTimeoutMs = 2000;
    static constexpr int kMaxChars = 32;

    const std::string& TypedPrefix() const { return prefix_; }
    void Clear() { prefix_.clear(); }
    bool InPopup = false;

    // Whether a character is one the search takes: Backspace and every printable character
    // (letters of any language included).
    static bool SearchKey(char32_t key);
    // A typed key. `find` looks a non-empty candidate up by its leading part and gives the
    // found record's shown text (nothing when none matches); `first` goes to the first record
    // for an empty candidate. Tab and Escape only clear the search. True when the key was a
    // search key.
    bool Type(char32_t key, const std::function<std::optional<std::string>(const std::string&)>& find,
              const std::function<void()>& first);

private:
    std::string prefix_;
};

// The scroll timer while the mouse drags above or below a list: the step (-1 up, +1 down, 0
// inside the list: the timer stops) and the interval, quicker the farther the mouse is, but
// never below 10 ms so that the timer cannot spin.
struct TLookupScrollTick {
    int Step = 0;
    int IntervalMs = 0;
};
TLookupScrollTick LookupScrollTick(int y, int clientHeight);

// The visible row under a mouse position (y clamped into the list); 0 when a row has no height.
int LookupRowAt(int y, int clientHeight, int rowHeight);
// The rows a list shows: 1 to 50.
int ClampVisibleRows(int rows);
// Rows that fit into a height; at least 1, and 1 when a row has no height.
int RowsInHeight(int height, int rowHeight);

// The move of an arrow or page key in a list of `rows` visible rows (the empty row included
// when shown); nothing for Home, End and other keys.
std::optional<int> LookupKeyStep(uint16_t key, int rows, bool emptyRowShown);

// Where a drop-down list opens: under the box, above it when it would pass the screen's
// bottom, shifted by the alignment, moved left from the screen's right edge, never left of 0.
enum class TDropDownAlign { daLeft, daRight, daCenter };
TPoint DropDownPosition(const TRect& box, int listWidth, int listHeight, TDropDownAlign align, const TRect& screen);

// The directory of an icon file: its type word (1 icon, 2 cursor; 0 also when the data are
// too short to hold one) and the colour count of each entry (0: 256 colours or more).
struct TIconDirectory {
    int Type = 0;
    std::vector<int> Colors;
};
TIconDirectory ReadIconDirectory(std::string_view data);
// The colours a screen of that depth shows, kept in 16 bits as the icon entries count them:
// 0 from 16 bits per pixel on.
int ScreenIconColors(int bitsPerPixel);
// The entry that fits the screen best: the first with exactly its colours; else the first with
// at most its colours, replaced by any later one with more that still fit; else the first
// entry. -1 for none.
int BestIconEntry(const std::vector<int>& colors, int screenColors);

// One column of a row of fields: the text, the field's width in characters and its alignment.
struct TLookupColumn {
    std::string Text;
    int DisplayWidth = 0;
    TAlignment Alignment = taLeftJustify;
};
// The columns' places across a row `width` pixels wide that starts at `left`, with `charWidth`
// pixels per character: each column gets its width + 4, the last the rest; a 1-pixel line and
// a 1-pixel gap follow each but the last, and columns that would start past the row are left
// out. Each result is {left, width}.
std::vector<std::pair<int, int>> LookupColumnPlaces(const std::vector<TLookupColumn>& columns, int left, int width,
                                                    int charWidth);

} // namespace kvz
