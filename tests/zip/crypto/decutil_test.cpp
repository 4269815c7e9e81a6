#include "zip/crypto/decutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "testutil.h"

using namespace cryptotest;

namespace {

// Adds a constant to every byte on encode and subtracts it on decode; counts
// the start and finish calls so the pipeline's bracketing can be checked.
class TAddProtection : public TProtection {
public:
    explicit TAddProtection(uint8_t delta, TProtection* chained = nullptr, int* alive = nullptr)
        : TProtection(chained), Delta(delta), Alive(alive)
    {
        if (Alive)
            ++*Alive;
    }
    ~TAddProtection() override
    {
        if (Alive)
            --*Alive;
    }
    void StartAction(uint8_t A) override
    {
        ++Starts;
        TProtection::StartAction(A);
    }
    void FinishAction(uint8_t A) override
    {
        ++Finishes;
        TProtection::FinishAction(A);
    }
    void ProcessChunk(void* Buffer, int32_t Size, uint8_t A) override
    {
        auto* b = static_cast<uint8_t*>(Buffer);
        if (A != actDecode)
            TProtection::ProcessChunk(Buffer, Size, A);
        if (InActionSet(A) && A != actDigest)
            for (int32_t i = 0; i < Size; ++i)
                b[i] = uint8_t(A == actDecode ? b[i] - Delta : b[i] + Delta);
        if (A == actDigest)
            Digested += Size;
        if (A == actDecode)
            TProtection::ProcessChunk(Buffer, Size, A);
    }
    uint8_t Delta;
    int* Alive;
    int Starts = 0, Finishes = 0;
    int64_t Digested = 0;
};

std::string Hex(const std::string& s) { return ToHex(s.data(), s.size()); }

} // namespace

TEST(ByteRoutines, XorCompareSwapRotate)
{
    uint8_t a[4] = {1, 2, 3, 4}, b[4] = {0xFF, 2, 0, 4};
    XorBlocks(a, b, 4, a);
    EXPECT_EQ(ToHex(a, 4), "fe000300");
    EXPECT_EQ(CompareBytes("abc", "abc", 3), 0);
    EXPECT_EQ(CompareBytes("abd", "abc", 3), 1);
    EXPECT_EQ(CompareBytes("\x01", "\xF0", 1), 1 - 0xF0);
    EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
    uint8_t w[8] = {1, 2, 3, 4, 5, 6, 7, 8}, s[8];
    ByteSwap32Buffer(w, s, 2);
    EXPECT_EQ(ToHex(s, 8), "0403020108070605");
    EXPECT_EQ(RotateLeft32(0x80000001u, 1), 3u);
    EXPECT_EQ(RotateLeft32(0x12345678u, 32), 0x12345678u);
    EXPECT_EQ(RotateRight32(3u, 33), 0x80000001u);
}

TEST(ByteRoutines, FillRandomBytesFollowsTheLinearCongruence)
{
    uint8_t buf[5] = {0, 1, 2, 250, 255};
    uint8_t copy[5];
    std::memcpy(copy, buf, 5);
    uint32_t seed = 0x12345678u;
    uint32_t expect = seed;
    for (int i = 0; i < 5; ++i) {
        uint32_t low = (expect ^ copy[i]) & 0xFF;
        expect = uint32_t(uint64_t((expect & ~0xFFu) | low) * 134775813u + 1u);
        copy[i] = uint8_t(expect >> 24);
    }
    EXPECT_EQ(FillRandomBytes(seed, buf, 5), expect);
    EXPECT_EQ(ToHex(buf, 5), ToHex(copy, 5));
    EXPECT_EQ(FillRandomBytes(77, nullptr, 5), 77u);
    EXPECT_NE(TimeSeed() | 1u, 0u);
}

TEST(TextFormats, HexadecimalParsing)
{
    EXPECT_EQ(Hex(FormatToBytes("0A ff", 16)), "0aff");
    EXPECT_EQ(Hex(FormatToBytes("12$34", 16)), "34");
    EXPECT_EQ(Hex(FormatToBytes("123", 16)), "1230");
    EXPECT_EQ(Hex(FormatToBytes("0x1F", 16)), "1f");
    EXPECT_EQ(Hex(FormatToBytes("0X1f", 1016)), "1f");
    EXPECT_EQ(BytesToFormat(std::string("\x0a\xff", 2), 16), "0AFF");
    EXPECT_EQ(BytesToFormat(std::string("\x0a\xff", 2), 1016), "0aff");
    EXPECT_THROW(FormatToBytes("12G4", 16), EStringFormat);
    try {
        FormatToBytes("zz", 16);
        FAIL();
    } catch (const EStringFormat& e) {
        EXPECT_STREQ(e.what(), "Input is not an valid Hexadecimal Format.");
    }
}

TEST(TextFormats, Base64MatchesOpenssl)
{
    for (size_t len : {1u, 2u, 3u, 4u, 5u, 57u, 100u}) {
        auto data = PseudoRandom(len, uint32_t(len));
        std::string bytes(data.begin(), data.end());
        std::string mine = BytesToFormat(bytes, 4196);
        std::string path = TempPath("b64.bin");
        WriteFile(path, data.data(), data.size());
        bool ok;
        std::string ref = RunCommand("openssl base64 -A -in " + path, ok);
        ASSERT_TRUE(ok);
        while (!ref.empty() && (ref.back() == '\n' || ref.back() == '\r'))
            ref.pop_back();
        EXPECT_EQ(mine, ref) << len;
        EXPECT_EQ(FormatToBytes(mine, 4196), bytes);
        EXPECT_EQ(FormatToBytes(mine, -1), bytes);
    }
    // Skipped characters between groups add no bytes.
    EXPECT_EQ(FormatToBytes("SGVs\r\nbG8=", 4196), "Hello");
}

TEST(TextFormats, UuencodeLinesMatchPython)
{
    auto data = PseudoRandom(46, 9);
    std::string bytes(data.begin(), data.end());
    std::string text = BytesToFormat(bytes, 21845);
    ASSERT_EQ(text.size(), 1 + 60 + 1 + 4u);
    EXPECT_EQ(text[61], '!');  // the second line holds one byte
    EXPECT_EQ(FormatToBytes(text, 21845), bytes);

    bool ok;
    std::string py = RunCommand("python3 -c \"import binascii,sys;d=bytes.fromhex(sys.argv[1]);"
                                "sys.stdout.write(binascii.b2a_uu(d[:45],backtick=True).decode()+"
                                "binascii.b2a_uu(d[45:],backtick=True).decode())\" " +
                                    ToHex(data),
                                ok);
    if (ok) {
        std::string joined;
        for (char c : py)
            if (c != '\n')
                joined += c;
        EXPECT_EQ(text, joined);
    }
    std::string xx = BytesToFormat(bytes, 22616);
    EXPECT_EQ(FormatToBytes(xx, 22616), bytes);
    EXPECT_EQ(xx[0], 'h');  // 45 in the xx alphabet
    EXPECT_THROW(FormatToBytes("zzzz", 21845), EStringFormat);
}

TEST(TextFormats, RegistryLookupAndErrors)
{
    EXPECT_EQ(BytesToFormat("abc", 3, 0), "");
    EXPECT_EQ(FindTextFormat(-1), TStringFormat_MIME64::Class());
    EXPECT_EQ(FindTextFormat(1)->DisplayName(), "copy Input to Output");
    EXPECT_EQ(FindTextFormat(12345), nullptr);
    try {
        BytesToFormat("abc", 3, 12345);
        FAIL();
    } catch (const EStringFormat& e) {
        EXPECT_STREQ(e.what(), "String Format \"12345\" not exists.");
    }
    UnregisterTextFormats({TStringFormat_XX::Class()});
    EXPECT_EQ(FindTextFormat(22616), nullptr);
    RegisterTextFormats({TStringFormat_XX::Class(), nullptr});
    EXPECT_EQ(FindTextFormat(22616), TStringFormat_XX::Class());
}

TEST(Protection, CircularChainIsRefusedAndChainsStay)
{
    int alive = 0;
    {
        auto* a = new TAddProtection(1, nullptr, &alive);
        auto* b = new TAddProtection(2, a, &alive);
        b->AddRef();
        EXPECT_EQ(a->RefCount(), 1);
        try {
            a->SetChained(b);
            FAIL();
        } catch (const EProtection& e) {
            EXPECT_STREQ(e.what(), "Circular Protection detected, Protection Object is invalid.");
        }
        EXPECT_EQ(a->Chained(), nullptr);
        EXPECT_EQ(b->Chained(), a);
        EXPECT_THROW(b->SetChained(b), EProtection);
        b->Release();  // deletes b, which releases a
    }
    EXPECT_EQ(alive, 0);
}

TEST(Protection, BufferStreamTextAndFilePipelines)
{
    auto* inner = new TAddProtection(10);
    TAddProtection outer(1, inner);
    std::string data = "Hello";
    outer.ProcessBuffer(data.data(), 5, actEncode);
    EXPECT_EQ(data, "Spwwz");
    EXPECT_EQ(outer.Starts, 1);
    EXPECT_EQ(inner->Finishes, 1);
    outer.ProcessBuffer(data.data(), 5, actDecode);
    EXPECT_EQ(data, "Hello");

    // In place in one stream, more than one 4096-byte chunk.
    auto big = PseudoRandom(10000, 3);
    std::stringstream mem(std::string(big.begin(), big.end()), std::ios::in | std::ios::out | std::ios::binary);
    outer.ProcessStream(&mem, nullptr, actEncode, -1);
    std::string coded = mem.str();
    ASSERT_EQ(coded.size(), big.size());
    EXPECT_EQ(uint8_t(coded[5000]), uint8_t(big[5000] + 11));
    outer.ProcessStream(&mem, nullptr, actDecode, -1);
    EXPECT_EQ(mem.str(), std::string(big.begin(), big.end()));

    outer.ActionSet = 1u << actDigest;
    outer.ProcessStream(&mem, nullptr, actDigest, -1);
    EXPECT_EQ(outer.Digested, 10000);
    outer.ActionSet = 0x1F;

    std::string text = outer.ProcessText("abc", actEncode, 16);
    EXPECT_EQ(text, "6C6D6E");
    EXPECT_EQ(outer.ProcessText(text, actDecode, 16), "abc");
    EXPECT_EQ(outer.ProcessText("", actEncode, 16), "");

    std::string src = TempPath("pf_src.bin"), dst = TempPath("pf_dst.bin");
    WriteFile(src, "ABC", 3);
    WriteFile(dst, "old content that is longer", 26);
    outer.ProcessFile(src, dst, actEncode);
    auto out = ReadFile(dst);
    EXPECT_EQ(std::string(out.begin(), out.end()), "LMN");
    outer.ProcessFile(dst, "", actDecode);  // in place
    out = ReadFile(dst);
    EXPECT_EQ(std::string(out.begin(), out.end()), "ABC");
    std::remove(src.c_str());
    std::remove(dst.c_str());
    EXPECT_THROW(outer.ProcessFile(TempPath("does_not_exist"), dst, actEncode), std::runtime_error);
}

TEST(TextFormats, RandomRoundTripsAndHostileText)
{
    for (int32_t id : {1, 16, 1016, 4196, 21845, 22616})
        for (size_t len : {1u, 2u, 3u, 44u, 45u, 46u, 90u, 91u, 200u}) {
            auto data = PseudoRandom(len, uint32_t(len * 31 + size_t(id)));
            std::string bytes(data.begin(), data.end());
            EXPECT_EQ(FormatToBytes(BytesToFormat(bytes, id), id), bytes) << id << " " << len;
        }
    // Arbitrary text either parses or raises the format error; never more.
    for (uint32_t seed = 1; seed < 300; ++seed) {
        auto junk = PseudoRandom(seed % 97 + 1, seed);
        std::string text(junk.begin(), junk.end());
        for (int32_t id : {16, 1016, 4196, 21845, 22616}) {
            try {
                FormatToBytes(text, id);
            } catch (const EStringFormat&) {
            }
        }
    }
}
