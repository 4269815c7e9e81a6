#include "zip/crypto/cipher.h"

#include <algorithm>
#include <cstring>

#include "platform/textlines.h"
#include "zip/crypto/blowfish.h"
#include "zip/crypto/des.h"
#include "zip/crypto/rijndael.h"
#include "zip/crypto/square.h"
#include "zip/crypto/twofish.h"

void SecureZero(void* Data, size_t Len)
{
    volatile uint8_t* p = static_cast<volatile uint8_t*>(Data);
    for (size_t i = 0; i < Len; ++i)
        p[i] = 0;
}

THashClass DefaultHashKind()
{
    return THash_RipeMD256::Class();
}

namespace {

TCipher* MakeNullCipher(const std::string& Password, TProtection* Chained)
{
    return new TCipher(Password, Chained);
}

} // namespace

TCipherClass TCipher::Class()
{
    static const TCipherClassRec rec{"TCipher", {0, 0, 0}, MakeNullCipher};
    return &rec;
}

TCipherClass TCipher::ClassType() const
{
    return Class();
}

TCipher::TCipher(const std::string& Password, TProtection* Chained) : TCipher(TCipherDims{0, 0, 0}, Chained)
{
    Setup(Password);
}

TCipher::TCipher(const TCipherDims& Dims, TProtection* Chained)
    : TProtection(Chained), FDims(Dims), FHashKind(DefaultHashKind())
{
    FStartVector.resize(size_t(Dims.BlockLen));
    FChainState.resize(size_t(Dims.BlockLen));
    FWorkBlock.resize(size_t(Dims.BlockLen));
    FSchedule.resize(size_t(Dims.ScheduleLen));
    TCipher::Wipe();
}

void TCipher::Setup(const std::string& Password)
{
    if (!Password.empty())
        InitKey(Password, nullptr);
}

TCipher::~TCipher()
{
    TCipher::Wipe();
    THash* h = FHashObject;
    FHashObject = nullptr;
    ProtectionRelease(h);
}

void TCipher::Wipe()
{
    SetStateFlag(0, false);
    SetStateFlag(1, false);
    for (auto* v : {&FStartVector, &FChainState, &FWorkBlock, &FSchedule})
        std::fill(v->begin(), v->end(), uint8_t(0xAA));
    for (auto* v : {&FStartVector, &FChainState, &FWorkBlock, &FSchedule})
        std::fill(v->begin(), v->end(), uint8_t(0x55));
    std::fill(FStartVector.begin(), FStartVector.end(), uint8_t(0xFF));
    std::fill(FChainState.begin(), FChainState.end(), uint8_t(0xFF));
    SecureZero(FWorkBlock.data(), FWorkBlock.size());
    SecureZero(FSchedule.data(), FSchedule.size());
}

void TCipher::SetStateFlag(int Index, bool Value)
{
    if (Value)
        FStateFlags |= 1u << Index;
    else
        FStateFlags &= ~(1u << Index);
}

void TCipher::SetHashKind(THashClass Kind)
{
    if (!Kind)
        Kind = DefaultHashKind();
    if (Kind == FHashKind)
        return;
    THash* h = FHashObject;
    FHashObject = nullptr;
    ProtectionRelease(h);
    FHashKind = Kind;
}

THash* TCipher::GetHashObject()
{
    if (!FHashObject) {
        FHashObject = FHashKind->Create();
        FHashObject->AddRef();
    }
    return FHashObject;
}

void TCipher::BeginInit(int32_t& KeyLen)
{
    SetStateFlag(1, false);
    Wipe();
    if (KeyLen < 0)
        KeyLen = 0;
    if (KeyLen > FDims.KeyLimit)
        KeyLen = FDims.KeyLimit;
}

void TCipher::FinishKeySetup(const void* Vector)
{
    if (FDims.BlockLen > 0) {
        if (!Vector)
            EncryptBlock(FStartVector.data());
        else
            std::memmove(FStartVector.data(), Vector, FStartVector.size());
        FChainState = FStartVector;
    }
    SetStateFlag(1, true);
}

void TCipher::Init(const void* /*Key*/, int32_t KeyLen, const void* Vector)
{
    BeginInit(KeyLen);
    FinishKeySetup(Vector);
}

void TCipher::InitKey(const std::string& Password, const void* Vector)
{
    THash* h = GetHashObject();
    h->Start();
    h->Feed(Password.data(), int32_t(Password.size()));
    h->Finish();
    const int32_t digestLen = h->DigestLength();
    Init(h->DigestBytes(), std::min(digestLen, FDims.KeyLimit), Vector);
    // Leave no clear digest of the password in the hash object.
    EncipherBuffer(h->DigestBytes(), h->DigestBytes(), digestLen);
    ResetChain();
    SetStateFlag(0, true);
}

void TCipher::ResetChain()
{
    if (FDims.BlockLen > 0 && CompareBytes(FChainState.data(), FStartVector.data(), FDims.BlockLen) != 0) {
        FWorkBlock = FChainState;
        FChainState = FStartVector;
    }
}

void TCipher::CheckInitialized() const
{
    if (!GetStateFlag(1)) {
        throw ECipherException(CipherNotInitialized, std::string(ClassType()->ClassName) +
                                                         " is not initialized call Init() or InitKey() before.");
    }
}

// Final partial block of the block modes: a keystream block E(F) that is
// folded into F; Mix false (MAC modes) leaves the data alone.
void TCipher::PartialBlock(const uint8_t* In, uint8_t* Out, int32_t N, bool Mix)
{
    uint8_t* F = FChainState.data();
    uint8_t* W = FWorkBlock.data();
    std::memcpy(W, F, size_t(FDims.BlockLen));
    EncryptBlock(W);
    if (Mix)
        XorBlocks(In, W, N, Out);
    XorBlocks(F, W, FDims.BlockLen, F);
}

void TCipher::ByteModes(const uint8_t* Source, uint8_t* Dest, int32_t Size, bool Decipher)
{
    const int32_t BL = FDims.BlockLen;
    uint8_t* F = FChainState.data();
    uint8_t* W = FWorkBlock.data();
    for (int32_t i = 0; i < Size; ++i) {
        std::memcpy(W, F, size_t(BL));
        EncryptBlock(W);
        const uint8_t in = Source[i];
        const uint8_t out = uint8_t(in ^ W[0]);
        std::memmove(F, F + 1, size_t(BL - 1));
        switch (ChainingMode) {
        case chCFB8:
            F[BL - 1] = Decipher ? in : out;
            Dest[i] = out;
            break;
        case chOFB8:
            F[BL - 1] = W[0];
            Dest[i] = out;
            break;
        default: // chCFB8MAC
            F[BL - 1] = out;
            break;
        }
    }
}

void TCipher::EncipherBuffer(const void* Source, void* Dest, int32_t Size)
{
    CheckInitialized();
    const int32_t BL = FDims.BlockLen;
    if (Size <= 0)
        return;
    const auto* src = static_cast<const uint8_t*>(Source);
    auto* dst = static_cast<uint8_t*>(Dest);
    if (BL == 0 || ChainingMode > chCFB8MAC) {
        if (src != dst)
            std::memmove(dst, src, size_t(Size));
        return;
    }
    uint8_t* F = FChainState.data();
    uint8_t* W = FWorkBlock.data();
    switch (ChainingMode) {
    case chXorChain:
    case chCBC:
    case chECB: {
        if (src != dst)
            std::memmove(dst, src, size_t(Size));
        int32_t pos = 0;
        for (; Size - pos >= BL; pos += BL) {
            uint8_t* p = dst + pos;
            if (ChainingMode == chECB) {
                EncryptBlock(p);
                continue;
            }
            XorBlocks(p, F, BL, p);
            EncryptBlock(p);
            if (ChainingMode == chXorChain)
                XorBlocks(F, p, BL, F);
            else
                std::memcpy(F, p, size_t(BL));
        }
        if (pos < Size)
            PartialBlock(dst + pos, dst + pos, Size - pos, true);
        break;
    }
    case chCFB8:
    case chOFB8:
    case chCFB8MAC:
        ByteModes(src, dst, Size, false);
        break;
    case chXorChainMAC:
    case chCBCMAC: {
        int32_t pos = 0;
        for (; Size - pos >= BL; pos += BL) {
            if (ChainingMode == chXorChainMAC) {
                XorBlocks(src + pos, F, BL, W);
                EncryptBlock(W);
                XorBlocks(F, W, BL, F);
            } else {
                XorBlocks(src + pos, F, BL, F);
                EncryptBlock(F);
            }
        }
        if (pos < Size)
            PartialBlock(src + pos, nullptr, Size - pos, false);
        break;
    }
    default:
        break;
    }
}

void TCipher::DecipherBuffer(const void* Source, void* Dest, int32_t Size)
{
    if (ChainingMode >= chXorChainMAC) {
        EncipherBuffer(Source, Dest, Size);
        return;
    }
    CheckInitialized();
    const int32_t BL = FDims.BlockLen;
    if (Size <= 0)
        return;
    const auto* src = static_cast<const uint8_t*>(Source);
    auto* dst = static_cast<uint8_t*>(Dest);
    if (BL == 0) {
        if (src != dst)
            std::memmove(dst, src, size_t(Size));
        return;
    }
    uint8_t* F = FChainState.data();
    uint8_t* W = FWorkBlock.data();
    switch (ChainingMode) {
    case chXorChain:
    case chCBC:
    case chECB: {
        if (src != dst)
            std::memmove(dst, src, size_t(Size));
        int32_t pos = 0;
        for (; Size - pos >= BL; pos += BL) {
            uint8_t* p = dst + pos;
            if (ChainingMode == chECB) {
                DecryptBlock(p);
                continue;
            }
            std::memcpy(W, p, size_t(BL));
            DecryptBlock(p);
            XorBlocks(p, F, BL, p);
            if (ChainingMode == chXorChain)
                XorBlocks(F, W, BL, F);
            else
                std::memcpy(F, W, size_t(BL));
        }
        if (pos < Size)
            PartialBlock(dst + pos, dst + pos, Size - pos, true);
        break;
    }
    default:
        ByteModes(src, dst, Size, true);
        break;
    }
}

// Pipeline actions: digesting leaves the chain alone, wiping scrambles it,
// everything else starts and ends at the start vector.
void TCipher::ChainStep(uint8_t A)
{
    if (A == actDigest)
        return;
    if (A == actWipe)
        FillRandomBytes(TimeSeed(), FChainState.data(), int32_t(FChainState.size()));
    else
        ResetChain();
}

void TCipher::StartAction(uint8_t A)
{
    CheckInitialized();
    ChainStep(A);
    TProtection::StartAction(A);
}

void TCipher::FinishAction(uint8_t A)
{
    TProtection::FinishAction(A);
    ChainStep(A);
}

void TCipher::ProcessChunk(void* Buffer, int32_t Size, uint8_t A)
{
    if (A == actDecode) {
        if (InActionSet(A))
            DecipherBuffer(Buffer, Buffer, Size);
        TProtection::ProcessChunk(Buffer, Size, A);
    } else {
        TProtection::ProcessChunk(Buffer, Size, A);
        if (InActionSet(A))
            EncipherBuffer(Buffer, Buffer, Size);
    }
}

// ---------------------------------------------------------------------------
// Registry

namespace {

std::string DerivedName(const std::string& ClassName)
{
    std::string s = ClassName;
    if (!s.empty() && (s[0] == 'T' || s[0] == 't'))
        s.erase(0, 1);
    const size_t us = s.find('_');
    if (us != std::string::npos)
        s.erase(0, us + 1);
    return s;
}

std::string TrimBlanks(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.substr(b, e - b);
}

} // namespace

std::vector<TCipherListEntry>& CipherClasses()
{
    static std::vector<TCipherListEntry> list;
    static bool started = false;
    if (!started) {
        started = true;
        AddCipherClass(TCipher_Rijndael::Class(), "", "");
    }
    return list;
}

bool AddCipherClass(TCipherClass CipherClass, const std::string& Name, const std::string& Description)
{
    if (!CipherClass)
        return false;
    std::string name = TrimBlanks(Name);
    if (name.empty())
        name = DerivedName(CipherClass->ClassName);
    auto& list = CipherClasses();
    const std::string line = name + "=" + Description;
    for (auto& e : list)
        if (e.Class == CipherClass) {
            e.Line = line;
            return true;
        }
    list.push_back({line, CipherClass});
    return true;
}

void RemoveCipherClass(TCipherClass CipherClass)
{
    auto& list = CipherClasses();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const TCipherListEntry& e) { return e.Class == CipherClass; }),
               list.end());
}

// ---------------------------------------------------------------------------
// The block reader's ciphers

namespace {

struct TItemCipher {
    TCipherClass Cipher;
    THashClass Hash;
};

bool ItemCipher(int32_t CipherType, TItemCipher& Out)
{
    switch (CipherType) {
    case 0: Out = {TCipher_Rijndael::Class(), THash_RipeMD128::Class()}; return true;
    case 1: Out = {TCipher_Rijndael::Class(), THash_RipeMD256::Class()}; return true;
    case 2: Out = {TCipher_1DES::Class(), THash_RipeMD128::Class()}; return true;
    case 3: Out = {TCipher_3TDES::Class(), THash_RipeMD128::Class()}; return true;
    case 4: Out = {TCipher_Blowfish::Class(), THash_RipeMD256::Class()}; return true;
    case 5: Out = {TCipher_Twofish::Class(), THash_RipeMD128::Class()}; return true;
    case 6: Out = {TCipher_Twofish::Class(), THash_RipeMD256::Class()}; return true;
    case 7: Out = {TCipher_Square::Class(), THash_RipeMD128::Class()}; return true;
    default: return false;
    }
}

bool RunItemCipher(int32_t CipherType, const std::string& Password, void* Buffer, int32_t Size, bool Decipher)
{
    TItemCipher kind;
    if (!ItemCipher(CipherType, kind))
        return true;
    if (Size < 0 || (Size > 0 && !Buffer))
        return false;
    TCipher* cipher = nullptr;
    try {
        cipher = kind.Cipher->Create(Password, nullptr);
        cipher->SetHashKind(kind.Hash);
        // The vector is the cipher's own start vector, the 0xFF block.
        cipher->InitKey(Password, cipher->StartVector());
        if (Decipher)
            cipher->DecipherBuffer(Buffer, Buffer, Size);
        else
            cipher->EncipherBuffer(Buffer, Buffer, Size);
    } catch (...) {
        delete cipher;
        return false;
    }
    delete cipher;
    return true;
}

} // namespace

bool DecipherItemBuffer(int32_t CipherType, const std::string& Password, void* Buffer, int32_t Size)
{
    return RunItemCipher(CipherType, Password, Buffer, Size, true);
}

bool EncipherItemBuffer(int32_t CipherType, const std::string& Password, void* Buffer, int32_t Size)
{
    return RunItemCipher(CipherType, Password, Buffer, Size, false);
}
