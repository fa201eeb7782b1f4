// The stream cipher of password tables and the password check block that guards them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvz {

// A byte-oriented stream cipher with a 256-byte card permutation and five state bytes.
class TSapphire {
public:
    TSapphire() { Burn(); }
    ~TSapphire() { Burn(); }
    TSapphire(const TSapphire&) = delete;
    TSapphire& operator=(const TSapphire&) = delete;

    // Stores the key (bytes) and runs the key setup; an empty key gives the keyless start.
    void SetKey(std::string_view key);
    void EncryptBuffer(void* buffer, size_t length);
    void DecryptBuffer(void* buffer, size_t length);
    // Clears the cards and the key and returns to the keyless start state.
    void Burn();

private:
    void KeylessStart();
    uint8_t KeyRand(unsigned limit, uint8_t& rsum, size_t& keypos);
    uint8_t Step(uint8_t in, bool encrypt);

    std::string key_;
    std::array<uint8_t, 256> cards_{};
    uint8_t rotor_ = 0, ratchet_ = 0, avalanche_ = 0, lastPlain_ = 0, lastCipher_ = 0;
};

// CRC-16 with the reflected polynomial 0xA001, start 0xFFFF and no final XOR.
uint16_t Crc16Step(uint16_t crc, uint8_t byte);
uint16_t Crc16(std::string_view bytes, uint16_t crc = 0xFFFF);

constexpr size_t kCheckBlockSize = 40;
constexpr size_t kCheckTextSize = 38;
using TCheckBlock = std::array<uint8_t, kCheckBlockSize>;

// The plain block of a 38-character identifier text: the text and its CRC, low byte first.
TCheckBlock MakePlainCheckBlock(std::string_view guidText);
// The block as stored: the text enciphered with the password (code-page bytes), the CRC plain.
TCheckBlock EncipherCheckBlock(const TCheckBlock& plain, std::string_view password, TSapphire& cipher);
// Whether the password turns the stored block into a well-formed text; on a fit, plainOut
// receives the plain block.
bool TestCheckBlock(const TCheckBlock& stored, std::string_view password, TSapphire& cipher, TCheckBlock& plainOut);
// The 38-character text of a plain block: the key of the table's body.
inline std::string_view CheckBlockText(const TCheckBlock& plain) {
    return std::string_view(reinterpret_cast<const char*>(plain.data()), kCheckTextSize);
}

} // namespace kvz
