#pragma once
// Block cipher base of the archive engine: chaining modes, keys from
// passwords, the class registry and the decipher step of the block reader.
// The block transforms themselves live in rijndael.h, blowfish.h, des.h,
// twofish.h and square.h.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "zip/crypto/decutil.h"
#include "zip/crypto/hash.h"

class ECipherException : public std::runtime_error {
public:
    ECipherException(int32_t code, const std::string& message) : std::runtime_error(message), Code(code) {}
    int32_t Code;
};

// Code of ECipherException when a cipher is used before it has a key.
constexpr int32_t CipherNotInitialized = 3;

enum TChainingMode : uint8_t {
    chXorChain = 0,
    chCBC = 1,
    chCFB8 = 2,
    chOFB8 = 3,
    chECB = 4,
    chXorChainMAC = 5,
    chCBCMAC = 6,
    chCFB8MAC = 7,
};

struct TCipherDims {
    int32_t BlockLen;
    int32_t KeyLimit;
    int32_t ScheduleLen;
};

class TCipher;

// A cipher "class": its name, dimensions and how to make an instance.
struct TCipherClassRec {
    const char* ClassName;
    TCipherDims Dims;
    TCipher* (*Create)(const std::string& Password, TProtection* Chained);
};
using TCipherClass = const TCipherClassRec*;

THashClass DefaultHashKind();

class TCipher : public TProtection {
public:
    // A cipher without a block transform (block length 0).
    explicit TCipher(const std::string& Password = std::string(), TProtection* Chained = nullptr);
    ~TCipher() override;

    void StartAction(uint8_t A) override;
    void FinishAction(uint8_t A) override;
    void ProcessChunk(void* Buffer, int32_t Size, uint8_t A) override;

    // Key from a password through the hash kind; Vector nil: the all-0xFF
    // block enciphered with the new key.
    void InitKey(const std::string& Password, const void* Vector);
    // Key bytes directly; an over-long key is shortened to KeyLimit.
    virtual void Init(const void* Key, int32_t KeyLen, const void* Vector);
    void EncipherBuffer(const void* Source, void* Dest, int32_t Size);
    void DecipherBuffer(const void* Source, void* Dest, int32_t Size);
    virtual void EncryptBlock(void* /*Block*/) {}
    virtual void DecryptBlock(void* /*Block*/) {}
    virtual void ResetChain();
    virtual void Wipe();

    // Flag 0: the key came from a password; flag 1: a key is set.
    bool GetStateFlag(int Index) const { return (FStateFlags >> Index) & 1u; }
    virtual void SetStateFlag(int Index, bool Value);

    void SetHashKind(THashClass Kind);
    THashClass HashKind() const { return FHashKind; }
    THash* GetHashObject();

    virtual TCipherClass ClassType() const;
    static TCipherClass Class();

    int32_t BlockLen() const { return FDims.BlockLen; }
    int32_t KeyLimit() const { return FDims.KeyLimit; }
    int32_t ScheduleLen() const { return FDims.ScheduleLen; }
    uint8_t* StartVector() { return FStartVector.data(); }
    uint8_t* ChainState() { return FChainState.data(); }
    uint8_t* WorkBlock() { return FWorkBlock.data(); }

    uint8_t ChainingMode = chXorChain;

protected:
    TCipher(const TCipherDims& Dims, TProtection* Chained);
    // The last construction step, run by the most derived constructor.
    void Setup(const std::string& Password);
    // First step of every Init: forget the old key, clamp KeyLen.
    void BeginInit(int32_t& KeyLen);
    virtual void FinishKeySetup(const void* Vector);
    uint32_t* ScheduleWords() { return reinterpret_cast<uint32_t*>(FSchedule.data()); }
    uint8_t* ScheduleBytes() { return FSchedule.data(); }

private:
    void CheckInitialized() const;
    void ChainStep(uint8_t A);
    void PartialBlock(const uint8_t* In, uint8_t* Out, int32_t N, bool Mix);
    void ByteModes(const uint8_t* Source, uint8_t* Dest, int32_t Size, bool Decipher);

    TCipherDims FDims;
    THash* FHashObject = nullptr;
    THashClass FHashKind;
    uint32_t FStateFlags = 0;
    std::vector<uint8_t> FWorkBlock, FStartVector, FChainState, FSchedule;
};

// Overwrites memory so that the compiler cannot drop the stores.
void SecureZero(void* Data, size_t Len);

// The registry: lines "Name=Description" with their classes.
struct TCipherListEntry {
    std::string Line;
    TCipherClass Class;
};
std::vector<TCipherListEntry>& CipherClasses();
bool AddCipherClass(TCipherClass CipherClass, const std::string& Name, const std::string& Description);
// Removes a class again (a module that goes away takes its classes along).
void RemoveCipherClass(TCipherClass CipherClass);

// The decipher step of the engine's block reader: cipher types 0-7 (see
// the table in cipher.cpp) decipher Buffer in place with a key from Password;
// any other type leaves it unchanged. False when the cipher fails.
bool DecipherItemBuffer(int32_t CipherType, const std::string& Password, void* Buffer, int32_t Size);
// The inverse, for writing test data of the block format.
bool EncipherItemBuffer(int32_t CipherType, const std::string& Password, void* Buffer, int32_t Size);
