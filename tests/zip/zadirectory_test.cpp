#include "zip/zadirectory.h"

#include "zip/zaarchiver.h"
#include "zip/zatradcrypt.h"

#include "zatesthelp.h"

#include <gtest/gtest.h>

namespace {

using namespace zatest;

std::string LocalHeader(const std::string& name, const std::string& data, uint16_t extraLen = 0)
{
    unsigned char h[30] = {};
    ZAPut32(h, ZALocalHeaderSig);
    ZAPut16(h + 4, 10);
    ZAPut32(h + 14, ZACrc32(0, data.data(), data.size()));
    ZAPut32(h + 18, uint32_t(data.size()));
    ZAPut32(h + 22, uint32_t(data.size()));
    ZAPut16(h + 26, uint16_t(name.size()));
    ZAPut16(h + 28, extraLen);
    return std::string(reinterpret_cast<char*>(h), 30) + name + std::string(extraLen, 'E') + data;
}

// An archive made by the component from memory.
std::string BuildInMemory(const std::vector<std::pair<std::string, std::string>>& files)
{
    TZipArchiver z;
    z.SetInMemory(true);
    z.OpenArchive();
    z.BeginUpdate();
    for (auto& [name, data] : files)
        z.AddStream(name, std::make_shared<TZAMemoryStream>(data), true);
    z.EndUpdate();
    std::string bytes = static_cast<TZAMemoryStream*>(z.ArchiveStream())->Data;
    return bytes;
}

TEST(ZADirArray, IndexErrorsCarryTheirCodes)
{
    TZADirArray a;
    a.SetCount(2);
    EXPECT_EQ(a.GetCount(), 2);
    auto code = [](auto fn) {
        try {
            fn();
        } catch (const EZAException& e) {
            return e.NativeError;
        }
        return -1;
    };
    EXPECT_EQ(code([&] { a.SetItem(2, TDirItem()); }), 1);
    EXPECT_EQ(code([&] { a.GetItem(-1); }), 2);
    EXPECT_EQ(code([&] { a.GetItemPtr(5); }), 3);
    EXPECT_EQ(code([&] { a.Delete(2); }), 4);
    a.GetItemPtr(1).StoredName = "b";
    a.Delete(0);
    EXPECT_EQ(a.GetCount(), 1);
    EXPECT_EQ(a.GetItem(0).StoredName, "b");
    TZADirArray copy;
    copy.Assign(a);
    copy.GetItemPtr(0).Selected = true;
    copy.ClearSelection();
    EXPECT_FALSE(copy.GetItem(0).Selected);
    EXPECT_EQ(copy.GetItem(0).StoredName, "b");
}

TEST(ZADirManager, ReadsArchiveFollowedByPackageTrailer)
{
    std::string zip = BuildInMemory({{"route.ini", "[Route]\r\n"}, {"railway/a.b3d", SampleData(5000)}});
    TZAMemoryStream s(zip + "$VLPKG$123456" + std::string(1, '\0') + "VlIntExt");
    TZADirManager m(s, false);
    ASSERT_EQ(m.Directory().GetCount(), 2);
    EXPECT_EQ(m.Directory().GetItem(1).StoredName, "railway/a.b3d");
    EXPECT_EQ(m.OffsetShift, 0);
}

TEST(ZADirManager, DataInFrontShiftsEveryOffset)
{
    std::string zip = BuildInMemory({{"a.txt", "aaa"}, {"dir/", ""}, {"dir/b.txt", "bbbb"}});
    TZAMemoryStream plain(zip);
    TZADirManager m0(plain, false);
    TZAMemoryStream s(std::string(100, 'x') + zip);
    TZADirManager m(s, false);
    EXPECT_EQ(m.OffsetShift, 100);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m.Directory().GetItem(i).CentralDir.LocalHeaderOffset,
                  m0.Directory().GetItem(i).CentralDir.LocalHeaderOffset + 100)
            << i;
}

TEST(ZADirManager, NoSignaturesIsAnInvalidArchive)
{
    TZAMemoryStream s("0123456789");
    try {
        TZADirManager m(s, false);
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError, 35);
        EXPECT_EQ(e.ErrorCode, 18);
    }
}

TEST(ZADirManager, EndRecordTooCloseToTheEndDoesNotCount)
{
    TZAMemoryStream s(std::string("abc") + "PK\x05\x06" + std::string(10, '\0'));
    TZADirManager m(s, true);
    TZAEndRecord r;
    int64_t pos;
    EXPECT_FALSE(m.FindEndRecord(r, pos));
    EXPECT_EQ(pos, -1);
}

TEST(ZADirManager, EmptyArchiveIsTheBareEndRecord)
{
    TZAMemoryStream s;
    TZADirManager m(s, true);
    m.WriteDirectory();
    ASSERT_EQ(s.Data.size(), 22u);
    EXPECT_EQ(s.Data.substr(0, 4), "PK\x05\x06");
    EXPECT_EQ(s.Data.substr(4), std::string(18, '\0'));
}

TEST(ZADirManager, BackslashNamesAndCommentsAreConverted)
{
    std::string zip = BuildInMemory({{"a/b.txt", "x"}});
    // Put a "\" in the central name and an OEM comment on the archive.
    std::size_t c = zip.find("PK\x01\x02");
    ASSERT_NE(c, std::string::npos);
    zip[c + 46 + 1] = '\\';
    zip[zip.size() - 2] = 1; // comment length 1
    zip += "\x81";           // "ü" in code page 850
    TZAMemoryStream s(zip);
    TZADirManager m(s, false);
    EXPECT_EQ(m.Directory().GetItem(0).StoredName, "a/b.txt");
    EXPECT_EQ(m.ArchiveComment, "\xFC");
}

TEST(ZADirManager, RebuildKeepsEmptyFilesAsFiles)
{
    std::string data = LocalHeader("empty.txt", "") + LocalHeader("folder/", "") + LocalHeader("x.txt", "hello", 9);
    TZAMemoryStream s(data);
    TZADirManager m(s, false);
    ASSERT_EQ(m.Directory().GetCount(), 3);
    EXPECT_EQ(m.Directory().GetItem(0).CentralDir.ExternalAttributes, faArchive);
    EXPECT_EQ(m.Directory().GetItem(1).CentralDir.ExternalAttributes, faDirectory);
    EXPECT_EQ(m.Directory().GetItem(2).StoredName, "x.txt");
    EXPECT_EQ(m.Directory().GetItem(2).CentralDir.ExtraLength, 9);
    EXPECT_EQ(m.Directory().GetItem(2).CentralDir.LocalHeaderOffset, 30u + 9 + 30 + 7);
}

TEST(ZADirManager, RebuildSeesSignaturesInsideDataAndStaysBounded)
{
    // Without an end record every signature counts, also one inside stored data.
    std::string data = LocalHeader("a.txt", "xxPK\x03\x04" + std::string(40, 'y'));
    TZAMemoryStream s(data);
    TZADirManager m(s, false);
    EXPECT_EQ(m.Directory().GetCount(), 2);
    // A hostile file of nothing but signatures gives at most 65535 items.
    std::string many;
    for (int i = 0; i < 70000; ++i)
        many += std::string("PK\x03\x04", 4) + std::string(26, '\0');
    TZAMemoryStream s2(many);
    TZADirManager m2(s2, false);
    EXPECT_EQ(m2.Directory().GetCount(), 65535);
}

TEST(ZADirManager, DamagedDirectoryRaisesInvalidArchive)
{
    std::string zip = BuildInMemory({{"a.txt", "aaa"}, {"b.txt", "bbb"}});
    // Claim more entries than the directory holds.
    std::string more = zip;
    more[more.size() - 22 + 10] = 50;
    more[more.size() - 22 + 8] = 50;
    TZAMemoryStream s1(more);
    EXPECT_THROW(TZADirManager(s1, false), EZAException);
    // A name length that runs past the directory.
    std::string longName = zip;
    std::size_t c = longName.find("PK\x01\x02");
    longName[c + 29] = '\x7F';
    TZAMemoryStream s2(longName);
    EXPECT_THROW(TZADirManager(s2, false), EZAException);
}

} // namespace
