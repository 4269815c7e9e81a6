#pragma once
// Blowfish (64-bit blocks, keys up to 56 bytes, big-endian data words).

#include <cstdint>
#include <string>

#include "zip/crypto/cipher.h"

class TCipher_Blowfish : public TCipher {
public:
    explicit TCipher_Blowfish(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    void Init(const void* Key, int32_t KeyLen, const void* Vector) override;
    void EncryptBlock(void* Block) override;
    void DecryptBlock(void* Block) override;
    TCipherClass ClassType() const override { return Class(); }
    static TCipherClass Class();
    static TCipherDims Dimensions() { return {8, 56, 4168}; }

private:
    void Encrypt(uint32_t& L, uint32_t& R);
};
