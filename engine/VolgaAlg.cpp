#include "engine/VolgaAlg.h"

#include <algorithm>

namespace kvz {

void TSapphire::KeylessStart() {
    rotor_ = 1;
    ratchet_ = 3;
    avalanche_ = 5;
    lastPlain_ = 7;
    lastCipher_ = 11;
    for (int i = 0; i < 256; ++i) cards_[static_cast<size_t>(i)] = static_cast<uint8_t>(255 - i);
}

uint8_t TSapphire::KeyRand(unsigned limit, uint8_t& rsum, size_t& keypos) {
    if (limit == 0) return 0;
    unsigned mask = 1;
    while (mask < limit) mask = (mask << 1) + 1;
    unsigned retries = 0;
    unsigned u;
    do {
        rsum = static_cast<uint8_t>(cards_[rsum] + static_cast<uint8_t>(key_[keypos++]));
        if (keypos >= key_.size()) {
            keypos = 0;
            rsum = static_cast<uint8_t>(rsum + key_.size());
        }
        u = mask & rsum;
        if (++retries > 11) u %= limit;
    } while (u > limit);
    return static_cast<uint8_t>(u);
}

void TSapphire::SetKey(std::string_view key) {
    std::fill(key_.begin(), key_.end(), '\0');
    key_.assign(key);
    if (key_.empty()) {
        KeylessStart();
        return;
    }
    for (int i = 0; i < 256; ++i) cards_[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    uint8_t rsum = 0;
    size_t keypos = 0;
    for (unsigned i = 255; i >= 1; --i) {
        uint8_t swap = KeyRand(i, rsum, keypos);
        std::swap(cards_[i], cards_[swap]);
    }
    rotor_ = cards_[1];
    ratchet_ = cards_[3];
    avalanche_ = cards_[5];
    lastPlain_ = cards_[7];
    lastCipher_ = cards_[rsum];
}

uint8_t TSapphire::Step(uint8_t in, bool encrypt) {
    auto& c = cards_;
    ratchet_ = static_cast<uint8_t>(ratchet_ + c[rotor_]);
    rotor_ = static_cast<uint8_t>(rotor_ + 1);
    uint8_t t = c[lastCipher_];
    c[lastCipher_] = c[ratchet_];
    c[ratchet_] = c[lastPlain_];
    c[lastPlain_] = c[rotor_];
    c[rotor_] = t;
    avalanche_ = static_cast<uint8_t>(avalanche_ + c[t]);
    const uint8_t out = static_cast<uint8_t>(
        in ^ c[static_cast<uint8_t>(c[ratchet_] + c[rotor_])] ^
        c[c[static_cast<uint8_t>(c[lastPlain_] + c[lastCipher_] + c[avalanche_])]]);
    if (encrypt) {
        lastCipher_ = out;
        lastPlain_ = in;
    } else {
        lastPlain_ = out;
        lastCipher_ = in;
    }
    return out;
}

void TSapphire::EncryptBuffer(void* buffer, size_t length) {
    auto* p = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < length; ++i) p[i] = Step(p[i], true);
}

void TSapphire::DecryptBuffer(void* buffer, size_t length) {
    auto* p = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < length; ++i) p[i] = Step(p[i], false);
}

void TSapphire::Burn() {
    cards_.fill(0);
    std::fill(key_.begin(), key_.end(), '\0');
    key_.clear();
    KeylessStart();
}

uint16_t Crc16Step(uint16_t crc, uint8_t byte) {
    crc ^= byte;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    return crc;
}

uint16_t Crc16(std::string_view bytes, uint16_t crc) {
    for (char c : bytes) crc = Crc16Step(crc, static_cast<uint8_t>(c));
    return crc;
}

TCheckBlock MakePlainCheckBlock(std::string_view guidText) {
    TCheckBlock block{};
    std::copy_n(guidText.begin(), std::min(guidText.size(), kCheckTextSize), block.begin());
    const uint16_t crc = Crc16(CheckBlockText(block));
    block[38] = static_cast<uint8_t>(crc & 0xFF);
    block[39] = static_cast<uint8_t>(crc >> 8);
    return block;
}

TCheckBlock EncipherCheckBlock(const TCheckBlock& plain, std::string_view password, TSapphire& cipher) {
    TCheckBlock copy = plain;
    cipher.SetKey(password);
    cipher.EncryptBuffer(copy.data(), kCheckTextSize);
    cipher.Burn();
    return copy;
}

bool TestCheckBlock(const TCheckBlock& stored, std::string_view password, TSapphire& cipher, TCheckBlock& plainOut) {
    TCheckBlock copy = stored;
    cipher.SetKey(password);
    cipher.DecryptBuffer(copy.data(), kCheckTextSize);
    cipher.Burn();
    const std::string_view all(reinterpret_cast<const char*>(copy.data()), kCheckBlockSize);
    if (Crc16(all) != 0 || copy[0] != '{' || copy[37] != '}') return false;
    plainOut = copy;
    return true;
}

} // namespace kvz
