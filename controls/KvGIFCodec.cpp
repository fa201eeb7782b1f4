#include "controls/KvGIFCodec.h"

#include "controls/KvImageBytes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kvz {

namespace {

constexpr uint8_t ExtensionIntro = '!', ImageIntro = ',', Trailer = ';';
constexpr uint8_t LabelGraphicControl = 0xF9, LabelComment = 0xFE, LabelPlainText = 0x01, LabelApplication = 0xFF;
constexpr int MaxCodes = 4096, MaxLoopCount = 30000;

// The next non-zero byte; the end of the data reads as the trailer.
uint8_t Introducer(TByteReader& in) {
    while (!in.AtEnd()) {
        uint8_t b = in.Byte();
        if (b) return b;
    }
    return Trailer;
}

std::vector<std::string> ReadSubBlocks(TByteReader& in) {
    std::vector<std::string> lines;
    for (uint8_t n = in.Byte(); n; n = in.Byte()) lines.emplace_back(in.Bytes(n));
    return lines;
}

void ReadTable(TByteReader& in, TGIFColorTable& table, int bits) {
    table.Count = 1 << bits;
    std::string_view rgb = in.Bytes(size_t(table.Count) * 3);
    std::copy(rgb.begin(), rgb.end(), table.RGB.begin());
}

TExtension ReadExtension(TByteReader& in) {
    TExtension ext;
    uint8_t label = in.Byte();
    switch (label) {
    case LabelGraphicControl: ext.ExtKind = ekGraphicControl, ext.Fixed = in.Bytes(6); return ext;
    case LabelComment: ext.ExtKind = ekComment; break;
    case LabelPlainText: ext.ExtKind = ekPlainText, ext.Fixed = in.Bytes(13); break;
    case LabelApplication: ext.ExtKind = ekApplication, ext.Fixed = in.Bytes(12); break;
    default: {
        char text[40];
        std::snprintf(text, sizeof text, "Unrecognized extension block: %.2x", label);
        throw EInvalidGraphicOperation(text);
    }
    }
    ext.Lines = ReadSubBlocks(in);
    return ext;
}

bool IsLoopExtension(const TExtension& ext) {
    std::string_view id = std::string_view(ext.Fixed).substr(1);
    return (id == "NETSCAPE2.0" || id == "ANIMEXTS1.0") && !ext.Lines.empty() && ext.Lines[0].size() >= 3 &&
           ext.Lines[0][0] == 1;
}

void ReadFrame(TByteReader& in, const TGIFFileRecord& file, TGIFFrameRecord& frame) {
    auto item = std::make_shared<TGIFItem>();
    frame.Item = item;
    frame.FrameLeft = in.Word();
    frame.FrameTop = in.Word();
    item->FrameWidth = in.Word();
    item->FrameHeight = in.Word();
    item->PackedFields = in.Byte();
    frame.Interlaced = item->PackedFields & 0x40;
    if (item->PackedFields & 0x80) {
        item->BitsPerPixel = (item->PackedFields & 7) + 1;
        ReadTable(in, item->FrameColors, item->BitsPerPixel);
        frame.LocalColors = true;
    } else {
        item->FrameColors = file.Data->GlobalColors;
        item->BitsPerPixel = file.Data->BitsPerPixel ? file.Data->BitsPerPixel : 8;
    }
    // The pixel data as held in the file; a sub-block cut short by the end of the data is kept
    // as far as it goes.
    item->EncodedData.push_back(char(in.Byte()));
    while (true) {
        if (in.AtEnd()) {
            frame.Corrupted = true;
            break;
        }
        uint8_t n = in.Byte();
        item->EncodedData.push_back(char(n));
        if (!n) break;
        std::string_view block = in.UpTo(n);
        item->EncodedData.append(block);
        if (block.size() < n) frame.Corrupted = true;
    }
    if (!item->FrameWidth) item->FrameWidth = file.ScreenWidth;
    if (!item->FrameHeight) item->FrameHeight = file.ScreenHeight;
    if (!item->FrameWidth || !item->FrameHeight) throw EReadError();
    for (const TExtension& ext : frame.Extensions) {
        if (ext.ExtKind != ekGraphicControl) continue;
        uint8_t packed = uint8_t(ext.Fixed[1]);
        int index = uint8_t(ext.Fixed[4]);
        frame.TransparentIndex = (packed & 1) && index < item->FrameColors.Count ? index : -1;
        frame.DelayMs = std::max(frame.DelayMs, int(PeekWord(ext.Fixed, 2)) * 10);
        frame.Disposal = (packed >> 2) & 7;
    }
}

void PutSubBlocks(std::string& out, std::string_view data) {
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t n = std::min<size_t>(255, data.size() - at);
        PutByte(out, unsigned(n));
        out.append(data.substr(at, n));
    }
}

// Every table is written with as many entries as its size field declares.
void PutTable(std::string& out, const TGIFColorTable& table, int bits) {
    size_t entries = size_t(1) << bits;
    out.append(reinterpret_cast<const char*>(table.RGB.data()), std::min<size_t>(entries, size_t(table.Count)) * 3);
    out.append((entries - std::min<size_t>(entries, size_t(table.Count))) * 3, '\0');
}

void UpdateGraphicControl(TGIFFrameRecord& frame) {
    auto it = std::find_if(frame.Extensions.begin(), frame.Extensions.end(),
                           [](const TExtension& e) { return e.ExtKind == ekGraphicControl; });
    if (it == frame.Extensions.end()) {
        if (!frame.DelayMs && frame.TransparentIndex < 0 && !frame.Disposal) return;
        frame.Extensions.push_back({ekGraphicControl, std::string("\x04\0\0\0\0\0", 6), {}});
    }
    for (TExtension& ext : frame.Extensions) {
        if (ext.ExtKind != ekGraphicControl) continue;
        uint8_t packed = uint8_t(ext.Fixed[1]) & ~0x1D;
        packed |= uint8_t((frame.Disposal & 7) << 2);
        if (frame.TransparentIndex >= 0) {
            packed |= 1;
            ext.Fixed[4] = char(frame.TransparentIndex);
        }
        ext.Fixed[1] = char(packed);
        unsigned delay = unsigned(frame.DelayMs / 10);
        ext.Fixed[2] = char(delay & 0xFF);
        ext.Fixed[3] = char((delay >> 8) & 0xFF);
    }
}

// Codes least significant bit first across the sub-blocks of the encoded data.
class CodeReader {
public:
    explicit CodeReader(std::string_view data) : data_(data) {}
    // False at the terminator or the end of the data.
    bool Read(int width, int& code) {
        while (bits_ < width) {
            if (!left_) {
                if (pos_ >= data_.size() || !(left_ = uint8_t(data_[pos_++]))) return false;
            }
            if (pos_ >= data_.size()) return false;
            buffer_ |= uint32_t(uint8_t(data_[pos_++])) << bits_;
            bits_ += 8;
            --left_;
        }
        code = int(buffer_ & ((1u << width) - 1));
        buffer_ >>= width;
        bits_ -= width;
        return true;
    }
    size_t Position() const { return pos_; }

private:
    std::string_view data_;
    size_t pos_ = 0;
    unsigned left_ = 0;
    uint32_t buffer_ = 0;
    int bits_ = 0;
};

class CodeWriter {
public:
    void Write(int code, int width) {
        buffer_ |= uint32_t(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.push_back(char(buffer_ & 0xFF));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    std::string Finish() {
        if (bits_) bytes_.push_back(char(buffer_ & 0xFF));
        return std::move(bytes_);
    }

private:
    std::string bytes_;
    uint32_t buffer_ = 0;
    int bits_ = 0;
};

} // namespace

int GifBitsFor(int colors) {
    int bits = 1;
    while (bits < 8 && (1 << bits) < colors) ++bits;
    return bits;
}

TGIFFileRecord ReadGif(std::string_view data) {
    TGIFFileRecord file;
    if (data.size() < 6 || data.substr(0, 3) != "GIF") throw EInvalidGraphicOperation("Unknown GIF version");
    std::string version(data.substr(3, 3));
    for (char& c : version) c = char(std::tolower(uint8_t(c)));
    if (version == "87a") file.Version = gv87a;
    else if (version == "89a") file.Version = gv89a;
    else throw EInvalidGraphicOperation("Unknown GIF version");

    TByteReader in(data.substr(6));
    file.ScreenWidth = in.Word();
    file.ScreenHeight = in.Word();
    uint8_t packed = in.Byte();
    uint8_t background = in.Byte();
    file.Data->AspectRatio = in.Byte();
    file.Data->ColorResBits = ((packed >> 4) & 7) + 1;
    if (packed & 0x80) {
        file.Data->BitsPerPixel = (packed & 7) + 1;
        ReadTable(in, file.Data->GlobalColors, file.Data->BitsPerPixel);
        if (background < file.Data->GlobalColors.Count) file.BackgroundIndex = background;
    }

    std::vector<TExtension> gathered;
    uint8_t intro = Introducer(in);
    while (intro && intro != Trailer) {
        while (intro == ExtensionIntro) {
            TExtension ext = ReadExtension(in);
            if (ext.ExtKind == ekPlainText) {
                gathered.clear();
            } else if (ext.ExtKind == ekApplication) {
                if (IsLoopExtension(ext)) {
                    file.Looping = true;
                    file.LoopCount = std::min<int>(MaxLoopCount, PeekWord(ext.Lines[0], 1));
                    file.LoopAt = file.Frames.empty() ? int(gathered.size()) : -1;
                }
            } else {
                gathered.push_back(std::move(ext));
            }
            intro = Introducer(in);
        }
        if (intro == ImageIntro) {
            TGIFFrameRecord frame;
            frame.Extensions = std::move(gathered);
            gathered.clear();
            ReadFrame(in, file, frame);
            file.Frames.push_back(std::move(frame));
            intro = Introducer(in);
            if (intro != ExtensionIntro && intro != ImageIntro && intro != Trailer) break;
        } else if (!gathered.empty() && file.Data->Comment.empty()) {
            for (const TExtension& ext : gathered) {
                if (ext.ExtKind != ekComment) continue;
                if (!file.Data->Comment.empty()) file.Data->Comment.push_back("\r\n\r\n");
                file.Data->Comment.insert(file.Data->Comment.end(), ext.Lines.begin(), ext.Lines.end());
            }
            gathered.clear();
        } else if (intro != Trailer) {
            throw EReadError();
        }
    }
    return file;
}

std::string WriteGif(TGIFFileRecord& file) {
    if (file.Frames.empty()) throw EInvalidGraphicOperation("No GIF Data to write");
    TGIFData& data = *file.Data;
    bool extensions = !data.Comment.empty();
    int width = file.ScreenWidth, height = file.ScreenHeight;
    for (TGIFFrameRecord& frame : file.Frames) {
        if (!frame.Item || frame.Item->EncodedData.empty()) throw EInvalidGraphicOperation("No GIF Data to write");
        UpdateGraphicControl(frame);
        std::erase_if(frame.Extensions, [](const TExtension& e) { return e.ExtKind == ekComment && e.Lines.empty(); });
        extensions |= !frame.Extensions.empty();
        width = std::max(width, frame.FrameLeft + frame.Item->FrameWidth);
        height = std::max(height, frame.FrameTop + frame.Item->FrameHeight);
    }
    if (extensions) file.Version = gv89a;
    file.ScreenWidth = width, file.ScreenHeight = height;

    std::string out = file.Version == gv89a ? "GIF89a" : "GIF87a";
    PutWord(out, unsigned(width));
    PutWord(out, unsigned(height));
    const TGIFColorTable& global = data.GlobalColors;
    int globalBits = std::max(data.BitsPerPixel, GifBitsFor(global.Count));
    if (global.Count) {
        int resolution = data.ColorResBits ? data.ColorResBits : GifBitsFor(global.Count);
        PutByte(out, 0x80 | unsigned(resolution - 1) << 4 | unsigned(globalBits - 1));
    } else {
        PutByte(out, 0);
    }
    PutByte(out, unsigned(std::max(0, file.BackgroundIndex)));
    PutByte(out, data.AspectRatio);
    if (global.Count) PutTable(out, global, globalBits);

    bool loop = file.Looping && file.Frames.size() >= 2;
    auto putLoop = [&] {
        out += "!\xFF\x0BNETSCAPE2.0\x03\x01";
        PutWord(out, unsigned(file.LoopCount));
        PutByte(out, 0);
        loop = false;
    };
    const size_t loopAt = file.LoopAt >= 0 ? size_t(file.LoopAt) : 0;
    if (loop && (file.LoopAt < 0 || loopAt > file.Frames[0].Extensions.size())) putLoop();
    static const uint8_t labels[] = {LabelGraphicControl, LabelPlainText, LabelApplication, LabelComment};
    for (const TGIFFrameRecord& frame : file.Frames) {
        for (size_t e = 0; e <= frame.Extensions.size(); ++e) {
            if (loop && e == loopAt) putLoop();
            if (e == frame.Extensions.size()) break;
            const TExtension& ext = frame.Extensions[e];
            PutByte(out, ExtensionIntro);
            PutByte(out, labels[ext.ExtKind]);
            out += ext.Fixed;
            if (ext.ExtKind == ekGraphicControl) continue;
            for (const std::string& line : ext.Lines) PutSubBlocks(out, line);
            PutByte(out, 0);
        }
        const TGIFItem& item = *frame.Item;
        PutByte(out, ImageIntro);
        PutWord(out, unsigned(frame.FrameLeft));
        PutWord(out, unsigned(frame.FrameTop));
        PutWord(out, unsigned(item.FrameWidth));
        PutWord(out, unsigned(item.FrameHeight));
        int bits = std::max(item.BitsPerPixel, GifBitsFor(item.FrameColors.Count));
        unsigned packed = frame.Interlaced ? 0x40 : 0;
        if (frame.LocalColors) packed |= 0x80 | (item.PackedFields & 0x20) | unsigned(bits - 1);
        PutByte(out, packed);
        if (frame.LocalColors) PutTable(out, item.FrameColors, bits);
        out += item.EncodedData;
    }
    if (!data.Comment.empty()) {
        out += "!\xFE";
        for (const std::string& line : data.Comment)
            if (!line.empty()) PutSubBlocks(out, std::string_view(line).substr(0, 255));
        PutByte(out, 0);
    }
    PutByte(out, Trailer);
    return out;
}

std::vector<uint8_t> DecodeGifPixels(const TGIFItem& item, bool interlaced, bool& corrupted,
                                     const std::function<void(int percent)>& progress) {
    const size_t width = size_t(item.FrameWidth), height = size_t(item.FrameHeight);
    std::string_view data = item.EncodedData;
    // No code yields more than a table's worth of pixels: a frame larger than its data could
    // ever fill is damaged, and is refused before its pixels are allocated.
    size_t codes = data.size() * 8 / 3 + 1;
    if (width * height > std::max<size_t>(size_t(1) << 20, codes * MaxCodes)) throw EReadError();
    std::vector<uint8_t> pixels(width * height, 0);
    if (data.empty()) {
        corrupted = true;
        return pixels;
    }
    int size = uint8_t(data[0]);
    if (size < 2 || size > 9) {
        size = std::clamp(size, 2, 9);
        corrupted = true;
    }
    const int clear = 1 << size, end = clear + 1;
    const uint8_t mask = uint8_t((1 << std::clamp(item.BitsPerPixel, 1, 8)) - 1);
    std::vector<uint16_t> prefix(MaxCodes);
    std::vector<uint8_t> suffix(MaxCodes), stack(MaxCodes + 1);
    for (int i = 0; i < clear && i < MaxCodes; ++i) suffix[size_t(i)] = uint8_t(i);

    // Rows top to bottom, or in the four interlace passes.
    static const size_t passStart[4] = {0, 4, 2, 1}, passStep[4] = {8, 8, 4, 2};
    int pass = interlaced ? 0 : 3;
    size_t row = interlaced ? 0 : 0, x = 0;
    size_t step = interlaced ? 8 : 1;
    bool full = false;
    auto put = [&](uint8_t index) {
        pixels[row * width + x] = index & mask;
        if (++x < width) return;
        x = 0;
        row += step;
        while (row >= height) {
            if (!interlaced || ++pass > 3) {
                full = true;
                return;
            }
            row = passStart[pass], step = passStep[pass];
        }
    };

    CodeReader in(data.substr(1));
    int codeWidth = size + 1, next = clear + 2, prev = -1, code = 0;
    uint8_t first = 0;
    size_t reported = 0;
    while (!full) {
        if (!in.Read(codeWidth, code)) {
            corrupted = true; // the data end before the end code
            break;
        }
        if (code == clear) {
            codeWidth = size + 1, next = clear + 2, prev = -1;
            continue;
        }
        if (code == end) break;
        if (code > next || (code == next && prev < 0) || (prev < 0 && code > clear)) {
            corrupted = true;
            break;
        }
        size_t depth = 0;
        int cur = code;
        if (code == next) {
            stack[depth++] = first;
            cur = prev;
        }
        while (cur >= clear) {
            if (depth >= MaxCodes) break;
            stack[depth++] = suffix[size_t(cur)];
            cur = prefix[size_t(cur)];
        }
        if (depth >= MaxCodes) {
            corrupted = true;
            break;
        }
        first = uint8_t(cur);
        stack[depth++] = first;
        while (depth && !full) put(stack[--depth]);
        if (prev >= 0 && next < MaxCodes) {
            prefix[size_t(next)] = uint16_t(prev);
            suffix[size_t(next)] = first;
            if (++next == 1 << codeWidth && codeWidth < 12) ++codeWidth;
        }
        prev = code;
        if (progress && in.Position() * 100 / data.size() >= reported + 10) {
            reported = in.Position() * 100 / data.size();
            progress(int(reported));
        }
    }
    return pixels;
}

std::string EncodeGifPixels(const uint8_t* indices, size_t count, int bitsPerPixel) {
    const int size = std::max(2, bitsPerPixel);
    const int clear = 1 << size, end = clear + 1;
    constexpr int Slots = 17777;
    std::vector<int32_t> keys(Slots), codesOf(Slots);
    int codeWidth = size + 1, next = clear + 2;
    auto reset = [&] {
        std::fill(keys.begin(), keys.end(), -1);
        codeWidth = size + 1, next = clear + 2;
    };
    reset();
    CodeWriter out;
    out.Write(clear, codeWidth);
    // An index past the table would read as a control code.
    const uint8_t mask = uint8_t((1 << size) - 1);
    if (count) {
        int string = indices[0] & mask;
        for (size_t i = 1; i < count; ++i) {
            const uint8_t pixel = indices[i] & mask;
            int key = string << 8 | pixel;
            int slot = int((unsigned(pixel) << 11 ^ unsigned(string) * 31u) % Slots);
            while (keys[size_t(slot)] >= 0 && keys[size_t(slot)] != key) slot = (slot + 1) % Slots;
            if (keys[size_t(slot)] == key) {
                string = codesOf[size_t(slot)];
                continue;
            }
            out.Write(string, codeWidth);
            keys[size_t(slot)] = key;
            codesOf[size_t(slot)] = next++;
            // The reader's table runs one entry behind this one.
            if (next > 1 << codeWidth) ++codeWidth;
            if (next > 4093) {
                out.Write(clear, codeWidth);
                reset();
            }
            string = pixel;
        }
        out.Write(string, codeWidth);
        if (next == 1 << codeWidth && codeWidth < 12) ++codeWidth;
    }
    out.Write(end, codeWidth);
    std::string bytes = out.Finish();
    std::string encoded(1, char(size));
    PutSubBlocks(encoded, bytes);
    encoded.push_back('\0');
    return encoded;
}

} // namespace kvz
