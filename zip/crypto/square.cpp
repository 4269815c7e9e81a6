#include "zip/crypto/square.h"

#include <cstring>

namespace {

// The Square S-box (GF(2^8) inversion modulo x^8+x^7+x^6+x^5+x^4+x^2+1
// followed by an affine map), as published with the cipher.
static const uint8_t kSquareS[256] = {
    0xB1, 0xCE, 0xC3, 0x95, 0x5A, 0xAD, 0xE7, 0x02, 0x4D, 0x44, 0xFB, 0x91, 0x0C, 0x87, 0xA1, 0x50,
    0xCB, 0x67, 0x54, 0xDD, 0x46, 0x8F, 0xE1, 0x4E, 0xF0, 0xFD, 0xFC, 0xEB, 0xF9, 0xC4, 0x1A, 0x6E,
    0x5E, 0xF5, 0xCC, 0x8D, 0x1C, 0x56, 0x43, 0xFE, 0x07, 0x61, 0xF8, 0x75, 0x59, 0xFF, 0x03, 0x22,
    0x8A, 0xD1, 0x13, 0xEE, 0x88, 0x00, 0x0E, 0x34, 0x15, 0x80, 0x94, 0xE3, 0xED, 0xB5, 0x53, 0x23,
    0x4B, 0x47, 0x17, 0xA7, 0x90, 0x35, 0xAB, 0xD8, 0xB8, 0xDF, 0x4F, 0x57, 0x9A, 0x92, 0xDB, 0x1B,
    0x3C, 0xC8, 0x99, 0x04, 0x8E, 0xE0, 0xD7, 0x7D, 0x85, 0xBB, 0x40, 0x2C, 0x3A, 0x45, 0xF1, 0x42,
    0x65, 0x20, 0x41, 0x18, 0x72, 0x25, 0x93, 0x70, 0x36, 0x05, 0xF2, 0x0B, 0xA3, 0x79, 0xEC, 0x08,
    0x27, 0x31, 0x32, 0xB6, 0x7C, 0xB0, 0x0A, 0x73, 0x5B, 0x7B, 0xB7, 0x81, 0xD2, 0x0D, 0x6A, 0x26,
    0x9E, 0x58, 0x9C, 0x83, 0x74, 0xB3, 0xAC, 0x30, 0x7A, 0x69, 0x77, 0x0F, 0xAE, 0x21, 0xDE, 0xD0,
    0x2E, 0x97, 0x10, 0xA4, 0x98, 0xA8, 0xD4, 0x68, 0x2D, 0x62, 0x29, 0x6D, 0x16, 0x49, 0x76, 0xC7,
    0xE8, 0xC1, 0x96, 0x37, 0xE5, 0xCA, 0xF4, 0xE9, 0x63, 0x12, 0xC2, 0xA6, 0x14, 0xBC, 0xD3, 0x28,
    0xAF, 0x2F, 0xE6, 0x24, 0x52, 0xC6, 0xA0, 0x09, 0xBD, 0x8C, 0xCF, 0x5D, 0x11, 0x5F, 0x01, 0xC5,
    0x9F, 0x3D, 0xA2, 0x9B, 0xC9, 0x3B, 0xBE, 0x51, 0x19, 0x1F, 0x3F, 0x5C, 0xB2, 0xEF, 0x4A, 0xCD,
    0xBF, 0xBA, 0x6F, 0x64, 0xD9, 0xF3, 0x3E, 0xB4, 0xAA, 0xDC, 0xD5, 0x06, 0xC0, 0x7E, 0xF6, 0x66,
    0x6C, 0x84, 0x71, 0x38, 0xB9, 0x1D, 0x7F, 0x9D, 0x48, 0x8B, 0x2A, 0xDA, 0xA5, 0x33, 0x82, 0x39,
    0xD6, 0x78, 0x86, 0xFA, 0xE4, 0x2B, 0xA9, 0x1E, 0x89, 0x60, 0x6B, 0xEA, 0x55, 0x4C, 0xF7, 0xE2,
};

uint8_t GfMul(uint8_t a, uint8_t b)
{
    unsigned x = a, r = 0;
    while (b) {
        if (b & 1)
            r ^= x;
        x <<= 1;
        if (x & 0x100)
            x ^= 0x1F5;
        b >>= 1;
    }
    return uint8_t(r);
}

inline uint32_t Word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3)
{
    return uint32_t(b0) << 24 | uint32_t(b1) << 16 | uint32_t(b2) << 8 | b3;
}

struct TSquareTables {
    uint8_t InvS[256];
    // Substitution, transposition and the diffusion of one byte position.
    uint32_t Te[256], Td[256];
    TSquareTables()
    {
        for (int x = 0; x < 256; ++x)
            InvS[kSquareS[x]] = uint8_t(x);
        for (int x = 0; x < 256; ++x) {
            const uint8_t s = kSquareS[x], i = InvS[x];
            Te[x] = Word(GfMul(s, 2), s, s, GfMul(s, 3));
            Td[x] = Word(GfMul(i, 14), GfMul(i, 9), GfMul(i, 13), GfMul(i, 11));
        }
    }
};

const TSquareTables& Tables()
{
    static const TSquareTables t;
    return t;
}

// The diffusion step applied to a round key.
uint32_t Theta(uint32_t w)
{
    const uint8_t l0 = uint8_t(w >> 24), l1 = uint8_t(w >> 16), l2 = uint8_t(w >> 8), l3 = uint8_t(w);
    return Word(uint8_t(GfMul(l0, 2) ^ GfMul(l1, 3) ^ l2 ^ l3), uint8_t(l0 ^ GfMul(l1, 2) ^ GfMul(l2, 3) ^ l3),
                uint8_t(l0 ^ l1 ^ GfMul(l2, 2) ^ GfMul(l3, 3)), uint8_t(GfMul(l0, 3) ^ l1 ^ l2 ^ GfMul(l3, 2)));
}

inline uint32_t LoadBE(const uint8_t* p)
{
    return Word(p[0], p[1], p[2], p[3]);
}

inline void StoreBE(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Eight rounds with the round keys K[9][4], the tables T and the S-box S.
void SquareRounds(uint8_t* b, const uint32_t* K, const uint32_t* T, const uint8_t* S)
{
    uint32_t a = LoadBE(b) ^ K[0], bb = LoadBE(b + 4) ^ K[1], c = LoadBE(b + 8) ^ K[2], d = LoadBE(b + 12) ^ K[3];
    auto column = [T](uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3, int shift) {
        return T[(w0 >> shift) & 255] ^ RotateRight32(T[(w1 >> shift) & 255], 8) ^
               RotateRight32(T[(w2 >> shift) & 255], 16) ^ RotateRight32(T[(w3 >> shift) & 255], 24);
    };
    for (int r = 1; r < 8; ++r) {
        const uint32_t* k = K + 4 * r;
        const uint32_t na = column(a, bb, c, d, 24) ^ k[0];
        const uint32_t nb = column(a, bb, c, d, 16) ^ k[1];
        const uint32_t nc = column(a, bb, c, d, 8) ^ k[2];
        const uint32_t nd = column(a, bb, c, d, 0) ^ k[3];
        a = na;
        bb = nb;
        c = nc;
        d = nd;
    }
    const uint32_t* k = K + 32;
    auto last = [S](uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3, int shift) {
        return Word(S[(w0 >> shift) & 255], S[(w1 >> shift) & 255], S[(w2 >> shift) & 255], S[(w3 >> shift) & 255]);
    };
    StoreBE(b, last(a, bb, c, d, 24) ^ k[0]);
    StoreBE(b + 4, last(a, bb, c, d, 16) ^ k[1]);
    StoreBE(b + 8, last(a, bb, c, d, 8) ^ k[2]);
    StoreBE(b + 12, last(a, bb, c, d, 0) ^ k[3]);
}

TCipher* Make(const std::string& Password, TProtection* Chained)
{
    return new TCipher_Square(Password, Chained);
}

} // namespace

TCipherClass TCipher_Square::Class()
{
    static const TCipherClassRec rec{"TCipher_Square", Dimensions(), Make};
    return &rec;
}

TCipher_Square::TCipher_Square(const std::string& Password, TProtection* Chained) : TCipher(Dimensions(), Chained)
{
    Setup(Password);
}

// Schedule layout: 9 encryption round keys, then 9 decryption round keys.
void TCipher_Square::Init(const void* Key, int32_t KeyLen, const void* Vector)
{
    BeginInit(KeyLen);
    uint8_t key[16] = {};
    if (KeyLen > 0)
        std::memcpy(key, Key, size_t(KeyLen));
    uint32_t k[9][4];
    for (int j = 0; j < 4; ++j)
        k[0][j] = LoadBE(key + 4 * j);
    uint8_t offset = 1;
    for (int i = 1; i < 9; ++i) {
        k[i][0] = k[i - 1][0] ^ RotateLeft32(k[i - 1][3], 8) ^ (uint32_t(offset) << 24);
        for (int j = 1; j < 4; ++j)
            k[i][j] = k[i - 1][j] ^ k[i][j - 1];
        offset = GfMul(offset, 2);
    }
    uint32_t* ek = ScheduleWords();
    uint32_t* dk = ek + 36;
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 4; ++j) {
            ek[4 * i + j] = i < 8 ? Theta(k[i][j]) : k[i][j];
            dk[4 * i + j] = i < 8 ? k[8 - i][j] : Theta(k[0][j]);
        }
    SecureZero(k, sizeof k);
    SecureZero(key, sizeof key);
    FinishKeySetup(Vector);
}

void TCipher_Square::EncryptBlock(void* Block)
{
    SquareRounds(static_cast<uint8_t*>(Block), ScheduleWords(), Tables().Te, kSquareS);
}

void TCipher_Square::DecryptBlock(void* Block)
{
    SquareRounds(static_cast<uint8_t*>(Block), ScheduleWords() + 36, Tables().Td, Tables().InvS);
}
