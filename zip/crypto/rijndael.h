#pragma once
// Rijndael with 128-bit blocks (AES) for 16-, 24- and 32-byte keys.

#include <cstdint>
#include <string>

#include "zip/crypto/cipher.h"

class TCipher_Rijndael : public TCipher {
public:
    explicit TCipher_Rijndael(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    void Init(const void* Key, int32_t KeyLen, const void* Vector) override;
    void EncryptBlock(void* Block) override;
    void DecryptBlock(void* Block) override;
    TCipherClass ClassType() const override { return Class(); }
    static TCipherClass Class();
    static TCipherDims Dimensions() { return {16, 32, 480}; }
    int32_t Rounds() const { return FRounds; }

private:
    int32_t FRounds = 0;
};
