#include "zip/blockdata.h"

#include <gtest/gtest.h>

#include <bzlib.h>
#include <zlib.h>

#include <cstring>

#include "ppm_encoder.h"
#include "testutil.h"
#include "zip/crypto/cipher.h"
#include "zip/zastream.h"
#include "zip/zatradcrypt.h"

using namespace cryptotest;

namespace {

void Put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + size_t(i)] = char(uint8_t(v >> (8 * i)));
}

std::vector<uint8_t> Compress(int compressor, const std::vector<uint8_t>& in)
{
    if (compressor == bcZlib) {
        uLongf n = compressBound(uLong(in.size()));
        std::vector<uint8_t> out(n);
        EXPECT_EQ(compress2(out.data(), &n, in.data(), uLong(in.size()), 6), Z_OK);
        out.resize(n);
        return out;
    }
    if (compressor == bcBZip2) {
        unsigned n = unsigned(in.size() + in.size() / 100 + 700);
        std::vector<uint8_t> out(n);
        EXPECT_EQ(BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &n,
                                           const_cast<char*>(reinterpret_cast<const char*>(in.data())),
                                           unsigned(in.size()), 9, 0, 0),
                  BZ_OK);
        out.resize(n);
        return out;
    }
    auto r = PpmEncodeForTest(in, 2, 6);
    EXPECT_TRUE(r.Ok);
    return r.Block;
}

struct TItemSpec {
    uint32_t BlockSize = 1000;
    int Compressor = bcZlib;
    bool Compressed = false;
    uint16_t Cipher = BlockCipherNone;
    std::string Password;
};

// An item of the block format holding Data.
std::string MakeItem(const std::vector<uint8_t>& Data, const TItemSpec& S)
{
    std::string item(BlockHeaderSize, '\0');
    const uint32_t blocks = uint32_t((Data.size() + S.BlockSize - 1) / S.BlockSize);
    Put32(item, 0, S.BlockSize);
    Put32(item, 8, uint32_t(Data.size()));
    Put32(item, 16, blocks);
    item[20] = char(S.Compressor);
    item[21] = char(S.Compressed ? 1 : 0);
    item[22] = char(S.Cipher & 0xFF);
    item[23] = char(S.Cipher >> 8);
    auto check = PseudoRandom(16, 77);
    Put32(item, 24, ZACrc32(0, check.data(), 16));
    if (S.Cipher != BlockCipherNone)
        EncipherItemBuffer(S.Cipher, S.Password, check.data(), 16);
    std::memcpy(&item[28], check.data(), 16);
    for (uint32_t b = 0; b < blocks; ++b) {
        const size_t from = size_t(b) * S.BlockSize;
        std::vector<uint8_t> block(Data.begin() + long(from),
                                   Data.begin() + long(std::min(Data.size(), from + S.BlockSize)));
        if (S.Compressed)
            block = Compress(S.Compressor, block);
        if (S.Cipher != BlockCipherNone)
            EncipherItemBuffer(S.Cipher, S.Password, block.data(), int32_t(block.size()));
        std::string len(4, '\0');
        Put32(len, 0, uint32_t(block.size()));
        item += len;
        item.append(block.begin(), block.end());
    }
    return item;
}

struct TRun {
    bool Ok;
    std::string Out;
    uint32_t Crc = 0;
    uint64_t Written = 0;
    TBlockItemReader Reader;
};

TRun Read(const std::string& Item, const std::string& Password = "",
          std::function<void(std::string&, bool&)> Prompt = nullptr)
{
    TRun run;
    TZAMemoryStream archive("PREFIX" + Item), target;
    archive.Seek(6);
    run.Reader.Archive = &archive;
    run.Reader.Target = &target;
    run.Reader.Password = Password;
    run.Reader.OnPassword = std::move(Prompt);
    run.Reader.SlowdownMs = 0;
    run.Ok = ReadBlockItem(run.Reader, run.Crc, run.Written);
    run.Out = target.Data;
    return run;
}

std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

} // namespace

TEST(BlockItems, PlainBlocksAreCopied)
{
    auto data = PseudoRandom(3500, 1);
    TRun r = Read(MakeItem(data, {}));
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.Out, Str(data));
    EXPECT_EQ(r.Written, 3500u);
    EXPECT_EQ(r.Crc, ZACrc32(0, data.data(), data.size()));
}

TEST(BlockItems, EveryCompressorAndCipher)
{
    std::vector<uint8_t> data;
    for (int i = 0; i < 300; ++i)
        for (const char* p = "Track.Rail 1;Structure.Ground 2\r\n"; *p; ++p)
            data.push_back(uint8_t(*p));
    for (int compressor : {bcZlib, bcBZip2, bcPpm})
        for (int cipher : {0, 1, 2, 3, 4, 5, 6, 7, 0xFFFF}) {
            TItemSpec s;
            s.BlockSize = 4096;
            s.Compressor = compressor;
            s.Compressed = true;
            s.Cipher = uint16_t(cipher);
            s.Password = "Velkast";
            TRun r = Read(MakeItem(data, s), "Velkast");
            ASSERT_TRUE(r.Ok) << compressor << " " << cipher;
            EXPECT_EQ(r.Out, Str(data)) << compressor << " " << cipher;
            EXPECT_EQ(r.Crc, ZACrc32(0, data.data(), data.size()));
        }
}

TEST(BlockItems, PasswordPromptAndSkip)
{
    auto data = PseudoRandom(2000, 2);
    TItemSpec s;
    s.Cipher = 5;
    s.Password = "right";
    const std::string item = MakeItem(data, s);
    int asked = 0;
    TRun r = Read(item, "wrong", [&](std::string& pw, bool& skip) {
        ++asked;
        pw = asked < 2 ? "still wrong" : "right";
        skip = false;
    });
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(r.Reader.Password, "right");
    EXPECT_EQ(r.Out, Str(data));

    TRun skipped = Read(item, "wrong", [](std::string&, bool& skip) { skip = true; });
    EXPECT_FALSE(skipped.Ok);
    EXPECT_TRUE(skipped.Reader.Skipped);
    EXPECT_EQ(skipped.Written, 0u);
    TRun noPrompt = Read(item, "wrong");
    EXPECT_TRUE(noPrompt.Reader.Skipped);
}

TEST(BlockItems, DamagedItemsFail)
{
    auto data = PseudoRandom(2500, 3);
    std::string item = MakeItem(data, {});
    // A block length beyond the end of the archive.
    std::string bad = item;
    Put32(bad, BlockHeaderSize, 0x7FFFFFF0u);
    EXPECT_FALSE(Read(bad).Ok);
    // Short header, truncated block.
    EXPECT_FALSE(Read(item.substr(0, 30)).Ok);
    EXPECT_FALSE(Read(item.substr(0, item.size() - 10)).Ok);
    // A huge block size is refused before anything is allocated.
    TItemSpec big;
    big.BlockSize = 3000;
    std::string huge = MakeItem(data, big);
    Put32(huge, 0, 0xFFFFFFF0u);
    Put32(huge, 8, 0xFFFFFFF0u);
    Put32(huge, 16, 2);
    EXPECT_FALSE(Read(huge).Ok);
    // Corrupt compressed data.
    TItemSpec z;
    z.Compressed = true;
    std::string zi = MakeItem(data, z);
    zi[BlockHeaderSize + 10] ^= 0x55;
    EXPECT_FALSE(Read(zi).Ok);
    // A compressor type that does not exist.
    std::string unknown = MakeItem(data, z);
    unknown[20] = 9;
    EXPECT_FALSE(Read(unknown).Ok);
}

TEST(BlockItems, UnknownCipherTypeLeavesBlocks)
{
    auto data = PseudoRandom(1500, 4);
    std::string item = MakeItem(data, {});
    item[22] = 9;  // cipher type 9: blocks stay as they are
    item[23] = 0;
    TRun r = Read(item, "any");
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.Out, Str(data));
}

TEST(BlockItems, ProgressCancelEndsWithSuccess)
{
    auto data = PseudoRandom(5000, 5);
    std::string item = MakeItem(data, {});
    TZAMemoryStream archive(item), target;
    TBlockItemReader reader;
    reader.Archive = &archive;
    reader.Target = &target;
    int calls = 0;
    reader.OnProgress = [&](double done, double total, bool& cancel) {
        EXPECT_LE(done, total);
        cancel = ++calls == 3;
    };
    uint32_t crc = 0;
    uint64_t written = 0;
    EXPECT_TRUE(ReadBlockItem(reader, crc, written));
    EXPECT_TRUE(reader.Cancelled);
    EXPECT_EQ(written, 2000u);
}
