#include "tests/packager/packtesthelp.h"

#include "zip/zaarchiver.h"
#include "zip/zafileutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace packtest;

namespace {

// A tree with hidden names, dot folders and names without a dot.
void MakeTree(const std::string& base)
{
    WriteFile(base + "/a.txt", "alpha");
    WriteFile(base + "/B.dat", std::string(4000, 'b'));
    WriteFile(base + "/noext", "no extension");
    WriteFile(base + "/.hidden", "hidden");
    WriteFile(base + "/sub/c.txt", "gamma");
    WriteFile(base + "/sub/deeper/d.txt", "delta");
    WriteFile(base + "/.git/x.txt", "never");
    WriteFile(base + "/sub/.svn/y.txt", "never");
}

struct CurrentDirScope {
    explicit CurrentDirScope(const std::string& dir) : Saved(fs::current_path()) { fs::current_path(dir); }
    ~CurrentDirScope() { fs::current_path(Saved); }
    fs::path Saved;
};

std::vector<std::string> AddAll(const std::string& base, const std::string& archive, const std::string& mask,
                                uint16_t attr, bool recurse = true)
{
    TZipArchiver za;
    za.BaseDir = base;
    za.FileName = archive;
    za.Options.Recurse = recurse;
    za.OpenArchiveWithMode(fmCreate);
    za.AddFiles(mask, attr, "");
    za.CloseArchive();
    return ArchiveNames(archive);
}

} // namespace

TEST(AddFiles, PackagerScanTakesEveryFileButNoDotFolders)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    const auto names = AddAll(dir / "base", dir / "out.zip", "*.*", 47);
    const std::vector<std::string> expected{".hidden", "a.txt", "B.dat", "noext", "sub/c.txt", "sub/deeper/d.txt"};
    EXPECT_EQ(names, expected);
}

TEST(AddFiles, HiddenFilesNeedTheHiddenBit)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    const auto names = AddAll(dir / "base", dir / "out.zip", "*.*", faArchive);
    EXPECT_EQ(std::count(names.begin(), names.end(), ".hidden"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "a.txt"), 1);
}

TEST(AddFiles, MaskAppliesInEveryFolderWhenRecursing)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    EXPECT_EQ(AddAll(dir / "base", dir / "r.zip", "*.txt", 47),
              (std::vector<std::string>{"a.txt", "sub/c.txt", "sub/deeper/d.txt"}));
    EXPECT_EQ(AddAll(dir / "base", dir / "n.zip", "*.txt", 47, false), (std::vector<std::string>{"a.txt"}));
}

TEST(AddFiles, FolderBitAddsMatchingFoldersWithTheirContents)
{
    ScratchDir dir;
    WriteFile(dir / "base/pkg.d/inner.bin", "x");
    WriteFile(dir / "base/plain/p.txt", "p");
    fs::create_directories(dir / "base/empty");
    EXPECT_EQ(AddAll(dir / "base", dir / "a.zip", "*.*", 63),
              (std::vector<std::string>{"empty/", "pkg.d/", "pkg.d/inner.bin", "plain/", "plain/p.txt"}));
    EXPECT_EQ(AddAll(dir / "base", dir / "b.zip", "*.*", 47),
              (std::vector<std::string>{"pkg.d/inner.bin", "plain/p.txt"}));
    // Other masks test the folder's full path: only "*.d" folders are taken
    // whole; the others are searched for "*.d" files.
    WriteFile(dir / "base/plain/q.d", "q");
    EXPECT_EQ(AddAll(dir / "base", dir / "c.zip", "*.d", 63),
              (std::vector<std::string>{"pkg.d/", "pkg.d/inner.bin", "plain/q.d"}));
}

TEST(AddFiles, ExclusionMasksDropFilesAndFolders)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    TZipArchiver za;
    za.BaseDir = dir / "base";
    za.FileName = dir / "out.zip";
    za.OpenArchiveWithMode(fmCreate);
    za.BeginUpdate();
    za.CollectDiskFiles({"*.*"}, 47, true, false, {"*.dat", ""});
    za.EndUpdate();
    za.CloseArchive();
    const auto names = ArchiveNames(dir / "out.zip");
    EXPECT_EQ(std::count(names.begin(), names.end(), "B.dat"), 0);
    EXPECT_EQ(names.size(), 5u);
}

TEST(AddFiles, FileFitsMaskRules)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    const std::string base = fs::canonical(dir / "base").string();
    TZipArchiver za;
    za.BaseDir = base;
    CurrentDirScope cd(base);
    EXPECT_TRUE(za.FileFitsMask(base + "/noext", "*.*", false));
    EXPECT_TRUE(za.FileFitsMask(base + "/sub/", "*.*", true));
    EXPECT_TRUE(za.FileFitsMask(base + "/sub/c.txt", "*.txt", false));
    EXPECT_TRUE(za.FileFitsMask(base + "/sub/c.txt", "*.TXT", false));
    EXPECT_FALSE(za.FileFitsMask(base + "/sub/c.txt", "*.dat", false));
    EXPECT_TRUE(za.FileFitsMask(base + "/sub/c.txt", "sub\\c.txt", false));
    EXPECT_TRUE(za.FileFitsMask(base + "/sub/", "sub", true));
    EXPECT_FALSE(za.FileFitsMask(base + "/sub/", "other", true));
    EXPECT_FALSE(za.FileFitsMask(base + "/a.txt", "", false));
    // A full path compares the folder exactly.
    EXPECT_TRUE(za.FileFitsMask(base + "/sub/c.txt", base + "/sub/*.txt", false));
    EXPECT_FALSE(za.FileFitsMask(base + "/sub/deeper/d.txt", base + "/sub/*.txt", false));
}

TEST(AddFiles, ResolveMaskPathForms)
{
    ScratchDir dir;
    fs::create_directories(dir / "base");
    const std::string base = fs::canonical(dir / "base").string();
    TZipArchiver za;
    std::string path;
    bool relative = true;
    za.ResolveMaskPath("", base, path, relative);
    EXPECT_EQ(path, "");
    EXPECT_FALSE(relative);
    za.ResolveMaskPath("*.txt", base, path, relative);
    EXPECT_EQ(path, base + "/*.txt");
    EXPECT_TRUE(relative);
    za.ResolveMaskPath("\\", base, path, relative);
    EXPECT_EQ(path, base);
    EXPECT_FALSE(relative);
    za.ResolveMaskPath("\\sub\\*.txt", base, path, relative);
    EXPECT_EQ(path, base + "/sub/*.txt");
    za.ResolveMaskPath(base + "/*.b3d", "/", path, relative);
    EXPECT_EQ(path, base + "/*.b3d");
    EXPECT_FALSE(relative);
    za.ResolveMaskPath("c:\\x\\*.*", base, path, relative);
    EXPECT_EQ(path, "c:/x/*.*");
    EXPECT_FALSE(relative);
}

TEST(AddFiles, NoCompressionMasksStoreItems)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    TZipArchiver za;
    za.BaseDir = dir / "base";
    za.FileName = dir / "out.zip";
    za.NoCompressionMasks = {"*.dat"};
    za.OpenArchiveWithMode(fmCreate);
    za.AddFiles("*.*", 47, "");
    for (int32_t i = 0; i < za.Count(); ++i)
        EXPECT_EQ(za.Item(i).CentralDir.Method, za.Item(i).StoredName == "B.dat" ? 0 : 8) << za.Item(i).StoredName;
    za.CloseArchive();
}

TEST(AddFiles, OverwriteModesDecideAboutExistingItems)
{
    ScratchDir dir;
    WriteFile(dir / "base/a.txt", "first");
    const std::string file = dir / "base/a.txt";
    const uint32_t early = (uint32_t(((2020 - 1980) << 9) | (1 << 5) | 1) << 16); // 2020-01-01 00:00
    const uint32_t late = (uint32_t(((2021 - 1980) << 9) | (1 << 5) | 1) << 16);
    ZAFileSetDateDos(file, early);
    AddAll(dir / "base", dir / "out.zip", "*.*", 47);

    auto addAgain = [&](TZAOverwriteMode mode) {
        TZipArchiver za;
        za.BaseDir = dir / "base";
        za.FileName = dir / "out.zip";
        za.Options.OverwriteMode = mode;
        za.OpenArchive();
        za.AddFiles("*.*", 47, "");
        const uint32_t size = za.Item(0).CentralDir.UncompressedSize;
        za.CloseArchive();
        return size;
    };
    WriteFile(file, "second, longer");
    ZAFileSetDateDos(file, early);
    EXPECT_EQ(addAgain(omNever), 5u);
    EXPECT_EQ(addAgain(omIfNewer), 5u); // same date-time: kept
    ZAFileSetDateDos(file, late);
    EXPECT_EQ(addAgain(omIfNewer), 14u);
    WriteFile(file, "third");
    EXPECT_EQ(addAgain(omAlways), 5u);
    EXPECT_EQ(ArchiveNames(dir / "out.zip").size(), 1u);
}

TEST(AddFiles, NestedUpdatesWriteOnceAtTheOutermostEnd)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    TZipArchiver za;
    za.BaseDir = dir / "base";
    za.FileName = dir / "out.zip";
    za.OpenArchiveWithMode(fmCreate);
    za.BeginUpdate();
    za.AddFiles("*.*", 47, "");
    EXPECT_EQ(za.UpdateCount(), 1);
    EXPECT_EQ(fs::file_size(dir / "out.zip"), 0u);
    za.EndUpdate();
    EXPECT_EQ(za.UpdateCount(), 0);
    EXPECT_GT(fs::file_size(dir / "out.zip"), 22u);
    za.CloseArchive();
    EXPECT_EQ(ArchiveNames(dir / "out.zip").size(), 6u);
}

TEST(AddFiles, ClosedOrReadOnlyArchivesRefuse)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    TZipArchiver za;
    za.BaseDir = dir / "base";
    za.FileName = dir / "out.zip";
    try {
        za.AddFiles("*.*", 47, "");
        FAIL() << "no error";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 13);
    }
    AddAll(dir / "base", dir / "out.zip", "*.*", 47);
    za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
    try {
        za.AddFiles("*.*", 47, "");
        FAIL() << "no error";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 32);
    }
    EXPECT_EQ(za.UpdateCount(), 0);
    za.CloseArchive();
}

TEST(AddFiles, KeepsTheCurrentFolderAndPassesOutsideChecks)
{
    ScratchDir dir;
    MakeTree(dir / "base");
    const fs::path before = fs::current_path();
    AddAll(dir / "base", dir / "out.zip", "*.*", 47);
    EXPECT_EQ(fs::current_path(), before);
    if (HaveTool("unzip")) {
        EXPECT_EQ(RunCommand("unzip -tq '" + dir / "out.zip" + "' >/dev/null"), 0);
    }
    if (HaveTool("7z")) {
        EXPECT_EQ(RunCommand("7z t '" + dir / "out.zip" + "' >/dev/null"), 0);
    }
}
