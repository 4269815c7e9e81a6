#include "zip/zaarchiver.h"

#include "zatesthelp.h"

#include <gtest/gtest.h>

namespace {

using namespace zatest;

int32_t CodeOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EZAException& e) {
        return e.NativeError;
    }
    return -1;
}

TEST(ZAArchiverSettings, CompressionModeAndLevelFollowEachOther)
{
    TZipArchiver z;
    EXPECT_EQ(z.CompressionLevel(), clFastest);
    EXPECT_EQ(z.CompressionMode(), 1);
    EXPECT_EQ(z.NewItemMethod(), 8);
    EXPECT_EQ(CodeOf([&] { z.SetCompressionMode(10); }), 5);
    EXPECT_EQ(z.CompressionMode(), 1);
    z.SetCompressionMode(5);
    EXPECT_EQ(z.CompressionLevel(), clNormal);
    z.SetCompressionLevel(clMax);
    EXPECT_EQ(z.CompressionMode(), 9);
    z.SetCompressionMode(0);
    EXPECT_EQ(z.CompressionLevel(), clNone);
    EXPECT_EQ(z.NewItemMethod(), 0);
    z.SetCompressionMode(3);
    EXPECT_EQ(z.CompressionLevel(), clFastest);
    z.SetCompressionMode(7);
    EXPECT_EQ(z.CompressionLevel(), clMax);
    EXPECT_EQ(z.CurrentVersion(), "1.50 ");
    z.SetCurrentVersion("9");
    EXPECT_EQ(z.CurrentVersion(), "1.50 ");
    TZABaseArchiver base;
    EXPECT_EQ(base.NewItemMethod(), -1);
}

TEST(ZAArchiverSettings, OptionDefaultsAndAssign)
{
    TZAOptions o;
    EXPECT_EQ(o.StorePath, spRelativePath);
    EXPECT_TRUE(o.Recurse);
    EXPECT_EQ(o.OverwriteMode, omAlways);
    EXPECT_EQ(o.ShareFlags(), 64);
    EXPECT_EQ(o.SearchAttr, 63);
    o.ShareMode = smShareDenyWrite;
    EXPECT_EQ(o.ShareFlags(), 32);
    o.OverwriteMode = omNever;
    TZAOptions p;
    p.Assign(o);
    EXPECT_EQ(p.OverwriteMode, omNever);
    EXPECT_EQ(p.ShareMode, smShareDenyWrite);
}

TEST(ZAArchiverOpen, MissingFileIsCreatedAndClosesAsEmptyArchive)
{
    ScratchDir d;
    TZipArchiver z;
    int opened = 0;
    z.AfterOpen = [&](TZABaseArchiver&) { ++opened; };
    z.FileName = d / "new.zip";
    z.OpenArchive();
    EXPECT_TRUE(z.Active());
    EXPECT_EQ(z.FileOpenMode(), fmCreate);
    EXPECT_EQ(opened, 1);
    z.CloseArchive();
    EXPECT_FALSE(z.Active());
    std::string bytes = ReadFile(d / "new.zip");
    ASSERT_EQ(bytes.size(), 22u);
    EXPECT_EQ(bytes.substr(0, 4), "PK\x05\x06");
    // Reopened it is a read-write archive without items.
    z.OpenArchive();
    EXPECT_EQ(z.FileOpenMode(), fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_EQ(z.Count(), 0);
    z.SetActive(false);
    EXPECT_EQ(ReadFile(d / "new.zip").size(), 22u);
}

TEST(ZAArchiverOpen, ErrorsOfOpening)
{
    ScratchDir d;
    TZipArchiver z;
    z.Name = "ZipArchiver1";
    EXPECT_EQ(CodeOf([&] { z.OpenArchive(); }), 9);
    EXPECT_EQ(CodeOf([&] { z.OpenArchiveWithMode(fmOpenRead); }), 10);
    z.FileName = d / "missing.zip";
    try {
        z.OpenArchiveWithMode(fmOpenReadWrite | fmShareDenyWrite);
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 12);
        EXPECT_EQ(std::string(e.what()),
                  "ZipArchiver1: File \"" + z.FileName + "\" not found - Native error: 00012");
    }
    EXPECT_FALSE(z.Active());
    EXPECT_EQ(CodeOf([&] { z.ExtractFiles("*.*", 63, ""); }), 13);
    WriteFile(d / "junk.zip", "not an archive");
    z.FileName = d / "junk.zip";
    EXPECT_EQ(CodeOf([&] { z.OpenArchive(); }), 35);
    EXPECT_FALSE(z.Active());
    z.SetInMemory(true);
    EXPECT_EQ(CodeOf([&] { z.OpenArchiveWithMode(fmOpenRead); }), 28);
}

TEST(ZAArchiverOpen, ReadOnlyArchiveRefusesUpdates)
{
    ScratchDir d;
    MakeArchive(d / "a.zip", d / "src", {{"a.txt", "a"}});
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(CodeOf([&] { z.BeginUpdate(); }), 32);
    EXPECT_FALSE(z.InUpdate());
    EXPECT_EQ(CodeOf([&] { z.DeleteItem(0); }), 22);
    EXPECT_EQ(CodeOf([&] { z.UpdateItem(0, "x"); }), 25);
}

TEST(ZAArchiverUpdate, NestedUpdatesWriteOnceAndCheckNoUpdate)
{
    ScratchDir d;
    WriteFile(d / "src/a.txt", "aaaa");
    TZipArchiver z;
    z.FileName = d / "a.zip";
    z.OpenArchive();
    int commits = 0;
    z.OnOverallProgress = [&](TZABaseArchiver&, double, TZAProcessOperation, TZAProgressPhase phase, bool&) {
        if (phase == ppEnd)
            ++commits;
    };
    CwdKeeper keep;
    std::filesystem::current_path(d / "src");
    z.BeginUpdate();
    z.BeginUpdate();
    z.AddOrReplaceItem("a.txt", true);
    EXPECT_EQ(CodeOf([&] { z.CheckNoUpdate(); }), 26);
    EXPECT_EQ(CodeOf([&] { z.ExtractFiles("*.*", 63, ""); }), 26);
    z.EndUpdate();
    EXPECT_EQ(commits, 0);
    EXPECT_TRUE(z.InUpdate());
    z.EndUpdate();
    EXPECT_EQ(commits, 1);
    EXPECT_FALSE(z.InUpdate());
    EXPECT_EQ(z.Count(), 1);
    z.EndUpdate(); // nothing open: no effect
    z.BeginUpdate();
    z.CancelUpdate();
    EXPECT_EQ(z.UpdateCount(), 0);
}

TEST(ZAArchiverUpdate, CloseCommitsAnOpenUpdate)
{
    ScratchDir d;
    WriteFile(d / "src/a.txt", "hello");
    {
        TZipArchiver z;
        z.FileName = d / "a.zip";
        z.OpenArchive();
        CwdKeeper keep;
        std::filesystem::current_path(d / "src");
        z.BeginUpdate();
        z.AddOrReplaceItem("a.txt", true);
    } // destroyed: closes, which commits
    TZipArchiver r;
    r.FileName = d / "a.zip";
    r.OpenArchive();
    ASSERT_EQ(r.Count(), 1);
    EXPECT_EQ(r.Item(0).StoredName, "a.txt");
}

TEST(ZAArchiverMemory, InMemoryArchiveIsSavedToFile)
{
    ScratchDir d;
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    z.BeginUpdate();
    z.AddStream("m.txt", std::make_shared<TZAMemoryStream>(std::string("memory")), true);
    z.EndUpdate();
    EXPECT_FALSE(Exists(d / "m.zip"));
    z.FileName.clear();
    EXPECT_EQ(CodeOf([&] { z.SetInMemory(false); }), 29);
    z.FileName = d / "m.zip";
    z.SetInMemory(false);
    EXPECT_TRUE(z.Active());
    EXPECT_FALSE(z.InMemory());
    ASSERT_EQ(z.Count(), 1);
    TZAMemoryStream out;
    z.ExtractItem(0, out);
    EXPECT_EQ(out.Data, "memory");
    z.CloseArchive();
    if (HaveTool("unzip")) {
        std::string text;
        EXPECT_EQ(RunTool("unzip -p '" + (d / "m.zip") + "' m.txt", &text), 0);
        EXPECT_EQ(text, "memory");
    }
}

TEST(ZAArchiverEvents, DefaultAnswersWithoutHandlersOrDialogs)
{
    TZipArchiver z;
    bool cancel = true, confirm = false, skip = false;
    z.DoOverallProgress(poExtract, ppStart, cancel, 0);
    EXPECT_FALSE(cancel);
    cancel = true;
    z.DoFileProgress("a", poExtract, cancel, ppStart, 0);
    EXPECT_FALSE(cancel);
    z.DoConfirmProcessFile("a", poExtract, confirm);
    EXPECT_TRUE(confirm);
    TZAAction action = faAbort;
    z.DoProcessFileFailure("a", poExtract, action, "m", 8, 4);
    EXPECT_EQ(action, faSkip);
    std::string pw = "x";
    z.DoPassword("a", pw, skip);
    EXPECT_TRUE(skip);
    std::string dest = "d";
    confirm = true;
    z.DoConfirmOverwrite("s", dest, confirm);
    EXPECT_FALSE(confirm);
}

TEST(ZAArchiverEvents, OverwriteDialogAnswers)
{
    TZipArchiver z;
    std::string seen;
    TZAOverwriteAnswer answer = oaNoToAll;
    ZAConfirmOverwriteDialog = [&](const std::string& text) {
        seen = text;
        return answer;
    };
    std::string dest = "C:\\t\\a.txt";
    bool confirm = true;
    z.DoConfirmOverwrite("a.txt", dest, confirm);
    EXPECT_EQ(seen, "Overwrite file \"C:\\t\\a.txt\" with \"a.txt\"");
    EXPECT_FALSE(confirm);
    EXPECT_EQ(z.Options.OverwriteMode, omNever);
    answer = oaYesToAll;
    z.DoConfirmOverwrite("a.txt", dest, confirm);
    EXPECT_TRUE(confirm);
    EXPECT_EQ(z.Options.OverwriteMode, omAlways);
    answer = oaCancel;
    z.DoConfirmOverwrite("a.txt", dest, confirm);
    EXPECT_FALSE(confirm);
    ZAConfirmOverwriteDialog = nullptr;

    std::string caption, prompt;
    ZAPasswordDialog = [&](const std::string& c, const std::string& p, std::string& value) {
        caption = c;
        prompt = p;
        value = "typed";
        return true;
    };
    std::string pw;
    bool skip = true;
    z.DoPassword("dir/a.txt", pw, skip);
    EXPECT_FALSE(skip);
    EXPECT_EQ(pw, "typed");
    EXPECT_EQ(caption, "Password for \"dir/a.txt\"");
    EXPECT_EQ(prompt, "Enter password: ");
    ZAPasswordDialog = nullptr;
}

} // namespace
