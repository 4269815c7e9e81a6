#include "zip/crypto/decutil.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/textlines.h"

// ---------------------------------------------------------------------------
// Byte routines

void XorBlocks(const void* A, const void* B, int32_t Count, void* Dest)
{
    const auto* a = static_cast<const uint8_t*>(A);
    const auto* b = static_cast<const uint8_t*>(B);
    auto* d = static_cast<uint8_t*>(Dest);
    for (int32_t i = 0; i < Count; ++i)
        d[i] = uint8_t(a[i] ^ b[i]);
}

int32_t CompareBytes(const void* A, const void* B, int32_t Size)
{
    const auto* a = static_cast<const uint8_t*>(A);
    const auto* b = static_cast<const uint8_t*>(B);
    for (int32_t i = 0; i < Size; ++i)
        if (a[i] != b[i])
            return int32_t(a[i]) - int32_t(b[i]);
    return 0;
}

uint32_t ByteSwap32(uint32_t V)
{
    return (V >> 24) | ((V >> 8) & 0xFF00u) | ((V << 8) & 0xFF0000u) | (V << 24);
}

void ByteSwap32Buffer(const void* Source, void* Dest, int32_t Count)
{
    const auto* s = static_cast<const uint8_t*>(Source);
    auto* d = static_cast<uint8_t*>(Dest);
    for (int32_t i = 0; i < Count; ++i) {
        uint32_t v;
        std::memcpy(&v, s + 4 * i, 4);
        v = ByteSwap32(v);
        std::memcpy(d + 4 * i, &v, 4);
    }
}

uint32_t FillRandomBytes(uint32_t Seed, void* Buffer, int32_t Len)
{
    if (!Buffer)
        return Seed;
    auto* b = static_cast<uint8_t*>(Buffer);
    for (int32_t i = 0; i < Len; ++i) {
        Seed = ((Seed & 0xFFFFFF00u) | ((Seed ^ b[i]) & 0xFFu)) * 134775813u + 1u;
        b[i] = uint8_t(Seed >> 24);
    }
    return Seed;
}

uint32_t TimeSeed()
{
    using namespace std::chrono;
    const auto now = system_clock::now().time_since_epoch();
    const uint64_t msOfDay = uint64_t(duration_cast<milliseconds>(now).count()) % 86400000u;
    const uint64_t counter = uint64_t(steady_clock::now().time_since_epoch().count());
    return uint32_t(msOfDay) ^ uint32_t(counter) ^ uint32_t(counter >> 32);
}

// ---------------------------------------------------------------------------
// Protection chain

TProtection::TProtection(TProtection* Chained)
{
    SetChained(Chained);
}

TProtection::~TProtection()
{
    TProtection* old = FChained;
    FChained = nullptr;
    ProtectionRelease(old);
}

int32_t TProtection::AddRef()
{
    return ++FRefCount;
}

int32_t TProtection::Release()
{
    const int32_t count = --FRefCount;
    if (count == 0)
        delete this;
    return count;
}

void ProtectionAddRef(TProtection* P)
{
    if (P)
        P->AddRef();
}

void ProtectionRelease(TProtection* P)
{
    if (P)
        P->Release();
}

void TProtection::SetChained(TProtection* Value)
{
    if (Value == FChained)
        return;
    for (TProtection* p = Value; p; p = p->FChained)
        if (p == this)
            throw EProtection("Circular Protection detected, Protection Object is invalid.");
    // Take the new reference before dropping the old one: the old chain may
    // be the only owner of the new object.
    ProtectionAddRef(Value);
    TProtection* old = FChained;
    FChained = Value;
    ProtectionRelease(old);
}

void TProtection::StartAction(uint8_t A)
{
    if (FChained)
        FChained->StartAction(A);
}

void TProtection::FinishAction(uint8_t A)
{
    if (FChained)
        FChained->FinishAction(A);
}

void TProtection::ProcessChunk(void* Buffer, int32_t Size, uint8_t A)
{
    if (FChained)
        FChained->ProcessChunk(Buffer, Size, A);
}

int32_t TProtection::ProcessBuffer(void* Buffer, int32_t Size, uint8_t A)
{
    StartAction(A);
    try {
        ProcessChunk(Buffer, Size, A);
    } catch (...) {
        FinishAction(A);
        throw;
    }
    FinishAction(A);
    return Size;
}

void TProtection::ProcessStream(std::iostream* Source, std::iostream* Dest, uint8_t A, int32_t Size)
{
    if (!Source)
        return;
    const bool inPlace = Dest == nullptr || Dest == Source;
    if (!Dest)
        Dest = Source;
    Source->clear();
    if (Size < 0) {
        Source->seekg(0, std::ios::end);
        const std::streamoff end = Source->tellg();
        Size = end > 0 ? int32_t(std::min<std::streamoff>(end, INT32_MAX)) : 0;
        Source->seekg(0, std::ios::beg);
    }
    std::streamoff srcPos = std::streamoff(Source->tellg());
    if (srcPos < 0)
        srcPos = 0;
    std::streamoff dstPos = inPlace ? srcPos : std::streamoff(Dest->tellp());
    if (dstPos < 0)
        dstPos = 0;

    StartAction(A);
    try {
        std::vector<char> buf(4096);
        while (Size > 0) {
            const int32_t want = std::min<int32_t>(Size, int32_t(buf.size()));
            Source->clear();
            Source->seekg(srcPos);
            Source->read(buf.data(), want);
            const int32_t got = int32_t(Source->gcount());
            if (got <= 0)
                break;
            srcPos += got;
            Size -= got;
            ProcessChunk(buf.data(), got, A);
            if (A != actDigest) {
                Dest->clear();
                Dest->seekp(dstPos);
                Dest->write(buf.data(), got);
                if (!*Dest)
                    throw std::runtime_error("Write error");
                dstPos += got;
            }
        }
        Source->clear();
        Source->seekg(srcPos);
        if (A != actDigest) {
            Dest->clear();
            Dest->seekp(dstPos);
        }
    } catch (...) {
        FinishAction(A);
        throw;
    }
    FinishAction(A);
}

void TProtection::ProcessFile(const std::string& SourceName, const std::string& DestName, uint8_t A)
{
    const bool separate = !SameText(SourceName, DestName) && (!Trim(DestName).empty() || A == actDigest);
    if (separate) {
        std::fstream src(SourceName, std::ios::in | std::ios::binary);
        if (!src)
            throw std::runtime_error("Cannot open file \"" + SourceName + "\"");
        src.seekg(0, std::ios::end);
        const std::streamoff size = src.tellg();
        src.seekg(0, std::ios::beg);
        if (A == actDigest) {
            ProcessStream(&src, &src, A, int32_t(std::min<std::streamoff>(size, INT32_MAX)));
            return;
        }
        std::fstream dst(DestName, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
        if (!dst)
            throw std::runtime_error("Cannot create file \"" + DestName + "\"");
        ProcessStream(&src, &dst, A, int32_t(std::min<std::streamoff>(size, INT32_MAX)));
        dst.flush();
        if (!dst)
            throw std::runtime_error("Cannot write file \"" + DestName + "\"");
    } else {
        std::fstream f(SourceName, std::ios::in | std::ios::out | std::ios::binary);
        if (!f)
            throw std::runtime_error("Cannot open file \"" + SourceName + "\"");
        f.seekg(0, std::ios::end);
        const std::streamoff size = f.tellg();
        f.seekg(0, std::ios::beg);
        ProcessStream(&f, &f, A, int32_t(std::min<std::streamoff>(size, INT32_MAX)));
        f.flush();
        if (!f)
            throw std::runtime_error("Cannot write file \"" + SourceName + "\"");
    }
}

std::string TProtection::ProcessText(const std::string& Text, uint8_t A, int32_t FormatId)
{
    if (Text.empty())
        return std::string();
    std::string bytes = A == actDecode ? FormatToBytes(Text, FormatId) : Text;
    std::stringstream mem(bytes, std::ios::in | std::ios::out | std::ios::binary);
    ProcessStream(&mem, nullptr, A, -1);
    std::string processed = mem.str();
    if (A == actDecode)
        return processed;
    return BytesToFormat(processed, FormatId);
}

// ---------------------------------------------------------------------------
// Text formats

namespace {

int32_t EffectiveLen(const char* p, int32_t Len)
{
    if (!p)
        return 0;
    return Len < 0 ? int32_t(std::strlen(p)) : Len;
}

// Index of c among the first Count characters of Alphabet, -1 if absent.
int IndexIn(const char* Alphabet, int Count, char c)
{
    for (int i = 0; i < Count; ++i)
        if (Alphabet[i] == c)
            return i;
    return -1;
}

bool AllInAlphabet(const char* Alphabet, const char* p, int32_t Len)
{
    const size_t n = std::strlen(Alphabet);
    for (int32_t i = 0; i < Len; ++i)
        if (std::memchr(Alphabet, p[i], n) == nullptr)
            return false;
    return true;
}

std::string Fmt(const char* Pattern, const std::string& Arg)
{
    std::string s = Pattern;
    const size_t at = s.find("%s");
    if (at != std::string::npos)
        s.replace(at, 2, Arg);
    return s;
}

} // namespace

std::string TStringFormat::TextToBytes(const char* Text, int32_t Len) const
{
    return std::string(Text, size_t(EffectiveLen(Text, Len)));
}

std::string TStringFormat::BytesToText(const char* Bytes, int32_t Len) const
{
    return std::string(Bytes, size_t(EffectiveLen(Bytes, Len)));
}

std::string TStringFormat::DisplayName() const { return "copy Input to Output"; }
int32_t TStringFormat::FormatId() const { return 1; }
bool TStringFormat::IsValidInput(const char*, int32_t, bool) const { return true; }

const TStringFormat* TStringFormat::Class()
{
    static const TStringFormat instance;
    return &instance;
}

// Hexadecimal

const char* TStringFormat_HEX::Alphabet() const
{
    return "0123456789ABCDEFX$ abcdefhHx()[]{},;:-_/\\*+\"'\t\n\r";
}

std::string TStringFormat_HEX::DisplayName() const { return "Hexadecimal"; }
int32_t TStringFormat_HEX::FormatId() const { return 16; }

const TStringFormat* TStringFormat_HEX::Class()
{
    static const TStringFormat_HEX instance;
    return &instance;
}

std::string TStringFormat_HEX::BytesToText(const char* Bytes, int32_t Len) const
{
    Len = EffectiveLen(Bytes, Len);
    const char* digits = Alphabet();
    std::string out;
    out.reserve(size_t(Len) * 2);
    for (int32_t i = 0; i < Len; ++i) {
        const auto b = uint8_t(Bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string TStringFormat_HEX::TextToBytes(const char* Text, int32_t Len) const
{
    Len = EffectiveLen(Text, Len);
    const char* alpha = Alphabet();
    std::string out;
    out.reserve(size_t(Len) / 2 + 1);
    bool low = false;      // next digit is the low nibble of the last byte
    bool marker = false;   // a "$" or "X" prefix was seen
    for (int32_t i = 0; i < Len; ++i) {
        char c = Text[i];
        int idx = IndexIn(alpha, 18, c);
        if (idx < 0)
            idx = IndexIn(alpha, 18, AnsiUpperChar(c));
        if (idx < 0)
            idx = IndexIn(alpha, 18, AnsiLowerChar(c));
        if (idx < 0)
            continue;
        if (idx >= 16) {
            // "$1F" and "0x1F" both mark what follows as the number; the
            // first marker drops whatever came before it.
            if (!marker) {
                marker = true;
                out.clear();
                low = false;
            }
            continue;
        }
        if (!low) {
            out += char(idx << 4);
            low = true;
        } else {
            out.back() = char(uint8_t(out.back()) | idx);
            low = false;
        }
    }
    return out;
}

bool TStringFormat_HEX::IsValidInput(const char* Input, int32_t Len, bool ToBytes) const
{
    if (!ToBytes)
        return true;
    return AllInAlphabet(Alphabet(), Input, EffectiveLen(Input, Len));
}

const char* TStringFormat_HEXL::Alphabet() const
{
    return "0123456789abcdefX$ ABCDEFhHx()[]{},;:-_/\\*+\"'\t\n\r";
}

std::string TStringFormat_HEXL::DisplayName() const { return "Hexadecimal lowercase"; }
int32_t TStringFormat_HEXL::FormatId() const { return 1016; }

const TStringFormat* TStringFormat_HEXL::Class()
{
    static const TStringFormat_HEXL instance;
    return &instance;
}

// MIME base 64

const char* TStringFormat_MIME64::Alphabet() const
{
    return "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/= $()[]{},;:-_\\*\"'\t\n\r";
}

std::string TStringFormat_MIME64::DisplayName() const { return "MIME Base 64"; }
int32_t TStringFormat_MIME64::FormatId() const { return 4196; }

const TStringFormat* TStringFormat_MIME64::Class()
{
    static const TStringFormat_MIME64 instance;
    return &instance;
}

std::string TStringFormat_MIME64::BytesToText(const char* Bytes, int32_t Len) const
{
    Len = EffectiveLen(Bytes, Len);
    const char* alpha = Alphabet();
    std::string out;
    out.reserve(size_t(Len + 2) / 3 * 4);
    for (int32_t i = 0; i < Len; i += 3) {
        const int32_t n = std::min<int32_t>(3, Len - i);
        uint32_t v = uint32_t(uint8_t(Bytes[i])) << 16;
        if (n > 1)
            v |= uint32_t(uint8_t(Bytes[i + 1])) << 8;
        if (n > 2)
            v |= uint8_t(Bytes[i + 2]);
        out += alpha[(v >> 18) & 63];
        out += alpha[(v >> 12) & 63];
        out += n > 1 ? alpha[(v >> 6) & 63] : '=';
        out += n > 2 ? alpha[v & 63] : '=';
    }
    return out;
}

std::string TStringFormat_MIME64::TextToBytes(const char* Text, int32_t Len) const
{
    Len = EffectiveLen(Text, Len);
    const char* alpha = Alphabet();
    // Only digits and pads count: blanks and line breaks between the groups
    // must not add bytes of their own.
    std::string digits;
    digits.reserve(size_t(Len));
    for (int32_t i = 0; i < Len; ++i)
        if (IndexIn(alpha, 65, Text[i]) >= 0)
            digits += Text[i];
    while (digits.size() % 4)
        digits += '=';
    int64_t count = int64_t(digits.size()) / 4 * 3;
    for (char c : digits)
        if (c == '=')
            --count;
    std::string out;
    out.reserve(size_t(std::max<int64_t>(count, 0)));
    for (size_t g = 0; g + 4 <= digits.size() && count > 0; g += 4) {
        uint32_t v = 0;
        for (size_t k = 0; k < 4; ++k) {
            const int idx = IndexIn(alpha, 64, digits[g + k]);
            v = (v << 6) | uint32_t(idx < 0 ? 0 : idx);
        }
        for (int k = 0; k < 3 && count > 0; ++k, --count)
            out += char(uint8_t(v >> (16 - 8 * k)));
    }
    return out;
}

// Uuencode and xxencode

const char* TStringFormat_UU::Alphabet() const
{
    static const std::string alpha = [] {
        std::string s(1, '`');
        for (int c = 33; c <= 95; ++c)
            s += char(c);
        s += " \t\n\r";
        return s;
    }();
    return alpha.c_str();
}

std::string TStringFormat_UU::DisplayName() const { return "UU Coding"; }
int32_t TStringFormat_UU::FormatId() const { return 21845; }

const TStringFormat* TStringFormat_UU::Class()
{
    static const TStringFormat_UU instance;
    return &instance;
}

std::string TStringFormat_UU::BytesToText(const char* Bytes, int32_t Len) const
{
    Len = EffectiveLen(Bytes, Len);
    const char* alpha = Alphabet();
    std::string out;
    out.reserve(size_t(Len) * 4 / 3 + size_t(Len) / 45 + 10);
    for (int32_t line = 0; line < Len; line += 45) {
        const int32_t n = std::min<int32_t>(45, Len - line);
        out += alpha[n];
        for (int32_t i = 0; i < n; i += 3) {
            uint32_t v = 0;
            for (int k = 0; k < 3; ++k)
                v = (v << 8) | (i + k < n ? uint8_t(Bytes[line + i + k]) : 0u);
            for (int k = 3; k >= 0; --k)
                out += alpha[(v >> (6 * k)) & 63];
        }
    }
    return out;
}

std::string TStringFormat_UU::TextToBytes(const char* Text, int32_t Len) const
{
    Len = EffectiveLen(Text, Len);
    const char* alpha = Alphabet();
    std::string out;
    int32_t pos = 0;
    auto nextDigit = [&](int& value) {
        while (pos < Len) {
            const int idx = IndexIn(alpha, 64, Text[pos++]);
            if (idx >= 0) {
                value = idx;
                return true;
            }
        }
        return false;
    };
    int lineLen;
    while (nextDigit(lineLen)) {
        if (lineLen > 45)
            throw EStringFormat(Fmt("Input is not an valid %s Format.", DisplayName()));
        int remaining = lineLen;
        while (remaining > 0) {
            uint32_t v = 0;
            for (int k = 0; k < 4; ++k) {
                int d = 0;
                if (!nextDigit(d))
                    d = 0;
                v = (v << 6) | uint32_t(d);
            }
            for (int k = 0; k < 3 && remaining > 0; ++k, --remaining)
                out += char(uint8_t(v >> (16 - 8 * k)));
        }
    }
    return out;
}

bool TStringFormat_UU::IsValidInput(const char* Input, int32_t Len, bool ToBytes) const
{
    if (!ToBytes)
        return true;
    Len = EffectiveLen(Input, Len);
    const char* alpha = Alphabet();
    if (!AllInAlphabet(alpha, Input, Len))
        return false;
    int32_t pos = 0;
    while (true) {
        while (pos < Len && IndexIn(alpha, 64, Input[pos]) < 0)
            ++pos;
        if (pos >= Len)
            return true;
        const int lineLen = IndexIn(alpha, 64, Input[pos++]);
        if (lineLen > 45)
            return false;
        int need = (lineLen * 4 + 2) / 3;
        while (need > 0) {
            if (pos >= Len)
                return false;
            if (IndexIn(alpha, 64, Input[pos++]) >= 0)
                --need;
        }
    }
}

const char* TStringFormat_XX::Alphabet() const
{
    return "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz \"()[]'\t\n\r";
}

std::string TStringFormat_XX::DisplayName() const { return "XX Coding"; }
int32_t TStringFormat_XX::FormatId() const { return 22616; }

const TStringFormat* TStringFormat_XX::Class()
{
    static const TStringFormat_XX instance;
    return &instance;
}

// Registry

namespace {

std::vector<TStringFormatClass>& Registry()
{
    static std::vector<TStringFormatClass> list = [] {
        std::vector<TStringFormatClass> l;
        for (TStringFormatClass c : {TStringFormat::Class(), TStringFormat_HEX::Class(), TStringFormat_HEXL::Class(),
                                     TStringFormat_MIME64::Class(), TStringFormat_UU::Class(),
                                     TStringFormat_XX::Class()})
            l.push_back(c);
        return l;
    }();
    return list;
}

TStringFormatClass FormatOrThrow(int32_t Id)
{
    TStringFormatClass c = FindTextFormat(Id);
    if (!c)
        throw EStringFormat("String Format \"" + std::to_string(Id) + "\" not exists.");
    return c;
}

} // namespace

void RegisterTextFormats(const std::vector<TStringFormatClass>& Classes)
{
    auto& list = Registry();
    for (TStringFormatClass c : Classes) {
        if (!c || c->FormatId() == -1)
            continue;
        auto it = std::find_if(list.begin(), list.end(),
                               [&](TStringFormatClass r) { return r->FormatId() == c->FormatId(); });
        if (it != list.end())
            *it = c;
        else
            list.push_back(c);
    }
}

void UnregisterTextFormats(const std::vector<TStringFormatClass>& Classes)
{
    auto& list = Registry();
    for (TStringFormatClass c : Classes)
        list.erase(std::remove(list.begin(), list.end(), c), list.end());
}

TStringFormatClass FindTextFormat(int32_t Id)
{
    if (Id == -1)
        Id = DefaultStringFormatId;
    for (TStringFormatClass c : Registry())
        if (c->FormatId() == Id)
            return c;
    return nullptr;
}

std::string BytesToFormat(const char* Bytes, int32_t Len, int32_t Id)
{
    if (!Bytes || Id == 0)
        return std::string();
    Len = EffectiveLen(Bytes, Len);
    if (Len == 0)
        return std::string();
    TStringFormatClass c = FormatOrThrow(Id);
    if (!c->IsValidInput(Bytes, Len, false))
        throw EStringFormat(Fmt("Input can not be convert to %s Format.", c->DisplayName()));
    return c->BytesToText(Bytes, Len);
}

std::string BytesToFormat(const std::string& Bytes, int32_t Id)
{
    return BytesToFormat(Bytes.data(), int32_t(Bytes.size()), Id);
}

std::string FormatToBytes(const char* Text, int32_t Len, int32_t Id)
{
    if (!Text || Id == 0)
        return std::string();
    Len = EffectiveLen(Text, Len);
    if (Len == 0)
        return std::string();
    TStringFormatClass c = FormatOrThrow(Id);
    if (!c->IsValidInput(Text, Len, true))
        throw EStringFormat(Fmt("Input is not an valid %s Format.", c->DisplayName()));
    return c->TextToBytes(Text, Len);
}

std::string FormatToBytes(const std::string& Text, int32_t Id)
{
    return FormatToBytes(Text.data(), int32_t(Text.size()), Id);
}
