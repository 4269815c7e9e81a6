// Archives other tools make or refuse, checked against what those tools say:
// an archive cut short, Info-ZIP's UTF-8 names, and a link in the target
// folder that points elsewhere.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "interop_support.h"

namespace {

using namespace interop;

class InteropFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
        if (!HaveTool("zip") || !HaveTool("unzip") || !HaveTool("python3")) GTEST_SKIP() << "Info-ZIP or python3 missing";
    }
    RunResult Zatool(const std::string& args) { return Shell(Q(ZatoolPath()) + " " + args + " </dev/null"); }
    TempFolder temp_;
};

TEST_F(InteropFaults, CutArchiveFailsAsInTheOtherTools)
{
    fs::create_directories(temp_ / "src");
    for (int i = 0; i < 20; ++i) WriteAll(temp_ / "src" / ("f" + std::to_string(i) + ".txt"), std::string(500, char('a' + i)));
    ASSERT_EQ(Shell("cd " + Q(temp_ / "src") + " && zip -q -X ../a.zip f*.txt").code, 0);
    // Cut where the eleventh item's local header begins, as a stopped download.
    RunResult offsets = Shell("python3 -c 'import sys, zipfile\n"
                              "print(sorted(i.header_offset for i in zipfile.ZipFile(sys.argv[1]).infolist())[10])' " +
                              Q(temp_ / "a.zip"));
    ASSERT_EQ(offsets.code, 0) << offsets.out;
    std::string bytes = ReadAll(temp_ / "a.zip");
    const fs::path cut = temp_ / "cut.zip";
    WriteAll(cut, bytes.substr(0, std::stoul(offsets.out)));
    EXPECT_NE(Shell("unzip -tqq " + Q(cut)).code, 0);
    EXPECT_NE(Shell("python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1])' " + Q(cut)).code, 0);
    for (const char* verb : {"list", "test", "extract"}) {
        RunResult r = Zatool(std::string(verb) + " " + Q(cut) + " -C " + Q(temp_ / "out"));
        EXPECT_EQ(r.code, 2) << verb << "\n" << r.out;
        EXPECT_NE(r.out.find("cut.zip\" is incomplete"), std::string::npos) << r.out;
    }
    EXPECT_FALSE(fs::exists(temp_ / "out" / "f0.txt"));
    // Asked to save what is left, it says so and does not call it a success.
    RunResult r = Zatool("extract " + Q(cut) + " -R -C " + Q(temp_ / "out"));
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("warning: "), std::string::npos) << r.out;
}

TEST_F(InteropFaults, InfoZipUtf8NamesAndUnicodePathField)
{
    const std::vector<std::string> names = {"Caf\xC3\xA9.txt", "Stra\xC3\x9F" "e/x.txt", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"};
    for (const std::string& n : names) {
        fs::create_directories((temp_ / "src" / n).parent_path());
        WriteAll(temp_ / "src" / n, "content of " + n);
    }
    ASSERT_EQ(Shell("cd " + Q(temp_ / "src") + " && zip -q -r ../u.zip .").code, 0);
    // A plain name whose Unicode Path field (as Info-ZIP writes on other
    // systems) gives the real one.
    RunResult made = Shell("python3 -c 'import sys, struct, zipfile, zlib\n"
                           "raw = b\"Geneve.txt\"\n"
                           "u = \"Gen\\u00e8ve-\\u20ac.txt\".encode()\n"
                           "zi = zipfile.ZipInfo(raw.decode(), (2020, 1, 1, 0, 0, 0))\n"
                           "zi.extra = struct.pack(\"<HHBI\", 0x7075, 5 + len(u), 1, zlib.crc32(raw)) + u\n"
                           "zipfile.ZipFile(sys.argv[1], \"w\").writestr(zi, b\"quai\")' " + Q(temp_ / "p.zip"));
    ASSERT_EQ(made.code, 0) << made.out;
    ASSERT_EQ(Shell("mkdir -p " + Q(temp_ / "ref") + " && cd " + Q(temp_ / "ref") + " && unzip -qq ../p.zip").code, 0);
    ASSERT_TRUE(fs::exists(temp_ / "ref" / "Gen\xC3\xA8ve-\xE2\x82\xAC.txt"));

    RunResult r = Zatool("extract " + Q(temp_ / "u.zip") + " -C " + Q(temp_ / "out"));
    EXPECT_EQ(r.code, 0) << r.out;
    for (const std::string& n : names) EXPECT_EQ(ReadAll(temp_ / "out" / n), "content of " + n) << n;
    r = Zatool("extract " + Q(temp_ / "p.zip") + " -C " + Q(temp_ / "out"));
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(ReadAll(temp_ / "out" / "Gen\xC3\xA8ve-\xE2\x82\xAC.txt"), "quai");
    // Kept items keep their names when the archive is written again.
    fs::create_directories(temp_ / "more");
    WriteAll(temp_ / "more" / "new.txt", "new");
    ASSERT_EQ(Zatool("add " + Q(temp_ / "p.zip") + " new.txt -C " + Q(temp_ / "more")).code, 0);
    RunResult listed = Shell("unzip -Z1 " + Q(temp_ / "p.zip"));
    EXPECT_NE(listed.out.find("Gen\xC3\xA8ve-\xE2\x82\xAC.txt"), std::string::npos) << listed.out;
}

TEST_F(InteropFaults, LinkInTheTargetIsReplacedAndWhatItPointsAtKept)
{
    WriteAll(temp_ / "a.txt", "from the archive");
    ASSERT_EQ(Shell("cd " + Q(temp_.path()) + " && zip -q -X a.zip a.txt").code, 0);
    const fs::path outside = temp_ / "outside.txt";
    WriteAll(outside, "keep me");
    fs::permissions(outside, fs::perms::owner_read);
    // The same as unzip does: the link goes, the file it named stays as it was.
    for (const std::string& tool : {Q(ZatoolPath()) + " extract " + Q(temp_ / "a.zip") + " -C ", "unzip -oqq " +
                                        Q(temp_ / "a.zip") + " -d "}) {
        fs::remove_all(temp_ / "out");
        fs::create_directories(temp_ / "out");
        fs::create_symlink(outside, temp_ / "out" / "a.txt");
        RunResult r = Shell(tool + Q(temp_ / "out") + " </dev/null");
        EXPECT_EQ(r.code, 0) << tool << r.out;
        EXPECT_EQ(ReadAll(outside), "keep me") << tool;
        EXPECT_EQ(fs::status(outside).permissions() & fs::perms::all, fs::perms::owner_read) << tool;
        EXPECT_FALSE(fs::is_symlink(temp_ / "out" / "a.txt")) << tool;
        EXPECT_EQ(ReadAll(temp_ / "out" / "a.txt"), "from the archive") << tool;
    }
    fs::permissions(outside, fs::perms::owner_all);
}

}  // namespace
