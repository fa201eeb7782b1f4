// Little-endian bytes of the picture file formats (bitmap, GIF, animated cursor, icon), read
// only within the data at hand and written in one place. No Qt: the readers are fuzzed alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kvz {

// A picture operation that cannot be done; the message is the program's own text.
class EInvalidGraphicOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Data that end early or contradict themselves.
class EReadError : public EInvalidGraphicOperation {
public:
    EReadError() : EInvalidGraphicOperation("Stream read error") {}
};

// Reads forward through a view; every step checks what remains, so a declared size or count
// can never reach past the data.
class TByteReader {
public:
    explicit TByteReader(std::string_view data) : data_(data) {}
    size_t Remaining() const { return data_.size() - pos_; }
    size_t Position() const { return pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }
    void Need(size_t count) const {
        if (count > Remaining()) throw EReadError();
    }
    uint8_t Byte() {
        Need(1);
        return uint8_t(data_[pos_++]);
    }
    uint16_t Word() {
        Need(2);
        uint16_t v = uint16_t(uint8_t(data_[pos_]) | (uint8_t(data_[pos_ + 1]) << 8));
        pos_ += 2;
        return v;
    }
    uint32_t Long() {
        Need(4);
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(data_[pos_ + size_t(i)]);
        pos_ += 4;
        return v;
    }
    std::string_view Bytes(size_t count) {
        Need(count);
        std::string_view v = data_.substr(pos_, count);
        pos_ += count;
        return v;
    }
    // Up to count bytes: what remains when less does.
    std::string_view UpTo(size_t count) { return Bytes(count < Remaining() ? count : Remaining()); }
    void Skip(size_t count) { Bytes(count); }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

inline uint16_t PeekWord(std::string_view data, size_t at) {
    if (at + 2 > data.size()) throw EReadError();
    return uint16_t(uint8_t(data[at]) | (uint8_t(data[at + 1]) << 8));
}
inline uint32_t PeekLong(std::string_view data, size_t at) {
    if (at + 4 > data.size()) throw EReadError();
    return uint32_t(PeekWord(data, at)) | (uint32_t(PeekWord(data, at + 2)) << 16);
}

inline void PutByte(std::string& out, unsigned value) { out.push_back(char(value & 0xFF)); }
inline void PutWord(std::string& out, unsigned value) {
    PutByte(out, value);
    PutByte(out, value >> 8);
}
inline void PutLong(std::string& out, uint32_t value) {
    PutWord(out, value & 0xFFFF);
    PutWord(out, value >> 16);
}
inline void PokeLong(std::string& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = char((value >> (8 * i)) & 0xFF);
}

} // namespace kvz
