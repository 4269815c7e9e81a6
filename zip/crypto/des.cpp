#include "zip/crypto/des.h"

#include <cstring>

namespace {

// Tables of FIPS 46-3; bit 1 is the most significant bit.
const uint8_t kIP[64] = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                         62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                         57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                         61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};
const uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                        2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};
const uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
                          35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
                          46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};
const uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                          26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                          51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
const uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
const uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,  0, 15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5,  3,  8,  4,  1,  14, 8,  13, 6, 2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7,  2,  13, 12, 0, 5,  10, 3,  13, 4,  7,  15, 2,
     8,  14, 12, 0,  1,  10, 6,  9,  11, 5,  0,  14, 7,  11, 10, 4, 13, 1, 5,  8,  12, 6,
     9,  3,  2,  15, 13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,  13, 7,  0,  9,  3,  4,
     6,  10, 2,  8,  5,  14, 12, 11, 15, 1,  13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12,
     5,  10, 14, 7,  1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15, 13, 8,  11, 5,  6,  15,
     0,  3,  4,  7,  2,  12, 1,  10, 14, 9,  10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14,
     5,  2,  8,  4,  3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5,  0,  15, 10, 3,  9,  8,  6,  4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0,  14, 11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4,  2,  7,  12,
     9,  5,  6,  1,  13, 14, 0,  11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10,
     1,  13, 11, 6,  4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,  13, 0,  11, 7,  4,  9,
     1,  10, 14, 3,  5,  12, 2,  15, 8,  6,  1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,
     0,  5,  9,  2,  6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,  1,  15, 13, 8,  10, 3,
     7,  4,  12, 5,  6,  11, 0,  14, 9,  2,  7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13,
     15, 3,  5,  8,  2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Output bit i (1-based, from the top of OutBits) takes input bit Table[i-1]
// (1-based, from the top of InBits).
uint64_t Permute(uint64_t In, const uint8_t* Table, int OutBits, int InBits)
{
    uint64_t out = 0;
    for (int i = 0; i < OutBits; ++i)
        out = (out << 1) | ((In >> (InBits - Table[i])) & 1u);
    return out;
}

struct TDesTables {
    uint32_t SP[8][64];   // S-box i and the P permutation in one lookup
    uint8_t FP[64];       // inverse of IP
    // The initial and final permutations, byte by byte: the image of byte
    // value v at byte position p (0 = most significant) alone.
    uint64_t IPBytes[8][256], FPBytes[8][256];
    TDesTables()
    {
        for (int i = 0; i < 8; ++i)
            for (int b = 0; b < 64; ++b) {
                const int row = ((b >> 4) & 2) | (b & 1);
                const int col = (b >> 1) & 15;
                const uint64_t v = uint64_t(kS[i][row * 16 + col]) << (28 - 4 * i);
                SP[i][b] = uint32_t(Permute(v, kP, 32, 32));
            }
        for (int i = 0; i < 64; ++i)
            FP[kIP[i] - 1] = uint8_t(i + 1);
        for (int p = 0; p < 8; ++p)
            for (int v = 0; v < 256; ++v) {
                const uint64_t in = uint64_t(v) << (56 - 8 * p);
                IPBytes[p][v] = Permute(in, kIP, 64, 64);
                FPBytes[p][v] = Permute(in, FP, 64, 64);
            }
    }
};

inline uint64_t PermuteBytes(const uint64_t (&Table)[8][256], uint64_t In)
{
    uint64_t out = 0;
    for (int p = 0; p < 8; ++p)
        out |= Table[p][(In >> (56 - 8 * p)) & 255];
    return out;
}

const TDesTables& Tables()
{
    static const TDesTables t;
    return t;
}

inline uint64_t Load64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
    return v;
}

inline void Store64(uint8_t* p, uint64_t v)
{
    for (int i = 7; i >= 0; --i) {
        p[i] = uint8_t(v);
        v >>= 8;
    }
}

TCipher* Make1(const std::string& Password, TProtection* Chained) { return new TCipher_1DES(Password, Chained); }
TCipher* Make3(const std::string& Password, TProtection* Chained) { return new TCipher_3DES(Password, Chained); }
TCipher* Make3T(const std::string& Password, TProtection* Chained) { return new TCipher_3TDES(Password, Chained); }

} // namespace

// ---------------------------------------------------------------------------
// Single DES

TCipherClass TCipher_1DES::Class()
{
    static const TCipherClassRec rec{"TCipher_1DES", Dimensions(), Make1};
    return &rec;
}

TCipher_1DES::TCipher_1DES(const std::string& Password, TProtection* Chained) : TCipher(Dimensions(), Chained)
{
    Setup(Password);
}

void TCipher_1DES::MakeSubkeys(const uint8_t* Key, uint64_t* Enc, uint64_t* Dec)
{
    const uint64_t cd = Permute(Load64(Key), kPC1, 56, 64);
    uint32_t c = uint32_t(cd >> 28) & 0xFFFFFFFu, d = uint32_t(cd) & 0xFFFFFFFu;
    for (int r = 0; r < 16; ++r) {
        for (int s = 0; s < kShifts[r]; ++s) {
            c = ((c << 1) | (c >> 27)) & 0xFFFFFFFu;
            d = ((d << 1) | (d >> 27)) & 0xFFFFFFFu;
        }
        Enc[r] = Permute((uint64_t(c) << 28) | d, kPC2, 48, 56);
    }
    for (int r = 0; r < 16; ++r)
        Dec[r] = Enc[15 - r];
}

void TCipher_1DES::DesBlock(const uint64_t* Subkeys, uint8_t* Block)
{
    const TDesTables& t = Tables();
    const uint64_t ip = PermuteBytes(t.IPBytes, Load64(Block));
    uint32_t l = uint32_t(ip >> 32), r = uint32_t(ip);
    for (int round = 0; round < 16; ++round) {
        const uint64_t k = Subkeys[round];
        uint32_t f = 0;
        for (int i = 0; i < 8; ++i) {
            // The six E-expanded bits of group i are R's bits 4i..4i+5
            // (1-based, wrapping), so a rotation brings them down.
            const uint32_t e = RotateLeft32(r, uint32_t(5 + 4 * i)) & 63u;
            f |= t.SP[i][e ^ ((k >> (42 - 6 * i)) & 63u)];
        }
        const uint32_t nl = r;
        r = l ^ f;
        l = nl;
    }
    Store64(Block, PermuteBytes(t.FPBytes, (uint64_t(r) << 32) | l));
}

void TCipher_1DES::Init(const void* Key, int32_t KeyLen, const void* Vector)
{
    BeginInit(KeyLen);
    uint8_t key[8] = {};
    if (KeyLen > 0)
        std::memcpy(key, Key, size_t(KeyLen));
    MakeSubkeys(key, Subkeys(0), Subkeys(1));
    SecureZero(key, sizeof key);
    FinishKeySetup(Vector);
}

void TCipher_1DES::EncryptBlock(void* Block)
{
    DesBlock(Subkeys(0), static_cast<uint8_t*>(Block));
}

void TCipher_1DES::DecryptBlock(void* Block)
{
    DesBlock(Subkeys(1), static_cast<uint8_t*>(Block));
}

// ---------------------------------------------------------------------------
// Triple DES: schedules 0-2 encipher (E K1, D K2, E K3), 3-5 decipher
// (D K3, E K2, D K1).

TCipherClass TCipher_3DES::Class()
{
    static const TCipherClassRec rec{"TCipher_3DES", Dimensions(), Make3};
    return &rec;
}

TCipher_3DES::TCipher_3DES(const std::string& Password, TProtection* Chained) : TCipher_1DES(Dimensions(), Chained)
{
    Setup(Password);
}

void TCipher_3DES::Init(const void* Key, int32_t KeyLen, const void* Vector)
{
    BeginInit(KeyLen);
    uint8_t key[24] = {};
    if (KeyLen > 0)
        std::memcpy(key, Key, size_t(KeyLen));
    uint64_t enc[16], dec[16];
    MakeSubkeys(key, enc, dec);  // K1
    std::memcpy(Subkeys(0), enc, sizeof enc);
    std::memcpy(Subkeys(5), dec, sizeof dec);
    MakeSubkeys(key + 8, enc, dec);  // K2
    std::memcpy(Subkeys(1), dec, sizeof dec);
    std::memcpy(Subkeys(4), enc, sizeof enc);
    MakeSubkeys(key + 16, enc, dec);  // K3
    std::memcpy(Subkeys(2), enc, sizeof enc);
    std::memcpy(Subkeys(3), dec, sizeof dec);
    SecureZero(enc, sizeof enc);
    SecureZero(dec, sizeof dec);
    SecureZero(key, sizeof key);
    FinishKeySetup(Vector);
}

void TCipher_3DES::EncryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    for (int i = 0; i < 3; ++i)
        DesBlock(Subkeys(i), b);
}

void TCipher_3DES::DecryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    for (int i = 3; i < 6; ++i)
        DesBlock(Subkeys(i), b);
}

// ---------------------------------------------------------------------------
// Three-lane triple DES

namespace {

// Swaps 32-bit words 1 and 2, and 3 and 4, of the 24-byte block.
void SwapLaneWords(uint8_t* b)
{
    uint8_t t[4];
    std::memcpy(t, b + 4, 4);
    std::memcpy(b + 4, b + 8, 4);
    std::memcpy(b + 8, t, 4);
    std::memcpy(t, b + 12, 4);
    std::memcpy(b + 12, b + 16, 4);
    std::memcpy(b + 16, t, 4);
}

} // namespace

TCipherClass TCipher_3TDES::Class()
{
    static const TCipherClassRec rec{"TCipher_3TDES", Dimensions(), Make3T};
    return &rec;
}

TCipher_3TDES::TCipher_3TDES(const std::string& Password, TProtection* Chained)
    : TCipher_3DES(Dimensions(), Chained)
{
    Setup(Password);
}

void TCipher_3TDES::EncryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    for (int stage = 0; stage < 3; ++stage) {
        if (stage > 0)
            SwapLaneWords(b);
        for (int lane = 0; lane < 3; ++lane)
            DesBlock(Subkeys(stage), b + 8 * lane);
    }
}

void TCipher_3TDES::DecryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    for (int stage = 0; stage < 3; ++stage) {
        if (stage > 0)
            SwapLaneWords(b);
        for (int lane = 0; lane < 3; ++lane)
            DesBlock(Subkeys(3 + stage), b + 8 * lane);
    }
}
