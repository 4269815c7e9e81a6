#include "zip/zaarchiver.h"
#include "zip/zatradcrypt.h"

#include "zatesthelp.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <zlib.h>

namespace {

using namespace zatest;

// A source whose reported size is not what it delivers.
class LyingStream : public TZAMemoryStream {
public:
    LyingStream(std::string data, int64_t claimed) : TZAMemoryStream(std::move(data)), Claimed(claimed) {}
    int64_t Size() override { return Claimed; }
    int64_t Claimed;
};

// A source whose bytes change each time it is rewound.
class ChangingStream : public TZAMemoryStream {
public:
    using TZAMemoryStream::TZAMemoryStream;
    int64_t Seek(int64_t position) override
    {
        if (position == 0)
            for (auto& c : Data)
                c = char(c + 1);
        return TZAMemoryStream::Seek(position);
    }
};

std::string OneItemArchive(const std::string& name, const std::string& data, int mode,
                           const std::string& password = "")
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.SetCompressionMode(mode);
    z.Password = password;
    z.OpenArchive();
    z.BeginUpdate();
    z.AddStream(name, std::make_shared<TZAMemoryStream>(data), true);
    z.EndUpdate();
    return static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data;
}

// Raw inflate of exactly n bytes; true when the deflate stream ends at n.
bool RawInflateEndsExactly(const std::string& in, std::string& out)
{
    z_stream zs{};
    inflateInit2(&zs, -MAX_WBITS);
    out.assign(1 << 20, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    int r = inflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    bool ok = r == Z_STREAM_END && zs.avail_in == 0;
    inflateEnd(&zs);
    return ok;
}

TEST(ZAWriteItems, ThreeBytesDeflatedAsPlainRawDeflate)
{
    std::string a = OneItemArchive("abc.txt", "abc", 1);
    EXPECT_EQ(Get32(a, 0), ZALocalHeaderSig);
    EXPECT_EQ(Get16(a, 8), 8);
    EXPECT_EQ(Get32(a, 14), 0x352441C2u);
    EXPECT_EQ(Get32(a, 22), 3u);
    uint32_t csize = Get32(a, 18);
    std::string data = a.substr(30 + 7, csize);
    std::string out;
    // No Adler-32 after the deflate data: the stream ends at the compressed size.
    EXPECT_TRUE(RawInflateEndsExactly(data, out));
    EXPECT_EQ(out, "abc");
    std::size_t c = a.find("PK\x01\x02");
    EXPECT_EQ(Get32(a, c + 16), 0x352441C2u);
    EXPECT_EQ(Get32(a, c + 20), csize);
}

TEST(ZAWriteItems, EmptyFileAndFolderAreStoredWithCrcZero)
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    z.Password = "pw"; // a folder carries no encryption header anyway
    z.BeginUpdate();
    z.AddStream("dir/", nullptr, false);
    z.Password.clear();
    z.AddStream("empty.txt", std::make_shared<TZAMemoryStream>(), true);
    z.EndUpdate();
    std::string a = static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data;
    // Folder: local header then directly the next local header.
    EXPECT_EQ(Get16(a, 6), 0);
    EXPECT_EQ(Get16(a, 8), 0);
    EXPECT_EQ(Get32(a, 14), 0u);
    EXPECT_EQ(Get32(a, 18), 0u);
    EXPECT_EQ(Get32(a, 22), 0u);
    EXPECT_EQ(Get32(a, 30 + 4), ZALocalHeaderSig);
    std::size_t e = 34;
    EXPECT_EQ(Get16(a, e + 8), 0);
    EXPECT_EQ(Get32(a, e + 14), 0u);
    EXPECT_EQ(Get32(a, e + 18), 0u);
    for (int i = 0; i < 2; ++i) {
        const TZACentralHeader& h = z.Item(i).CentralDir;
        EXPECT_EQ(h.Method, 0);
        EXPECT_EQ(h.Crc32, 0u);
        EXPECT_EQ(h.CompressedSize, 0u);
        EXPECT_EQ(h.Flags & 1, 0);
    }
    EXPECT_TRUE(z.Item(0).CentralDir.IsFolder());
}

TEST(ZAWriteItems, ModeZeroStoresAndPasswordAddsTwelveBytes)
{
    std::string data = SampleData(10000);
    std::string stored = OneItemArchive("s.bin", data, 0);
    EXPECT_EQ(Get16(stored, 8), 0);
    EXPECT_EQ(Get32(stored, 18), data.size());
    EXPECT_EQ(stored.substr(30 + 5, data.size()), data);

    std::string enc = OneItemArchive("s.bin", data, 0, "Gleis 7!");
    EXPECT_EQ(Get16(enc, 6) & 1, 1);
    EXPECT_EQ(Get32(enc, 18), data.size() + 12);
    uint32_t crc = Get32(enc, 14);
    std::string body = enc.substr(30 + 5, data.size() + 12);
    TZATradCrypt keys("Gleis 7!");
    keys.Decrypt(body.data(), body.size());
    EXPECT_EQ(uint8_t(body[11]), uint8_t(crc >> 24));
    EXPECT_EQ(body.substr(12), data);
}

TEST(ZAWriteItems, SourceThatChangesSizeRaisesAndRollsBack)
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    z.BeginUpdate();
    z.AddStream("keep.txt", std::make_shared<TZAMemoryStream>(std::string("keep")), true);
    z.EndUpdate();
    const std::string before = static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data;

    z.BeginUpdate();
    z.AddStream("grows.bin", std::make_shared<LyingStream>(std::string(100, 'x'), 1000), true);
    try {
        z.EndUpdate();
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 34);
        EXPECT_NE(std::string(e.what()).find("rfs.size = 1000, count = 100"), std::string::npos) << e.what();
    }
    EXPECT_EQ(static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data, before);
    EXPECT_EQ(z.Count(), 1);
}

TEST(ZAWriteItems, SourceThatGrowsRaisesAndCodesNameTheComponent)
{
    TZipArchiver z;
    z.Name = "Z";
    z.SetInMemory(true);
    z.OpenArchive();
    z.BeginUpdate();
    z.AddStream("grows.bin", std::make_shared<LyingStream>(std::string(1000, 'x'), 100), true);
    try {
        z.EndUpdate();
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_NE(std::string(e.what()).find("rfs.size = 100, count = 1000"), std::string::npos) << e.what();
    }
    z.BeginUpdate();
    for (const auto& raise : std::vector<std::function<void()>>{[&] { z.UpdateItem(3, "x"); },
                                                                [&] { z.SetInMemory(false); }}) {
        try {
            raise();
            FAIL();
        } catch (const EZAException& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Z: ", 0), 0u) << e.what();
        }
    }
}

TEST(ZAWriteItems, EncryptedSourceChangingBetweenReadingsRaises)
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.Password = "pw";
    z.OpenArchive();
    z.BeginUpdate();
    z.AddStream("c.bin", std::make_shared<ChangingStream>(SampleData(1000)), true);
    try {
        z.EndUpdate();
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 8);
    }
    EXPECT_EQ(z.Count(), 0);
}

TEST(ZAWriteItems, SizesBeyondTheFormatRaiseInsteadOfWrapping)
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    z.BeginUpdate();
    z.AddStream("huge.bin", std::make_shared<LyingStream>(std::string(10, 'x'), int64_t(5) << 30), true);
    try {
        z.EndUpdate();
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, ZAErrTooLarge);
        EXPECT_NE(std::string(e.what()).find("huge.bin"), std::string::npos);
    }
    EXPECT_EQ(z.Count(), 0);
    z.CloseArchive();

    // A new archive file that a refused add leaves empty does not stay (one
    // opened and closed untouched does).
    ScratchDir tmp;
    TZipArchiver f;
    f.FileName = tmp / "new.zip";
    f.OpenArchive();
    f.BeginUpdate();
    f.AddStream("huge.bin", std::make_shared<LyingStream>(std::string(10, 'x'), int64_t(5) << 30), true);
    EXPECT_THROW(f.EndUpdate(), EZAException);
    f.CloseArchive();
    EXPECT_FALSE(Exists(tmp / "new.zip"));
}

TEST(ZAWriteItems, MoreThan65535ItemsRaise)
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.SetCompressionMode(0);
    z.OpenArchive();
    z.BeginUpdate();
    for (int i = 0; i < 65536; ++i)
        z.AddStream("f" + std::to_string(i), std::make_shared<TZAMemoryStream>(), true);
    try {
        z.EndUpdate();
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, ZAErrArchiveLimit);
    }
    EXPECT_EQ(z.Count(), 0);
    EXPECT_EQ(z.ArchiveStream()->Size(), 0);
}

// A cancelled update (AddFiles cancels its own when it fails) leaves the
// archive as it was: its pending items are not written at closing.
TEST(ZAWriteItems, CancelledUpdateWritesNothing)
{
    ScratchDir tmp;
    TZipArchiver z;
    z.FileName = tmp / "new.zip";
    z.OpenArchiveWithMode(fmCreate);
    z.BeginUpdate();
    z.AddStream("a.txt", std::make_shared<TZAMemoryStream>(std::string("data")), true);
    z.CancelUpdate();
    EXPECT_EQ(z.Count(), 0);
    z.CloseArchive();
    // The archive was new and ends with nothing in it: it does not stay.
    EXPECT_FALSE(fs::exists(tmp / "new.zip"));
}

TEST(ZACommit, AddingToUnchangedItemsOnlyAppends)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"a.txt", SampleData(3000)}, {"b.txt", SampleData(4000, 2)}});
    const std::string before = ReadFile(d / "a.zip");
    const std::size_t dirStart = Get32(before, before.size() - 22 + 16);
    WriteFile(d / "src/c.txt", "third");
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.OpenArchive();
    CwdKeeper keep;
    std::filesystem::current_path(d / "src");
    z.BeginUpdate();
    z.AddOrReplaceItem("c.txt", true);
    z.EndUpdate();
    z.CloseArchive();
    const std::string after = ReadFile(d / "a.zip");
    EXPECT_EQ(after.substr(0, dirStart), before.substr(0, dirStart));
    EXPECT_EQ(after.substr(dirStart, 4), "PK\x03\x04");
    TZipArchiver r;
    r.FileName = d / "a.zip";
    r.OpenArchive();
    ASSERT_EQ(r.Count(), 3);
    EXPECT_EQ(r.Item(2).StoredName, "c.txt");
}

TEST(ZACommit, ArchiveBehindAStubKeepsItsStubAndItems)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"a.txt", SampleData(5000)}, {"dir/", ""}, {"dir/b.txt", "bee"}});
    const std::string stub(1000, 'S');
    WriteFile(d / "sfx.zip", stub + ReadFile(d / "a.zip"));
    {
        TZipArchiver z;
        z.FileName = d / "sfx.zip";
        z.OpenArchive();
        ASSERT_EQ(z.DirManager()->OffsetShift, 1000);
        z.BeginUpdate();
        z.DeleteItem(0);
        z.AddStream("c.txt", std::make_shared<TZAMemoryStream>(std::string("sea")), true);
        z.EndUpdate();
    }
    const std::string after = ReadFile(d / "sfx.zip");
    EXPECT_EQ(after.substr(0, 1000), stub);
    TZipArchiver r;
    r.FileName = d / "sfx.zip";
    r.OpenArchive();
    ASSERT_EQ(r.Count(), 3);
    EXPECT_EQ(r.DirManager()->OffsetShift, 0); // offsets are now absolute
    r.TestFiles("*.*", 63, "");
    TZAMemoryStream b, c;
    r.ExtractItem(1, b);
    r.ExtractItem(2, c);
    EXPECT_EQ(b.Data, "bee");
    EXPECT_EQ(c.Data, "sea");
}

TEST(ZACommit, ReplaceRespectsOverwriteMode)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"a.txt", "old"}});
    WriteFile(d / "src/a.txt", "new content");
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.OpenArchive();
    CwdKeeper keep;
    std::filesystem::current_path(d / "src");
    z.Options.OverwriteMode = omNever;
    z.BeginUpdate();
    EXPECT_EQ(z.AddOrReplaceItem("a.txt", true), -1);
    z.EndUpdate();
    TZAMemoryStream out;
    z.ExtractItem(0, out);
    EXPECT_EQ(out.Data, "old");
    z.Options.OverwriteMode = omAlways;
    z.BeginUpdate();
    EXPECT_EQ(z.AddOrReplaceItem("a.txt", true), 0);
    EXPECT_EQ(z.Item(0).Operation, poUpdate);
    z.EndUpdate();
    ASSERT_EQ(z.Count(), 1);
    TZAMemoryStream out2;
    z.ExtractItem(0, out2);
    EXPECT_EQ(out2.Data, "new content");
}

TEST(ZACommit, KeptItemsAreFoundByIndexNotName)
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    z.BeginUpdate();
    z.AddStream("a.txt", std::make_shared<TZAMemoryStream>(std::string("first")), true);
    z.AddStream("b.txt", std::make_shared<TZAMemoryStream>(std::string("middle")), true);
    z.AddStream("a.txt", std::make_shared<TZAMemoryStream>(std::string("second")), true);
    z.EndUpdate();
    z.BeginUpdate();
    z.DeleteItem(0);
    z.EndUpdate();
    ASSERT_EQ(z.Count(), 2);
    TZAMemoryStream out;
    z.ExtractItem(1, out);
    EXPECT_EQ(out.Data, "second");
    TZAMemoryStream out0;
    z.ExtractItem(0, out0);
    EXPECT_EQ(out0.Data, "middle");
}

TEST(ZACommit, FailureEventSkipsRetriesOrAborts)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"keep.txt", "keep"}});
    const std::string before = ReadFile(d / "a.zip");
    WriteFile(d / "src/gone.txt", "x");
    WriteFile(d / "src/fine.txt", "fine");
    CwdKeeper keep;
    std::filesystem::current_path(d / "src");
    auto attempt = [&](TZAAction answer, int* calls) {
        TZipArchiver z;
        z.FileName = d / "a.zip";
        z.OpenArchive();
        z.OnProcessFileFailure = [&](TZABaseArchiver&, const std::string& name, TZAProcessOperation op,
                                     int32_t native, int32_t code, const std::string& msg, TZAAction& action) {
            ++*calls;
            EXPECT_EQ(native, 33);
            EXPECT_EQ(code, 12);
            EXPECT_EQ(op, poAdd);
            EXPECT_NE(name.find("gone.txt"), std::string::npos);
            EXPECT_NE(msg.find("Cannot open file"), std::string::npos);
            if (answer == faRetry && *calls == 1)
                WriteFile(d / "src/gone.txt", "back again");
            action = answer;
        };
        z.BeginUpdate();
        z.AddOrReplaceItem("gone.txt", true);
        z.AddOrReplaceItem("fine.txt", true);
        std::filesystem::remove(d / "src/gone.txt");
        z.EndUpdate();
        return z.Count();
    };
    int calls = 0;
    EXPECT_EQ(attempt(faSkip, &calls), 2);
    EXPECT_EQ(calls, 1);
    calls = 0;
    std::filesystem::copy_file(d / "a.zip", d / "skipped.zip");
    WriteFile(d / "a.zip", before);
    EXPECT_EQ(attempt(faAbort, &calls), 1);
    EXPECT_EQ(ReadFile(d / "a.zip"), before); // rolled back byte for byte
    calls = 0;
    EXPECT_EQ(attempt(faRetry, &calls), 3);
    EXPECT_EQ(calls, 1);
    TZipArchiver r;
    r.FileName = d / "a.zip";
    r.OpenArchive();
    TZAMemoryStream out;
    r.ExtractItem(1, out);
    EXPECT_EQ(out.Data, "back again");
}

TEST(ZACommit, MoveDeletesSourcesOnlyAfterSuccess)
{
    ScratchDir d;
    WriteFile(d / "src/m.txt", "moved");
    CwdKeeper keep;
    std::filesystem::current_path(d / "src");
    {
        // Cancelled: nothing written, the source stays.
        TZipArchiver z;
        z.FileName = d / "a.zip";
        z.OpenArchive();
        z.OnOverallProgress = [](TZABaseArchiver&, double, TZAProcessOperation, TZAProgressPhase phase,
                                 bool& cancel) { cancel = phase == ppProcess; };
        z.BeginUpdate();
        int32_t i = z.AddOrReplaceItem("m.txt", true);
        z.DirManager()->Directory().GetItemPtr(i).Operation = poMove;
        z.EndUpdate();
        EXPECT_EQ(z.Count(), 0);
    }
    EXPECT_TRUE(Exists(d / "src/m.txt"));
    EXPECT_FALSE(Exists(d / "a.zip"));
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.OpenArchive();
    z.BeginUpdate();
    int32_t i = z.AddOrReplaceItem("m.txt", true);
    z.DirManager()->Directory().GetItemPtr(i).Operation = poMove;
    z.EndUpdate();
    EXPECT_FALSE(Exists(d / "src/m.txt"));
    EXPECT_EQ(z.Count(), 1);
}

TEST(ZACommit, ProgressEventsReportTheWork)
{
    std::vector<std::pair<int, double>> overall;
    std::vector<std::string> files;
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    z.OnOverallProgress = [&](TZABaseArchiver&, double p, TZAProcessOperation op, TZAProgressPhase phase, bool&) {
        EXPECT_EQ(op, poAdd);
        overall.emplace_back(phase, p);
    };
    z.OnFileProgress = [&](TZABaseArchiver&, const std::string& name, double, TZAProcessOperation,
                           TZAProgressPhase phase, bool&) {
        if (phase == ppStart)
            files.push_back(name);
    };
    z.BeginUpdate();
    z.AddStream("one", std::make_shared<TZAMemoryStream>(SampleData(2000000)), true);
    z.AddStream("two", std::make_shared<TZAMemoryStream>(std::string("2")), true);
    z.EndUpdate();
    ASSERT_GE(overall.size(), 3u);
    EXPECT_EQ(overall.front(), std::make_pair(int(ppStart), 0.0));
    EXPECT_EQ(overall.back(), std::make_pair(int(ppEnd), 100.0));
    for (auto& [phase, p] : overall)
        EXPECT_TRUE(p >= 0 && p <= 100) << p;
    EXPECT_EQ(files, (std::vector<std::string>{"one", "two"}));
}

} // namespace

namespace {

// Writes held back for speed still fail the commit when they cannot reach
// the disk (a file size limit stands in for a full disk).
TEST(ZAWriteItems, WritesThatNeverReachTheDiskFailTheCommit)
{
    ScratchDir d;
    struct rlimit old {}, small {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    small = old;
    small.rlim_cur = 256 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    TZipArchiver z;
    z.SetCompressionMode(0);
    z.FileName = d / "big.zip";
    z.OpenArchiveWithMode(fmCreate);
    z.BeginUpdate();
    for (int i = 0; i < 40; ++i)
        z.AddStream("f" + std::to_string(i), std::make_shared<TZAMemoryStream>(SampleData(20000, i)), true);
    try {
        z.EndUpdate();
        ADD_FAILURE() << "no error";
    } catch (const EZAException& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(EFBIG)), std::string::npos) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(z.Count(), 0);
}

} // namespace

namespace {

// The size a stream with held-back writes reports is the file's: after a
// cut below them (a rolled-back commit), and with them inside the file.
TEST(ZAWriteItems, HeldBackWritesKeepTheFileSizeTrue)
{
    ScratchDir d;
    auto f = TZAFileStream::Open(d / "a.bin", fmCreate);
    ASSERT_TRUE(f);
    f->SetWriteBehind(true);
    f->Seek(5000);
    ASSERT_TRUE(f->WriteExact("x", 1));
    ASSERT_TRUE(f->SetWriteBehind(false));
    ASSERT_TRUE(f->SetSize(10));
    EXPECT_EQ(f->Size(), 10);

    // Held-back bytes inside a longer file do not make it shorter.
    f->SetWriteBehind(true);
    f->Seek(0);
    ASSERT_TRUE(f->WriteExact("y", 1));
    EXPECT_EQ(f->Size(), 10);
}

} // namespace
