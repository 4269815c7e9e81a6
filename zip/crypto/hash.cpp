#include "zip/crypto/hash.h"

#include <algorithm>
#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "digests are read from the chaining words in memory order");

namespace {

inline uint32_t Rol(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

inline void LoadWords(const uint8_t* Block, uint32_t X[16])
{
    std::memcpy(X, Block, 64);
}

// Word order and rotation amounts of the two RIPEMD lines (64 steps each).
const uint8_t kRL[64] = {0, 1, 2,  3,  4,  5,  6,  7, 8,  9, 10, 11, 12, 13, 14, 15,
                         7, 4, 13, 1,  10, 6,  15, 3, 12, 0, 9,  5,  2,  14, 11, 8,
                         3, 10, 14, 4, 9,  15, 8,  1, 2,  7, 0,  6,  13, 11, 5,  12,
                         1, 9, 11, 10, 0,  8,  12, 4, 13, 3, 7,  15, 14, 5,  6,  2};
const uint8_t kRR[64] = {5,  14, 7,  0,  9,  2,  11, 4,  13, 6,  15, 8,  1,  10, 3,  12,
                         6,  11, 3,  7,  0,  13, 5,  10, 14, 15, 8,  12, 4,  9,  1,  2,
                         15, 5,  1,  3,  7,  14, 6,  9,  11, 8,  12, 2,  10, 0,  4,  13,
                         8,  6,  4,  1,  3,  11, 15, 0,  5,  12, 2,  13, 9,  7,  10, 14};
const uint8_t kSL[64] = {11, 14, 15, 12, 5,  8,  7,  9,  11, 13, 14, 15, 6,  7,  9,  8,
                         7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15, 9,  11, 7,  13, 12,
                         11, 13, 6,  7,  14, 9,  13, 15, 14, 8,  13, 6,  5,  12, 7,  5,
                         11, 12, 14, 15, 14, 15, 9,  8,  9,  14, 5,  6,  8,  6,  5,  12};
const uint8_t kSR[64] = {8,  9,  9,  11, 13, 15, 15, 5,  7,  7,  8,  11, 14, 14, 12, 6,
                         9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12, 7,  6,  15, 13, 11,
                         9,  7,  15, 11, 8,  6,  6,  14, 12, 13, 5,  14, 13, 13, 7,  5,
                         15, 5,  8,  11, 14, 14, 6,  14, 6,  9,  12, 9,  12, 5,  15, 8};
const uint32_t kKL[4] = {0x00000000u, 0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu};
const uint32_t kKR[4] = {0x50A28BE6u, 0x5C4DD124u, 0x6D703EF3u, 0x00000000u};

inline uint32_t RipeF(int round, uint32_t x, uint32_t y, uint32_t z)
{
    switch (round) {
    case 0: return x ^ y ^ z;
    case 1: return (x & y) | (~x & z);
    case 2: return (x | ~y) ^ z;
    default: return (x & z) | (y & ~z);
    }
}

// One step of a RIPEMD line over the registers a, b, c, d.
inline void RipeStep(uint32_t r[4], uint32_t f, uint32_t x, uint32_t k, int s)
{
    const uint32_t t = Rol(r[0] + f + x + k, s);
    r[0] = r[3];
    r[3] = r[2];
    r[2] = r[1];
    r[1] = t;
}

// Both lines of RIPEMD-128/256 for one round (16 steps).
void RipeRound(int round, uint32_t L[4], uint32_t R[4], const uint32_t X[16])
{
    for (int j = round * 16; j < round * 16 + 16; ++j) {
        RipeStep(L, RipeF(round, L[1], L[2], L[3]), X[kRL[j]], kKL[round], kSL[j]);
        RipeStep(R, RipeF(3 - round, R[1], R[2], R[3]), X[kRR[j]], kKR[round], kSR[j]);
    }
}

THash* MakeMD4() { return new THash_MD4(); }
THash* MakeRipeMD128() { return new THash_RipeMD128(); }
THash* MakeRipeMD256() { return new THash_RipeMD256(); }

} // namespace

// ---------------------------------------------------------------------------
// Pipeline

void THash::CalcBuffer(const void* Data, int32_t Len)
{
    Start();
    Feed(Data, Len);
    Finish();
}

void THash::StartAction(uint8_t A)
{
    Start();
    if (A == actWipe)
        FillRandomBytes(TimeSeed(), DigestBytes(), DigestLength());
    TProtection::StartAction(A);
}

void THash::FinishAction(uint8_t A)
{
    TProtection::FinishAction(A);
    if (A == actDigest)
        Finish();
    else
        Start();
}

void THash::ProcessChunk(void* Buffer, int32_t Size, uint8_t A)
{
    if (A != actDecode)
        TProtection::ProcessChunk(Buffer, Size, A);
    const int32_t L = DigestLength();
    if (InActionSet(A) && Buffer && L > 0) {
        auto* b = static_cast<uint8_t*>(Buffer);
        if (A == actDigest) {
            Feed(Buffer, Size);
        } else if (A == actScramble || A == actWipe) {
            for (int32_t pos = 0; pos < Size; pos += L) {
                const int32_t m = std::min(L, Size - pos);
                Feed(b + pos, m);
                Finish();
                std::memcpy(b + pos, DigestBytes(), size_t(m));
            }
        } else if (A == actEncode || A == actDecode) {
            // A keystream made by rehashing the digest.
            uint8_t digest[64];
            for (int32_t pos = 0; pos < Size; pos += L) {
                const int32_t m = std::min(L, Size - pos);
                std::memcpy(digest, DigestBytes(), size_t(L));
                Feed(digest, L);
                Finish();
                XorBlocks(b + pos, DigestBytes(), m, b + pos);
            }
        }
    }
    if (A == actDecode)
        TProtection::ProcessChunk(Buffer, Size, A);
}

// ---------------------------------------------------------------------------
// MD4 and the shared padding

THashClass THash_MD4::Class()
{
    static const THashClassRec rec{"THash_MD4", MakeMD4};
    return &rec;
}

THash_MD4::~THash_MD4()
{
    // Keep no digest of a password behind in freed memory.
    volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(ChainWords);
    for (size_t i = 0; i < sizeof ChainWords; ++i)
        p[i] = 0;
}

void THash_MD4::Start()
{
    std::memset(InputBlock, 0, sizeof InputBlock);
    static const uint32_t init[10] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u,
                                      0x76543210u, 0xFEDCBA98u, 0x89ABCDEFu, 0x01234567u, 0x3C2D1E0Fu};
    std::memcpy(ChainWords, init, sizeof init);
    ByteCount = 0;
}

void THash_MD4::Feed(const void* Data, int32_t Len)
{
    if (Len <= 0 || !Data)
        return;
    const auto* p = static_cast<const uint8_t*>(Data);
    const uint32_t k = uint32_t(ByteCount % 64);
    ByteCount += uint64_t(Len);
    if (k > 0) {
        if (uint32_t(Len) < 64 - k) {
            std::memcpy(InputBlock + k, p, size_t(Len));
            return;
        }
        std::memcpy(InputBlock + k, p, 64 - k);
        Compress(InputBlock);
        p += 64 - k;
        Len -= int32_t(64 - k);
    }
    while (Len >= 64) {
        Compress(p);
        p += 64;
        Len -= 64;
    }
    if (Len > 0)
        std::memcpy(InputBlock, p, size_t(Len));
}

void THash_MD4::Finish()
{
    const uint32_t k = uint32_t(ByteCount % 64);
    InputBlock[k] = 0x80;
    if (k + 1 > 56) {
        std::memset(InputBlock + k + 1, 0, 63 - k);
        Compress(InputBlock);
        std::memset(InputBlock, 0, 64);
    } else {
        std::memset(InputBlock + k + 1, 0, 55 - k);
    }
    // The full 64-bit bit count, so inputs of 512 MiB and more hash right.
    const uint64_t bits = ByteCount * 8u;
    std::memcpy(InputBlock + 56, &bits, 8);
    Compress(InputBlock);
    std::memset(InputBlock, 0, 64);
}

void THash_MD4::Compress(const uint8_t* Block)
{
    uint32_t X[16];
    LoadWords(Block, X);
    uint32_t a = ChainWords[0], b = ChainWords[1], c = ChainWords[2], d = ChainWords[3];
    auto F = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); };
    auto G = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (x & z) | (y & z); };
    auto H = [](uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; };
    static const int s1[4] = {3, 7, 11, 19}, s2[4] = {3, 5, 9, 13}, s3[4] = {3, 9, 11, 15};
    static const int o3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rol(a + F(b, c, d) + X[i], s1[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rol(a + G(b, c, d) + X[(i % 4) * 4 + i / 4] + 0x5A827999u, s2[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rol(a + H(b, c, d) + X[o3[i]] + 0x6ED9EBA1u, s3[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    ChainWords[0] += a;
    ChainWords[1] += b;
    ChainWords[2] += c;
    ChainWords[3] += d;
}

// ---------------------------------------------------------------------------
// RIPEMD-128

THashClass THash_RipeMD128::Class()
{
    static const THashClassRec rec{"THash_RipeMD128", MakeRipeMD128};
    return &rec;
}

void THash_RipeMD128::Compress(const uint8_t* Block)
{
    uint32_t X[16];
    LoadWords(Block, X);
    uint32_t L[4] = {ChainWords[0], ChainWords[1], ChainWords[2], ChainWords[3]};
    uint32_t R[4] = {ChainWords[0], ChainWords[1], ChainWords[2], ChainWords[3]};
    for (int round = 0; round < 4; ++round)
        RipeRound(round, L, R, X);
    const uint32_t t = ChainWords[1] + L[2] + R[3];
    ChainWords[1] = ChainWords[2] + L[3] + R[0];
    ChainWords[2] = ChainWords[3] + L[0] + R[1];
    ChainWords[3] = ChainWords[0] + L[1] + R[2];
    ChainWords[0] = t;
}

// ---------------------------------------------------------------------------
// RIPEMD-256

THashClass THash_RipeMD256::Class()
{
    static const THashClassRec rec{"THash_RipeMD256", MakeRipeMD256};
    return &rec;
}

void THash_RipeMD256::Start()
{
    THash_MD4::Start();
    static const uint32_t init[10] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0x76543210u,
                                      0xFEDCBA98u, 0x89ABCDEFu, 0x01234567u, 0xC3D2E1F0u, 0x3C2D1E0Fu};
    std::memcpy(ChainWords, init, sizeof init);
}

void THash_RipeMD256::Compress(const uint8_t* Block)
{
    uint32_t X[16];
    LoadWords(Block, X);
    uint32_t L[4] = {ChainWords[0], ChainWords[1], ChainWords[2], ChainWords[3]};
    uint32_t R[4] = {ChainWords[4], ChainWords[5], ChainWords[6], ChainWords[7]};
    for (int round = 0; round < 4; ++round) {
        RipeRound(round, L, R, X);
        // After each round the lines trade one register: A, then B, C, D.
        std::swap(L[round], R[round]);
    }
    for (int i = 0; i < 4; ++i) {
        ChainWords[i] += L[i];
        ChainWords[4 + i] += R[i];
    }
}
