#include "controls/KvAniCodec.h"

#include "controls/KvImageBytes.h"

#include <algorithm>

namespace kvz {

namespace {

constexpr size_t ChunkHeader = 8, MaxInfoText = 255;

struct Chunk {
    std::string_view id, tag, data;
};

// The next chunk; a chunk larger than what remains is damage.
Chunk NextChunk(TByteReader& in) {
    Chunk c;
    c.tag = in.Bytes(ChunkHeader);
    c.id = c.tag.substr(0, 4);
    uint32_t size = PeekLong(c.tag, 4);
    c.data = in.Bytes(size);
    if (size % 2 && !in.AtEnd()) in.Skip(1);
    return c;
}

std::string InfoText(std::string_view data) {
    data = data.substr(0, std::min(data.size(), MaxInfoText));
    return std::string(data.substr(0, std::min(data.size(), data.find('\0'))));
}

int ColoursOfBits(unsigned bits) { return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0; }

} // namespace

bool IsIconResource(std::string_view data) {
    if (data.size() < 6) return false;
    uint16_t type = PeekWord(data, 2);
    return PeekWord(data, 0) == 0 && (type == 1 || type == 2);
}

TAniIconResource ReadIconResource(std::string_view data) {
    if (!IsIconResource(data)) throw EReadError();
    TAniIconResource icon;
    icon.Data = std::string(data);
    icon.FromIcon = PeekWord(data, 2) == 1;
    icon.Data[2] = 1, icon.Data[3] = 0;
    size_t count = PeekWord(data, 4);
    if (count == 0 || 6 + count * 16 > data.size()) throw EReadError();
    for (size_t i = 0; i < count; ++i) {
        size_t entry = 6 + i * 16;
        uint32_t size = PeekLong(data, entry + 8), offset = PeekLong(data, entry + 12);
        if (offset > data.size() || size > data.size() - offset || size < 16) throw EReadError();
        std::string_view image = data.substr(offset, size);
        if (image.substr(0, 4) != "\x89PNG") icon.SourceColors = std::max(icon.SourceColors, ColoursOfBits(PeekWord(image, 14)));
        icon.HotSpotX = PeekWord(data, entry + 4);
        icon.HotSpotY = PeekWord(data, entry + 6);
    }
    return icon;
}

TAniFileRecord ReadAnimatedCursor(std::string_view data) {
    TByteReader in(data);
    if (in.Remaining() < 12 || in.Bytes(4) != "RIFF") throw EReadError();
    in.Skip(4);
    if (in.Bytes(4) != "ACON") throw EReadError();
    TAniFileRecord file;
    auto newFrame = [&](uint32_t index) { file.Frames.push_back({-1, file.Header.DisplayRate, index}); };
    bool ended = false;
    while (!ended && in.Remaining() >= ChunkHeader) {
        Chunk chunk = NextChunk(in);
        if (chunk.id == "anih") {
            std::string fixed(chunk.data.substr(0, std::min<size_t>(36, chunk.data.size())));
            fixed.resize(36, '\0');
            uint32_t* fields[] = {&file.Header.Size,     &file.Header.Frames, &file.Header.Steps,
                                  &file.Header.Width,    &file.Header.Height, &file.Header.BitCount,
                                  &file.Header.Planes,   &file.Header.DisplayRate, &file.Header.Flags};
            for (size_t i = 0; i < 9; ++i) *fields[i] = PeekLong(fixed, i * 4);
            if (!(file.Header.Flags & 1) || file.Header.Steps == 0) throw EReadError();
            // A frame shows an icon that the data must hold (8 bytes at the least) or name in
            // a "seq " entry (4 bytes): more frames than that cannot be, whatever the count says.
            uint32_t frames = uint32_t(std::min<uint64_t>(file.Header.Frames, data.size() / 4));
            file.Frames.clear();
            for (uint32_t i = 0; i < frames; ++i) newFrame(i);
        } else if (chunk.id == "rate" || chunk.id == "seq ") {
            TByteReader values(chunk.data);
            for (auto& frame : file.Frames) {
                if (values.Remaining() < 4) break;
                (chunk.id == "rate" ? frame.RateJiffies : frame.SeqIndex) = values.Long();
            }
        } else if (chunk.id == "LIST" && chunk.data.size() >= 4) {
            TByteReader list(chunk.data);
            std::string_view type = list.Bytes(4);
            if (type == "fram") {
                while (list.Remaining() > 7) {
                    Chunk sub = NextChunk(list);
                    if (sub.id != "icon") continue;
                    if (!IsIconResource(sub.data)) {
                        ended = true;
                        break;
                    }
                    TAniIconResource icon = ReadIconResource(sub.data);
                    icon.ChunkTag = std::string(sub.tag);
                    int number = int(file.Icons.size());
                    file.Icons.push_back(std::move(icon));
                    bool shown = false;
                    for (auto& frame : file.Frames)
                        if (frame.SeqIndex == uint32_t(number)) frame.Icon = number, shown = true;
                    if (!shown) {
                        newFrame(uint32_t(file.Frames.size()));
                        file.Frames.back().Icon = number;
                    }
                }
            } else if (type == "INFO") {
                while (list.Remaining() > 7) {
                    std::string_view tag = list.Bytes(ChunkHeader);
                    uint32_t size = PeekLong(tag, 4);
                    if (size > list.Remaining()) break;
                    std::string_view text = list.Bytes(size);
                    if (size % 2 && !list.AtEnd()) list.Skip(1);
                    if (tag.substr(0, 4) == "INAM") file.CursorName = InfoText(text);
                    else if (tag.substr(0, 4) == "IART") file.Artist = InfoText(text);
                }
            }
        }
    }
    std::erase_if(file.Frames, [](const TAniFrameRecord& f) { return f.Icon < 0; });
    file.Header.Steps = uint32_t(file.Frames.size());
    if (file.Frames.empty()) throw EReadError();
    return file;
}

std::vector<std::string> ReadIconListEntries(std::string_view data) {
    TByteReader in(data);
    uint32_t count = in.Long();
    // Each entry takes at least its size field.
    if (count > in.Remaining() / 4) throw EReadError();
    std::vector<std::string> entries;
    for (uint32_t i = 0; i < count; ++i) {
        int32_t size = int32_t(in.Long());
        entries.emplace_back(size > 0 ? in.Bytes(uint32_t(size)) : std::string_view());
    }
    return entries;
}

std::string WriteIconListEntries(const std::vector<std::string>& entries) {
    std::string out;
    PutLong(out, uint32_t(entries.size()));
    for (const std::string& entry : entries) {
        PutLong(out, uint32_t(entry.size()));
        out += entry;
    }
    return out;
}

} // namespace kvz
