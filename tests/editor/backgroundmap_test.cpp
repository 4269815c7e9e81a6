// The background-map dialogs: choosing a picture with its preview, and
// creating a new grid picture beside the project.

#include "startuptesthelpers.h"

#include "editor/formbgmap.h"
#include "editor/formnewbgimage.h"
#include "editor/jpegwriter.h"
#include "editor/mappicture.h"
#include "model/vlproject.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class BackgroundMapTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Project.ProjectName = "Hill";
        Project.FileName = Program + "hill.vlp";
        Project.BackgroundMapFileName = "old.jpg";
        Project.BackgroundMapScale = 7;
    }
    TFormNewBGImage* NewImage()
    {
        Dialog = std::make_unique<TFormNewBGImage>();
        Dialog->Project = &Project;
        Dialog->FormShow();
        return Dialog.get();
    }
    void SetSize(const char* x, const char* y, const char* r)
    {
        Dialog->edX->setText(x);
        Dialog->EdY->setText(y);
        Dialog->EdResolution->setText(r);
    }
    static bool IsGrid(QRgb c) { return c == 0xFFC0C0C0; }

    TVLProject Project;
    std::unique_ptr<TFormNewBGImage> Dialog;
};

} // namespace

TEST_F(BackgroundMapTest, NewImageEnablingRulesAndResultLine)
{
    TFormNewBGImage* d = NewImage();
    EXPECT_EQ(d->windowTitle(), "Create new background map image");
    EXPECT_EQ(d->edFilename->text(), "Hill Background.jpg");
    EXPECT_FALSE(d->edFilename->isEnabled());
    EXPECT_TRUE(d->cbGrid->isChecked());
    EXPECT_FALSE(d->cbGrid->isEnabled());
    EXPECT_TRUE(d->bCreate->isEnabled());
    EXPECT_EQ(d->lResult->text(), "3750000 Pixel = 10986 KBytes in memory");

    for (QLineEdit* edit : {d->edX, d->EdY, d->EdResolution}) {
        for (const char* bad : {"", "0", "ten", "-2", "2.5"}) {
            const QString old = edit->text();
            edit->setText(bad);
            EXPECT_FALSE(d->bCreate->isEnabled()) << edit->objectName().toStdString() << " " << bad;
            edit->setText(old);
            EXPECT_TRUE(d->bCreate->isEnabled());
        }
    }
    // Counted in more than 32 bits.
    SetSize("1000", "1000", "65500");
    EXPECT_EQ(d->lResult->text(), "4290250000000000 Pixel = 12569091796875 KBytes in memory");
    SetSize("0", "20", "250");
    EXPECT_EQ(d->lResult->text(), "0 Pixel = 0 KBytes in memory");

    // A project name that would lead into another folder.
    Project.ProjectName = "a/b\\..:c";
    d->FormShow();
    EXPECT_EQ(d->edFilename->text(), "a_b_.._c Background.jpg");
}

TEST_F(BackgroundMapTest, CreateWritesTheGridPictureBesideTheProject)
{
    TFormNewBGImage* d = NewImage();
    d->bCreate->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const std::string file = Program + "Hill Background.jpg";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(Project.BackgroundMapFileName, file);
    // 250 pixels per km: 100 pixels cover 400 m.
    EXPECT_EQ(Project.BackgroundMapScale, 400);

    QImageReader reader(QString::fromStdString(file));
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage picture = reader.read();
    ASSERT_EQ(picture.size(), QSize(750, 5000));
    // A kilometre line is the grid colour (as far as JPEG keeps it); the
    // area between the lines is green.
    const QColor line = picture.pixelColor(250, 2512);
    EXPECT_NEAR(line.red(), 192, 40);
    EXPECT_NEAR(line.green(), 192, 40);
    EXPECT_NEAR(line.blue(), 192, 40);
    const QColor area = picture.pixelColor(262, 2512);
    EXPECT_LT(area.red(), 40);
    EXPECT_NEAR(area.green(), 128, 30);
    EXPECT_LT(area.blue(), 40);
}

TEST_F(BackgroundMapTest, CreateRefusesWhatCannotBeDoneAndKeepsTheProject)
{
    TFormNewBGImage* d = NewImage();
    const auto unchanged = [&] {
        EXPECT_EQ(Project.BackgroundMapFileName, "old.jpg");
        EXPECT_EQ(Project.BackgroundMapScale, 7);
        EXPECT_NE(d->result(), QDialog::Accepted);
    };

    // Never saved: nothing is written into the current folder.
    Project.FileName.clear();
    const fs::path here = fs::current_path();
    fs::current_path(Program);
    d->bCreate->click();
    fs::current_path(here);
    EXPECT_EQ(CountMessageKey("unewbgimage_save_first"), 1);
    EXPECT_FALSE(fs::exists(Program + "Hill Background.jpg"));
    unchanged();

    // Too large on a side: refused before drawing.
    Project.FileName = Program + "hill.vlp";
    SetSize("300", "1", "250");
    d->bCreate->click();
    EXPECT_EQ(CountMessages(GetMessageText("unewbgimage_too_large") + "75000 x 250 Pixel"), 1);
    unchanged();

    // A folder that does not exist: the writer's reason is told.
    SetSize("1", "1", "100");
    Project.FileName = Program + "gone/hill.vlp";
    d->bCreate->click();
    ASSERT_FALSE(Requests.empty());
    EXPECT_EQ(Requests.back().Text.rfind(GetMessageText("unewbgimage_write_failed") + Program +
                                             "gone/Hill Background.jpg\r\n",
                                         0),
              0u);
    EXPECT_GT(Requests.back().Text.size(), GetMessageText("unewbgimage_write_failed").size() + Program.size() + 30);
    unchanged();

    // A picture the user write-protected is kept as it is.
    Project.FileName = Program + "hill.vlp";
    const std::string kept = Program + "Hill Background.jpg";
    PutFile("Hill Background.jpg", "mine");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    d->bCreate->click();
    EXPECT_EQ(Requests.back().Text,
              GetMessageText("unewbgimage_write_failed") + kept + "\r\nThe file is write-protected.");
    EXPECT_EQ(FileBytes("Hill Background.jpg"), "mine");
    unchanged();
}

TEST_F(BackgroundMapTest, GridLinesLieOnTheirTrueHundredMetrePlaces)
{
    // 2 km by 1 km at 255 pixels per km.
    const TGridMapLines lines(2, 1, 255);
    ASSERT_EQ(lines.Width(), 510);
    ASSERT_EQ(lines.Height(), 255);
    QImage map(510, 255, QImage::Format_RGB888);
    for (int y = 0; y < map.height(); ++y)
        lines.Line(y, map.scanLine(y));
    std::vector<int> dottedOn;
    std::vector<int> dottedOff;
    for (int x = 0; x < map.width(); ++x) {
        if (IsGrid(map.pixel(x, 12)))
            dottedOn.push_back(x);
        if (IsGrid(map.pixel(x, 16)))
            dottedOff.push_back(x);
    }
    // (i * 255) div 10: the tenth dotted line lies on the kilometre line.
    EXPECT_EQ(dottedOn, (std::vector<int>{0, 25, 51, 76, 102, 127, 153, 178, 204, 229, 255, 280, 306, 331, 357,
                                          382, 408, 433, 459, 484}));
    // Rows where the dots pause show only the solid kilometre lines.
    EXPECT_EQ(dottedOff, (std::vector<int>{0, 255}));
    // Area, outline and the untouched last column.
    EXPECT_EQ(map.pixel(30, 40), 0xFF008000u);
    EXPECT_EQ(map.pixel(508, 40), 0xFF000000u);
    EXPECT_EQ(map.pixel(509, 40), 0xFFFFFFFFu);

    EXPECT_EQ(TFormNewBGImage::ScaleForResolution(250), 400);
    EXPECT_EQ(TFormNewBGImage::ResolutionForScale(400), 250);
    EXPECT_EQ(TFormNewBGImage::ScaleForResolution(255), 392);
    EXPECT_EQ(TFormNewBGImage::ResolutionForScale(0), 0);
}

TEST_F(BackgroundMapTest, AFailingWriteEndsTheJpegWithTheDevicesReason)
{
    // A device that takes 2000 bytes (the last of them as part of a longer
    // write, as a full disk does) and then refuses.
    class TShortDevice : public QBuffer {
    protected:
        qint64 writeData(const char* data, qint64 size) override
        {
            if (pos() >= 2000) {
                setErrorString("device full");
                return -1;
            }
            return QBuffer::writeData(data, std::min(size, 2000 - pos()));
        }
    } device;
    device.open(QIODevice::WriteOnly);
    const TGridMapLines lines(2, 2, 500);
    QString error;
    EXPECT_FALSE(WriteJpegByLines(device, lines.Width(), lines.Height(), 80,
                                  [&](int line, unsigned char* rgb) { lines.Line(line, rgb); }, error));
    EXPECT_EQ(error, "device full");
}

TEST_F(BackgroundMapTest, PreviewDecodesJpegAtOneEighth)
{
    CreateForm(FormBGMap);
    EXPECT_EQ(FormBGMap->windowTitle(), "Background Image for Minimap");
    EXPECT_GE(FormBGMap->minimumWidth(), 300);
    QImage(2000, 120, QImage::Format_RGB32).save(QString::fromStdString(Program + "wide.jpg"), "jpeg");
    QImage(300, 40, QImage::Format_RGB32).save(QString::fromStdString(Program + "small.png"));

    FormBGMap->edfilename->setText(QString::fromStdString(Program + "wide.jpg"));
    FormBGMap->resize(320, 320);
    FormBGMap->show();
    QApplication::processEvents();
    EXPECT_EQ(FormBGMap->Image1->size(), QSize(250, 15));
    // The scrolled extent is the shown picture's.
    EXPECT_EQ(FormBGMap->ScrollBox1->widget()->width(), 250);
    QScrollBar* bar = FormBGMap->ScrollBox1->horizontalScrollBar();
    EXPECT_EQ(bar->maximum(), std::max(0, 250 - FormBGMap->ScrollBox1->viewport()->width()));
    FormBGMap->ScrollBox1->resize(120, 120);
    QApplication::processEvents();
    EXPECT_EQ(bar->maximum() + bar->pageStep(), 250);

    // A missing file leaves the preview; another kind shows at full size.
    FormBGMap->edfilename->setText(QString::fromStdString(Program + "missing.jpg"));
    EXPECT_FALSE(FormBGMap->FormShow());
    EXPECT_EQ(FormBGMap->Image1->size(), QSize(250, 15));
    Answer = [&](const TDialogRequest& r) {
        EXPECT_EQ(r.FileName, Program + "missing.jpg");
        return r.Kind == TDialogKind::OpenFile ? TDialogAnswer{mrOk, Program + "small.png"} : TDialogAnswer{};
    };
    FormBGMap->Button1->click();
    EXPECT_EQ(FormBGMap->edfilename->text().toStdString(), Program + "small.png");
    EXPECT_EQ(FormBGMap->Image1->size(), QSize(300, 40));

    // A picture cut short is refused, chosen or typed; the choice stays.
    QImage(300, 40, QImage::Format_RGB32).save(QString::fromStdString(Program + "cut.png"));
    fs::resize_file(Program + "cut.png", 100);
    Answer = [&](const TDialogRequest& r) {
        return r.Kind == TDialogKind::OpenFile ? TDialogAnswer{mrOk, Program + "cut.png"} : TDialogAnswer{};
    };
    FormBGMap->Button1->click();
    EXPECT_EQ(CountMessages(GetMessageText("ubgmap_unreadable") + Program + "cut.png"), 1);
    EXPECT_EQ(FormBGMap->edfilename->text().toStdString(), Program + "small.png");
    FormBGMap->edfilename->setText(QString::fromStdString(Program + "cut.png"));
    FormBGMap->EdScale->setText("100");
    FormBGMap->Button2->click();
    EXPECT_EQ(CountMessages(GetMessageText("ubgmap_unreadable") + Program + "cut.png"), 2);
    // So is a mistyped name of no file at all.
    FormBGMap->edfilename->setText(QString::fromStdString(Program + "nowhere.png"));
    FormBGMap->Button2->click();
    EXPECT_EQ(CountMessages(GetMessageText("ubgmap_unreadable") + Program + "nowhere.png"), 1);
    EXPECT_TRUE(FormBGMap->isVisible());
    // The name the window opened with stays a choice though its file has gone.
    FormBGMap->edfilename->setText(QString::fromStdString(Program + "missing.jpg"));
    FormBGMap->Button2->click();
    EXPECT_FALSE(FormBGMap->isVisible());
}
