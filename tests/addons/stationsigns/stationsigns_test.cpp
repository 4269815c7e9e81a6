// The station-sign add-on: its entry points, the picture it draws and the
// two files it writes into the object library's "signs" folder.

#include "addons/stationsigns/plakett.h"
#include "addons/stationsigns/plakettgui.h"
#include "addons/stationsigns/signfiles.h"
#include "platform/gui/dialogs.h"
#include "platform/textlines.h"
#include "tests/editor/windowfit.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <dlfcn.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string LibraryFolder;

extern "C" const char* TestQuery(uint16_t code) { return code == 4 ? LibraryFolder.c_str() : nullptr; }

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::uint32_t Le(const std::string& bytes, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

std::uint32_t PixelColour(const QImage& picture, int x, int y) { return picture.pixel(x, y) & 0xFFFFFF; }

class StationSigns : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() / ("vl_signs_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir / "lib/signs");
        LibraryFolder = (Dir / "lib").string() + "/";
        TAddonHostInfo host{1, &TestQuery};
        TAddonInfo info{};
        ASSERT_EQ(VLAddonInit(&host, &info), 1);
        Previous = SetDialogResponder([this](const TDialogRequest& r) {
            Requests.push_back(r);
            TDialogAnswer a;
            a.Result = Answer ? Answer(r) : mrCancel;
            return a;
        });
    }
    void TearDown() override
    {
        SetDialogResponder(std::move(Previous));
        HostInfo = TAddonHostInfo{};
        fs::remove_all(Dir);
    }

    fs::path Dir;
    std::vector<TDialogRequest> Requests;
    std::function<int(const TDialogRequest&)> Answer;
    TDialogResponder Previous;
};

// The designer is the add-on's only window.
class EveryWindowShowsItsButtonsAt800x600 : public StationSigns {};

} // namespace

TEST_F(EveryWindowShowsItsButtonsAt800x600, SignDesigner)
{
    TFormStationsigns form;
    windowfit::ExpectButtonsShown(&form);
}

TEST_F(StationSigns, InitFillsTheRecordAndDeclinesVersionZero)
{
    TAddonHostInfo host{0, &TestQuery};
    TAddonInfo info{};
    EXPECT_EQ(VLAddonInit(&host, &info), 0);
    EXPECT_STREQ(info.Name, "Plakett");
    EXPECT_STREQ(info.Version, "1.0Beta");
    EXPECT_STREQ(info.Email, "-");
    EXPECT_STREQ(info.Description, "Create stations signs (Deutsche Bahnhofschilder)");
    EXPECT_NE(info.Author, nullptr);
    EXPECT_NE(info.Website, nullptr);
    EXPECT_NE(info.Copyright, nullptr);
    // The record is kept whatever the answer.
    EXPECT_EQ(HostInfo.Version, 0);
    EXPECT_EQ(HostInfo.Query, &TestQuery);
    host.Version = 2;
    EXPECT_EQ(VLAddonInit(&host, &info), 1);
}

TEST_F(StationSigns, RunOpensAFreshDesignerEachTime)
{
    std::vector<std::string> names;
    Answer = [&](const TDialogRequest& r) {
        auto* form = qobject_cast<TFormStationsigns*>(r.Window);
        EXPECT_NE(form, nullptr);
        if (form) {
            names.push_back(form->edBfName->text().toStdString());
            form->edBfName->setText("Changed");
        }
        return static_cast<int>(mrCancel);
    };
    EXPECT_EQ(VLAddonRun(), 0);
    EXPECT_EQ(VLAddonRun(), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"Station", "Station"}));
}

TEST_F(StationSigns, DesignValuesAtCreation)
{
    TFormStationsigns form;
    EXPECT_EQ(form.windowTitle(), "Station Sign Maker for Velkast");
    EXPECT_EQ(form.cbStyle->count(), 3);
    EXPECT_EQ(form.cbStyle->currentIndex(), 0);
    EXPECT_FALSE(form.cbCaps->isChecked());
    EXPECT_TRUE(form.cbCentered->isChecked());
    EXPECT_EQ(form.EdWidth->text(), "0");
    EXPECT_EQ(form.EdFontface->text(), "DejaVu Sans");
    EXPECT_TRUE(form.lInfo->text().startsWith("Version 1.0Beta"));
    EXPECT_EQ(TFormStationsigns::FontPixelSize(), 27); // 96 pixels per inch offscreen
    ASSERT_EQ(form.Picture.width(), 256);
    ASSERT_EQ(form.Picture.height(), 32);
    EXPECT_EQ(form.Picture.format(), QImage::Format_Indexed8);
    // Cream is drawn as its nearest palette colour, white; no frame.
    EXPECT_EQ(PixelColour(form.Picture, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelColour(form.Picture, 255, 31), 0xFFFFFFu);
}

TEST_F(StationSigns, PresetsSetBackgroundAndFrame)
{
    struct Case {
        int Index;
        std::uint32_t Background, Frame, Text;
        bool Caps, Centered;
    };
    // Frame 40 60 CC is drawn as 33 66 CC; the third preset has no frame.
    const Case cases[] = {
        {0, 0xFFFFFF, 0x000000, 0x000000, true, true},
        {1, 0xFFFFFF, 0x3366CC, 0x000000, true, true},
        {2, 0x000080, 0x000080, 0xFFFFFF, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Index);
        TFormStationsigns form;
        form.edBfName->setText("I");
        form.cbStyle->setCurrentIndex(c.Index);
        form.cbStyleClick(); // the same preset again changes nothing
        EXPECT_EQ(form.cbCaps->isChecked(), c.Caps);
        EXPECT_EQ(form.cbCentered->isChecked(), c.Centered);
        EXPECT_EQ(PixelColour(form.Picture, 0, 0), c.Frame);
        EXPECT_EQ(PixelColour(form.Picture, 0, 16), c.Frame);
        EXPECT_EQ(PixelColour(form.Picture, 255, 31), c.Frame);
        // Inside the widest frame, away from the one-letter name.
        EXPECT_EQ(PixelColour(form.Picture, 40, 16), c.Background);
        // The letter is there in the text colour.
        std::set<std::uint32_t> colours;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 256; ++x)
                colours.insert(PixelColour(form.Picture, x, y));
        EXPECT_TRUE(colours.count(c.Text)) << c.Index;
    }
}

TEST_F(StationSigns, FrameWidthThatIsNoNumberDrawsNoFrame)
{
    TFormStationsigns form;
    form.cbStyle->setCurrentIndex(1);
    form.EdWidth->setText("2.5");
    EXPECT_EQ(PixelColour(form.Picture, 0, 16), 0xFFFFFFu);
    form.EdWidth->setText("3");
    EXPECT_EQ(PixelColour(form.Picture, 0, 16), 0x3366CCu);
    EXPECT_EQ(PixelColour(form.Picture, 3, 16), 0xFFFFFFu);
}

TEST_F(StationSigns, WideNameStartsLeftOfThePicture)
{
    TFormStationsigns form;
    form.cbStyle->setCurrentIndex(2); // white on navy, left-aligned
    form.cbCentered->setChecked(true);
    form.edBfName->setText("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM");
    // Both edges are covered by letters: the text runs off both sides.
    auto hasText = [&](int x) {
        for (int y = 0; y < 32; ++y)
            if (PixelColour(form.Picture, x, y) == 0xFFFFFFu)
                return true;
        return false;
    };
    EXPECT_TRUE(hasText(0) || hasText(1));
    EXPECT_TRUE(hasText(255) || hasText(254));
}

TEST_F(StationSigns, BackgroundColourFromTheDialog)
{
    TFormStationsigns form;
    Answer = [](const TDialogRequest& r) {
        auto* dialog = qobject_cast<QColorDialog*>(r.Window);
        EXPECT_NE(dialog, nullptr);
        if (dialog)
            dialog->setCurrentColor(QColor(0xC0, 0x00, 0x00));
        return static_cast<int>(mrOk);
    };
    form.cbBgColorClick();
    EXPECT_EQ(PixelColour(form.Picture, 128, 31), 0xC00000u);
}

TEST_F(StationSigns, FontDialogChangesTheFaceOnly)
{
    TFormStationsigns form;
    const QImage before = form.Picture;
    Answer = [](const TDialogRequest& r) {
        auto* dialog = qobject_cast<QFontDialog*>(r.Window);
        EXPECT_NE(dialog, nullptr);
        if (dialog)
            dialog->setCurrentFont(QFont("DejaVu Sans Mono", 8));
        return static_cast<int>(mrOk);
    };
    form.bChangefontClick();
    EXPECT_EQ(form.EdFontface->text(), "DejaVu Sans Mono");
    EXPECT_NE(form.Picture, before);
    // Cancelled: nothing changes.
    Answer = [](const TDialogRequest&) { return static_cast<int>(mrCancel); };
    form.bChangefontClick();
    EXPECT_EQ(form.EdFontface->text(), "DejaVu Sans Mono");
}

TEST_F(StationSigns, BadHomburgGivesBothFiles)
{
    TFormStationsigns form;
    form.edBfName->setText("Bad Homburg");
    const QImage typed = form.Picture;
    form.cbCaps->setChecked(true); // capitals on the picture only
    EXPECT_NE(form.Picture, typed);
    form.Button1Click();
    EXPECT_TRUE(Requests.empty());
    EXPECT_EQ(form.lInfo->text(), "SAVED");
    EXPECT_EQ(form.SignsFolder, LibraryFolder + "signs/");

    const std::string b3d = ReadAll(Dir / "lib/signs/stationsign_bad_homburg.b3d");
    const char* expected =
        ";author=Station Sign Maker for Velkast\r\n"
        ";description=station sign Bad Homburg\r\n"
        "\r\n"
        "\r\n"
        "[MeshBuilder]\r\n"
        "Vertex 0.1,2.9,-2\r\n"
        "Vertex 0.1,2.9,2\r\n"
        "Vertex 0.1,2.4,2\r\n"
        "Vertex 0.1,2.4,-2\r\n"
        "Face 0,1,2,3\r\n"
        "\r\n"
        "[Texture]\r\n"
        "Load stationsign_bad_homburg.bmp\r\n"
        "Coordinates 0, 0, 0\r\n"
        "Coordinates 1, 1, 0\r\n"
        "Coordinates 2, 1, 1\r\n"
        "Coordinates 3, 0, 1\r\n"
        "\r\n"
        "[MeshBuilder]\r\n"
        "Vertex 0.098,2.9,2\r\n"
        "Vertex 0.098,2.9,-2\r\n"
        "Vertex 0.098,2.4,-2\r\n"
        "Vertex 0.098,2.4,2\r\n"
        "Face 0,1,2,3\r\n"
        "\r\n"
        "[Texture]\r\n"
        "Load stationsign_bad_homburg.bmp\r\n"
        "Coordinates 0, 0, 0\r\n"
        "Coordinates 1, 1, 0\r\n"
        "Coordinates 2, 1, 1\r\n"
        "Coordinates 3, 0, 1\r\n"
        "\r\n"
        "[MeshBuilder]  \r\n"
        "Vertex 0.099,2.8,-1.7\r\n"
        "Vertex 0.099,2.8,-1.8\r\n"
        "Vertex 0.099,-0.1,-1.8\r\n"
        "Vertex 0.099,-0.1,-1.7\r\n"
        "Face 0,1,2,3\r\n"
        "Face 3,2,1,0\r\n"
        "Color 128,128,128\r\n"
        "\r\n"
        "[MeshBuilder]  \r\n"
        "Vertex 0.099,2.8,1.7\r\n"
        "Vertex 0.099,2.8,1.8\r\n"
        "Vertex 0.099,-0.1,1.8\r\n"
        "Vertex 0.099,-0.1,1.7\r\n"
        "Face 0,1,2,3\r\n"
        "Face 3,2,1,0\r\n"
        "Color 128,128,128\r\n";
    EXPECT_EQ(b3d, expected);
    EXPECT_EQ(SplitLines(b3d).size(), 49u);

    const std::string bmp = ReadAll(Dir / "lib/signs/stationsign_bad_homburg.bmp");
    ASSERT_EQ(bmp.size(), 9270u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le(bmp, 2, 4), 9270u);
    EXPECT_EQ(Le(bmp, 10, 4), 1078u); // pixels after headers and palette
    EXPECT_EQ(Le(bmp, 14, 4), 40u);
    EXPECT_EQ(Le(bmp, 18, 4), 256u);
    EXPECT_EQ(Le(bmp, 22, 4), 32u);
    EXPECT_EQ(Le(bmp, 26, 2), 1u);
    EXPECT_EQ(Le(bmp, 28, 2), 8u);
    EXPECT_EQ(Le(bmp, 30, 4), 0u);
    // The palette is the sign palette; every pixel names a palette entry
    // whose colour is one of the palette's colours (all 256 entries are).
    std::set<std::uint32_t> palette;
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = Le(bmp, 54 + 4 * static_cast<std::size_t>(i), 4);
        EXPECT_EQ(c, SignPalette()[static_cast<std::size_t>(i)]) << i;
        palette.insert(c);
    }
    EXPECT_EQ(palette.size(), 230u); // 216 + 14; black fills the rest
    // Every pixel is a palette entry, and without smoothing only the two
    // colours of the sign occur: cream drawn as white, and black letters.
    std::set<std::uint32_t> used;
    for (std::size_t i = 1078; i < bmp.size(); ++i) {
        const std::uint32_t c = SignPalette()[static_cast<unsigned char>(bmp[i])];
        ASSERT_TRUE(palette.count(c));
        used.insert(c);
    }
    EXPECT_EQ(used, (std::set<std::uint32_t>{0x000000, 0xFFFFFF}));
    // The picture's rows are stored bottom up, as the form holds them.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(static_cast<unsigned char>(bmp[1078 + static_cast<std::size_t>((31 - y) * 256 + x)]),
                      form.Picture.pixelIndex(x, y))
                << x << "," << y;
}

// The files' name holds only portable letters, so that the object, its
// texture line and the files on disk agree everywhere; the description keeps
// the name as typed, as far as ANSI holds it.
TEST_F(StationSigns, PortableFileNames)
{
    // Typed, the file's base name, the description as ANSI writes it.
    for (const auto& [typed, base, description] : std::initializer_list<std::array<std::string, 3>>{
             {"K\u00f6ln Stra\u00dfe", "stationsign_koeln_strasse", "K\xF6ln Stra\xDF" "e"},
             {"\u00c6r\u00f8sk\u00f8bing \u00c5s", "stationsign_aeroeskoebing_aas", "\xC6r\xF8sk\xF8" "bing \xC5s"},
             {"Besan\u00e7on \u0141\u00f3d\u017a", "stationsign_besancon_lodz", "Besan\xE7on _\xF3" "d_"},
             {"\u041c\u043e\u0441\u043a\u0432\u0430", "stationsign_______", "______"},
             {"Halt: Nord", "stationsign_halt__nord", "Halt: Nord"},
             {"A;B", "stationsign_a_b", "A;B"},
             {"Frankfurt (Main), Hbf", "stationsign_frankfurt__main___hbf", "Frankfurt (Main), Hbf"},
             {"../up/Z\u00fcrich", "stationsign____up_zuerich", "../up/Z\xFCrich"},
             {"X$nY", "stationsign_x_ny", "X$nY"}}) {
        TFormStationsigns form;
        form.edBfName->setText(QString::fromStdString(typed));
        form.Button1Click();
        EXPECT_TRUE(fs::exists(Dir / "lib/signs" / (base + ".bmp"))) << typed;
        const TStrings lines = SplitLines(ReadAll(Dir / "lib/signs" / (base + ".b3d")));
        ASSERT_EQ(lines.size(), 49u) << typed;
        EXPECT_EQ(lines[1], ";description=station sign " + description);
        EXPECT_EQ(lines[12], "Load " + base + ".bmp");
        EXPECT_EQ(lines[26], lines[12]);
    }
    EXPECT_TRUE(Requests.empty());
}

TEST_F(StationSigns, AsksBeforeReplacingAndRefusesAnEmptyNameOrABadFrameWidth)
{
    TFormStationsigns form;
    for (const char* name : {"", "   ", "Hill Road"}) {
        form.edBfName->setText(name);
        form.Button1Click();
    }
    const std::string first = ReadAll(Dir / "lib/signs/stationsign_hill_road.b3d");
    form.edBfName->setText("HILL ROAD");
    for (int answer : {mrNo, mrYes}) {
        Answer = [answer](const TDialogRequest&) { return answer; };
        form.Button1Click();
        EXPECT_EQ(Requests.back().MsgType, mtConfirmation);
        EXPECT_EQ(ReadAll(Dir / "lib/signs/stationsign_hill_road.b3d") == first, answer == mrNo);
    }
    for (const char* width : {"abc", "17", "-1"}) {
        form.EdWidth->setText(width);
        form.Button1Click();
    }
    ASSERT_EQ(Requests.size(), 7u);
    EXPECT_EQ(Requests[0].MsgType, mtWarning);
    EXPECT_EQ(Requests[1].MsgType, mtWarning);
    EXPECT_NE(Requests[6].Text.find("Frame width: \"-1\""), std::string::npos) << Requests[6].Text;
}

TEST_F(StationSigns, MissingSignsFolderWritesNothing)
{
    fs::remove_all(Dir / "lib/signs");
    TFormStationsigns form;
    form.edBfName->setText("Bad Homburg");
    form.Button1Click();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].MsgType, mtError);
    EXPECT_NE(Requests[0].Text.find("Cannot write file"), std::string::npos) << Requests[0].Text;
    EXPECT_NE(Requests[0].Text.find("stationsign_bad_homburg.bmp"), std::string::npos);
    EXPECT_NE(form.lInfo->text(), "SAVED");
    EXPECT_FALSE(fs::exists(Dir / "lib/signs"));
    EXPECT_TRUE(fs::is_empty(Dir / "lib"));
}

TEST_F(StationSigns, AWriteProtectedSignFileIsKept)
{
    const fs::path sign = Dir / "lib/signs/stationsign_dale.b3d";
    fs::create_directories(sign.parent_path());
    std::ofstream(sign) << "mine";
    fs::permissions(sign, fs::perms::owner_read);
    TFormStationsigns form;
    form.edBfName->setText("Dale");
    Answer = [](const TDialogRequest&) { return static_cast<int>(mrYes); };
    form.Button1Click();
    EXPECT_EQ(ReadAll(sign), "mine");
    // Nor is the picture beside it replaced, or the sign would be half new.
    EXPECT_FALSE(fs::exists(Dir / "lib/signs/stationsign_dale.bmp"));
    EXPECT_NE(Requests.back().Text.find("stationsign_dale.b3d\". The file is write-protected."), std::string::npos)
        << Requests.back().Text;
}

TEST(PlakettLibrary, ExportsOnlyItsTwoEntryPoints)
{
    const std::string library = std::string(VELKAST_PROGRAM_DIR) + "/addons/Plakett.so";
    ASSERT_TRUE(fs::exists(library)) << library;
    if (std::system("command -v nm >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "nm is needed to list the exports";
    FILE* pipe = ::popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream in(line);
        std::string address, type, name;
        in >> address >> type >> name;
        if (name.empty()) // no address: "type name"
            name = type;
        if (name.find('@') == std::string::npos && !name.empty())
            exported.insert(name);
    }
    ::pclose(pipe);
    EXPECT_EQ(exported, (std::set<std::string>{"VLAddonInit", "VLAddonRun"}));
}
