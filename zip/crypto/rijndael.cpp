#include "zip/crypto/rijndael.h"

#include <cstring>

namespace {

struct TAesTables {
    uint8_t S[256], InvS[256];
    uint32_t Te[4][256], Td[4][256];

    static uint8_t Mul(uint8_t a, uint8_t b)
    {
        uint8_t r = 0;
        while (b) {
            if (b & 1)
                r ^= a;
            a = uint8_t((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
            b >>= 1;
        }
        return r;
    }

    TAesTables()
    {
        // S-box: multiplicative inverse in GF(2^8) followed by the affine map.
        for (int x = 0; x < 256; ++x) {
            uint8_t inv = 0;
            if (x)
                for (int y = 1; y < 256; ++y)
                    if (Mul(uint8_t(x), uint8_t(y)) == 1) {
                        inv = uint8_t(y);
                        break;
                    }
            uint8_t s = inv;
            for (int k = 1; k <= 4; ++k)
                s ^= uint8_t((inv << k) | (inv >> (8 - k)));
            S[x] = uint8_t(s ^ 0x63);
            InvS[S[x]] = uint8_t(x);
        }
        for (int x = 0; x < 256; ++x) {
            const uint8_t s = S[x], i = InvS[x];
            const uint32_t te = uint32_t(Mul(s, 2)) << 24 | uint32_t(s) << 16 | uint32_t(s) << 8 | Mul(s, 3);
            const uint32_t td = uint32_t(Mul(i, 14)) << 24 | uint32_t(Mul(i, 9)) << 16 | uint32_t(Mul(i, 13)) << 8 |
                                Mul(i, 11);
            for (int k = 0; k < 4; ++k) {
                Te[k][x] = RotateRight32(te, uint32_t(8 * k));
                Td[k][x] = RotateRight32(td, uint32_t(8 * k));
            }
        }
    }
};

const TAesTables& Tables()
{
    static const TAesTables t;
    return t;
}

inline uint32_t LoadBE(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void StoreBE(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

TCipher* Make(const std::string& Password, TProtection* Chained)
{
    return new TCipher_Rijndael(Password, Chained);
}

} // namespace

TCipherClass TCipher_Rijndael::Class()
{
    static const TCipherClassRec rec{"TCipher_Rijndael", Dimensions(), Make};
    return &rec;
}

TCipher_Rijndael::TCipher_Rijndael(const std::string& Password, TProtection* Chained)
    : TCipher(Dimensions(), Chained)
{
    Setup(Password);
}

void TCipher_Rijndael::Init(const void* Key, int32_t KeyLen, const void* Vector)
{
    BeginInit(KeyLen);
    const TAesTables& t = Tables();
    uint8_t key[32] = {};
    if (KeyLen > 0)
        std::memcpy(key, Key, size_t(KeyLen));
    FRounds = KeyLen <= 16 ? 10 : KeyLen <= 24 ? 12 : 14;
    const int nk = FRounds - 6;
    const int total = 4 * (FRounds + 1);
    uint32_t* ek = ScheduleWords();
    uint32_t* dk = ek + 60;
    for (int i = 0; i < nk; ++i)
        ek[i] = LoadBE(key + 4 * i);
    uint8_t rcon = 1;
    for (int i = nk; i < total; ++i) {
        uint32_t w = ek[i - 1];
        if (i % nk == 0) {
            w = RotateLeft32(w, 8);
            w = uint32_t(t.S[w >> 24]) << 24 | uint32_t(t.S[(w >> 16) & 255]) << 16 |
                uint32_t(t.S[(w >> 8) & 255]) << 8 | t.S[w & 255];
            w ^= uint32_t(rcon) << 24;
            rcon = TAesTables::Mul(rcon, 2);
        } else if (nk > 6 && i % nk == 4) {
            w = uint32_t(t.S[w >> 24]) << 24 | uint32_t(t.S[(w >> 16) & 255]) << 16 |
                uint32_t(t.S[(w >> 8) & 255]) << 8 | t.S[w & 255];
        }
        ek[i] = ek[i - nk] ^ w;
    }
    // Decryption keys of the equivalent inverse cipher.
    for (int r = 0; r <= FRounds; ++r)
        for (int j = 0; j < 4; ++j) {
            uint32_t w = ek[4 * (FRounds - r) + j];
            if (r > 0 && r < FRounds)
                w = t.Td[0][t.S[w >> 24]] ^ t.Td[1][t.S[(w >> 16) & 255]] ^ t.Td[2][t.S[(w >> 8) & 255]] ^
                    t.Td[3][t.S[w & 255]];
            dk[4 * r + j] = w;
        }
    SecureZero(key, sizeof key);
    FinishKeySetup(Vector);
}

void TCipher_Rijndael::EncryptBlock(void* Block)
{
    const TAesTables& t = Tables();
    auto* b = static_cast<uint8_t*>(Block);
    const uint32_t* rk = ScheduleWords();
    uint32_t s0 = LoadBE(b) ^ rk[0], s1 = LoadBE(b + 4) ^ rk[1], s2 = LoadBE(b + 8) ^ rk[2],
             s3 = LoadBE(b + 12) ^ rk[3];
    for (int r = 1; r < FRounds; ++r) {
        rk += 4;
        const uint32_t t0 = t.Te[0][s0 >> 24] ^ t.Te[1][(s1 >> 16) & 255] ^ t.Te[2][(s2 >> 8) & 255] ^ t.Te[3][s3 & 255] ^ rk[0];
        const uint32_t t1 = t.Te[0][s1 >> 24] ^ t.Te[1][(s2 >> 16) & 255] ^ t.Te[2][(s3 >> 8) & 255] ^ t.Te[3][s0 & 255] ^ rk[1];
        const uint32_t t2 = t.Te[0][s2 >> 24] ^ t.Te[1][(s3 >> 16) & 255] ^ t.Te[2][(s0 >> 8) & 255] ^ t.Te[3][s1 & 255] ^ rk[2];
        const uint32_t t3 = t.Te[0][s3 >> 24] ^ t.Te[1][(s0 >> 16) & 255] ^ t.Te[2][(s1 >> 8) & 255] ^ t.Te[3][s2 & 255] ^ rk[3];
        s0 = t0; s1 = t1; s2 = t2; s3 = t3;
    }
    rk += 4;
    auto last = [&](uint32_t a, uint32_t bb, uint32_t c, uint32_t d, uint32_t k) {
        return (uint32_t(t.S[a >> 24]) << 24 | uint32_t(t.S[(bb >> 16) & 255]) << 16 |
                uint32_t(t.S[(c >> 8) & 255]) << 8 | t.S[d & 255]) ^ k;
    };
    StoreBE(b, last(s0, s1, s2, s3, rk[0]));
    StoreBE(b + 4, last(s1, s2, s3, s0, rk[1]));
    StoreBE(b + 8, last(s2, s3, s0, s1, rk[2]));
    StoreBE(b + 12, last(s3, s0, s1, s2, rk[3]));
}

void TCipher_Rijndael::DecryptBlock(void* Block)
{
    const TAesTables& t = Tables();
    auto* b = static_cast<uint8_t*>(Block);
    const uint32_t* rk = ScheduleWords() + 60;
    uint32_t s0 = LoadBE(b) ^ rk[0], s1 = LoadBE(b + 4) ^ rk[1], s2 = LoadBE(b + 8) ^ rk[2],
             s3 = LoadBE(b + 12) ^ rk[3];
    for (int r = 1; r < FRounds; ++r) {
        rk += 4;
        const uint32_t t0 = t.Td[0][s0 >> 24] ^ t.Td[1][(s3 >> 16) & 255] ^ t.Td[2][(s2 >> 8) & 255] ^ t.Td[3][s1 & 255] ^ rk[0];
        const uint32_t t1 = t.Td[0][s1 >> 24] ^ t.Td[1][(s0 >> 16) & 255] ^ t.Td[2][(s3 >> 8) & 255] ^ t.Td[3][s2 & 255] ^ rk[1];
        const uint32_t t2 = t.Td[0][s2 >> 24] ^ t.Td[1][(s1 >> 16) & 255] ^ t.Td[2][(s0 >> 8) & 255] ^ t.Td[3][s3 & 255] ^ rk[2];
        const uint32_t t3 = t.Td[0][s3 >> 24] ^ t.Td[1][(s2 >> 16) & 255] ^ t.Td[2][(s1 >> 8) & 255] ^ t.Td[3][s0 & 255] ^ rk[3];
        s0 = t0; s1 = t1; s2 = t2; s3 = t3;
    }
    rk += 4;
    auto last = [&](uint32_t a, uint32_t bb, uint32_t c, uint32_t d, uint32_t k) {
        return (uint32_t(t.InvS[a >> 24]) << 24 | uint32_t(t.InvS[(bb >> 16) & 255]) << 16 |
                uint32_t(t.InvS[(c >> 8) & 255]) << 8 | t.InvS[d & 255]) ^ k;
    };
    StoreBE(b, last(s0, s3, s2, s1, rk[0]));
    StoreBE(b + 4, last(s1, s0, s3, s2, rk[1]));
    StoreBE(b + 8, last(s2, s1, s0, s3, rk[2]));
    StoreBE(b + 12, last(s3, s2, s1, s0, rk[3]));
}
