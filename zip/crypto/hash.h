#pragma once
// Message digests that turn archive passwords into cipher keys: MD4 and the
// RIPEMD-128 / RIPEMD-256 functions built on the same padding.

#include <cstdint>

#include "zip/crypto/decutil.h"

class THash;

// A hash "class": its name and how to make an instance of it.
struct THashClassRec {
    const char* ClassName;
    THash* (*Create)();
};
using THashClass = const THashClassRec*;

class THash : public TProtection {
public:
    explicit THash(TProtection* Chained = nullptr) : TProtection(Chained) {}

    void StartAction(uint8_t A) override;
    void FinishAction(uint8_t A) override;
    void ProcessChunk(void* Buffer, int32_t Size, uint8_t A) override;

    virtual void Start() {}
    virtual void Feed(const void* /*Data*/, int32_t /*Len*/) {}
    virtual void Finish() {}
    virtual uint8_t* DigestBytes() { return nullptr; }
    virtual int32_t DigestLength() const { return 0; }
    virtual THashClass ClassType() const = 0;

    // Start, feed, finish: the digest of one buffer.
    void CalcBuffer(const void* Data, int32_t Len);
};

class THash_MD4 : public THash {
public:
    explicit THash_MD4(TProtection* Chained = nullptr) : THash(Chained) { THash_MD4::Start(); }
    ~THash_MD4() override;

    void Start() override;
    void Feed(const void* Data, int32_t Len) override;
    void Finish() override;
    uint8_t* DigestBytes() override { return reinterpret_cast<uint8_t*>(ChainWords); }
    int32_t DigestLength() const override { return 16; }
    THashClass ClassType() const override { return Class(); }
    static THashClass Class();

    uint64_t ByteCount = 0;
    uint8_t InputBlock[64] = {};
    // Kept little-endian in memory so the digest is its first bytes.
    uint32_t ChainWords[10] = {};

protected:
    virtual void Compress(const uint8_t* Block);
};

class THash_RipeMD128 : public THash_MD4 {
public:
    explicit THash_RipeMD128(TProtection* Chained = nullptr) : THash_MD4(Chained) {}
    THashClass ClassType() const override { return Class(); }
    static THashClass Class();

protected:
    void Compress(const uint8_t* Block) override;
};

class THash_RipeMD256 : public THash_MD4 {
public:
    explicit THash_RipeMD256(TProtection* Chained = nullptr) : THash_MD4(Chained) { THash_RipeMD256::Start(); }
    void Start() override;
    int32_t DigestLength() const override { return 32; }
    THashClass ClassType() const override { return Class(); }
    static THashClass Class();

protected:
    void Compress(const uint8_t* Block) override;
};
