#include "tests/packager/packtesthelp.h"

#include "installer/kalmiroinstall.h"
#include "installer/kalmiropackage.h"
#include "packager/packageformat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include <sys/stat.h>

using namespace packtest;

namespace {

// Points the system's temporary folder at a scratch folder for one test.
class TempFolderScope {
public:
    explicit TempFolderScope(const std::string& folder)
    {
        const char* old = std::getenv("TMPDIR");
        HadOld = old != nullptr;
        Old = old ? old : "";
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TempFolderScope()
    {
        if (HadOld)
            setenv("TMPDIR", Old.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

private:
    bool HadOld;
    std::string Old;
};

std::string MakePackage(const std::string& path, const std::string& installer, const std::string& archive)
{
    WriteFile(path, installer + archive + PackageTrailer(installer.size()));
    return path;
}

} // namespace

TEST(KalmiroPackage, FindsTheMarkerNearTheEnd)
{
    ScratchDir dir;
    const std::string installer(123456, 'I');
    MakePackage(dir / "pkg", installer, "ARCHIVE");
    int64_t end = 0;
    ASSERT_TRUE(FindPackageMarker(dir / "pkg", end));
    EXPECT_EQ(end, int64_t(installer.size() + 7 + 7));
    EXPECT_EQ(ReadInstallerLength(dir / "pkg", end), 123456);

    WriteFile(dir / "bare", installer);
    EXPECT_FALSE(FindPackageMarker(dir / "bare", end));
    EXPECT_FALSE(FindPackageMarker(dir / "missing", end));
    WriteFile(dir / "tiny", "$VLPKG$");
    EXPECT_TRUE(FindPackageMarker(dir / "tiny", end)); // starts 7 bytes before the end
    EXPECT_EQ(end, 7);
    WriteFile(dir / "tiny", "$VLPKG");
    EXPECT_FALSE(FindPackageMarker(dir / "tiny", end));
}

TEST(KalmiroPackage, MarkerTooFarFromTheEndIsNotSeen)
{
    ScratchDir dir;
    // Fifteen digits put the marker 31 bytes before the end.
    WriteFile(dir / "pkg", std::string("xx$VLPKG$123456789012345") + '\0' + "VlIntExt");
    int64_t end = 0;
    EXPECT_FALSE(FindPackageMarker(dir / "pkg", end));
    // Fourteen digits: 30 bytes, still found.
    WriteFile(dir / "pkg2", std::string("xx$VLPKG$12345678901234") + '\0' + "VlIntExt");
    EXPECT_TRUE(FindPackageMarker(dir / "pkg2", end));
    // ... but more digits than the trailer holds cannot be read.
    EXPECT_THROW(ReadInstallerLength(dir / "pkg2", end), std::runtime_error);
}

TEST(KalmiroPackage, BadLengthTextsRaise)
{
    ScratchDir dir;
    int64_t end = 0;
    for (const std::string& digits : {std::string(""), std::string("12a4"), std::string("-5"), std::string("99999")}) {
        WriteFile(dir / "pkg", "0123456789" + std::string("$VLPKG$") + digits + '\0' + "VlIntExt");
        ASSERT_TRUE(FindPackageMarker(dir / "pkg", end)) << digits;
        EXPECT_THROW(ReadInstallerLength(dir / "pkg", end), std::runtime_error) << digits;
    }
}

TEST(KalmiroPackage, SplitLeavesBareInstallerAndArchive)
{
    ScratchDir dir;
    const std::string installer = std::string(4096, 'I') + "end";
    const std::string archive = "PK-ARCHIVE-BYTES";
    const std::string pkg = MakePackage(dir / "copy", installer, archive);
    int64_t end = 0;
    ASSERT_TRUE(FindPackageMarker(pkg, end));
    SplitPackage(dir / "copy", dir / "files.zip", end);
    EXPECT_EQ(ReadFile(dir / "copy"), installer);
    // The archive and the first 5 + D bytes of the trailer.
    EXPECT_EQ(ReadFile(dir / "files.zip"), archive + "$VLPKG$40");
    int64_t again = 0;
    EXPECT_FALSE(FindPackageMarker(dir / "copy", again));
    EXPECT_THROW(SplitPackage(dir / "gone", dir / "z.zip", end), std::runtime_error);
}

TEST(KalmiroPackage, JoinedPathsStayInsideTheirFolder)
{
    ScratchDir dir;
    fs::create_directories(dir / "bve/Railway/Object");
    EXPECT_EQ(JoinPackagePath(dir / "bve", "\\railway\\object\\r\\a.b3d"), dir / "bve/Railway/Object/r/a.b3d");
    EXPECT_EQ(JoinPackagePath(dir / "bve/", "\\railway\\route\\r\\a.csv"), dir / "bve/Railway/route/r/a.csv");
    EXPECT_EQ(JoinPackagePath(dir / "bve", "\\..\\..\\etc\\passwd"), "");
    EXPECT_EQ(JoinPackagePath(dir / "bve", "railway/../../x"), "");
    EXPECT_EQ(JoinPackagePath(dir / "bve", "\\"), "");
    EXPECT_EQ(JoinPackagePath(dir / "bve", "/abs/file"), dir / "bve/abs/file");
}

TEST(KalmiroPackage, OnlyOwnUnpackFoldersCountAsPrivate)
{
    ScratchDir dir;
    TempFolderScope tmp(dir.Path);
    const std::string folder = MakePrivateUnpackFolder();
    EXPECT_EQ(folder.rfind(fs::canonical(dir.Path).string() + "/kalmiro-", 0), 0u) << folder;
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(IsPrivateUnpackFolder(folder));
    EXPECT_NE(MakePrivateUnpackFolder(), folder);

    // Open to others, named otherwise, elsewhere, or a link: not ours.
    fs::create_directories(dir / "kalmiro-open");
    fs::permissions(dir / "kalmiro-open", fs::perms::owner_all | fs::perms::others_read);
    EXPECT_FALSE(IsPrivateUnpackFolder(dir / "kalmiro-open"));
    fs::create_directories(dir / "other");
    fs::permissions(dir / "other", fs::perms::owner_all);
    EXPECT_FALSE(IsPrivateUnpackFolder(dir / "other"));
    fs::create_directories(dir / "deep/kalmiro-x");
    fs::permissions(dir / "deep/kalmiro-x", fs::perms::owner_all);
    EXPECT_FALSE(IsPrivateUnpackFolder(dir / "deep/kalmiro-x"));
    fs::create_directory_symlink(folder, dir / "kalmiro-link");
    EXPECT_FALSE(IsPrivateUnpackFolder(dir / "kalmiro-link"));

    // Clean-up removes a private folder whole and leaves any other alone.
    WriteFile(folder + "railway/route/r/a.csv", "x");
    WriteFile(dir / "other/route.ini", "x");
    EXPECT_TRUE(RemoveUnpackFolder(folder));
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(RemoveUnpackFolder(dir / "other/"));
    EXPECT_TRUE(Exists(dir / "other/route.ini"));
}
