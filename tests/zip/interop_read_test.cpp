// The component must read, test and extract what the common ZIP tools write:
// Info-ZIP zip in its usual forms (recursive, without extra fields, stored,
// encrypted, with a comment, streamed with data descriptors), Python's zipfile,
// 7-Zip with ZipCrypto, and bsdtar. Each archive is also tried with bytes in
// front (an installer stub) and with a trailer behind (the route package's).
//
// The trees handed to the tools carry code page 850 names, as archives made on
// Windows do; the component turns them into Windows-1252 item names, and
// extracts the files under their disk (UTF-8) names.

#include <gtest/gtest.h>

#include <tuple>

#include "interop_support.h"

namespace {

using namespace interop;

struct ToolArchive {
    std::string label;
    std::string tool;      // must be installed for the case to run
    std::string command;   // run inside the tree's folder; %A is the archive
    std::string password;  // empty: none
    bool asciiOnly;        // the tool cannot store 850 names as they are
};

const char* const kPython =
    "python3 -c 'import os, sys, zipfile\n"
    "with zipfile.ZipFile(sys.argv[1], \"w\", int(sys.argv[2])) as z:\n"
    "    for root, dirs, files in os.walk(\".\"):\n"
    "        dirs.sort()\n"
    "        if root != \".\": z.write(root)\n"
    "        for f in sorted(files): z.write(os.path.join(root, f))\n"
    "' %A ";

const std::vector<ToolArchive>& Makers()
{
    static const std::vector<ToolArchive> m = {
        {"zip_r", "zip", "zip -qr %A .", "", false},
        {"zip_r_X", "zip", "zip -qr -X %A .", "", false},
        {"zip_0", "zip", "zip -qr -0 %A .", "", false},
        {"zip_9", "zip", "zip -qr -9 %A .", "", false},
        {"zip_e", "zip", "zip -qr -e -P 'Gleis 7!' %A .", "Gleis 7!", false},
        {"zip_z", "zip", "echo 'Route package' | zip -qr -z %A .", "", false},
        {"zip_stream", "zip", "zip -qr - . | cat > %A", "", false},
        {"zip_stream_e", "zip", "zip -qr -e -P secret - . | cat > %A", "secret", false},
        {"python_stored", "python3", std::string(kPython) + "0", "", true},
        {"python_deflated", "python3", std::string(kPython) + "8", "", true},
        {"7z_deflate", "7z", "7z a -tzip -bd %A . >/dev/null", "", false},
        {"7z_zipcrypto", "7z", "7z a -tzip -bd -mem=ZipCrypto -p'Gleis 7!' %A . >/dev/null", "Gleis 7!", false},
        {"bsdtar", "bsdtar", "bsdtar --format zip -cf %A .", "", false},
        {"bsdtar_store", "bsdtar", "bsdtar --format zip --options zip:compression=store -cf %A .", "", false},
    };
    return m;
}

enum class Placement { Plain, Front, Trailer };

std::string PlacementName(Placement p)
{
    switch (p) {
    case Placement::Plain: return "plain";
    case Placement::Front: return "front";
    case Placement::Trailer: return "trailer";
    }
    return "";
}

using ReadParam = std::tuple<size_t, Placement>;

class InteropRead : public ::testing::TestWithParam<ReadParam> {
protected:
    void SetUp() override
    {
        if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
        const ToolArchive& m = Maker();
        if (!HaveTool(m.tool)) GTEST_SKIP() << m.tool << " is not installed";
        tree_ = m.asciiOnly ? AsciiTree() : SampleTree();
        WriteTree(temp_ / "tree", tree_, NameForm::Oem);
        archive_ = temp_ / "a.zip";
        std::string cmd = m.command;
        cmd.replace(cmd.find("%A"), 2, Q(archive_));
        RunResult r = Shell("cd " + Q(temp_ / "tree") + " && ( " + cmd + " ) </dev/null");
        ASSERT_EQ(r.code, 0) << cmd << "\n" << r.out;
        Place(std::get<1>(GetParam()));
    }

    const ToolArchive& Maker() const { return Makers()[std::get<0>(GetParam())]; }

    void Place(Placement p)
    {
        std::string bytes = ReadAll(archive_);
        if (p == Placement::Front) {
            std::string stub = "MZ";
            for (int i = 0; i < 700; ++i) stub += static_cast<char>(i * 7);
            bytes = stub + bytes;
        } else if (p == Placement::Trailer) {
            std::string offset = "123456";
            bytes += "$VLPKG$" + offset + std::string(1, '\0') + "VlIntExt";
        }
        WriteAll(archive_, bytes);
    }

    std::string PasswordOption() const
    {
        return Maker().password.empty() ? "" : " -p " + Q(Maker().password);
    }

    TempFolder temp_;
    std::vector<TreeEntry> tree_;
    fs::path archive_;
};

TEST_P(InteropRead, ExtractsTheSameBytesWithNativeNames)
{
    fs::path out = temp_ / "out";
    fs::create_directories(out);
    RunResult r = Shell(Q(ZatoolPath()) + " extract " + Q(archive_) + PasswordOption() + " -C " + Q(out) + " </dev/null");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(Join(CompareTree(out, tree_, NameForm::Native)), "");
}

TEST_P(InteropRead, TestsClean)
{
    RunResult r = Shell(Q(ZatoolPath()) + " test " + Q(archive_) + PasswordOption() + " </dev/null");
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST_P(InteropRead, ListsEveryFile)
{
    RunResult r = Shell(Q(ZatoolPath()) + " list " + Q(archive_) + " </dev/null");
    ASSERT_EQ(r.code, 0) << r.out;
    for (const TreeEntry& e : tree_) {
        if (!e.isDir) {
            // The listing shows the names as the disk would get them.
            EXPECT_NE(r.out.find(AnsiToUtf8(e.name)), std::string::npos) << AnsiToUtf8(e.name) << "\n" << r.out;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, InteropRead,
    ::testing::Combine(::testing::Range<size_t>(0, Makers().size()),
                       ::testing::Values(Placement::Plain, Placement::Front, Placement::Trailer)),
    [](const ::testing::TestParamInfo<ReadParam>& p) {
        return Makers()[std::get<0>(p.param)].label + "_" + PlacementName(std::get<1>(p.param));
    });

// Python marks names that are not ASCII as UTF-8 (general purpose bit 11).
// Such a name is read as UTF-8: the file lands inside the target folder under
// the same (UTF-8) name, with its bytes intact, and the listing shows the
// Windows-1252 name.
TEST(InteropReadMore, Utf8FlaggedNamesAreReadAsUtf8)
{
    if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
    TempFolder temp;
    fs::path a = temp / "utf8.zip";
    RunResult w = Shell("python3 -c 'import sys, zipfile\n"
                      "with zipfile.ZipFile(sys.argv[1], \"w\") as z: z.writestr(\"Bahnhof Z\\u00fcrich.txt\", \"Gleis\")\n"
                      "' " + Q(a));
    ASSERT_EQ(w.code, 0) << w.out;
    fs::path out = temp / "out";
    fs::create_directories(out);
    RunResult r = Shell(Q(ZatoolPath()) + " extract " + Q(a) + " -C " + Q(out) + " </dev/null");
    EXPECT_EQ(r.code, 0) << r.out;
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(temp.path())) {
        if (e.is_regular_file() && e.path() != a) files.push_back(e.path());
    }
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], out / "Bahnhof Z\xC3\xBCrich.txt");
    EXPECT_EQ(ReadAll(files[0]), "Gleis");
    RunResult l = Shell(Q(ZatoolPath()) + " list " + Q(a) + " </dev/null");
    EXPECT_NE(l.out.find("Bahnhof Z\xC3\xBCrich.txt"), std::string::npos) << l.out;
}

// Archives from earlier writers of this engine keep zlib's Adler-32 after
// each deflated item's data (counted in the compressed size). Route packages
// made that way must still install.
TEST(InteropReadMore, DeflatedItemsWithAdlerTrailerAreRead)
{
    if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
    TempFolder temp;
    fs::path a = temp / "adler.zip";
    RunResult w = Shell("python3 -c 'import struct, sys, zlib\n"
                        "items = [(b\"railway/route/x/route.csv\", b\"With Track\\r\\n\" * 3000),\n"
                        "         (b\"Bahnhof Z\\x81rich.txt\", bytes(range(256)) * 40)]\n"
                        "out = bytearray(); central = bytearray()\n"
                        "for name, data in items:\n"
                        "    packed = zlib.compress(data, 1)[2:]\n"
                        "    crc = zlib.crc32(data)\n"
                        "    fields = struct.pack(\"<HHHHHIIIHH\", 20, 0, 8, 0x6000, 0x5A21, crc, len(packed), len(data), len(name), 0)\n"
                        "    central += b\"PK\\1\\2\" + struct.pack(\"<H\", 20) + fields + struct.pack(\"<HHHII\", 0, 0, 0, 32, len(out)) + name\n"
                        "    out += b\"PK\\3\\4\" + fields + name + packed\n"
                        "end = b\"PK\\5\\6\" + struct.pack(\"<HHHHIIH\", 0, 0, 2, 2, len(central), len(out), 0)\n"
                        "open(sys.argv[1], \"wb\").write(out + central + end)\n"
                        "' " + Q(a));
    ASSERT_EQ(w.code, 0) << w.out;
    fs::path out = temp / "out";
    fs::create_directories(out);
    RunResult r = Shell(Q(ZatoolPath()) + " extract " + Q(a) + " -C " + Q(out) + " </dev/null");
    EXPECT_EQ(r.code, 0) << r.out;
    std::string csv;
    for (int i = 0; i < 3000; ++i) csv += "With Track\r\n";
    std::string bin;
    for (int i = 0; i < 40; ++i) {
        for (int b = 0; b < 256; ++b) bin += static_cast<char>(b);
    }
    EXPECT_EQ(ReadAll(out / "railway" / "route" / "x" / "route.csv"), csv);
    EXPECT_EQ(ReadAll(out / "Bahnhof Z\xC3\xBCrich.txt"), bin);
    RunResult t = Shell(Q(ZatoolPath()) + " test " + Q(a) + " </dev/null");
    EXPECT_EQ(t.code, 0) << t.out;
}

}  // namespace
