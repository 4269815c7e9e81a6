#include "platform/inifile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() /
              ("vl_ini_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        File = (Dir / "set.ini").string();
    }
    void TearDown() override { fs::remove_all(Dir); }

    void Put(const std::string& bytes) { std::ofstream(File, std::ios::binary) << bytes; }
    std::string Bytes() const
    {
        std::ifstream in(File, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path Dir;
    std::string File;
};

} // namespace

TEST_F(IniFileTest, SectionAndKeyIgnoreLetterCase)
{
    Put("[Settings]\r\nObjectFolder = lib \r\n[Export]\nMaxCurveSmooth=4000\n");
    EXPECT_EQ(IniReadString(File, "settings", "OBJECTFOLDER", "x"), "lib");
    EXPECT_EQ(IniReadInteger(File, "EXPORT", "maxcurvesmooth", 1), 4000);
    EXPECT_EQ(IniReadString(File, "Settings", "Missing", "dflt"), "dflt");
    EXPECT_EQ(IniReadString(File, "Nowhere", "ObjectFolder", "dflt"), "dflt");
    // Writing under another spelling replaces the one line, keeping its name.
    ASSERT_TRUE(IniWriteString(File, "SETTINGS", "objectfolder", "lib2"));
    EXPECT_EQ(Bytes(), "[Settings]\r\nObjectFolder=lib2\r\n[Export]\r\nMaxCurveSmooth=4000\r\n");
}

TEST_F(IniFileTest, ValueIsCutAt2047Characters)
{
    std::string longValue(3000, 'a');
    longValue[2046] = 'b';
    ASSERT_TRUE(IniWriteString(File, "S", "K", longValue));
    std::string read = IniReadString(File, "S", "K", "");
    EXPECT_EQ(read.size(), 2047u);
    EXPECT_EQ(read.back(), 'b');
    // The file itself keeps the whole value.
    EXPECT_NE(Bytes().find(longValue), std::string::npos);
}

TEST_F(IniFileTest, IntegersDecimalAndHexWithDefaults)
{
    Put("[N]\r\na=42\r\nb=-7\r\nc=0x1F\r\nd=0XffffFFFF\r\ne=12abc\r\nf=\r\ng=99999999999\r\nh=+5\r\ni=0x\r\nj=1.5\r\n");
    EXPECT_EQ(IniReadInteger(File, "N", "a", 0), 42);
    EXPECT_EQ(IniReadInteger(File, "N", "b", 0), -7);
    EXPECT_EQ(IniReadInteger(File, "N", "c", 0), 31);
    EXPECT_EQ(IniReadInteger(File, "N", "d", 0), -1);
    EXPECT_EQ(IniReadInteger(File, "N", "e", 100), 100);
    EXPECT_EQ(IniReadInteger(File, "N", "f", 100), 100);
    EXPECT_EQ(IniReadInteger(File, "N", "g", 100), 100);
    EXPECT_EQ(IniReadInteger(File, "N", "h", 0), 5);
    EXPECT_EQ(IniReadInteger(File, "N", "i", 3), 3);
    EXPECT_EQ(IniReadInteger(File, "N", "j", 3), 3);
    EXPECT_EQ(IniReadInteger(File, "N", "absent", -2), -2);
    EXPECT_EQ(IniReadInteger((Dir / "nofile.ini").string(), "N", "a", 8), 8);
}

TEST_F(IniFileTest, BooleansWrittenAsDigitsReadAsIntegers)
{
    ASSERT_TRUE(IniWriteBool(File, "B", "on", true));
    ASSERT_TRUE(IniWriteBool(File, "B", "off", false));
    EXPECT_EQ(Bytes(), "[B]\r\non=1\r\noff=0\r\n");
    Put("[B]\r\ntwo=2\r\nneg=-1\r\nword=True\r\nzero=0\r\n");
    EXPECT_TRUE(IniReadBool(File, "B", "two", false));
    EXPECT_TRUE(IniReadBool(File, "B", "neg", false));
    // "True" is no integer: the default counts.
    EXPECT_FALSE(IniReadBool(File, "B", "word", false));
    EXPECT_TRUE(IniReadBool(File, "B", "word", true));
    EXPECT_FALSE(IniReadBool(File, "B", "zero", true));
    EXPECT_TRUE(IniReadBool(File, "B", "absent", true));
}

TEST_F(IniFileTest, FloatsAcceptDecimalCommaAndPoint)
{
    Put("[editor]\r\nArrowStepSize=0,25\r\ndot=0.125\r\nexp=1E-5\r\nbad=1,2,3\r\nmix=1.000,5\r\nword=abc\r\n");
    EXPECT_DOUBLE_EQ(IniReadFloat(File, "editor", "ArrowStepSize", 0.1), 0.25);
    EXPECT_DOUBLE_EQ(IniReadFloat(File, "editor", "dot", 0.1), 0.125);
    EXPECT_DOUBLE_EQ(IniReadFloat(File, "editor", "exp", 0.1), 1e-5);
    EXPECT_DOUBLE_EQ(IniReadFloat(File, "editor", "bad", 0.1), 0.1);
    EXPECT_DOUBLE_EQ(IniReadFloat(File, "editor", "mix", 0.1), 0.1);
    EXPECT_DOUBLE_EQ(IniReadFloat(File, "editor", "word", 0.1), 0.1);

    EXPECT_EQ(IniFormatFloat(0.1, '.'), "0.1");
    EXPECT_EQ(IniFormatFloat(0.1, ','), "0,1");
    EXPECT_EQ(IniFormatFloat(1e-5, '.'), "1E-5");
    EXPECT_EQ(IniFormatFloat(12.5, '.'), "12.5");
    EXPECT_EQ(IniFormatFloat(1.0 / 3.0, '.'), "0.333333333333333");

    SetIniDecimalSeparator(',');
    ASSERT_TRUE(IniWriteFloat(File, "editor", "ArrowStepSize", 0.35));
    SetIniDecimalSeparator('.');
    EXPECT_NE(Bytes().find("ArrowStepSize=0,35\r\n"), std::string::npos);
    EXPECT_DOUBLE_EQ(IniReadFloat(File, "editor", "ArrowStepSize", 0.1), 0.35);
}

TEST_F(IniFileTest, EveryWriteReachesTheFileAtOnce)
{
    TIniFile ini(File);
    EXPECT_FALSE(fs::exists(File));
    ASSERT_TRUE(ini.WriteString("Settings", "BVE_Folder", "/games/bve"));
    EXPECT_EQ(Bytes(), "[Settings]\r\nBVE_Folder=/games/bve\r\n");
    // A second object on the same file sees it without any flush.
    TIniFile other(File);
    EXPECT_EQ(other.ReadString("settings", "bve_folder", ""), "/games/bve");
    // Changes made by someone else are seen by the first object too.
    ASSERT_TRUE(other.WriteInteger("export", "distancebeyondlast", 250));
    EXPECT_EQ(ini.ReadInteger("Export", "DistanceBeyondLast", 100), 250);
    EXPECT_EQ(Bytes(), "[Settings]\r\nBVE_Folder=/games/bve\r\n\r\n[export]\r\ndistancebeyondlast=250\r\n");
}

TEST_F(IniFileTest, NewKeysGoToTheEndOfTheirSectionAndCommentsStay)
{
    Put("; settings\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    ASSERT_TRUE(IniWriteString(File, "a", "z", "3"));
    EXPECT_EQ(Bytes(), "; settings\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_EQ(IniReadString(File, "A", "; settings", "none"), "none");
}

TEST_F(IniFileTest, DeletingKeysAndSections)
{
    Put("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(IniDeleteKey(File, "a", "X"));
    EXPECT_FALSE(IniValueExists(File, "A", "x"));
    EXPECT_FALSE(IniDeleteKey(File, "A", "x"));
    EXPECT_EQ(Bytes(), "[A]\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(IniEraseSection(File, "A"));
    EXPECT_EQ(Bytes(), "[B]\r\nz=3\r\n");
    EXPECT_FALSE(IniSectionExists(File, "A"));
}

TEST_F(IniFileTest, ListsSectionsAndKeysInFileOrder)
{
    Put("[FormMain]\r\n_FormCaption=Velkast\r\nMM1=x\r\nnovalue\r\nmm1=dup\r\n[Language]\r\nLanguage=English\r\n[formmain]\r\nlate=1\r\n");
    EXPECT_EQ(IniReadSections(File), (TStrings{"FormMain", "Language"}));
    EXPECT_EQ(IniReadSection(File, "FORMMAIN"), (TStrings{"_FormCaption", "MM1", "novalue"}));
    // Only the first section of a name counts.
    EXPECT_EQ(IniReadString(File, "FormMain", "late", "absent"), "absent");
    EXPECT_EQ(IniReadString(File, "FormMain", "novalue", "absent"), "");
    EXPECT_EQ(IniReadString(File, "FormMain", "MM1", ""), "x");
}

TEST_F(IniFileTest, QuotesAndLineBreaksInValues)
{
    Put("[Q]\r\na=\"quoted\"\r\nb='single'\r\nc=Save?\"#13#10\"\r\nd=\"\r\n");
    EXPECT_EQ(IniReadString(File, "Q", "a", ""), "quoted");
    EXPECT_EQ(IniReadString(File, "Q", "b", ""), "single");
    EXPECT_EQ(IniReadString(File, "Q", "c", ""), "Save?\"#13#10\"");
    EXPECT_EQ(IniReadString(File, "Q", "d", ""), "\"");
    // A line break would split the value into a key of its own.
    ASSERT_TRUE(IniWriteString(File, "Q", "e", "one\r\ninjected=1"));
    EXPECT_FALSE(IniValueExists(File, "Q", "injected"));
    EXPECT_EQ(IniReadString(File, "Q", "e", ""), "one  injected=1");
}

TEST_F(IniFileTest, AnsiBytesPassUnchanged)
{
    const std::string value = "Stra\xDF" "e \xE4\xF6\xFC";
    ASSERT_TRUE(IniWriteString(File, "Language", "Language", value));
    EXPECT_EQ(IniReadString(File, "language", "LANGUAGE", ""), value);
    EXPECT_EQ(IniReadString(File, "language", "language", ""), value);
}

TEST_F(IniFileTest, WriteIntoMissingFolderFails)
{
    EXPECT_FALSE(IniWriteString((Dir / "no" / "such" / "f.ini").string(), "A", "b", "c"));
}
