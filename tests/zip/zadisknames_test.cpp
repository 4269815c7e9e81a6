// Names across the engine's disk boundary: item names are Windows-1252 in the
// interface, code page 850 inside the archive (or UTF-8 where another tool
// flagged them so), and UTF-8 on disk.

#include "zatesthelp.h"

#include "zip/zaarchiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/wait.h>

namespace {

using namespace zatest;

const std::string kAnsiName = "Bahnhof Z\xFC" "rich.txt";       // Windows-1252
const std::string kDiskName = "Bahnhof Z\xC3\xBC" "rich.txt";   // UTF-8
const std::string kOemName = "Bahnhof Z\x81" "rich.txt";        // code page 850

void AddAll(const std::string& archive, const std::string& base, const std::string& mask = "*.*")
{
    TZipArchiver z;
    z.FileName = archive;
    z.BaseDir = base;
    z.OpenArchiveWithMode(fmCreate);
    z.AddFiles(mask, 47, "");
    z.CloseArchive();
}

std::vector<std::string> Names(const std::string& archive)
{
    TZipArchiver z;
    z.FileName = archive;
    z.OpenArchive();
    std::vector<std::string> names;
    for (int32_t i = 0; i < z.Count(); ++i)
        names.push_back(z.Item(i).StoredName);
    z.CloseArchive();
    return names;
}

void ExtractAll(const std::string& archive, const std::string& base)
{
    TZipArchiver z;
    z.FileName = archive;
    z.BaseDir = base;
    z.OpenArchive();
    z.ExtractFiles("*.*", 63, "");
    z.CloseArchive();
}

// Python's view of an archive: raw name bytes (undoing its code page 437 or
// UTF-8 decoding) and whether the UTF-8 flag is set, one line per item.
std::string PythonNames(const std::string& archive)
{
    std::string out;
    RunTool("python3 -c 'import sys, zipfile\n"
            "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
            "    raw = i.filename.encode(\"utf-8\" if i.flag_bits & 0x800 else \"cp437\")\n"
            "    print(raw.hex(), i.flag_bits & 0x800)\n"
            "' '" + archive + "'",
            &out);
    return out;
}

std::string Hex(const std::string& s)
{
    static const char* d = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s) {
        h += d[c >> 4];
        h += d[c & 15];
    }
    return h;
}

TEST(DiskNames, UtfNamedFileRoundTripsThroughCodePage850)
{
    ScratchDir tmp;
    WriteFile(tmp / ("src/" + kDiskName), "Gleis 1");
    WriteFile(tmp / ("src/Gen\xC3\xA8ve/Quai.txt"), "Quai");
    const std::string a = tmp / "a.zip";
    AddAll(a, tmp / "src");

    const std::vector<std::string> names = Names(a);
    EXPECT_NE(std::find(names.begin(), names.end(), kAnsiName), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Gen\xE8ve/Quai.txt"), names.end());

    if (HaveTool("python3")) {
        const std::string py = PythonNames(a);
        EXPECT_NE(py.find(Hex(kOemName) + " 0\n"), std::string::npos) << py;
        EXPECT_NE(py.find(Hex("Gen\x8Ave/Quai.txt") + " 0\n"), std::string::npos) << py;
    }
    if (HaveTool("unzip")) {
        std::string out;
        EXPECT_EQ(RunTool("unzip -t '" + a + "'", &out), 0) << out;
    }

    const std::string back = tmp / "back";
    fs::create_directories(back);
    ExtractAll(a, back);
    EXPECT_EQ(ReadFile(back + "/" + kDiskName), "Gleis 1");
    EXPECT_EQ(ReadFile(back + "/Gen\xC3\xA8ve/Quai.txt"), "Quai");
    EXPECT_FALSE(Exists(back + "/" + kAnsiName));
}

TEST(DiskNames, AnsiMasksFindUtfNamedFiles)
{
    ScratchDir tmp;
    WriteFile(tmp / ("src/" + kDiskName), "Gleis 1");
    WriteFile(tmp / "src/Bern.txt", "Bern");
    const std::string a = tmp / "a.zip";
    AddAll(a, tmp / "src", "BAHNHOF Z\xFC*");
    EXPECT_EQ(Names(a), std::vector<std::string>{kAnsiName});
}

class DiskNamesPython : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool("python3"))
            GTEST_SKIP() << "python3 is not installed";
        Archive = Tmp / "py.zip";
        ASSERT_EQ(RunTool("python3 -c 'import sys, zipfile\n"
                          "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile.ZIP_DEFLATED) as z:\n"
                          "    z.writestr(\"Z\\u00fcrich.txt\", \"Z\" * 100)\n"
                          "    z.writestr(\"Ost/K\\u00f6ln.txt\", \"K\")\n"
                          "' '" + Archive + "'"),
                  0);
    }
    ScratchDir Tmp;
    std::string Archive;
};

TEST_F(DiskNamesPython, FlaggedNamesAreReadAsUtf8)
{
    EXPECT_EQ(Names(Archive), (std::vector<std::string>{"Z\xFCrich.txt", "Ost/K\xF6ln.txt"}));
    const std::string out = Tmp / "out";
    fs::create_directories(out);
    ExtractAll(Archive, out);
    EXPECT_EQ(ReadFile(out + "/Z\xC3\xBCrich.txt"), std::string(100, 'Z'));
    EXPECT_EQ(ReadFile(out + "/Ost/K\xC3\xB6ln.txt"), "K");
}

// Kept items keep their UTF-8 names and flag when the archive is rewritten, so
// the central directory still matches the local headers copied unchanged.
TEST_F(DiskNamesPython, RewrittenArchiveKeepsFlaggedNames)
{
    WriteFile(Tmp / "add/Bern.txt", "Bern");
    {
        TZipArchiver z;
        z.FileName = Archive;
        z.BaseDir = Tmp / "add";
        z.OpenArchive();
        z.AddFiles("*.*", 47, "");
        z.CloseArchive();
    }
    std::string out;
    EXPECT_EQ(RunTool("python3 -c 'import sys, zipfile\n"
                      "z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None\n"
                      "print(sorted(z.namelist()) == [\"Bern.txt\", \"Ost/K\\u00f6ln.txt\", \"Z\\u00fcrich.txt\"])\n"
                      "' '" + Archive + "'",
                      &out),
              0)
        << out;
    EXPECT_EQ(out, "True\n");
    EXPECT_EQ(Names(Archive), (std::vector<std::string>{"Z\xFCrich.txt", "Ost/K\xF6ln.txt", "Bern.txt"}));
}

// Names that code page 850 cannot hold are written as UTF-8 with the flag,
// so two of them never collapse into one "?" item; names that fit keep their
// code page 850 bytes.
TEST(DiskNames, NamesBeyondCodePage850AreStoredAsUtf8)
{
    ScratchDir tmp;
    const std::string sun = "d/\xE6\x97\xA5.txt";  // d/日.txt
    const std::string book = "d/\xE6\x9C\xAC.txt"; // d/本.txt
    WriteFile(tmp / ("src/" + sun), "sun");
    WriteFile(tmp / ("src/" + book), "book");
    WriteFile(tmp / ("src/" + kDiskName), "Gleis 1");
    const std::string a = tmp / "a.zip";
    AddAll(a, tmp / "src");

    TZipArchiver z;
    z.FileName = a;
    z.OpenArchive();
    std::vector<std::string> disk;
    for (int32_t i = 0; i < z.Count(); ++i)
        disk.push_back(ZADiskNameOf(z.Item(i)));
    z.CloseArchive();
    std::sort(disk.begin(), disk.end());
    EXPECT_EQ(disk, (std::vector<std::string>{kDiskName, sun, book}));

    if (HaveTool("python3")) {
        const std::string py = PythonNames(a);
        EXPECT_NE(py.find(Hex(sun) + " 2048\n"), std::string::npos) << py;
        EXPECT_NE(py.find(Hex(book) + " 2048\n"), std::string::npos) << py;
        EXPECT_NE(py.find(Hex(kOemName) + " 0\n"), std::string::npos) << py;
    }
    if (HaveTool("unzip")) {
        std::string out;
        EXPECT_EQ(RunTool("unzip -t '" + a + "'", &out), 0) << out;
    }
    const std::string back = tmp / "back";
    fs::create_directories(back);
    ExtractAll(a, back);
    EXPECT_EQ(ReadFile(back + "/" + sun), "sun");
    EXPECT_EQ(ReadFile(back + "/" + book), "book");

    // Adding the same files again replaces their items: nothing is doubled.
    AddAll(a, tmp / "src");
    EXPECT_EQ(Names(a).size(), 3u);
}

TEST_F(DiskNamesPython, FlaggedNamesBeyondCodePage850ExtractToTheirOwnFiles)
{
    ASSERT_EQ(RunTool("python3 -c 'import sys, zipfile\n"
                      "with zipfile.ZipFile(sys.argv[1], \"w\") as z:\n"
                      "    z.writestr(\"\\u65e5.txt\", \"sun\")\n"
                      "    z.writestr(\"\\u672c.txt\", \"book\")\n"
                      "' '" + Archive + "'"),
              0);
    const std::string out = Tmp / "out";
    fs::create_directories(out);
    ExtractAll(Archive, out);
    EXPECT_EQ(ReadFile(out + "/\xE6\x97\xA5.txt"), "sun");
    EXPECT_EQ(ReadFile(out + "/\xE6\x9C\xAC.txt"), "book");
    EXPECT_FALSE(Exists(out + "/?.txt"));
}

// Two items of one extraction that would land in one file: the second is an
// error naming both, and the first item's file stays.
TEST(DiskNames, SecondItemForOneFileIsAnError)
{
    ScratchDir tmp;
    const std::string a = tmp / "twice.zip";
    MakeArchive(a, tmp / "src", {{"x.txt", "first"}, {"y.txt", "second"}});
    // Rename the second item to the first one's name in both headers.
    std::string bytes = ReadFile(a);
    for (std::size_t at = bytes.find("y.txt"); at != std::string::npos; at = bytes.find("y.txt", at))
        bytes[at] = 'x';
    WriteFile(a, bytes);

    TZipArchiver z;
    z.FileName = a;
    z.BaseDir = tmp / "out";
    fs::create_directories(z.BaseDir);
    std::vector<std::string> failures;
    z.OnProcessFileFailure = [&](TZABaseArchiver&, const std::string&, TZAProcessOperation, int32_t native, int32_t,
                                 const std::string& message, TZAAction& action) {
        failures.push_back(std::to_string(native) + " " + message);
        action = faSkip;
    };
    z.OpenArchive();
    z.ExtractFiles("*.*", 63, "");
    z.CloseArchive();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].rfind(std::to_string(ZAErrSameTarget) + " ", 0), 0u) << failures[0];
    EXPECT_NE(failures[0].find("\"x.txt\" extracted before"), std::string::npos) << failures[0];
    EXPECT_EQ(ReadFile(tmp / "out/x.txt"), "first");
}

// An extraction that was killed leaves its temporary file; the next one in
// that folder removes it when its process is gone, and only then.
TEST(DiskNames, TemporariesOfDeadProcessesAreRemoved)
{
    ScratchDir tmp;
    const std::string a = tmp / "a.zip";
    MakeArchive(a, tmp / "src", {{"x.txt", "data"}});
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string out = tmp / "out";
    const std::string stale = out + "/.za" + std::to_string(child) + "_42";
    const std::string live = out + "/.za" + std::to_string(getppid()) + "_42";
    const std::string other = out + "/.zanote_1";
    WriteFile(stale, "left by a killed run");
    WriteFile(live, "still being written");
    WriteFile(other, "not ours");
    ExtractAll(a, out);
    EXPECT_EQ(ReadFile(out + "/x.txt"), "data");
    EXPECT_FALSE(Exists(stale));
    EXPECT_TRUE(Exists(live));
    EXPECT_TRUE(Exists(other));
}

} // namespace
