#include "controls/KvReduce.h"

#include "controls/KvGraph.h"
#include "controls/KvImageBytes.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace kvz {

const TColor SystemColors16[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray,
                                   clSilver, clRed, clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};

namespace {

using Palette = std::vector<QRgb>;
constexpr QRgb Grey128 = 0xFF808080;

// For each 8-bit value the index of the nearest level; the lower level wins a tie.
struct LevelTable {
    std::array<uint8_t, 256> index{};
    std::vector<int> levels;
    explicit LevelTable(std::vector<int> list) : levels(std::move(list)) {
        for (int v = 0; v < 256; ++v) {
            int best = 0;
            for (int i = 1; i < int(levels.size()); ++i)
                if (std::abs(levels[size_t(i)] - v) < std::abs(levels[size_t(best)] - v)) best = i;
            index[size_t(v)] = uint8_t(best);
        }
    }
};
const LevelTable& Levels4() { static const LevelTable t({0, 85, 170, 255}); return t; }
const LevelTable& Levels6() { static const LevelTable t({0, 51, 102, 153, 204, 255}); return t; }
const LevelTable& Levels7() { static const LevelTable t({0, 43, 85, 128, 170, 213, 255}); return t; }
const LevelTable& Levels8() { static const LevelTable t({0, 36, 73, 109, 146, 182, 219, 255}); return t; }

// Pixels as 0xRRGGBB, top row first.
std::vector<uint32_t> RgbPixels(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<uint32_t> pixels(size_t(image.width()) * size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) pixels[size_t(y) * size_t(image.width()) + size_t(x)] = line[x] & 0xFFFFFF;
    }
    return pixels;
}

int Dist2(uint32_t a, uint32_t b) {
    int dr = int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF), dg = int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF),
        db = int(a & 0xFF) - int(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

int Nearest(uint32_t rgb, const Palette& palette, size_t count) {
    int best = 0, bestDist = 1 << 30;
    for (size_t i = 0; i < count; ++i) {
        int d = Dist2(rgb, palette[i] & 0xFFFFFF);
        if (d < bestDist) bestDist = d, best = int(i);
    }
    return best;
}

// The file image: indices (top row first) under a palette, or 24-bit pixels without one.
std::string BitmapFile(int width, int height, int bits, const Palette& palette, const std::vector<uint8_t>* indices,
                       const std::vector<uint32_t>* rgb) {
    size_t rowBytes = (size_t(width) * size_t(bits) + 31) / 32 * 4;
    size_t entries = bits <= 8 ? size_t(1) << bits : 0;
    size_t offset = 14 + 40 + entries * 4;
    size_t total = offset + rowBytes * size_t(height);
    std::string out;
    out.reserve(total);
    out += "BM";
    PutLong(out, uint32_t(total));
    PutLong(out, 0);
    PutLong(out, uint32_t(offset));
    PutLong(out, 40);
    PutLong(out, uint32_t(width));
    PutLong(out, uint32_t(height));
    PutWord(out, 1);
    PutWord(out, unsigned(bits));
    PutLong(out, 0);
    PutLong(out, uint32_t(rowBytes * size_t(height)));
    PutLong(out, 0);
    PutLong(out, 0);
    PutLong(out, 0);
    PutLong(out, 0);
    for (size_t i = 0; i < entries; ++i) {
        QRgb c = i < palette.size() ? palette[i] : 0;
        PutByte(out, qBlue(c));
        PutByte(out, qGreen(c));
        PutByte(out, qRed(c));
        PutByte(out, 0);
    }
    std::string row(rowBytes, '\0');
    for (int y = height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), '\0');
        size_t base = size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            size_t at = base + size_t(x);
            if (bits == 24) {
                uint32_t c = (*rgb)[at];
                row[size_t(x) * 3] = char(c & 0xFF);
                row[size_t(x) * 3 + 1] = char((c >> 8) & 0xFF);
                row[size_t(x) * 3 + 2] = char((c >> 16) & 0xFF);
            } else if (bits == 8) {
                row[size_t(x)] = char((*indices)[at]);
            } else {
                int perByte = 8 / bits;
                int shift = 8 - bits * (x % perByte + 1);
                row[size_t(x / perByte)] = char(uint8_t(row[size_t(x / perByte)]) | ((*indices)[at] << shift));
            }
        }
        out += row;
    }
    return out;
}

std::string SaveAsIs(const QImage& image, TPixelFormat format) {
    int w = image.width(), h = image.height();
    if (format == pf24bit || format == pfDevice || format == pf32bit) {
        std::vector<uint32_t> rgb = RgbPixels(image);
        return BitmapFile(w, h, 24, {}, nullptr, &rgb);
    }
    QImage indexed = image.format() == QImage::Format_Indexed8 ? image : image.convertToFormat(QImage::Format_Indexed8);
    Palette palette(indexed.colorTable().begin(), indexed.colorTable().end());
    std::vector<uint8_t> indices(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::copy_n(indexed.constScanLine(y), w, indices.begin() + std::ptrdiff_t(size_t(y) * size_t(w)));
    int bits = format == pf1bit ? 1 : format == pf4bit ? 4 : 8;
    return BitmapFile(w, h, bits, palette, &indices, nullptr);
}

// The system's conversion to 1 or 4 bits: each colour to the nearest of a fixed palette.
std::string SystemConvert(const std::vector<uint32_t>& rgb, int w, int h, int bits) {
    Palette palette;
    if (bits == 1) {
        palette = {0xFF000000, 0xFFFFFFFF};
    } else {
        for (TColor c : SystemColors16) palette.push_back(qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    }
    std::vector<uint8_t> indices(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i) indices[i] = uint8_t(Nearest(rgb[i], palette, palette.size()));
    return BitmapFile(w, h, bits, palette, &indices, nullptr);
}

// Counts masked colours; at most 2049 distinct ones fit.
class ColorHistogram {
public:
    static constexpr int Slots = 5191, MaxColors = 2049;
    struct Entry {
        uint32_t color;
        uint32_t count;
        int order;
    };
    bool Count(const std::vector<uint32_t>& rgb, uint32_t mask, const uint32_t* skip) {
        slots_.assign(Slots, -1);
        entries_.clear();
        for (uint32_t c : rgb) {
            if (skip && c == *skip) continue;
            int* slot = Find(c & mask, true);
            if (!slot) return false;
            ++entries_[size_t(*slot)].count;
        }
        return true;
    }
    // The entry of a masked colour, inserted when asked and room is left.
    int* Find(uint32_t m, bool insert) {
        int r = int((m >> 16) & 0xFF), g = int((m >> 8) & 0xFF), b = int(m & 0xFF);
        int at = int((int64_t(r + g) * (b + g) * (r + b)) % Slots);
        while (slots_[size_t(at)] >= 0) {
            if (entries_[size_t(slots_[size_t(at)])].color == m) return &slots_[size_t(at)];
            at = (at + 1) % Slots;
        }
        if (!insert || int(entries_.size()) >= MaxColors) return nullptr;
        slots_[size_t(at)] = int(entries_.size());
        entries_.push_back({m, 0, int(entries_.size())});
        return &slots_[size_t(at)];
    }
    std::vector<Entry>& Entries() { return entries_; }

private:
    std::vector<int> slots_;
    std::vector<Entry> entries_;
};

std::vector<uint8_t> ReduceHistogram(const std::vector<uint32_t>& rgb, Palette& palette, TKeepColor* keep) {
    TColor kept = keep && keep->Color != clNone ? ColorToRGB(keep->Color) : 0;
    uint32_t keepRgb = uint32_t(GetRValue(kept) << 16 | GetGValue(kept) << 8 | GetBValue(kept));
    bool keeping = keep && keep->Color != clNone && std::find(rgb.begin(), rgb.end(), keepRgb) != rgb.end();
    if (keep) keep->Index = -1;
    const uint32_t* skip = keeping ? &keepRgb : nullptr;

    unsigned mr = 0xFF, mg = 0xFF, mb = 0xFF;
    ColorHistogram histogram;
    while (!histogram.Count(rgb, (mr << 16) | (mg << 8) | mb, skip)) {
        // Blue, red, green, blue, ...: green suffers last.
        if (mr < mg) mg = (mg << 1) & 0xFF;
        else if (mr > mb) mr = (mr << 1) & 0xFF;
        else mb = (mb << 1) & 0xFF;
    }
    uint32_t mask = (mr << 16) | (mg << 8) | mb;
    auto& entries = histogram.Entries();
    std::vector<int> byFrequency(entries.size());
    std::iota(byFrequency.begin(), byFrequency.end(), 0);
    std::stable_sort(byFrequency.begin(), byFrequency.end(),
                     [&](int a, int b) { return entries[size_t(a)].count > entries[size_t(b)].count; });
    size_t wanted = keeping ? 255 : 256;
    size_t picked = std::min(wanted, entries.size());
    palette.assign(256, Grey128);
    std::vector<uint8_t> indexOf(entries.size());
    for (size_t i = 0; i < picked; ++i) {
        palette[i] = 0xFF000000 | entries[size_t(byFrequency[i])].color;
        indexOf[size_t(byFrequency[i])] = uint8_t(i);
    }
    for (size_t i = picked; i < entries.size(); ++i)
        indexOf[size_t(byFrequency[i])] = uint8_t(Nearest(entries[size_t(byFrequency[i])].color, palette, picked));
    if (keeping) {
        palette[picked] = 0xFF000000 | keepRgb;
        keep->Index = int(picked);
    }
    std::vector<uint8_t> indices(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i)
        indices[i] = keeping && rgb[i] == keepRgb ? uint8_t(picked) : indexOf[size_t(*histogram.Find(rgb[i] & mask, false))];
    return indices;
}

std::vector<uint8_t> ReduceMedianCut(const std::vector<uint32_t>& rgb, Palette& palette) {
    auto cellOf = [](uint32_t c) { return int(((c >> 20) & 0xF) << 8 | ((c >> 12) & 0xF) << 4 | ((c >> 4) & 0xF)); };
    std::vector<uint32_t> counts(4096, 0);
    for (uint32_t c : rgb) ++counts[size_t(cellOf(c))];
    struct Box {
        int lo[3], hi[3];
    };
    auto cell = [](int r, int g, int b) { return size_t(r << 8 | g << 4 | b); };
    // Shrinks a box to its occupied cells; false when none is.
    auto shrink = [&](Box& box) {
        int lo[3] = {16, 16, 16}, hi[3] = {-1, -1, -1};
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b)
                    if (counts[cell(r, g, b)]) {
                        int v[3] = {r, g, b};
                        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
                    }
        if (hi[0] < 0) return false;
        std::copy_n(lo, 3, box.lo);
        std::copy_n(hi, 3, box.hi);
        return true;
    };
    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {15, 15, 15}};
    if (shrink(all)) boxes.push_back(all);
    while (boxes.size() < 256) {
        int best = -1, bestSpan = 0, axis = 0;
        for (size_t i = 0; i < boxes.size(); ++i)
            for (int k = 0; k < 3; ++k)
                if (boxes[i].hi[k] - boxes[i].lo[k] > bestSpan)
                    bestSpan = boxes[i].hi[k] - boxes[i].lo[k], best = int(i), axis = k;
        if (best < 0) break;
        Box& box = boxes[size_t(best)];
        // Pixels per slice along the axis, and the slice where half of them are reached.
        std::vector<uint64_t> slice(16, 0);
        uint64_t total = 0;
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    int v[3] = {r, g, b};
                    slice[size_t(v[axis])] += counts[cell(r, g, b)];
                    total += counts[cell(r, g, b)];
                }
        int cut = box.lo[axis];
        uint64_t sum = slice[size_t(cut)];
        while (cut < box.hi[axis] - 1 && sum * 2 < total) sum += slice[size_t(++cut)];
        Box upper = box;
        box.hi[axis] = cut;
        upper.lo[axis] = cut + 1;
        shrink(box);
        if (shrink(upper)) boxes.push_back(upper);
    }
    palette.assign(256, 0xFF000000);
    std::vector<uint8_t> boxOf(4096, 0);
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& box = boxes[i];
        int sum[3] = {0, 0, 0}, cells = 0;
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    boxOf[cell(r, g, b)] = uint8_t(i);
                    if (!counts[cell(r, g, b)]) continue;
                    sum[0] += r, sum[1] += g, sum[2] += b, ++cells;
                }
        int c[3];
        for (int k = 0; k < 3; ++k) c[k] = std::min(255, (sum[k] * 16 + 15) / cells);
        palette[i] = c[0] <= 16 && c[1] <= 16 && c[2] <= 16 ? 0xFF000000 : qRgb(c[0], c[1], c[2]);
    }
    std::vector<uint8_t> indices(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i) indices[i] = boxOf[size_t(cellOf(rgb[i]))];
    return indices;
}

std::vector<uint8_t> ReduceFixed(const std::vector<uint32_t>& rgb, int width, TColorReduction method, Palette& palette) {
    palette.assign(256, method == crRamps ? 0xFF000000 : Grey128);
    const auto &l4 = Levels4(), &l6 = Levels6(), &l7 = Levels7(), &l8 = Levels8();
    for (int i = 0; i < 256; ++i) {
        size_t at = size_t(i);
        if (method == crCube784 && i < 224)
            palette[at] = qRgb(l7.levels[size_t(i / 32)], l8.levels[size_t(i / 4 % 8)], l4.levels[size_t(i % 4)]);
        else if (method == crCube666 && i < 216)
            palette[at] = qRgb(l6.levels[size_t(i / 36)], l6.levels[size_t(i / 6 % 6)], l6.levels[size_t(i % 6)]);
        else if (method == crRamps && i < 192)
            palette[at] = i < 64 ? qRgb(i * 4, 0, 0) : i < 128 ? qRgb(0, (i - 64) * 4, 0) : qRgb(0, 0, (i - 128) * 4);
        else if (method == crGray)
            palette[at] = qRgb(i, i, i);
    }
    std::vector<uint8_t> indices(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i) {
        size_t r = (rgb[i] >> 16) & 0xFF, g = (rgb[i] >> 8) & 0xFF, b = rgb[i] & 0xFF;
        int x = int(i % size_t(width)), y = int(i / size_t(width));
        switch (method) {
        case crCube784: indices[i] = uint8_t(l7.index[r] * 32 + l8.index[g] * 4 + l4.index[b]); break;
        case crCube666: indices[i] = uint8_t(l6.index[r] * 36 + l6.index[g] * 6 + l6.index[b]); break;
        case crRamps: {
            int phase = (x + y) % 3;
            indices[i] = uint8_t(phase == 0 ? r / 4 : phase == 1 ? 64 + g / 4 : 128 + b / 4);
            break;
        }
        default: indices[i] = uint8_t((77 * r + 150 * g + 29 * b) / 256); break;
        }
    }
    return indices;
}

} // namespace

int ColorsOfFormat(TPixelFormat format) {
    switch (format) {
    case pf1bit: return 2;
    case pf4bit: return 16;
    case pf8bit: return 256;
    default: return 0;
    }
}

TPixelFormat PixelFormatOf(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Mono: case QImage::Format_MonoLSB: return pf1bit;
    case QImage::Format_Indexed8: return image.colorCount() <= 16 ? pf4bit : pf8bit;
    case QImage::Format_RGB888: case QImage::Format_BGR888: return pf24bit;
    case QImage::Format_RGB555: return pf15bit;
    case QImage::Format_RGB16: return pf16bit;
    case QImage::Format_ARGB32: case QImage::Format_ARGB32_Premultiplied: return pf32bit;
    default: return pfDevice;
    }
}

std::string ReduceBitmap(const TBitmap& bitmap, TPixelFormat format, TColorReduction method, TKeepColor* keep) {
    if (bitmap.Empty()) throw EInvalidGraphicOperation("Bitmap image is not valid");
    const QImage& image = bitmap.Image();
    if (format != pf1bit && format != pf4bit && format != pf8bit && format != pf24bit) RefuseNotImplemented();
    if (keep) keep->Index = -1;
    if (PixelFormatOf(image) == format && method != crGray && !(keep && keep->Color != clNone))
        return SaveAsIs(image, format);
    int w = image.width(), h = image.height();
    std::vector<uint32_t> rgb = RgbPixels(image);
    if (format == pf1bit || format == pf4bit) return SystemConvert(rgb, w, h, format == pf1bit ? 1 : 4);
    // 24 bits holds every colour: a plain copy, never indices under a 24-bit header.
    if (format == pf24bit) return BitmapFile(w, h, 24, {}, nullptr, &rgb);
    Palette palette;
    std::vector<uint8_t> indices = method == crHistogram ? ReduceHistogram(rgb, palette, keep)
                                   : method == crMedianCut ? ReduceMedianCut(rgb, palette)
                                                           : ReduceFixed(rgb, w, method, palette);
    return BitmapFile(w, h, 8, palette, &indices, nullptr);
}

std::string ReduceBitmapToColors(const TBitmap& bitmap, int colors) {
    TPixelFormat format = colors <= 2 ? pf1bit : colors <= 16 ? pf4bit : colors <= 256 ? pf8bit : pf24bit;
    return ReduceBitmap(bitmap, format, DefaultColorReduction);
}

QImage ImageOfBitmapFile(std::string_view file) {
    return QImage::fromData(reinterpret_cast<const uchar*>(file.data()), int(file.size()), "BMP");
}

} // namespace kvz
