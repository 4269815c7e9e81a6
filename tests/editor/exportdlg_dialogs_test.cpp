// The about box, the timetable window and the train browser.

#include "editor/formabout.h"
#include "editor/formoptions.h"
#include "editor/formtimetable.h"
#include "editor/formtrain.h"

#include "editor/formexport.h"
#include "editor/lnginisupp.h"
#include "editor/vclwidgets.h"
#include "platform/inifile.h"

#include "editortesthelpers.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTime>
#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class ExportDlgWindowsTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        Bve = (Dir / "bve").string();
        fs::create_directories(Bve + "/Train");
        PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + Bve + "\r\n");
        CreateForm(FormOptions);
        ASSERT_EQ(FormOptions->BveFolder, Bve);
    }
    void AddTrain(const std::string& name, const std::string& bmp = {}, const std::string& txt = {})
    {
        fs::create_directories(Bve + "/Train/" + name);
        if (!bmp.empty())
            std::ofstream(Bve + "/Train/" + name + "/train.bmp", std::ios::binary) << bmp;
        if (!txt.empty())
            std::ofstream(Bve + "/Train/" + name + "/train.txt", std::ios::binary) << txt;
    }
    static std::string SmallBitmap()
    {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::green);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        return data.toStdString();
    }
    std::vector<std::string> Sorted(std::vector<std::string> v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }
    std::string Bve;
};

} // namespace

TEST_F(ExportDlgWindowsTest, AboutBoxLinkColoursAndOpensTheAddress)
{
    TFormAbout* about = CreateForm(FormAbout);
    EXPECT_EQ(about->objectName(), "FormAbout");
    EXPECT_EQ(about->windowTitle(), "About Velkast...");
    EXPECT_EQ(about->GroupBox1->title(), "Object Library Contributors ");
    EXPECT_GT(about->ContributorsList->count(), 0);
    EXPECT_FALSE(IsTranslatable(about->lWebsite));
    EXPECT_EQ(about->lWebsite->cursor().shape(), Qt::PointingHandCursor);

    about->lWebsiteMouseEnter();
    EXPECT_TRUE(about->lWebsite->styleSheet().contains("red"));
    about->lWebsiteMouseLeave();
    EXPECT_TRUE(about->lWebsite->styleSheet().contains("blue"));

    about->lWebsiteClick();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TDialogKind::ShellOpen);
    EXPECT_EQ(Requests[0].File, TFormAbout::WebAddress);

    about->show();
    about->bClose->click();
    EXPECT_FALSE(about->isVisible());
}

TEST_F(ExportDlgWindowsTest, TimetableHeadingsTimesAndUpDownControls)
{
    TFormTimetable* tt = CreateForm(FormTimetable);
    tt->show();
    EXPECT_EQ(tt->StringGrid1->rowCount(), 3);
    EXPECT_EQ(tt->StringGrid1->columnCount(), 3);
    EXPECT_EQ(tt->Cell(0, 0), "Station");
    EXPECT_EQ(tt->Cell(1, 0), "Arrival");
    EXPECT_EQ(tt->Cell(2, 0), "Departure");
    // The times carry no zone; the headings follow the translatable labels.
    EXPECT_EQ(tt->Cell(1, 1), tt->Cell(2, 1));
    EXPECT_FALSE(tt->Cell(1, 1).contains(QTime(0, 0).toString("t"))) << tt->Cell(1, 1).toStdString();
    EXPECT_EQ(tt->Cell(0, 1), "");
    tt->hide();
    tt->lArrival->setText("Ankunft");
    tt->show();
    EXPECT_EQ(tt->Cell(1, 0), "Ankunft");

    tt->StringGrid1SelectCell(1, 2);
    EXPECT_TRUE(tt->UpDown1->isVisible());
    EXPECT_FALSE(tt->UpDown2->isVisible());
    EXPECT_EQ(tt->UpDown1->y(), 48);
    EXPECT_EQ(tt->UpDown2->y(), 48);
    tt->StringGrid1SelectCell(2, 1);
    EXPECT_FALSE(tt->UpDown1->isVisible());
    EXPECT_TRUE(tt->UpDown2->isVisible());
    EXPECT_EQ(tt->UpDown2->y(), 32);
    // Column 0, row 0: neither shown nor moved differently.
    tt->StringGrid1SelectCell(0, 0);
    EXPECT_TRUE(tt->UpDown2->isVisible());
    EXPECT_EQ(tt->UpDown2->y(), 32);
    tt->FormClick();
    EXPECT_FALSE(tt->UpDown1->isVisible());
    EXPECT_FALSE(tt->UpDown2->isVisible());
    tt->hide();
}

TEST_F(ExportDlgWindowsTest, TrainListHoldsPlainFoldersOnceEach)
{
    AddTrain("ICE");
    AddTrain("Local");
    AddTrain(".hidden");
    AddTrain("Locked");
    fs::permissions(Bve + "/Train/Locked", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::ofstream(Bve + "/Train/readme.txt") << "not a train";
    fs::create_directory_symlink(Bve + "/Train/ICE", Bve + "/Train/Link");

    TFormTrain* trains = CreateForm(FormTrain);
    EXPECT_EQ(Sorted(trains->TrainNames()), (std::vector<std::string>{"ICE", "Local"}));
    trains->show();
    trains->hide();
    trains->show();
    EXPECT_EQ(trains->TrainList->count(), 2);
    trains->hide();
    fs::permissions(Bve + "/Train/Locked", fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(ExportDlgWindowsTest, TrainListWithoutBveFolderStaysEmpty)
{
    FormOptions->BveFolder.clear();
    TFormTrain* trains = CreateForm(FormTrain);
    EXPECT_EQ(trains->TrainList->count(), 0);
    EXPECT_EQ(TFormTrain::TrainFolder(), "");
}

TEST_F(ExportDlgWindowsTest, TrainPictureAndDescription)
{
    AddTrain("Loco", SmallBitmap(), "A fine \xE9lectrique\r\nloco");
    AddTrain("NoText", SmallBitmap());
    AddTrain("NoPicture", {}, "words");
    TFormTrain* trains = CreateForm(FormTrain);
    auto row = [&](const char* name) {
        auto items = trains->TrainList->findItems(name, Qt::MatchExactly);
        return items.isEmpty() ? -1 : trains->TrainList->row(items.first());
    };

    trains->TrainListClick(row("Loco"));
    EXPECT_TRUE(Requests.empty());
    EXPECT_FALSE(trains->Image1->pixmap().isNull());
    EXPECT_EQ(trains->Memo1->toPlainText(), QString::fromUtf8("A fine \xC3\xA9lectrique\nloco"));

    // A missing description: the file error, the picture already shown.
    trains->TrainListClick(row("NoText"));
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].MsgType, mtError);
    EXPECT_NE(Requests[0].Text.find("train.txt"), std::string::npos);

    // A missing picture stops before the description.
    trains->Memo1->clear();
    trains->TrainListClick(row("NoPicture"));
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_NE(Requests[1].Text.find("train.bmp"), std::string::npos);
    EXPECT_EQ(trains->Memo1->toPlainText(), "");
}

// Every text of these windows has its key in the shipped language file, with
// the same text, so translating changes nothing in English and adds nothing.
TEST_F(ExportDlgWindowsTest, ShippedLanguageFileCoversTheWindows)
{
    const std::string lng = std::string(VELKAST_SOURCE_DIR) + "/sample/program/english.lng";
    CreateForm(FormAbout);
    CreateForm(FormTimetable);
    CreateForm(FormTrain);
    CreateForm(FormExport);
    for (QWidget* form : std::initializer_list<QWidget*>{FormAbout, FormTimetable, FormTrain, FormExport}) {
        const std::string section = form->objectName().toStdString();
        EXPECT_EQ(IniReadString(lng, section, "_FormCaption", "<absent>"), QToAnsi(form->windowTitle()));
        int keys = 0;
        for (QObject* component : FormComponents(form)) {
            const auto kind = TLngINISupp::KindOf(component);
            if (kind == TLngINISupp::TComponentKind::None)
                continue;
            const std::string key = TLngINISupp::ComponentKey(component, kind);
            EXPECT_EQ(IniReadString(lng, section, key, "<absent>"), TLngINISupp::ComponentText(component, kind))
                << section << "." << key;
            ++keys;
        }
        EXPECT_GT(keys, 0) << section;
    }
}
