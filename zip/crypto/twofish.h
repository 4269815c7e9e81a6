#pragma once
// Twofish (128-bit blocks, 128-, 192- and 256-bit keys).

#include <cstdint>
#include <string>

#include "zip/crypto/cipher.h"

class TCipher_Twofish : public TCipher {
public:
    explicit TCipher_Twofish(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    void Init(const void* Key, int32_t KeyLen, const void* Vector) override;
    void EncryptBlock(void* Block) override;
    void DecryptBlock(void* Block) override;
    TCipherClass ClassType() const override { return Class(); }
    static TCipherClass Class();
    static TCipherDims Dimensions() { return {16, 32, 4256}; }
};
