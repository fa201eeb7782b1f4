#include "controls/KvLookupModel.h"

#include "platform/forms/Controls.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <chrono>

namespace kvz {

namespace {

std::function<long long()>& TicksHook() {
    static std::function<long long()> hook;
    return hook;
}

// One for every lookup control of the process, as a person types into one at a time.
long long& LastSearchKey() {
    static long long last = 0;
    return last;
}

} // namespace

long long LookupTicks() {
    if (TicksHook()) return TicksHook()();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetLookupTicks(std::function<long long()> ticks) {
    TicksHook() = std::move(ticks);
    LastSearchKey() = 0;
}

bool TLookupSearch::SearchKey(char32_t key) {
    return key == 8 || (key >= 32 && key != 127 && !(key >= 0x80 && key < 0xA0) && key <= 0x10FFFF);
}

bool TLookupSearch::Type(char32_t key, const std::function<std::optional<std::string>(const std::string&)>& find,
                         const std::function<void()>& first) {
    if (key == 9 || key == 27) {
        prefix_.clear();
        return false;
    }
    if (!SearchKey(key)) return false;
    const long long now = LookupTicks();
    if (!InPopup && now - LastSearchKey() > kTimeoutMs) prefix_.clear();
    LastSearchKey() = now;

    std::string candidate;
    const size_t typed = Utf8Length(prefix_);
    if (key == 8) {
        candidate = Utf8Left(prefix_, typed > 0 ? typed - 1 : 0);
    } else if (typed < static_cast<size_t>(kMaxChars)) {
        candidate = prefix_;
        AppendUtf8(candidate, key);
    }
    bool found = false;
    if (!candidate.empty()) {
        if (const auto shown = find(candidate)) {
            found = true;
            // The search text takes the record's letter case.
            candidate = Utf8Left(*shown, Utf8Length(candidate));
        }
    } else {
        first();
    }
    if (found || candidate.empty()) prefix_ = candidate;
    return true;
}

TLookupScrollTick LookupScrollTick(int y, int clientHeight) {
    int distance = 0;
    TLookupScrollTick tick;
    if (y < 0) {
        tick.Step = -1;
        distance = -y;
    } else if (y >= clientHeight) {
        tick.Step = 1;
        distance = y - clientHeight + 1;
    }
    if (tick.Step) tick.IntervalMs = std::max(10, 200 - 15 * distance);
    return tick;
}

int LookupRowAt(int y, int clientHeight, int rowHeight) {
    if (rowHeight <= 0) return 0;
    y = std::clamp(y, 0, std::max(clientHeight - 1, 0));
    return y / rowHeight;
}

int ClampVisibleRows(int rows) { return std::clamp(rows, 1, 50); }

int RowsInHeight(int height, int rowHeight) { return rowHeight > 0 ? std::max(height / rowHeight, 1) : 1; }

std::optional<int> LookupKeyStep(uint16_t key, int rows, bool emptyRowShown) {
    const int page = rows - (emptyRowShown ? 1 : 0);
    switch (key) {
    case VK_UP:
    case VK_LEFT: return -1;
    case VK_DOWN:
    case VK_RIGHT: return 1;
    case VK_PRIOR: return 1 - page;
    case VK_NEXT: return page - 1;
    default: return std::nullopt;
    }
}

TPoint DropDownPosition(const TRect& box, int listWidth, int listHeight, TDropDownAlign align, const TRect& screen) {
    TPoint p{box.Left, box.Bottom};
    if (p.Y + listHeight > screen.Bottom) p.Y = box.Top - listHeight;
    if (align == TDropDownAlign::daRight) p.X += box.Width() - listWidth;
    if (align == TDropDownAlign::daCenter) p.X -= (listWidth - box.Width()) / 2;
    if (p.X + listWidth > screen.Right) p.X = screen.Right - listWidth;
    p.X = std::max(p.X, screen.Left);
    return p;
}

TIconDirectory ReadIconDirectory(std::string_view data) {
    auto word = [&](size_t at) {
        return static_cast<int>(static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8);
    };
    TIconDirectory directory;
    if (data.size() < 6) return directory;
    directory.Type = word(2);
    const int count = word(4);
    // 16 bytes an entry; the colour count is its third byte.
    for (int i = 0; i < count && 6 + 16 * size_t(i) + 16 <= data.size(); ++i)
        directory.Colors.push_back(static_cast<uint8_t>(data[6 + 16 * size_t(i) + 2]));
    return directory;
}

int ScreenIconColors(int bitsPerPixel) {
    if (bitsPerPixel <= 0 || bitsPerPixel >= 16) return 0;
    return (1 << bitsPerPixel) & 0xFFFF;
}

int BestIconEntry(const std::vector<int>& colors, int screenColors) {
    if (colors.empty()) return -1;
    for (size_t i = 0; i < colors.size(); ++i)
        if (colors[i] == screenColors) return static_cast<int>(i);
    int best = -1;
    for (size_t i = 0; i < colors.size(); ++i)
        if (colors[i] <= screenColors && (best < 0 || colors[i] > colors[size_t(best)])) best = static_cast<int>(i);
    return best >= 0 ? best : 0;
}

std::vector<std::pair<int, int>> LookupColumnPlaces(const std::vector<TLookupColumn>& columns, int left, int width,
                                                    int charWidth) {
    std::vector<std::pair<int, int>> places;
    const int right = left + width;
    int x = left;
    for (size_t i = 0; i < columns.size() && x < right; ++i) {
        const bool last = i + 1 == columns.size();
        const int w = last ? right - x : columns[i].DisplayWidth * charWidth + 4;
        places.emplace_back(x, w);
        x += w + 1;
    }
    return places;
}

} // namespace kvz
