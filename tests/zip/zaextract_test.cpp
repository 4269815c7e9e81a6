#include "zip/blockdata.h"
#include "zip/zaarchiver.h"
#include "zip/zafileutil.h"
#include "zip/zatradcrypt.h"

#include "zatesthelp.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <sys/stat.h>
#include <zlib.h>

namespace {

using namespace zatest;

struct RawEntry {
    std::string name;
    uint16_t method;
    std::string data; // as stored
    uint32_t crc;
    uint32_t size;
    uint32_t attr = faArchive;
};

// An archive assembled byte by byte, for items the component would not write.
std::string RawZip(const std::vector<RawEntry>& entries)
{
    std::string out, dir;
    for (const RawEntry& e : entries) {
        unsigned char h[30] = {};
        ZAPut32(h, ZALocalHeaderSig);
        ZAPut16(h + 4, 20);
        ZAPut16(h + 8, e.method);
        ZAPut16(h + 12, 0x5B21);
        ZAPut32(h + 14, e.crc);
        ZAPut32(h + 18, uint32_t(e.data.size()));
        ZAPut32(h + 22, e.size);
        ZAPut16(h + 26, uint16_t(e.name.size()));
        TZACentralHeader c;
        c.Signature = ZACentralHeaderSig;
        c.VersionMadeBy = c.VersionNeeded = 20;
        c.Method = e.method;
        c.DosDate = 0x5B21;
        c.Crc32 = e.crc;
        c.CompressedSize = uint32_t(e.data.size());
        c.UncompressedSize = e.size;
        c.NameLength = uint16_t(e.name.size());
        c.ExternalAttributes = e.attr;
        c.LocalHeaderOffset = uint32_t(out.size());
        unsigned char ch[46];
        c.Store(ch);
        dir += std::string(reinterpret_cast<char*>(ch), 46) + e.name;
        out += std::string(reinterpret_cast<char*>(h), 30) + e.name + e.data;
    }
    TZAEndRecord r;
    r.EntriesThisDisk = r.TotalEntries = uint16_t(entries.size());
    r.DirectorySize = uint32_t(dir.size());
    r.DirectoryOffset = uint32_t(out.size());
    unsigned char er[22];
    r.Store(er);
    return out + dir + std::string(reinterpret_cast<char*>(er), 22);
}

uint32_t Crc(const std::string& s) { return ZACrc32(0, s.data(), s.size()); }

std::string ZlibStream(const std::string& data)
{
    uLongf len = compressBound(static_cast<uLong>(data.size()));
    std::string out(len, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 6);
    out.resize(len);
    return out;
}

int32_t CodeOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EZAException& e) {
        return e.NativeError;
    }
    return -1;
}

const std::map<std::string, std::string>& Tree()
{
    static const std::map<std::string, std::string> t = {
        {"route.ini", "[Route]\r\nName=Test\r\n"},
        {"railway/", ""},
        {"railway/object/", ""},
        {"railway/object/x/a.b3d", SampleData(70000)},
        {"railway/route/x/r.csv", std::string(200000, 'w')},
        {"empty.dat", ""},
    };
    return t;
}

void ExpectTree(const std::string& base)
{
    for (auto& [name, data] : Tree()) {
        if (name.back() == '/')
            EXPECT_TRUE(std::filesystem::is_directory(base + "/" + name)) << name;
        else
            EXPECT_EQ(ReadFile(base + "/" + name), data) << name;
    }
}

TEST(ZAExtract, WholeArchiveBelowBaseDirWithDatesAndReadOnly)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", Tree());
    // A read-only target is replaced (omAlways, ReplaceReadOnly).
    WriteFile(d / "out/route.ini", "stale");
    ZAFileSetAttr(d / "out/route.ini", faReadOnly);
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.BaseDir = d / "out";
    z.OpenArchive();
    z.ExtractFiles("*.*", 63, "");
    z.CloseArchive();
    ExpectTree(d / "out");
    // Dates come back to the 2-second precision of DOS times.
    EXPECT_EQ(ZAFileAgeDos(d / "out/railway/object/x/a.b3d"), ZAFileAgeDos(d / "src/railway/object/x/a.b3d"));
}

// Lord Howe Island moves its clock by half an hour, from 02:00 to 02:30 on
// the first Sunday of October: 02:45 there is 15:45 UTC the day before.
TEST(ZAExtract, DatesInAnHourWhoseClockMovesAreExact)
{
    if (!std::filesystem::exists("/usr/share/zoneinfo/Australia/Lord_Howe"))
        GTEST_SKIP() << "no time zone data";
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "Australia/Lord_Howe", 1);
    ::tzset();
    const uint32_t day = uint32_t((2026 - 1980) << 9 | 10 << 5 | 4) << 16;
    const std::time_t at0245 = ZADosToUnix(day | 2 << 11 | 45 << 5);
    const std::time_t at0410 = ZADosToUnix(day | 4 << 11 | 10 << 5);
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(at0245, std::time_t(1791042300));
    EXPECT_EQ(at0410, std::time_t(1791042300 + 85 * 60));
}

TEST(ZAExtract, OverwriteModes)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"a.txt", "from archive"}});
    WriteFile(d / "out/a.txt", "on disk");
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.BaseDir = d / "out";
    z.OpenArchive();
    z.Options.OverwriteMode = omNever;
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(ReadFile(d / "out/a.txt"), "on disk");
    // Same date-time: omIfNewer passes over, a strictly older disk file is replaced.
    ZAFileSetDateDos(d / "out/a.txt", z.Item(0).CentralDir.DosDateTime());
    z.Options.OverwriteMode = omIfNewer;
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(ReadFile(d / "out/a.txt"), "on disk");
    ZAFileSetDateDos(d / "out/a.txt", ZAUnixToDos(ZADosToUnix(z.Item(0).CentralDir.DosDateTime()) - 3600));
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(ReadFile(d / "out/a.txt"), "from archive");
    // Prompt: declined keeps the file.
    WriteFile(d / "out/a.txt", "on disk");
    z.Options.OverwriteMode = omPrompt;
    std::string asked;
    z.OnConfirmOverwrite = [&](TZABaseArchiver&, const std::string& src, std::string& dest, bool& confirm) {
        asked = src + "|" + dest;
        confirm = false;
    };
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(ReadFile(d / "out/a.txt"), "on disk");
    EXPECT_EQ(asked, "a.txt|" + (d / "out/a.txt"));
}

TEST(ZAExtract, AttributesAndRecurseSelectItems)
{
    ScratchDir d;
    {
        TZipArchiver z;
        z.FileName = d / "a.zip";
        z.OpenArchive();
        z.BeginUpdate();
        int32_t h = z.AddStream("hidden.txt", std::make_shared<TZAMemoryStream>(std::string("h")), true);
        z.DirManager()->Directory().GetItemPtr(h).CentralDir.ExternalAttributes = faArchive | faHidden;
        z.AddStream("a/b.txt", std::make_shared<TZAMemoryStream>(std::string("b")), true);
        z.AddStream("b.txt", std::make_shared<TZAMemoryStream>(std::string("top")), true);
        z.EndUpdate();
    }
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.BaseDir = d / "out";
    z.OpenArchive();
    z.ExtractFiles("*.*", faAnyFile & ~faHidden, "");
    EXPECT_FALSE(Exists(d / "out/hidden.txt"));
    EXPECT_TRUE(Exists(d / "out/a/b.txt"));
    std::filesystem::remove_all(d / "out");
    z.Options.Recurse = false;
    z.ExtractFiles("*.*", 63, "");
    EXPECT_TRUE(Exists(d / "out/hidden.txt"));
    EXPECT_TRUE(Exists(d / "out/b.txt"));
    EXPECT_FALSE(Exists(d / "out/a/b.txt"));

    TZAArchiveItem item;
    z.Options.Recurse = true;
    ASSERT_TRUE(z.FindFirst("A/*.TXT", item, 63, ""));
    EXPECT_EQ(item.FileName, "b.txt");
    EXPECT_EQ(item.StoredPath, "a\\");
    EXPECT_EQ(item.UncompressedSize, 1u);
    EXPECT_EQ(item.Crc32, Crc("b"));
    EXPECT_FALSE(z.FindNext(item));
    EXPECT_TRUE(z.FindFirst("b.txt", item, 63, ""));
    EXPECT_EQ(item.StoredPath, "");
}

TEST(ZAExtract, DamagedItemsRaiseCodeEightOrAreKept)
{
    ScratchDir d;
    std::string data = SampleData(100000);
    MakeArchive(d / "a.zip", d / "src", {{"a.bin", data}});
    std::string bytes = ReadFile(d / "a.zip");
    bytes[30 + 5 + Get32(bytes, 18) / 2] ^= 0x40;
    WriteFile(d / "bad.zip", bytes);
    TZipArchiver z;
    z.Name = "ZipArchiver1";
    z.FileName = d / "bad.zip";
    z.BaseDir = d / "out";
    z.OpenArchive();
    try {
        z.ExtractFiles("*.*", 63, "");
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 8);
        EXPECT_STREQ(e.what(), "ZipArchiver1: Invalid check sum of file - Native error: 00008");
    }
    // Nothing half-written stays, and an existing file survives the failure.
    EXPECT_TRUE(std::filesystem::is_empty(d / "out"));
    WriteFile(d / "out/a.bin", "precious");
    EXPECT_EQ(CodeOf([&] { z.ExtractFiles("*.*", 63, ""); }), 8);
    EXPECT_EQ(ReadFile(d / "out/a.bin"), "precious");
    z.ExtractCorruptedFiles = true;
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(std::filesystem::file_size(d / "out/a.bin"), data.size());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d / "out"), {}), 1);

    // A stored item whose recorded CRC is wrong.
    WriteFile(d / "crc.zip", RawZip({{"s.txt", 0, "stored", Crc("stored") ^ 1, 6}}));
    TZipArchiver s;
    s.FileName = d / "crc.zip";
    s.OpenArchive();
    TZAMemoryStream out;
    EXPECT_EQ(CodeOf([&] { s.ExtractItem(0, out); }), 8);
    EXPECT_EQ(CodeOf([&] { s.ExtractItem(1, out); }), 16);
}

TEST(ZAExtract, NoMoreOutputThanTheItemDeclares)
{
    ScratchDir d;
    std::string zeros(4 << 20, '\0');
    std::string z = ZlibStream(zeros);
    WriteFile(d / "bomb.zip", RawZip({{"z.bin", 8, z.substr(2), Crc(zeros), 10}}));
    TZipArchiver a;
    a.FileName = d / "bomb.zip";
    a.BaseDir = d / "out";
    a.ExtractCorruptedFiles = true;
    a.OpenArchive();
    a.ExtractFiles("*.*", 63, "");
    EXPECT_LE(std::filesystem::file_size(d / "out/z.bin"), 10u + 262144u);
}

TEST(ZAExtract, ReadsDeflateWithAndWithoutAdlerTrailer)
{
    std::string data = SampleData(50000);
    std::string zs = ZlibStream(data);
    std::string withTrailer = zs.substr(2);
    std::string raw = zs.substr(2, zs.size() - 6);
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    TZAMemoryStream* s = static_cast<TZAMemoryStream*>(z.ArchiveStream());
    s->Data = RawZip({{"t.bin", 8, withTrailer, Crc(data), uint32_t(data.size())},
                      {"r.bin", 8, raw, Crc(data), uint32_t(data.size())},
                      {"cut.bin", 8, raw.substr(0, raw.size() / 2), Crc(data), uint32_t(data.size())}});
    z.DirManager()->ReadDirectory();
    ASSERT_EQ(z.Count(), 3);
    TZAMemoryStream a, b, c;
    z.ExtractItem(0, a);
    z.ExtractItem(1, b);
    EXPECT_EQ(a.Data, data);
    EXPECT_EQ(b.Data, data);
    EXPECT_EQ(CodeOf([&] { z.ExtractItem(2, c); }), 8);
}

// A wrong password for the archive's first item that its check byte refuses
// too: one wrong password in 256 passes that check by chance.
std::string RefusedPassword(const std::string& archive)
{
    const std::string bytes = ReadFile(archive);
    const std::size_t header = 30 + Get16(bytes, 26) + Get16(bytes, 28);
    const uint8_t check = uint8_t(Get32(bytes, 14) >> 24);
    for (int n = 0;; ++n) {
        const std::string candidate = "wrong" + std::to_string(n);
        std::string head = bytes.substr(header, 12);
        TZATradCrypt(candidate).Decrypt(head.data(), head.size());
        if (uint8_t(head[11]) != check)
            return candidate;
    }
}

TEST(ZAExtract, PasswordFromPropertyEventOrSkip)
{
    ScratchDir d;
    MakeArchive(d / "e.zip", d / "src", {{"secret.txt", SampleData(5000)}}, "Gleis 7!");
    const std::string wrong = RefusedPassword(d / "e.zip");
    TZipArchiver z;
    z.FileName = d / "e.zip";
    z.BaseDir = d / "out";
    z.OpenArchive();
    z.Password = "Gleis 7!";
    int asked = 0;
    z.OnPassword = [&](TZABaseArchiver&, const std::string& name, std::string& pw, bool& skip) {
        ++asked;
        EXPECT_EQ(name, "secret.txt");
        pw = "Gleis 7!";
        skip = false;
    };
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(ReadFile(d / "out/secret.txt"), SampleData(5000));
    std::filesystem::remove(d / "out/secret.txt");
    z.Password = wrong;
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(z.Password, "Gleis 7!");
    EXPECT_EQ(ReadFile(d / "out/secret.txt"), SampleData(5000));
    // No handler, no dialog: the prompt counts as cancelled; the item is
    // left out, which is an error of its own (never a success), and an
    // existing file stays as it was.
    z.OnPassword = nullptr;
    z.Password = wrong;
    WriteFile(d / "out/secret.txt", "mine");
    EXPECT_EQ(CodeOf([&] { z.ExtractFiles("*.*", 63, ""); }), ZAErrNoPassword);
    EXPECT_EQ(ReadFile(d / "out/secret.txt"), "mine");
    std::filesystem::remove(d / "out/secret.txt");
    EXPECT_EQ(CodeOf([&] { z.ExtractFiles("*.*", 63, ""); }), ZAErrNoPassword);
    EXPECT_EQ(CodeOf([&] { z.TestFiles("*.*", 63, ""); }), ZAErrNoPassword);
    TZAMemoryStream kept;
    EXPECT_EQ(CodeOf([&] { z.ExtractItem(0, kept); }), ZAErrNoPassword);
    EXPECT_FALSE(Exists(d / "out/secret.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(d / "out"));
}

TEST(ZAExtract, NamesLeavingTheBaseFolderAreRefused)
{
    ScratchDir d;
    {
        TZipArchiver z;
        z.FileName = d / "evil.zip";
        z.OpenArchive();
        z.BeginUpdate();
        for (const char* n : {"../evil1.txt", "/tmp/evil2.txt", "C:evil3.txt", "a/../../evil4.txt", "ok.txt"})
            z.AddStream(n, std::make_shared<TZAMemoryStream>(std::string("x")), true);
        z.EndUpdate();
    }
    TZipArchiver z;
    z.FileName = d / "evil.zip";
    z.BaseDir = d / "out/in";
    z.OpenArchive();
    std::vector<std::string> refused;
    z.OnProcessFileFailure = [&](TZABaseArchiver&, const std::string& name, TZAProcessOperation op, int32_t native,
                                 int32_t, const std::string&, TZAAction& action) {
        EXPECT_EQ(op, poExtract);
        EXPECT_EQ(native, ZAErrUnsafeName);
        refused.push_back(name);
        action = faSkip;
    };
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(refused.size(), 4u);
    EXPECT_TRUE(Exists(d / "out/in/ok.txt"));
    EXPECT_FALSE(Exists(d / "out/evil1.txt"));
    EXPECT_FALSE(Exists(d / "out/evil4.txt"));
    EXPECT_FALSE(Exists("/tmp/evil2.txt"));
    // Abort stops at the first one.
    refused.clear();
    std::filesystem::remove(d / "out/in/ok.txt");
    z.OnProcessFileFailure = [&](TZABaseArchiver&, const std::string& name, TZAProcessOperation, int32_t, int32_t,
                                 const std::string&, TZAAction& action) {
        refused.push_back(name);
        action = faAbort;
    };
    z.ExtractFiles("*.*", 63, "");
    EXPECT_EQ(refused.size(), 1u);
    EXPECT_FALSE(Exists(d / "out/in/ok.txt"));
    // Without a handler the refusal ends the extraction with the error.
    z.OnProcessFileFailure = nullptr;
    EXPECT_EQ(CodeOf([&] { z.ExtractFiles("*.*", 63, ""); }), ZAErrUnsafeName);
    // Without CreateDirs only the last part is used, which is safe.
    z.Options.CreateDirs = false;
    z.ExtractFiles("*evil4*", 63, "");
    EXPECT_TRUE(Exists(d / "out/in/evil4.txt"));
}

TEST(ZAExtract, FailedTestRemovesItsTemporaryFile)
{
    ScratchDir d;
    std::filesystem::create_directories(d / "tmp");
    WriteFile(d / "crc.zip", RawZip({{"s.txt", 0, "stored", Crc("stored") ^ 1, 6},
                                     {"g.txt", 0, "good", Crc("good"), 4}}));
    TZipArchiver z;
    z.FileName = d / "crc.zip";
    z.TempDir = d / "tmp";
    z.OpenArchive();
    std::vector<std::string> failed;
    z.OnProcessFileFailure = [&](TZABaseArchiver&, const std::string& name, TZAProcessOperation op, int32_t native,
                                 int32_t, const std::string&, TZAAction&) {
        EXPECT_EQ(op, poTest);
        EXPECT_EQ(native, 8);
        failed.push_back(name);
    };
    z.TestFiles("*.*", 63, "");
    EXPECT_EQ(failed, std::vector<std::string>{"s.txt"});
    EXPECT_TRUE(std::filesystem::is_empty(d / "tmp"));
}

TEST(ZAExtract, TruncatedOrCorruptArchivesFailCleanly)
{
    std::string zip;
    {
        TZipArchiver z;
        z.SetInMemory(true);
        z.Password = "pw";
        z.OpenArchive();
        z.BeginUpdate();
        z.AddStream("a.txt", std::make_shared<TZAMemoryStream>(SampleData(3000)), true);
        z.Password.clear();
        z.AddStream("d/", nullptr, false);
        z.AddStream("d/b.txt", std::make_shared<TZAMemoryStream>(SampleData(2000, 3)), true);
        z.EndUpdate();
        zip = static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data;
    }
    auto tryAll = [](const std::string& bytes) {
        TZipArchiver z;
        z.SetInMemory(true);
        z.Password = "pw";
        try {
            z.OpenArchive();
            static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data = bytes;
            z.DirManager()->ReadDirectory();
            for (int32_t i = 0; i < z.Count(); ++i) {
                TZAMemoryStream out;
                try {
                    z.ExtractItem(i, out);
                } catch (const EZAException&) {
                }
                EXPECT_LE(out.Data.size(), 3000u);
            }
        } catch (const EZAException&) {
        }
    };
    for (std::size_t cut = 0; cut < zip.size(); cut += 7)
        tryAll(zip.substr(0, cut));
    uint32_t x = 12345;
    for (int round = 0; round < 300; ++round) {
        std::string bad = zip;
        for (int k = 0; k < 4; ++k) {
            x = x * 1103515245u + 12345u;
            bad[(x >> 8) % bad.size()] = char(x >> 24);
        }
        tryAll(bad);
    }
}

TEST(ZAExtract, CancelAtFileStartPassesItemsOver)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"a.txt", "a"}, {"b.txt", "b"}});
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.BaseDir = d / "out";
    z.OpenArchive();
    z.OnFileProgress = [](TZABaseArchiver&, const std::string& name, double, TZAProcessOperation,
                          TZAProgressPhase phase, bool& cancel) {
        if (phase == ppStart)
            cancel = name == "a.txt";
    };
    z.ExtractFiles("*.*", 63, "");
    EXPECT_FALSE(Exists(d / "out/a.txt"));
    EXPECT_TRUE(Exists(d / "out/b.txt"));
}

TEST(ZAExtract, DeleteFilesRewritesArchive)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", Tree());
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.OpenArchive();
    z.DeleteFiles("*.b3d", 63, "");
    EXPECT_EQ(z.Count(), int32_t(Tree().size()) - 1);
    z.CloseArchive();
    if (HaveTool("unzip")) {
        EXPECT_EQ(RunTool("unzip -tq '" + (d / "a.zip") + "'"), 0);
    }
}

} // namespace

namespace {

// Extracts the archive bytes below base; the native codes its items failed
// with (and their messages).
std::vector<int32_t> ExtractCodes(const std::string& zip, const std::string& base,
                                  std::vector<std::string>* messages = nullptr, uint32_t searchAttr = 63)
{
    WriteFile(base + ".zip", zip);
    TZipArchiver z;
    z.FileName = base + ".zip";
    z.BaseDir = base;
    std::vector<int32_t> codes;
    z.OnProcessFileFailure = [&](TZABaseArchiver&, const std::string&, TZAProcessOperation, int32_t native, int32_t,
                                 const std::string& message, TZAAction&) {
        codes.push_back(native);
        if (messages)
            messages->push_back(message);
    };
    z.OpenArchiveWithMode(fmOpenRead);
    z.ExtractFiles("*.*", searchAttr, "");
    return codes;
}

} // namespace

TEST(ZAExtract, DamagedItemsAndUnknownFormatsGetTheirOwnMessages)
{
    ScratchDir d;
    const std::string hello = "hello";
    const std::string one = RawZip({{"a.txt", 0, hello, Crc(hello), 5}});
    const std::size_t dirAt = one.size() - 22 - 46 - 5;
    std::string outside = one, noLocal = one, tooLong = one;
    ZAPut32(reinterpret_cast<unsigned char*>(outside.data()) + dirAt + 42, 100000);
    noLocal[0] = 'X';
    ZAPut32(reinterpret_cast<unsigned char*>(tooLong.data()) + dirAt + 20, 100000);
    EXPECT_EQ(ExtractCodes(outside, d / "o"), std::vector<int32_t>{ZAErrLocalHeader});
    EXPECT_EQ(ExtractCodes(noLocal, d / "o"), std::vector<int32_t>{ZAErrLocalHeader});
    EXPECT_EQ(ExtractCodes(tooLong, d / "o"), std::vector<int32_t>{ZAErrDataOutside});
    // Method 99 without its AES field, and a method nobody here knows: the
    // data are no block item either, so nothing asks for a password.
    const std::string noise = SampleData(80, 9);
    EXPECT_EQ(ExtractCodes(RawZip({{"b.bin", 99, noise, Crc(noise), 80}, {"c.bin", 14, noise, Crc(noise), 80}}),
                           d / "o"),
              (std::vector<int32_t>{ZAErrMethod, ZAErrMethod}));
    // Any other method carrying a sound block header is read as a block item.
    std::string block(BlockHeaderSize, '\0');
    auto* b = reinterpret_cast<unsigned char*>(block.data());
    ZAPut32(b, 5);
    ZAPut32(b + 8, 5);
    ZAPut32(b + 16, 1);
    ZAPut16(b + 22, BlockCipherNone);
    block += std::string("\5\0\0\0", 4) + hello;
    EXPECT_TRUE(ExtractCodes(RawZip({{"blk.txt", 5, block, Crc(hello), 5}}), d / "blk").empty());
    EXPECT_EQ(ReadFile(d / "blk/blk.txt"), hello);
    // Nameless items are refused, not skipped.
    EXPECT_EQ(ExtractCodes(RawZip({{"", 0, hello, Crc(hello), 5}, {std::string("\0x", 2), 0, hello, Crc(hello), 5}}),
                           d / "n"),
              (std::vector<int32_t>{ZAErrUnsafeName, ZAErrUnsafeName}));
}

TEST(ZAExtract, NoItemIsDroppedOrMisnamedSilently)
{
    ScratchDir d;
    const std::string data(15000, 'x'), hello = "hello";
    // The folder attribute on an item with data: a file all the same.
    // Files only (no folder bit asked for) finds it too.
    for (uint32_t attr : {63u, 47u}) {
        const std::string out = d / ("a" + std::to_string(attr));
        EXPECT_TRUE(ExtractCodes(RawZip({{"route.csv", 0, data, Crc(data), 15000, faDirectory}}), out, nullptr, attr)
                        .empty());
        EXPECT_EQ(ReadFile(out + "/route.csv"), data);
    }
    // A folder name with data; a central name that the local header does
    // not share; names with control characters, and none.
    std::string renamed = RawZip({{"b.txt", 0, hello, Crc(hello), 5}});
    renamed[renamed.size() - 22 - 5] = 'c';
    std::vector<std::string> messages;
    EXPECT_EQ(ExtractCodes(RawZip({{"dir/", 0, hello, Crc(hello), 5, faDirectory}}), d / "b", &messages),
              std::vector<int32_t>{ZAErrFolderData});
    EXPECT_EQ(ExtractCodes(renamed, d / "b", &messages), std::vector<int32_t>{ZAErrNameMismatch});
    EXPECT_EQ(ExtractCodes(RawZip({{"esc\x1B[2J.txt", 0, hello, Crc(hello), 5},
                                   {"new\nline.txt", 0, hello, Crc(hello), 5},
                                   {"", 0, hello, Crc(hello), 5}}),
                           d / "b", &messages),
              (std::vector<int32_t>{ZAErrUnsafeName, ZAErrUnsafeName, ZAErrUnsafeName}));
    EXPECT_NE(messages[0].find("folder but holds data"), std::string::npos) << messages[0];
    EXPECT_NE(messages[1].find("\"c.txt\": its local header gives it another name"), std::string::npos) << messages[1];
    EXPECT_NE(messages[2].find("\"esc\\x1B[2J.txt\" holds control characters"), std::string::npos) << messages[2];
    EXPECT_NE(messages[4].find("Item name \"\" is empty"), std::string::npos) << messages[4];
    // Only the folder reached the disk.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d / "b"), {}), 1);
    EXPECT_TRUE(std::filesystem::is_directory(d / "b/dir"));
}

// Memory running out while an item is read fails that item with the
// engine's own error; no std::bad_alloc leaves the component.
TEST(ZAExtract, AllocationFailureIsAnItemError)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"a.txt", "a"}, {"b.txt", "b"}});
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.BaseDir = d / "out";
    z.OpenArchiveWithMode(fmOpenRead);
    z.OnFileProgress = [](TZABaseArchiver&, const std::string& name, double, TZAProcessOperation,
                          TZAProgressPhase phase, bool&) {
        if (phase == ppProcess && name == "a.txt")
            throw std::bad_alloc();
    };
    EXPECT_EQ(CodeOf([&] { z.ExtractFiles("*.*", 63, ""); }), ZAErrNoMemory);
    EXPECT_FALSE(Exists(d / "out/a.txt"));
    // Outside any one item, the whole operation fails the same way.
    z.OnFileProgress = nullptr;
    z.OnOverallProgress = [](TZABaseArchiver&, double, TZAProcessOperation, TZAProgressPhase phase, bool&) {
        if (phase == ppStart)
            throw std::bad_alloc();
    };
    EXPECT_EQ(CodeOf([&] { z.TestFiles("*.*", 63, ""); }), ZAErrNoMemory);
}

TEST(ZAExtract, OverlapThroughTheLocalExtraLengthIsRefused)
{
    const std::string data = "0123456789";
    std::string zip = RawZip({{"a", 0, data, Crc(data), 10}, {"b", 0, data, Crc(data), 10}});
    ZAPut16(reinterpret_cast<unsigned char*>(zip.data()) + 28, 12);
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data = zip;
    EXPECT_EQ(CodeOf([&] { z.DirManager()->ReadDirectory(); }), ZAErrOverlap);
}

TEST(ZAExtract, CaseOfFoldersAndAFullDisk)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"DIR/x.txt", "x"}, {"dir/y.txt", "y"}});
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.BaseDir = d / "out";
    z.OpenArchiveWithMode(fmOpenRead);
    z.ExtractFiles("*.*", 63, "");
    // Folders that differ only in case are one folder.
    EXPECT_EQ(ReadFile(d / "out/DIR/y.txt"), "y");
    EXPECT_FALSE(Exists(d / "out/dir"));
    // A full disk is said to be one.
    auto full = TZAFileStream::Open("/dev/full", fmOpenWrite);
    ASSERT_TRUE(full);
    try {
        z.ExtractItem(0, *full);
        FAIL() << "no error";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, ZAErrWrite);
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
    }
}
