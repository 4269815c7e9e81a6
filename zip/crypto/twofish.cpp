#include "zip/crypto/twofish.h"

#include <cstring>

namespace {

// The 4-bit tables from which the two fixed permutations q0 and q1 are built.
const uint8_t kQT[2][4][16] = {
    {{0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
     {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
     {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
     {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}},
    {{0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
     {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
     {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
     {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}}};

const uint8_t kMDS[4][4] = {{0x01, 0xEF, 0x5B, 0x5B}, {0x5B, 0xEF, 0xEF, 0x01}, {0xEF, 0x5B, 0x01, 0xEF},
                            {0xEF, 0x01, 0xEF, 0x5B}};
const uint8_t kRS[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                           {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                           {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                           {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};

uint8_t GfMul(uint8_t a, uint8_t b, unsigned poly)
{
    unsigned x = a, r = 0;
    while (b) {
        if (b & 1)
            r ^= x;
        x <<= 1;
        if (x & 0x100)
            x ^= poly;
        b >>= 1;
    }
    return uint8_t(r);
}

struct TTwofishTables {
    uint8_t Q[2][256];
    // MDS column b times byte y, as a little-endian word.
    uint32_t M[4][256];
    TTwofishTables()
    {
        for (int n = 0; n < 2; ++n)
            for (int x = 0; x < 256; ++x) {
                auto ror4 = [](unsigned v) { return ((v >> 1) | (v << 3)) & 15u; };
                unsigned a = unsigned(x) >> 4, b = unsigned(x) & 15u;
                unsigned a1 = a ^ b, b1 = (a ^ ror4(b) ^ (8 * a)) & 15u;
                unsigned a2 = kQT[n][0][a1], b2 = kQT[n][1][b1];
                unsigned a3 = a2 ^ b2, b3 = (a2 ^ ror4(b2) ^ (8 * a2)) & 15u;
                unsigned a4 = kQT[n][2][a3], b4 = kQT[n][3][b3];
                Q[n][x] = uint8_t(16 * b4 + a4);
            }
        for (int b = 0; b < 4; ++b)
            for (int y = 0; y < 256; ++y) {
                uint32_t w = 0;
                for (int i = 0; i < 4; ++i)
                    w |= uint32_t(GfMul(uint8_t(y), kMDS[i][b], 0x169)) << (8 * i);
                M[b][y] = w;
            }
    }
};

const TTwofishTables& Tables()
{
    static const TTwofishTables t;
    return t;
}

// Which permutation each byte position passes through at each stage of h.
const uint8_t kQ4[4] = {1, 0, 0, 1};
const uint8_t kQ3[4] = {1, 1, 0, 0};
const uint8_t kQ2[4] = {0, 1, 0, 1};
const uint8_t kQ1[4] = {0, 0, 1, 1};
const uint8_t kQ0[4] = {1, 0, 1, 0};

// Byte j of h(X, L) before the MDS step; L has K words.
uint8_t HByte(int j, uint8_t y, const uint32_t* L, int K)
{
    const TTwofishTables& t = Tables();
    auto lb = [&](int w) { return uint8_t(L[w] >> (8 * j)); };
    if (K == 4)
        y = t.Q[kQ4[j]][y] ^ lb(3);
    if (K >= 3)
        y = t.Q[kQ3[j]][y] ^ lb(2);
    y = t.Q[kQ2[j]][y] ^ lb(1);
    y = t.Q[kQ1[j]][y] ^ lb(0);
    return t.Q[kQ0[j]][y];
}

uint32_t H(uint32_t X, const uint32_t* L, int K)
{
    const TTwofishTables& t = Tables();
    uint32_t w = 0;
    for (int j = 0; j < 4; ++j)
        w ^= t.M[j][HByte(j, uint8_t(X >> (8 * j)), L, K)];
    return w;
}

inline uint32_t LoadLE(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreLE(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

TCipher* Make(const std::string& Password, TProtection* Chained)
{
    return new TCipher_Twofish(Password, Chained);
}

} // namespace

TCipherClass TCipher_Twofish::Class()
{
    static const TCipherClassRec rec{"TCipher_Twofish", Dimensions(), Make};
    return &rec;
}

TCipher_Twofish::TCipher_Twofish(const std::string& Password, TProtection* Chained)
    : TCipher(Dimensions(), Chained)
{
    Setup(Password);
}

// Schedule layout: 40 subkey words, then the four key-dependent g tables.
void TCipher_Twofish::Init(const void* Key, int32_t KeyLen, const void* Vector)
{
    BeginInit(KeyLen);
    uint8_t key[32] = {};
    if (KeyLen > 0)
        std::memcpy(key, Key, size_t(KeyLen));
    const int k = KeyLen <= 16 ? 2 : KeyLen <= 24 ? 3 : 4;
    uint32_t me[4], mo[4], s[4];
    for (int i = 0; i < k; ++i) {
        me[i] = LoadLE(key + 8 * i);
        mo[i] = LoadLE(key + 8 * i + 4);
        uint32_t w = 0;
        for (int r = 0; r < 4; ++r) {
            uint8_t v = 0;
            for (int c = 0; c < 8; ++c)
                v ^= GfMul(key[8 * i + c], kRS[r][c], 0x14D);
            w |= uint32_t(v) << (8 * r);
        }
        s[k - 1 - i] = w;
    }
    uint32_t* K = ScheduleWords();
    const uint32_t rho = 0x01010101u;
    for (uint32_t i = 0; i < 20; ++i) {
        const uint32_t a = H(2 * i * rho, me, k);
        const uint32_t b = RotateLeft32(H((2 * i + 1) * rho, mo, k), 8);
        K[2 * i] = a + b;
        K[2 * i + 1] = RotateLeft32(a + 2 * b, 9);
    }
    const TTwofishTables& t = Tables();
    uint32_t* G = K + 40;
    for (int j = 0; j < 4; ++j)
        for (int x = 0; x < 256; ++x)
            G[256 * j + x] = t.M[j][HByte(j, uint8_t(x), s, k)];
    SecureZero(key, sizeof key);
    SecureZero(me, sizeof me);
    SecureZero(mo, sizeof mo);
    SecureZero(s, sizeof s);
    FinishKeySetup(Vector);
}

void TCipher_Twofish::EncryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    const uint32_t* K = ScheduleWords();
    const uint32_t* G = K + 40;
    auto g = [G](uint32_t x) {
        return G[x & 255] ^ G[256 + ((x >> 8) & 255)] ^ G[512 + ((x >> 16) & 255)] ^ G[768 + (x >> 24)];
    };
    uint32_t r0 = LoadLE(b) ^ K[0], r1 = LoadLE(b + 4) ^ K[1], r2 = LoadLE(b + 8) ^ K[2], r3 = LoadLE(b + 12) ^ K[3];
    for (int r = 0; r < 16; ++r) {
        const uint32_t t0 = g(r0), t1 = g(RotateLeft32(r1, 8));
        r2 = RotateRight32(r2 ^ (t0 + t1 + K[2 * r + 8]), 1);
        r3 = RotateLeft32(r3, 1) ^ (t0 + 2 * t1 + K[2 * r + 9]);
        std::swap(r0, r2);
        std::swap(r1, r3);
    }
    StoreLE(b, r2 ^ K[4]);
    StoreLE(b + 4, r3 ^ K[5]);
    StoreLE(b + 8, r0 ^ K[6]);
    StoreLE(b + 12, r1 ^ K[7]);
}

void TCipher_Twofish::DecryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    const uint32_t* K = ScheduleWords();
    const uint32_t* G = K + 40;
    auto g = [G](uint32_t x) {
        return G[x & 255] ^ G[256 + ((x >> 8) & 255)] ^ G[512 + ((x >> 16) & 255)] ^ G[768 + (x >> 24)];
    };
    uint32_t r2 = LoadLE(b) ^ K[4], r3 = LoadLE(b + 4) ^ K[5], r0 = LoadLE(b + 8) ^ K[6], r1 = LoadLE(b + 12) ^ K[7];
    for (int r = 15; r >= 0; --r) {
        std::swap(r0, r2);
        std::swap(r1, r3);
        const uint32_t t0 = g(r0), t1 = g(RotateLeft32(r1, 8));
        r2 = RotateLeft32(r2, 1) ^ (t0 + t1 + K[2 * r + 8]);
        r3 = RotateRight32(r3 ^ (t0 + 2 * t1 + K[2 * r + 9]), 1);
    }
    StoreLE(b, r0 ^ K[0]);
    StoreLE(b + 4, r1 ^ K[1]);
    StoreLE(b + 8, r2 ^ K[2]);
    StoreLE(b + 12, r3 ^ K[3]);
}
