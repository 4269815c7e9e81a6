#pragma once
// Shared base of the archive engine's ciphers and hashes: the reference
// counted, chainable protection object, the text formats protection results
// are exchanged in, and the small byte routines the cipher and hash code use.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Byte routines

// Dest[i] := A[i] xor B[i]; Dest may be A or B.
void XorBlocks(const void* A, const void* B, int32_t Count, void* Dest);
// 0 when equal, else the first differing byte of A minus that of B.
int32_t CompareBytes(const void* A, const void* B, int32_t Size);
uint32_t ByteSwap32(uint32_t V);
void ByteSwap32Buffer(const void* Source, void* Dest, int32_t Count);
// Rotations by N mod 32; inline, as the ciphers use them in their rounds.
inline uint32_t RotateLeft32(uint32_t V, uint32_t N)
{
    N &= 31;
    return N ? (V << N) | (V >> (32 - N)) : V;
}
inline uint32_t RotateRight32(uint32_t V, uint32_t N)
{
    N &= 31;
    return N ? (V >> N) | (V << (32 - N)) : V;
}
// Linear congruential scrambler: mixes each byte into the seed and replaces it
// with the seed's top byte. Returns the final seed (unchanged for nil Buffer).
uint32_t FillRandomBytes(uint32_t Seed, void* Buffer, int32_t Len);
// Milliseconds of the UTC day mixed with the high-resolution clock.
uint32_t TimeSeed();

template <class Class, class T>
bool IsInstanceOf(const T* Object)
{
    return Object != nullptr && dynamic_cast<const Class*>(Object) != nullptr;
}

// ---------------------------------------------------------------------------
// Protection chain

enum TProtectionAction : uint8_t {
    actEncode = 0,
    actDecode = 1,
    actScramble = 2,
    actDigest = 3,
    actWipe = 4,
};

class EProtection : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A protection step. Objects are reference counted: they start with no
// reference, the chain (and a cipher's hash) hold counted references, and the
// release of the last reference deletes the object. An object that nobody
// ever referenced is owned by its creator (stack, unique_ptr, delete).
// Objects that are chained or held by a cipher must live on the heap.
class TProtection {
public:
    explicit TProtection(TProtection* Chained = nullptr);
    virtual ~TProtection();
    TProtection(const TProtection&) = delete;
    TProtection& operator=(const TProtection&) = delete;

    int32_t AddRef();
    int32_t Release();
    int32_t RefCount() const { return FRefCount; }

    TProtection* Chained() const { return FChained; }
    // Refuses (EProtection) a chain that would lead back to this object.
    void SetChained(TProtection* Value);

    // Bit A set: action A applies to this object.
    uint32_t ActionSet = 0x1F;

    virtual void StartAction(uint8_t A);
    virtual void FinishAction(uint8_t A);
    virtual void ProcessChunk(void* Buffer, int32_t Size, uint8_t A);
    // Size < 0: the whole of Source from position 0. Dest nil: in place.
    virtual void ProcessStream(std::iostream* Source, std::iostream* Dest, uint8_t A, int32_t Size);
    virtual void ProcessFile(const std::string& SourceName, const std::string& DestName, uint8_t A);
    // FormatId -1 means the default text format.
    virtual std::string ProcessText(const std::string& Text, uint8_t A, int32_t FormatId);
    virtual int32_t ProcessBuffer(void* Buffer, int32_t Size, uint8_t A);

    bool InActionSet(uint8_t A) const { return A < 32 && (ActionSet >> A) & 1u; }

private:
    TProtection* FChained = nullptr;
    int32_t FRefCount = 0;
};

// Adds a reference; nil is ignored.
void ProtectionAddRef(TProtection* P);
// Releases a reference; nil is ignored.
void ProtectionRelease(TProtection* P);

// ---------------------------------------------------------------------------
// Text formats. Each class is used through its single instance (its "class");
// Len < 0 means up to the first zero byte.

class EStringFormat : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStringFormat {
public:
    virtual ~TStringFormat() = default;
    virtual std::string TextToBytes(const char* Text, int32_t Len) const;
    virtual std::string BytesToText(const char* Bytes, int32_t Len) const;
    virtual std::string DisplayName() const;
    virtual int32_t FormatId() const;
    virtual bool IsValidInput(const char* Input, int32_t Len, bool ToBytes) const;
    static const TStringFormat* Class();
};
using TStringFormatClass = const TStringFormat*;

class TStringFormat_HEX : public TStringFormat {
public:
    std::string TextToBytes(const char* Text, int32_t Len) const override;
    std::string BytesToText(const char* Bytes, int32_t Len) const override;
    std::string DisplayName() const override;
    int32_t FormatId() const override;
    bool IsValidInput(const char* Input, int32_t Len, bool ToBytes) const override;
    virtual const char* Alphabet() const;
    static const TStringFormat* Class();
};

class TStringFormat_HEXL : public TStringFormat_HEX {
public:
    std::string DisplayName() const override;
    int32_t FormatId() const override;
    const char* Alphabet() const override;
    static const TStringFormat* Class();
};

class TStringFormat_MIME64 : public TStringFormat_HEX {
public:
    std::string TextToBytes(const char* Text, int32_t Len) const override;
    std::string BytesToText(const char* Bytes, int32_t Len) const override;
    std::string DisplayName() const override;
    int32_t FormatId() const override;
    const char* Alphabet() const override;
    static const TStringFormat* Class();
};

class TStringFormat_UU : public TStringFormat {
public:
    std::string TextToBytes(const char* Text, int32_t Len) const override;
    std::string BytesToText(const char* Bytes, int32_t Len) const override;
    std::string DisplayName() const override;
    int32_t FormatId() const override;
    bool IsValidInput(const char* Input, int32_t Len, bool ToBytes) const override;
    virtual const char* Alphabet() const;
    static const TStringFormat* Class();
};

class TStringFormat_XX : public TStringFormat_UU {
public:
    std::string DisplayName() const override;
    int32_t FormatId() const override;
    const char* Alphabet() const override;
    static const TStringFormat* Class();
};

constexpr int32_t DefaultStringFormatId = 4196;

// Registers the classes; one with an id already registered replaces it.
void RegisterTextFormats(const std::vector<TStringFormatClass>& Classes);
// Removes the classes (a module that goes away takes its formats along).
void UnregisterTextFormats(const std::vector<TStringFormatClass>& Classes);
// Id -1 means the default id; nil when not registered.
TStringFormatClass FindTextFormat(int32_t Id);
std::string BytesToFormat(const char* Bytes, int32_t Len, int32_t Id);
std::string BytesToFormat(const std::string& Bytes, int32_t Id);
std::string FormatToBytes(const char* Text, int32_t Len, int32_t Id);
std::string FormatToBytes(const std::string& Text, int32_t Id);
