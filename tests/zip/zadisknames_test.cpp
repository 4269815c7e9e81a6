// Names across the engine's disk boundary: item names are Windows-1252 in the
// interface, code page 850 inside the archive (or UTF-8 where another tool
// flagged them so), and UTF-8 on disk.

#include "zatesthelp.h"

#include "zip/zaarchiver.h"

#include <gtest/gtest.h>

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

} // namespace
