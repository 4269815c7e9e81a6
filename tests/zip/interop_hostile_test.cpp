// Archives with hostile item names ("../", absolute paths, drive letters,
// backslash tricks) must not write anything outside the folder they are
// extracted into; the component reports such items through its failure event
// and goes on with the rest.

#include <gtest/gtest.h>

#include <algorithm>

#include <unistd.h>

#include "interop_support.h"

namespace {

using namespace interop;

// Lists everything below root, relative, sorted.
std::vector<std::string> Listing(const fs::path& root)
{
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) names.push_back(fs::relative(e.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

class InteropHostile : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
        if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
        // The target folder sits two levels down, so "../" and "../../" land in
        // folders we watch.
        base_ = temp_ / "outer" / "inner" / "base";
        fs::create_directories(base_);
        absName_ = "/tmp/velkast-hostile-" + std::to_string(getpid()) + ".txt";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove(absName_, ec);
    }

    // Builds an archive whose items carry exactly the given names.
    fs::path Build(const std::vector<std::string>& names, int method)
    {
        fs::path a = temp_ / "hostile.zip";
        std::string list;
        for (const std::string& n : names) list += " " + Q(n);
        RunResult r = Shell("python3 -c 'import sys, zipfile\n"
                          "with zipfile.ZipFile(sys.argv[1], \"w\", int(sys.argv[2])) as z:\n"
                          "    for n in sys.argv[3:]:\n"
                          "        zi = zipfile.ZipInfo(n, (2020, 1, 1, 0, 0, 0))\n"
                          "        zi.external_attr = 32\n"
                          "        z.writestr(zi, (\"evil \" + n) * 20)\n"
                          "' " + Q(a) + " " + std::to_string(method) + list);
        EXPECT_EQ(r.code, 0) << r.out;
        return a;
    }

    // Nothing but the archive and the target folder chain may exist next to
    // the target folder, and nothing at the absolute name.
    void ExpectNothingOutsideBase()
    {
        std::vector<std::string> outside;
        for (const auto& e : fs::recursive_directory_iterator(temp_.path())) {
            std::string rel = fs::relative(e.path(), temp_.path()).string();
            if (rel == "hostile.zip" || rel == "outer" || rel == "outer/inner" || rel == "outer/inner/base" ||
                rel.rfind("outer/inner/base/", 0) == 0) {
                continue;
            }
            outside.push_back(rel);
        }
        EXPECT_EQ(Join(outside), "");
        EXPECT_FALSE(fs::exists(absName_));
    }

    TempFolder temp_;
    fs::path base_;
    std::string absName_;
};

TEST_F(InteropHostile, EscapingNamesAreSkippedAndReported)
{
    for (int method : {0, 8}) {
        SCOPED_TRACE(method);
        fs::remove_all(base_);
        fs::create_directories(base_);
        std::vector<std::string> evil = {"../evil.txt", "../../evil1.txt", absName_, "a/../../evil2.txt",
                                         "..\\evil3.txt", "a\\..\\..\\evil4.txt", "./../evil5.txt",
                                         "b/./../../../evil6.txt", "esc\x1B[2J.txt", "bell\x07/new\nline.txt"};
        std::vector<std::string> names = evil;
        names.insert(names.begin() + 2, "good.txt");
        names.push_back("sub/good2.txt");
        fs::path a = Build(names, method);
        RunResult r = Shell(Q(ZatoolPath()) + " extract " + Q(a) + " -C " + Q(base_) + " </dev/null");
        ExpectNothingOutsideBase();
        // The good items are there despite the bad ones around them.
        EXPECT_EQ(ReadAll(base_ / "good.txt").substr(0, 13), "evil good.txt");
        EXPECT_EQ(ReadAll(base_ / "sub" / "good2.txt").substr(0, 18), "evil sub/good2.txt");
        // Every escaping item is reported, and the run says it was not clean.
        EXPECT_EQ(r.code, 1) << r.out;
        size_t reports = 0;
        for (size_t p = r.out.find("failed: "); p != std::string::npos; p = r.out.find("failed: ", p + 1)) ++reports;
        EXPECT_EQ(reports, evil.size()) << r.out;
        // Names are printed with "/" and control characters escaped.
        EXPECT_NE(r.out.find("failed: a/../../evil2.txt: "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("failed: bell\\x07/new\\x0Aline.txt: "), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find_first_of("\x07\x1B"), std::string::npos) << r.out;
        EXPECT_EQ(Shell("find " + Q(base_) + " -name '*[[:cntrl:]]*'").out, "");
    }
}

TEST_F(InteropHostile, DriveLetterNamesStayInside)
{
    // On Windows "C:\x.txt" names a place on another drive; here it must not
    // leave the target folder either, whatever else becomes of it.
    fs::path a = Build({"C:\\x.txt", "C:/y.txt", "D:z.txt", "\\\\server\\share\\w.txt"}, 8);
    RunResult r = Shell(Q(ZatoolPath()) + " extract " + Q(a) + " -C " + Q(base_) + " </dev/null");
    EXPECT_TRUE(r.code == 0 || r.code == 1) << r.out;
    ExpectNothingOutsideBase();
}

TEST_F(InteropHostile, TestingHostileNamesWritesNothing)
{
    // Testing extracts into temporary files only; the names play no part.
    fs::path a = Build({"../evil.txt", absName_, "good.txt"}, 8);
    RunResult r = Shell(Q(ZatoolPath()) + " test " + Q(a) + " </dev/null");
    ExpectNothingOutsideBase();
    EXPECT_EQ(Listing(base_), std::vector<std::string>{});
    EXPECT_TRUE(r.code == 0 || r.code == 1) << r.out;
}

}  // namespace

// Archives the engine must refuse whole, before anything is written: items
// sharing one compressed stream (a zip bomb), ZIP64 records, which a classic
// reader would misread as garbage, and a directory longer than its count.
TEST_F(InteropHostile, OverlappingItemsAndZip64AreRefusedBeforeExtracting)
{
    fs::path overlap = temp_ / "overlap.zip";
    fs::path zip64 = temp_ / "zip64.zip";
    fs::path uncounted = temp_ / "uncounted.zip"; // two items, the end record says one
    RunResult made = Shell("python3 -c 'import sys, struct, zipfile\n"
                           "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile.ZIP_DEFLATED) as z:\n"
                           "    z.writestr(\"a.txt\", \"x\" * 100000)\n"
                           "    z.writestr(\"b.txt\", \"y\" * 100000)\n"
                           "d = bytearray(open(sys.argv[1], \"rb\").read())\n"
                           "struct.pack_into(\"<I\", d, d.rfind(b\"PK\\x01\\x02\") + 42, 0)\n"
                           "open(sys.argv[1], \"wb\").write(d)\n"
                           "e = bytearray(d)\n"
                           "struct.pack_into(\"<I\", e, e.rfind(b\"PK\\x01\\x02\") + 42, d.find(b\"PK\\x03\\x04\", 4))\n"
                           "i = e.rfind(b\"PK\\x05\\x06\")\n"
                           "struct.pack_into(\"<HH\", e, i + 8, 1, 1)\n"
                           "open(sys.argv[3], \"wb\").write(e)\n"
                           "zipfile.ZIP_FILECOUNT_LIMIT = 1\n"
                           "with zipfile.ZipFile(sys.argv[2], \"w\") as z:\n"
                           "    z.writestr(\"a.txt\", \"a\")\n"
                           "    z.writestr(\"b.txt\", \"b\")\n"
                           "' " + Q(overlap) + " " + Q(zip64) + " " + Q(uncounted));
    ASSERT_EQ(made.code, 0) << made.out;
    for (const auto& [archive, text] : {std::pair{overlap, "overlap (possible zip bomb)"},
                                        std::pair{zip64, "uses ZIP64"},
                                        std::pair{uncounted, "more items than its end record counts"}}) {
        for (const char* verb : {"list", "extract"}) {
            RunResult r = Shell(Q(ZatoolPath()) + " " + verb + " " + Q(archive) + " -C " + Q(base_) + " </dev/null");
            EXPECT_NE(r.code, 0) << verb << r.out;
            EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
        }
    }
    EXPECT_TRUE(fs::is_empty(base_));
}

// bzip2, LZMA and AES items are named for what they are, never taken for a
// wrong password.
TEST_F(InteropHostile, UnsupportedMethodsAndAesSayWhatTheyAre)
{
    fs::path a = temp_ / "methods.zip";
    RunResult made = Shell("python3 -c 'import sys, struct, zipfile\n"
                           "with zipfile.ZipFile(sys.argv[1], \"w\") as z:\n"
                           "    z.writestr(zipfile.ZipInfo(\"bz.txt\"), \"b\" * 1000, compress_type=zipfile.ZIP_BZIP2)\n"
                           "    z.writestr(zipfile.ZipInfo(\"lz.txt\"), \"l\" * 1000, compress_type=zipfile.ZIP_LZMA)\n"
                           "    zi = zipfile.ZipInfo(\"aes.txt\")\n"
                           "    zi.extra = b\"\\x01\\x99\\x07\\x00\\x02\\x00AE\\x03\\x08\\x00\"\n"
                           "    z.writestr(zi, \"secret\")\n"
                           "d = bytearray(open(sys.argv[1], \"rb\").read())\n"
                           "for sig, off in ((b\"PK\\x03\\x04\", 8), (b\"PK\\x01\\x02\", 10)):\n"
                           "    struct.pack_into(\"<H\", d, d.rfind(sig) + off, 99)\n"
                           "open(sys.argv[1], \"wb\").write(d)\n"
                           "' " + Q(a));
    ASSERT_EQ(made.code, 0) << made.out;
    RunResult r = Shell(Q(ZatoolPath()) + " extract " + Q(a) + " -C " + Q(base_) + " </dev/null");
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("\"bz.txt\": unsupported compression method 12"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"lz.txt\": unsupported compression method 14"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"aes.txt\": unsupported encryption (AES)"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("assword"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_empty(base_));
}
