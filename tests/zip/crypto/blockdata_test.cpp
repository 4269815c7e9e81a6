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
    // Blocks whose streams give more than the header declares (a megabyte
    // of zeros for 1000 bytes) fail instead of being cut to size.
    for (int compressor : {bcZlib, bcBZip2}) {
        TItemSpec big;
        big.BlockSize = 1u << 20;
        big.Compressor = compressor;
        big.Compressed = true;
        std::string bomb = MakeItem(std::vector<uint8_t>(big.BlockSize), big);
        Put32(bomb, 0, 1000);
        Put32(bomb, 8, 1000);
        EXPECT_FALSE(Read(bomb).Ok) << compressor;
    }
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

// Through the archive component: an item of the block format inside a ZIP
// archive extracts and tests like any other, asking for its password through
// the component's own event.
#include "zip/zaarchiver.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

void Put16(std::string& s, uint16_t v)
{
    s += char(v & 0xFF);
    s += char(v >> 8);
}

void Put32s(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += char(uint8_t(v >> (8 * i)));
}

// A one-item ZIP archive whose item has the given method and raw data.
std::string ZipWithItem(const std::string& Name, uint16_t Method, const std::string& Raw,
                        const std::vector<uint8_t>& Data)
{
    const uint32_t crc = ZACrc32(0, Data.data(), Data.size());
    std::string zip;
    Put32s(zip, 0x04034b50);
    Put16(zip, 20);
    Put16(zip, 0);
    Put16(zip, Method);
    Put16(zip, 0);      // time
    Put16(zip, 0x5821); // date 2024-01-01
    Put32s(zip, crc);
    Put32s(zip, uint32_t(Raw.size()));
    Put32s(zip, uint32_t(Data.size()));
    Put16(zip, uint16_t(Name.size()));
    Put16(zip, 0);
    zip += Name;
    zip += Raw;
    const uint32_t central = uint32_t(zip.size());
    Put32s(zip, 0x02014b50);
    Put16(zip, 20);
    Put16(zip, 20);
    Put16(zip, 0);
    Put16(zip, Method);
    Put16(zip, 0);
    Put16(zip, 0x5821);
    Put32s(zip, crc);
    Put32s(zip, uint32_t(Raw.size()));
    Put32s(zip, uint32_t(Data.size()));
    Put16(zip, uint16_t(Name.size()));
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, 0);
    Put32s(zip, 0x20);
    Put32s(zip, 0);
    zip += Name;
    const uint32_t centralSize = uint32_t(zip.size()) - central;
    Put32s(zip, 0x06054b50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, 1);
    Put16(zip, 1);
    Put32s(zip, centralSize);
    Put32s(zip, central);
    Put16(zip, 0);
    return zip;
}

std::string Slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(BlockItemsInArchives, ExtractAndTestThroughTheComponent)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vl_blockzip_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    const auto data = PseudoRandom(5000, 3);
    TItemSpec s;
    s.Compressed = true;
    s.Compressor = bcBZip2;
    s.Cipher = 0; // Rijndael with RipeMD-128
    s.Password = "Velkast";
    const std::string archivePath = (dir / "block.zip").string();
    {
        std::ofstream out(archivePath, std::ios::binary);
        out << ZipWithItem("route.csv", 99, MakeItem(data, s), data);
    }

    TZipArchiver z;
    z.FileName = archivePath;
    z.BaseDir = (dir / "out").string();
    int prompts = 0;
    z.OnPassword = [&](TZABaseArchiver&, const std::string& name, std::string& pw, bool& skip) {
        EXPECT_EQ(name, "route.csv");
        ++prompts;
        pw = "Velkast";
        skip = false;
    };
    z.Password = "wrong";
    z.OpenArchive();
    z.TestFiles("*.*", 63, "");
    z.ExtractFiles("*.*", 63, "");
    z.CloseArchive();
    EXPECT_EQ(prompts, 1); // the password given once is kept for the next pass
    EXPECT_EQ(Slurp(dir / "out" / "route.csv"), Str(data));
    fs::remove_all(dir);
}

TEST(BlockItemsInArchives, DamagedBlockItemRaisesTheCodedError)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vl_blockzip_bad_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    const auto data = PseudoRandom(3000, 4);
    TItemSpec s;
    s.Compressed = true;
    std::string raw = MakeItem(data, s);
    raw[raw.size() - 10] ^= 0x55; // a flipped byte inside the last zlib block
    const std::string archivePath = (dir / "bad.zip").string();
    {
        std::ofstream out(archivePath, std::ios::binary);
        out << ZipWithItem("x.bin", 99, raw, data);
    }
    TZipArchiver z;
    z.FileName = archivePath;
    z.BaseDir = (dir / "out").string();
    z.OpenArchive();
    try {
        z.ExtractFiles("*.*", 63, "");
        ADD_FAILURE() << "a damaged item extracted without an error";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 8);
    }
    z.CloseArchive();
    EXPECT_FALSE(fs::exists(dir / "out" / "x.bin"));
    fs::remove_all(dir);
}
