#pragma once
// Square (128-bit blocks and keys, eight rounds), the forerunner of Rijndael.

#include <cstdint>
#include <string>

#include "zip/crypto/cipher.h"

class TCipher_Square : public TCipher {
public:
    explicit TCipher_Square(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    void Init(const void* Key, int32_t KeyLen, const void* Vector) override;
    void EncryptBlock(void* Block) override;
    void DecryptBlock(void* Block) override;
    TCipherClass ClassType() const override { return Class(); }
    static TCipherClass Class();
    static TCipherDims Dimensions() { return {16, 16, 288}; }
};
