#include "tests/packager/packtesthelp.h"

#include "packager/packageformat.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace packtest;

TEST(PackageFormat, TrailerBytes)
{
    const std::string t = PackageTrailer(123456);
    EXPECT_EQ(t, std::string("$VLPKG$123456\0VlIntExt", 22));
    EXPECT_EQ(PackageTrailer(7), std::string("$VLPKG$7\0VlIntExt", 17));
}

TEST(PackageFormat, JoinAppendsArchiveMarkerAndTag)
{
    ScratchDir dir;
    const std::string installer(123456, 'I');
    const std::string archive = "PK\x05\x06" + std::string(18, '\0');
    WriteFile(dir / "pkg", installer);
    WriteFile(dir / "files.zip", archive);
    JoinPackageFiles(dir / "pkg", dir / "files.zip", "0");
    JoinPackageFiles(dir / "pkg", "0", "VlIntExt");
    const std::string pkg = ReadFile(dir / "pkg");
    EXPECT_EQ(pkg, installer + archive + PackageTrailer(123456));
    // The marker starts 16 + D bytes before the end.
    EXPECT_EQ(pkg.rfind("$VLPKG$"), pkg.size() - 22);
}

TEST(PackageFormat, JoinRefusesWhatTheInstallerCouldNotRead)
{
    ScratchDir dir;
    EXPECT_THROW(JoinPackageFiles(dir / "missing", "0", "0"), std::runtime_error);
    WriteFile(dir / "pkg", "x");
    EXPECT_THROW(JoinPackageFiles(dir / "pkg", dir / "missing.zip", "0"), std::runtime_error);
    // Nine digits do not fit the installer's trailer reading.
    WriteFile(dir / "big", "");
    fs::resize_file(dir / "big", PackageMaxInstallerSize + 1);
    EXPECT_THROW(JoinPackageFiles(dir / "big", "0", "0"), std::runtime_error);
    EXPECT_EQ(fs::file_size(dir / "big"), PackageMaxInstallerSize + 1);
}
