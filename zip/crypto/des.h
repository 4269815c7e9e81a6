#pragma once
// DES, triple DES with three keys (encrypt-decrypt-encrypt), and the 24-byte three-lane triple DES.

#include <cstdint>
#include <string>

#include "zip/crypto/cipher.h"

// Single DES; the schedule holds the encryption and the decryption subkeys.
class TCipher_1DES : public TCipher {
public:
    explicit TCipher_1DES(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    void Init(const void* Key, int32_t KeyLen, const void* Vector) override;
    void EncryptBlock(void* Block) override;
    void DecryptBlock(void* Block) override;
    TCipherClass ClassType() const override { return Class(); }
    static TCipherClass Class();
    static TCipherDims Dimensions() { return {8, 8, 256}; }

protected:
    TCipher_1DES(const TCipherDims& Dims, TProtection* Chained) : TCipher(Dims, Chained) {}
    // One DES pass of an 8-byte block with the 16 subkeys at Subkeys.
    static void DesBlock(const uint64_t* Subkeys, uint8_t* Block);
    // Encryption subkeys of an 8-byte key to Enc, decryption ones to Dec.
    static void MakeSubkeys(const uint8_t* Key, uint64_t* Enc, uint64_t* Dec);
    uint64_t* Subkeys(int Index) { return reinterpret_cast<uint64_t*>(ScheduleBytes()) + 16 * Index; }
};

// Triple DES, E(K3) D(K2) E(K1) on 8-byte blocks; K1..K3 are key bytes
// 0-7, 8-15 and 16-23 of the zero-padded key (a 16-byte key gives a zero K3).
class TCipher_3DES : public TCipher_1DES {
public:
    explicit TCipher_3DES(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    void Init(const void* Key, int32_t KeyLen, const void* Vector) override;
    void EncryptBlock(void* Block) override;
    void DecryptBlock(void* Block) override;
    TCipherClass ClassType() const override { return Class(); }
    static TCipherClass Class();
    static TCipherDims Dimensions() { return {8, 24, 768}; }

protected:
    TCipher_3DES(const TCipherDims& Dims, TProtection* Chained) : TCipher_1DES(Dims, Chained) {}
};

// Triple DES over a 24-byte block of three DES lanes that trade words
// between the stages.
class TCipher_3TDES : public TCipher_3DES {
public:
    explicit TCipher_3TDES(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    void EncryptBlock(void* Block) override;
    void DecryptBlock(void* Block) override;
    TCipherClass ClassType() const override { return Class(); }
    static TCipherClass Class();
    static TCipherDims Dimensions() { return {24, 24, 768}; }
};
