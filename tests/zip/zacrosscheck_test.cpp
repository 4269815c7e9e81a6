// Archives written by the component pass the common tools' checks, and the
// component reads what Info-ZIP writes.

#include "zip/zaarchiver.h"

#include "zatesthelp.h"

#include <gtest/gtest.h>

namespace {

using namespace zatest;

const std::map<std::string, std::string>& Files()
{
    static const std::map<std::string, std::string> f = {
        {"route.ini", "[Route]\r\nName=Cross\r\n"},
        {"railway/", ""},
        {"railway/object/x/a.b3d", SampleData(300000)},
        {"railway/object/x/big.bmp", std::string(1 << 20, 'B') + SampleData(700000, 5)},
        {"railway/route/x/r.csv", SampleData(20000, 9)},
        {"empty.txt", ""},
    };
    return f;
}

void CompareWithFiles(const std::string& base)
{
    for (auto& [name, data] : Files()) {
        if (name.back() != '/') {
            EXPECT_EQ(ReadFile(base + "/" + name), data) << name;
        }
    }
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

class ZACrossCheck : public ::testing::TestWithParam<int> {};

TEST_P(ZACrossCheck, WrittenArchivesPassOtherTools)
{
    const int mode = GetParam();
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", Files(), "", mode);
    std::string out;
    if (HaveTool("unzip")) {
        EXPECT_EQ(RunTool("unzip -tq " + Q(d / "a.zip"), &out), 0) << out;
    }
    if (HaveTool("python3")) {
        EXPECT_EQ(RunTool("python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                          "sys.exit(1 if z.testzip() is not None else 0)' " + Q(d / "a.zip"), &out),
                  0)
            << out;
    }
    if (HaveTool("7z")) {
        EXPECT_EQ(RunTool("7z t -bd " + Q(d / "a.zip"), &out), 0) << out;
        EXPECT_EQ(out.find("WARNING"), std::string::npos) << out; // e.g. data after the payload
    }
    if (HaveTool("bsdtar")) {
        std::filesystem::create_directories(d / "bsd");
        EXPECT_EQ(RunTool("bsdtar -xf " + Q(d / "a.zip") + " -C " + Q(d / "bsd"), &out), 0) << out;
        CompareWithFiles(d / "bsd");
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ZACrossCheck, ::testing::Values(0, 1, 6, 9));

TEST(ZACrossCheckCrypt, EncryptedArchivePassesUnzipWithPassword)
{
    if (!HaveTool("unzip"))
        GTEST_SKIP() << "unzip missing";
    ScratchDir d;
    MakeArchive(d / "e.zip", d / "src", Files(), "Gleis 7!");
    std::string out;
    EXPECT_EQ(RunTool("unzip -tq -P 'Gleis 7!' " + Q(d / "e.zip"), &out), 0) << out;
    EXPECT_NE(RunTool("unzip -tq -P wrong " + Q(d / "e.zip"), &out), 0);
    if (HaveTool("7z")) {
        EXPECT_EQ(RunTool("7z t -bd '-pGleis 7!' " + Q(d / "e.zip"), &out), 0) << out;
    }
}

struct InfoZipCase {
    const char* label;
    const char* command; // run in the tree's folder; %A is the archive
    const char* password;
};

class ZAReadInfoZip : public ::testing::TestWithParam<InfoZipCase> {};

TEST_P(ZAReadInfoZip, ExtractsTheSameBytes)
{
    if (!HaveTool("zip"))
        GTEST_SKIP() << "zip missing";
    ScratchDir d;
    for (auto& [name, data] : Files()) {
        if (name.back() == '/')
            std::filesystem::create_directories(d / ("src/" + name));
        else
            WriteFile(d / ("src/" + name), data);
    }
    std::string cmd = GetParam().command;
    cmd.replace(cmd.find("%A"), 2, Q(d / "a.zip"));
    std::string out;
    ASSERT_EQ(RunTool("cd " + Q(d / "src") + " && " + cmd, &out), 0) << out;
    for (int front = 0; front < 2; ++front) {
        if (front) // an installer stub in front of the archive
            WriteFile(d / "a.zip", std::string(4096, 'M') + ReadFile(d / "a.zip"));
        TZipArchiver z;
        z.FileName = d / "a.zip";
        z.BaseDir = d / ("out" + std::to_string(front));
        z.Password = GetParam().password;
        z.OpenArchive();
        z.ExtractFiles("*.*", 63, "");
        z.TestFiles("*.*", 63, "");
        z.CloseArchive();
        CompareWithFiles(z.BaseDir);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ZAReadInfoZip,
    ::testing::Values(InfoZipCase{"recursive", "zip -qr %A .", ""},
                      InfoZipCase{"stored", "zip -qr -0 %A .", ""},
                      InfoZipCase{"encrypted", "zip -qr -e -P 'Gleis 7!' %A .", "Gleis 7!"},
                      InfoZipCase{"streamed", "zip -qr - . > %A", ""},
                      InfoZipCase{"streamed_encrypted", "zip -qr -e -P pw - . > %A", "pw"}),
    [](const ::testing::TestParamInfo<InfoZipCase>& i) { return std::string(i.param.label); });

TEST(ZAUpdateForeign, InfoZipArchiveStaysValidAfterUpdates)
{
    if (!HaveTool("zip") || !HaveTool("unzip"))
        GTEST_SKIP() << "zip/unzip missing";
    ScratchDir d;
    for (auto& [name, data] : Files()) {
        if (name.back() == '/')
            std::filesystem::create_directories(d / ("src/" + name));
        else
            WriteFile(d / ("src/" + name), data);
    }
    WriteFile(d / "new/added.txt", "added later");
    // Local extra fields (time stamps, Unix ids) differ in length from the
    // central ones; streamed items carry data descriptors.
    for (const char* how : {"zip -qr %A .", "zip -qr - . > %A"}) {
        SCOPED_TRACE(how);
        std::string cmd = how;
        cmd.replace(cmd.find("%A"), 2, Q(d / "a.zip"));
        std::filesystem::remove(d / "a.zip");
        std::filesystem::remove_all(d / "out");
        std::string out;
        ASSERT_EQ(RunTool("cd " + Q(d / "src") + " && " + cmd, &out), 0) << out;
        TZipArchiver z;
        z.FileName = d / "a.zip";
        z.OpenArchive();
        {
            CwdKeeper keep;
            std::filesystem::current_path(d / "new");
            z.BeginUpdate();
            z.AddOrReplaceItem("added.txt", true);
            z.DeleteItem(0); // every following item is copied from the old tail
            z.EndUpdate();
        }
        z.CloseArchive();
        EXPECT_EQ(RunTool("unzip -tq " + Q(d / "a.zip"), &out), 0) << out;
        std::filesystem::create_directories(d / "out");
        EXPECT_EQ(RunTool("unzip -qo " + Q(d / "a.zip") + " -d " + Q(d / "out"), &out), 0) << out;
        EXPECT_EQ(ReadFile(d / "out/added.txt"), "added later");
        EXPECT_EQ(ReadFile(d / "out/railway/object/x/big.bmp"), Files().at("railway/object/x/big.bmp"));
    }
}

} // namespace
