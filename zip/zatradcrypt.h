#pragma once
// The traditional PKWARE encryption of ZIP items ("ZipCrypto"): three 32-bit
// keys driven by the CRC-32 table, a 12-byte header in front of the data.

#include <cstddef>
#include <cstdint>
#include <string_view>

class TZATradCrypt {
public:
    explicit TZATradCrypt(std::string_view password) { Init(password); }
    void Init(std::string_view password);
    // In place, over whole buffers.
    void Encrypt(void* data, std::size_t count);
    void Decrypt(void* data, std::size_t count);

private:
    inline uint8_t StreamByte() const
    {
        uint32_t t = (Key2 & 0xFFFF) | 2;
        return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    }
    inline void UpdateKeys(uint8_t c);

    uint32_t Key0 = 0, Key1 = 0, Key2 = 0;
    const uint32_t* Table;
};

// CRC-32 of ZIP (zlib's crc32): crc of data appended to a running value that
// starts at 0.
uint32_t ZACrc32(uint32_t crc, const void* data, std::size_t count);
