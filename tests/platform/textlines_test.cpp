#include "platform/textlines.h"

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

TEST(TextLines, SplitsAtEveryKindOfBreak)
{
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (TStrings{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), (TStrings{"a"}));         // final break adds no line
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (TStrings{"a", ""})); // but an empty line stays
    EXPECT_EQ(SplitLines("\n\r"), (TStrings{"", ""}));      // LF then lone CR: two breaks
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(TextLines, JoinWritesCrLf)
{
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(JoinLines({}), "");
}

TEST(TextLines, NameValueLines)
{
    TStrings l{"Name=first", "name=second", "noequals", "Empty="};
    EXPECT_EQ(GetValue(l, "NAME"), "first");
    EXPECT_EQ(GetValue(l, "noequals"), "");
    EXPECT_EQ(GetValue(l, "empty"), "");
    EXPECT_EQ(IndexOfName(l, "empty"), 3);
    EXPECT_EQ(GetValue(TStrings{"a=b=c"}, "a"), "b=c");

    SetValue(l, "name", "x");
    EXPECT_EQ(l[0], "name=x");
    EXPECT_EQ(l[1], "name=second");
    SetValue(l, "New", "v");
    EXPECT_EQ(l.back(), "New=v");
    SetValue(l, "NAME", "");
    EXPECT_EQ(l[0], "name=second"); // deleting removes the first match only
    SetValue(l, "absent", "");
    EXPECT_EQ(l.size(), 4u);
}

TEST(TextLines, AnsiCase)
{
    EXPECT_TRUE(SameText("Bahnhof", "BAHNHOF"));
    EXPECT_TRUE(SameText("\xE4rger", "\xC4RGER")); // ä / Ä in Windows-1252
    EXPECT_FALSE(SameText("ab", "abc"));
    EXPECT_EQ(AnsiLowerCase("\x8A\xDE"), "\x9A\xFE");
}

TEST(TextLines, FilesRoundTripAndAtomicWrite)
{
    fs::path dir = fs::temp_directory_path() / ("vl_text_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string file = (dir / "a.txt").string();
    ASSERT_TRUE(SaveLines(file, {"x", "\xE9t\xE9"}));
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(file, bytes));
    EXPECT_EQ(bytes, "x\r\n\xE9t\xE9\r\n");
    TStrings back;
    ASSERT_TRUE(LoadLines(file, back));
    EXPECT_EQ(back, (TStrings{"x", "\xE9t\xE9"}));

    // A write into a folder that does not exist fails and leaves nothing behind.
    EXPECT_FALSE(SaveLines((dir / "missing" / "b.txt").string(), {"x"}));
    EXPECT_FALSE(LoadLines((dir / "none.txt").string(), back));
    EXPECT_TRUE(back.empty());
    // No temporary files left over.
    int count = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir))
        ++count;
    EXPECT_EQ(count, 1);
    fs::remove_all(dir);
}

// A file without any write permission is never replaced, whoever runs the
// program (root included), and the reason names it; nothing else is left.
TEST(TextLines, WriteProtectedFilesAreKept)
{
    fs::path dir = fs::temp_directory_path() / ("vl_protect_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "kept.vlp").string(), copy = (dir / "copy.vlp").string();
    ASSERT_TRUE(SaveLines(file, {"old"}));
    ASSERT_TRUE(SaveLines(copy, {"old"}));
    for (const std::string& f : {file, copy})
        fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    EXPECT_TRUE(IsWriteProtected(file));
    errno = 0;
    EXPECT_FALSE(SaveLines(file, {"new"}));
    EXPECT_EQ(WriteErrorText(file, errno), "The file is write-protected.");
    EXPECT_FALSE(CopyFile(file, copy, false));
    std::string bytes;
    for (const std::string& f : {file, copy}) {
        ASSERT_TRUE(ReadFileBytes(f, bytes));
        EXPECT_EQ(bytes, "old\r\n");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

    // Writable again, it is written; a missing file is no protected one.
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(SaveLines(file, {"new"}));
    EXPECT_FALSE(IsWriteProtected((dir / "none").string()));
    EXPECT_EQ(WriteErrorText((dir / "none").string(), ENOSPC), "No space left on device.");
    fs::remove_all(dir);
}
