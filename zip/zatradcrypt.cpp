#include "zip/zatradcrypt.h"

#include <zlib.h>

uint32_t ZACrc32(uint32_t crc, const void* data, std::size_t count)
{
    const Bytef* p = static_cast<const Bytef*>(data);
    while (count > 0) {
        uInt n = count > 0x40000000u ? 0x40000000u : static_cast<uInt>(count);
        crc = static_cast<uint32_t>(crc32(crc, p, n));
        p += n;
        count -= n;
    }
    return crc;
}

inline void TZATradCrypt::UpdateKeys(uint8_t c)
{
    Key0 = Table[(Key0 ^ c) & 0xFF] ^ (Key0 >> 8);
    Key1 = (Key1 + (Key0 & 0xFF)) * 134775813u + 1;
    Key2 = Table[(Key2 ^ (Key1 >> 24)) & 0xFF] ^ (Key2 >> 8);
}

void TZATradCrypt::Init(std::string_view password)
{
    Table = reinterpret_cast<const uint32_t*>(get_crc_table());
    Key0 = 0x12345678u;
    Key1 = 0x23456789u;
    Key2 = 0x34567890u;
    for (char c : password)
        UpdateKeys(static_cast<uint8_t>(c));
}

void TZATradCrypt::Encrypt(void* data, std::size_t count)
{
    uint8_t* p = static_cast<uint8_t*>(data);
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t plain = p[i];
        p[i] = plain ^ StreamByte();
        UpdateKeys(plain);
    }
}

void TZATradCrypt::Decrypt(void* data, std::size_t count)
{
    uint8_t* p = static_cast<uint8_t*>(data);
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t plain = p[i] ^ StreamByte();
        p[i] = plain;
        UpdateKeys(plain);
    }
}
