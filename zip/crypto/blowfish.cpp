#include "zip/crypto/blowfish.h"

#include <cstring>

namespace {

#include "zip/crypto/blowfish_pi.inc"

TCipher* Make(const std::string& Password, TProtection* Chained)
{
    return new TCipher_Blowfish(Password, Chained);
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

} // namespace

TCipherClass TCipher_Blowfish::Class()
{
    static const TCipherClassRec rec{"TCipher_Blowfish", Dimensions(), Make};
    return &rec;
}

TCipher_Blowfish::TCipher_Blowfish(const std::string& Password, TProtection* Chained)
    : TCipher(Dimensions(), Chained)
{
    Setup(Password);
}

// Schedule layout: P[18] then S[4][256].
void TCipher_Blowfish::Encrypt(uint32_t& L, uint32_t& R)
{
    const uint32_t* P = ScheduleWords();
    const uint32_t* S = P + 18;
    uint32_t l = L, r = R;
    for (int i = 0; i < 16; i += 2) {
        l ^= P[i];
        r ^= ((S[l >> 24] + S[256 + ((l >> 16) & 255)]) ^ S[512 + ((l >> 8) & 255)]) + S[768 + (l & 255)];
        r ^= P[i + 1];
        l ^= ((S[r >> 24] + S[256 + ((r >> 16) & 255)]) ^ S[512 + ((r >> 8) & 255)]) + S[768 + (r & 255)];
    }
    L = r ^ P[17];
    R = l ^ P[16];
}

void TCipher_Blowfish::Init(const void* Key, int32_t KeyLen, const void* Vector)
{
    BeginInit(KeyLen);
    uint32_t* P = ScheduleWords();
    std::memcpy(P, kBlowfishPi, sizeof kBlowfishPi);
    const auto* key = static_cast<const uint8_t*>(Key);
    if (KeyLen > 0) {
        int k = 0;
        for (int i = 0; i < 18; ++i) {
            uint32_t w = 0;
            for (int j = 0; j < 4; ++j) {
                w = (w << 8) | key[k];
                k = (k + 1) % KeyLen;
            }
            P[i] ^= w;
        }
    }
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18 + 1024; i += 2) {
        Encrypt(l, r);
        P[i] = l;
        P[i + 1] = r;
    }
    FinishKeySetup(Vector);
}

void TCipher_Blowfish::EncryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    uint32_t l = LoadBE(b), r = LoadBE(b + 4);
    Encrypt(l, r);
    StoreBE(b, l);
    StoreBE(b + 4, r);
}

void TCipher_Blowfish::DecryptBlock(void* Block)
{
    auto* b = static_cast<uint8_t*>(Block);
    const uint32_t* P = ScheduleWords();
    const uint32_t* S = P + 18;
    uint32_t l = LoadBE(b), r = LoadBE(b + 4);
    for (int i = 17; i > 1; i -= 2) {
        l ^= P[i];
        r ^= ((S[l >> 24] + S[256 + ((l >> 16) & 255)]) ^ S[512 + ((l >> 8) & 255)]) + S[768 + (l & 255)];
        r ^= P[i - 1];
        l ^= ((S[r >> 24] + S[256 + ((r >> 16) & 255)]) ^ S[512 + ((r >> 8) & 255)]) + S[768 + (r & 255)];
    }
    StoreBE(b, r ^ P[0]);
    StoreBE(b + 4, l ^ P[1]);
}
