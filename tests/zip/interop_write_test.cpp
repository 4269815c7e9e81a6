// Archives the component writes (through the zatool test program) must pass
// the checks of the common ZIP tools and extract to the same bytes with each of
// them: Info-ZIP unzip/zipinfo, Python's zipfile, 7-Zip and bsdtar. Plain
// deflated, stored and password-protected archives are checked.
//
// Names: the engine stores Windows-1252 names in code page 850 and marks the
// archive as made on DOS. unzip turns such names back into Latin-1 (the same
// bytes as 1252 for these letters), 7-Zip and bsdtar keep the 850 bytes, and
// Python reads them as code page 437 and writes UTF-8. The trees the engine
// adds from, and the files it extracts, carry the disk (UTF-8) names.

#include <gtest/gtest.h>

#include "interop_support.h"

namespace {

using namespace interop;

struct WrittenArchive {
    std::string label;
    std::string options;   // zatool options
    std::string password;  // empty: none
};

const std::vector<WrittenArchive>& Variants()
{
    static const std::vector<WrittenArchive> v = {
        {"default level", "", ""},
        {"level 6", "-6", ""},
        {"level 9", "-9", ""},
        {"stored", "-0", ""},
        {"password", "-6 -p " + Q(std::string("Gleis 7!")), "Gleis 7!"},
        {"stored with password", "-0 -p secret", "secret"},
    };
    return v;
}

class InteropWrite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        temp_ = new TempFolder;
        tree_ = new std::vector<TreeEntry>(SampleTree());
        WriteTree(*temp_ / "tree", *tree_, NameForm::Native);
    }
    static void TearDownTestSuite()
    {
        delete temp_;
        delete tree_;
        temp_ = nullptr;
        tree_ = nullptr;
    }

    void SetUp() override
    {
        if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
    }

    // Writes the archive of one variant with zatool and returns its path.
    fs::path Write(const WrittenArchive& v, const std::string& file)
    {
        fs::path archive = *temp_ / file;
        fs::remove(archive);
        // A folder is stored as an item of its own only when a mask names it
        // ("*.*" as a mask for names wants a dot), so the empty folder, which
        // nothing else brings into the archive, is named.
        RunResult r = Shell(Q(ZatoolPath()) + " add " + Q(archive) + " '*.*' 'Empty Folder' " + v.options + " -C " +
                            Q(*temp_ / "tree") + " </dev/null");
        EXPECT_EQ(r.code, 0) << r.out;
        return archive;
    }

    fs::path FreshFolder(const std::string& name)
    {
        fs::path p = *temp_ / name;
        fs::remove_all(p);
        fs::create_directories(p);
        return p;
    }

    static std::vector<TreeEntry>& Tree() { return *tree_; }

    static TempFolder* temp_;
    static std::vector<TreeEntry>* tree_;
};

TempFolder* InteropWrite::temp_ = nullptr;
std::vector<TreeEntry>* InteropWrite::tree_ = nullptr;

TEST_F(InteropWrite, UnzipTestsEveryArchiveClean)
{
    if (!HaveTool("unzip")) GTEST_SKIP() << "unzip is not installed";
    for (const WrittenArchive& v : Variants()) {
        SCOPED_TRACE(v.label);
        fs::path a = Write(v, "unzip-t.zip");
        std::string pw = v.password.empty() ? "" : " -P " + Q(v.password);
        RunResult r = Shell("unzip -t" + pw + " " + Q(a) + " </dev/null");
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("No errors detected"), std::string::npos) << r.out;
    }
}

TEST_F(InteropWrite, UnzipExtractsTheSameBytesAndNames)
{
    if (!HaveTool("unzip")) GTEST_SKIP() << "unzip is not installed";
    for (const WrittenArchive& v : Variants()) {
        SCOPED_TRACE(v.label);
        fs::path a = Write(v, "unzip-x.zip");
        fs::path out = FreshFolder("unzip-out");
        std::string pw = v.password.empty() ? "" : " -P " + Q(v.password);
        RunResult r = Shell("unzip -q" + pw + " " + Q(a) + " -d " + Q(out) + " </dev/null");
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_EQ(Join(CompareTree(out, Tree(), NameForm::Ansi)), "");
    }
}

TEST_F(InteropWrite, ZipinfoListsEveryItemWithItsSizeAndMethod)
{
    if (!HaveTool("zipinfo")) GTEST_SKIP() << "zipinfo is not installed";
    fs::path a = Write(Variants()[1], "zipinfo.zip");
    RunResult r = Shell("zipinfo " + Q(a) + " </dev/null");
    ASSERT_EQ(r.code, 0) << r.out;
    // zipinfo shows the 850 name as Latin-1, like unzip.
    EXPECT_NE(r.out.find("Bahnhof Z\xFCrich.txt"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("data/Gen\xE8ve/Quai 1.txt"), std::string::npos) << r.out;
    // The 2.6 MB pattern file is deflated, its exact size listed.
    EXPECT_NE(r.out.find("2600000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("defN"), std::string::npos) << r.out;
    RunResult stored = Shell("zipinfo " + Q(Write(Variants()[3], "zipinfo0.zip")) + " </dev/null");
    EXPECT_EQ(stored.out.find("defN"), std::string::npos) << stored.out;
    EXPECT_NE(stored.out.find("stor"), std::string::npos) << stored.out;
}

TEST_F(InteropWrite, PythonZipfileTestsAndExtractsEveryArchive)
{
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
    const std::string script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "if sys.argv[2]: z.setpassword(sys.argv[2].encode())\n"
        "bad = z.testzip()\n"
        "print('testzip:', bad)\n"
        "z.extractall(sys.argv[3])\n"
        "sys.exit(0 if bad is None else 1)\n";
    fs::path py = *temp_ / "check.py";
    WriteAll(py, script);
    for (const WrittenArchive& v : Variants()) {
        SCOPED_TRACE(v.label);
        fs::path a = Write(v, "python.zip");
        fs::path out = FreshFolder("python-out");
        RunResult r = Shell("python3 " + Q(py) + " " + Q(a) + " " + Q(v.password) + " " + Q(out) + " </dev/null");
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("testzip: None"), std::string::npos) << r.out;
        EXPECT_EQ(Join(CompareTree(out, Tree(), NameForm::Utf8)), "");
    }
}

TEST_F(InteropWrite, SevenZipTestsAndExtractsEveryArchive)
{
    if (!HaveTool("7z")) GTEST_SKIP() << "7z is not installed";
    for (const WrittenArchive& v : Variants()) {
        SCOPED_TRACE(v.label);
        fs::path a = Write(v, "7z.zip");
        // Always a password option, so 7-Zip never stops to ask for one.
        std::string pw = " -p" + Q(v.password.empty() ? std::string("unused") : v.password);
        RunResult t = Shell("7z t -bd" + pw + " " + Q(a) + " </dev/null");
        EXPECT_EQ(t.code, 0) << t.out;
        EXPECT_NE(t.out.find("Everything is Ok"), std::string::npos) << t.out;
        EXPECT_EQ(t.out.find("WARNING"), std::string::npos) << t.out;
        fs::path out = FreshFolder("7z-out");
        RunResult x = Shell("7z x -bd -y" + pw + " -o" + Q(out) + " " + Q(a) + " </dev/null");
        EXPECT_EQ(x.code, 0) << x.out;
        EXPECT_EQ(Join(CompareTree(out, Tree(), NameForm::Oem)), "");
    }
}

TEST_F(InteropWrite, BsdtarExtractsEveryArchive)
{
    if (!HaveTool("bsdtar")) GTEST_SKIP() << "bsdtar is not installed";
    for (const WrittenArchive& v : Variants()) {
        SCOPED_TRACE(v.label);
        fs::path a = Write(v, "bsdtar.zip");
        fs::path out = FreshFolder("bsdtar-out");
        std::string pw = v.password.empty() ? "" : " --passphrase " + Q(v.password);
        RunResult r = Shell("bsdtar -xf " + Q(a) + pw + " -C " + Q(out) + " </dev/null");
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_EQ(Join(CompareTree(out, Tree(), NameForm::Oem)), "");
    }
}

TEST_F(InteropWrite, WrongPasswordIsRefusedByTheTools)
{
    // The check byte of the encryption header must not let a wrong password
    // through to a CRC failure only.
    if (!HaveTool("unzip")) GTEST_SKIP() << "unzip is not installed";
    fs::path a = Write(Variants()[4], "wrongpw.zip");
    RunResult r = Shell("unzip -t -P wrong " + Q(a) + " </dev/null");
    EXPECT_NE(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("incorrect password"), std::string::npos) << r.out;
}

TEST_F(InteropWrite, ZatoolReadsBackWhatItWrote)
{
    for (const WrittenArchive& v : Variants()) {
        SCOPED_TRACE(v.label);
        fs::path a = Write(v, "self.zip");
        std::string pw = v.password.empty() ? "" : " -p " + Q(v.password);
        RunResult t = Shell(Q(ZatoolPath()) + " test " + Q(a) + pw + " </dev/null");
        EXPECT_EQ(t.code, 0) << t.out;
        fs::path out = FreshFolder("self-out");
        RunResult x = Shell(Q(ZatoolPath()) + " extract " + Q(a) + pw + " -C " + Q(out) + " </dev/null");
        EXPECT_EQ(x.code, 0) << x.out;
        EXPECT_EQ(Join(CompareTree(out, Tree(), NameForm::Native)), "");
    }
}

// An archive changed by later runs (items added to it, one replaced in the
// middle, so the kept items behind it move) must still satisfy the tools.
TEST_F(InteropWrite, UpdatedArchivesStayValid)
{
    if (!HaveTool("unzip") || !HaveTool("7z") || !HaveTool("python3")) {
        GTEST_SKIP() << "unzip, 7z or python3 is not installed";
    }
    fs::path tree = *temp_ / "update-tree";
    fs::remove_all(tree);
    std::vector<TreeEntry> t = Tree();
    WriteTree(tree, t, NameForm::Native);
    fs::path a = *temp_ / "update.zip";
    fs::remove(a);
    auto add = [&](const std::string& masks) {
        RunResult r = Shell(Q(ZatoolPath()) + " add " + Q(a) + " " + masks + " -6 -C " + Q(tree) + " </dev/null");
        EXPECT_EQ(r.code, 0) << masks << "\n" << r.out;
    };
    add("readme.txt data");
    add("'*.*' 'Empty Folder'");
    // Replace a file that sits early in the archive with one of another size.
    for (TreeEntry& e : t) {
        if (e.name == "readme.txt") e.data = ByteSource(99).Text(45678);
    }
    WriteAll(tree / "readme.txt", t[0].data);
    add("readme.txt");

    RunResult u = Shell("unzip -t " + Q(a) + " </dev/null");
    EXPECT_EQ(u.code, 0) << u.out;
    RunResult z = Shell("7z t -bd -punused " + Q(a) + " </dev/null");
    EXPECT_EQ(z.code, 0) << z.out;
    EXPECT_EQ(z.out.find("WARNING"), std::string::npos) << z.out;
    RunResult p = Shell("python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).testzip())' " + Q(a));
    EXPECT_EQ(p.out, "None\n");
    fs::path out = FreshFolder("update-out");
    RunResult x = Shell("unzip -q " + Q(a) + " -d " + Q(out) + " </dev/null");
    EXPECT_EQ(x.code, 0) << x.out;
    EXPECT_EQ(Join(CompareTree(out, t, NameForm::Ansi)), "");
    // No item twice in the directory.
    RunResult l = Shell("zipinfo -1 " + Q(a) + " | sort | uniq -d");
    EXPECT_EQ(l.out, "");
}

}  // namespace

namespace {

using namespace interop;

// A file named on the command line (UTF-8, like the disk) is found and stored
// under its code page 850 name.
TEST(InteropWriteMore, NonAsciiNameOnTheCommandLineIsFound)
{
    if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
    TempFolder temp;
    WriteAll(temp / "Bahnhof Z\xC3\xBCrich.txt", "Gleis");
    WriteAll(temp / "other.txt", "other");
    fs::path a = temp / "one.zip";
    RunResult r = Shell(Q(ZatoolPath()) + " add " + Q(a) + " " + Q(std::string("Bahnhof Z\xC3\xBCrich.txt")) + " -C " +
                        Q(temp.path()) + " </dev/null");
    ASSERT_EQ(r.code, 0) << r.out;
    RunResult p = Shell("python3 -c 'import sys, zipfile\n"
                        "print([(i.filename.encode(\"cp437\").hex(), i.flag_bits & 0x800) for i in "
                        "zipfile.ZipFile(sys.argv[1]).infolist()])' " + Q(a));
    EXPECT_EQ(p.out, "[('" + std::string("4261686e686f66205a81726963682e747874") + "', 0)]\n");
}

} // namespace
