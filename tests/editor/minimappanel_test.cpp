// The editor frame's mini map: map pixels and metres, the picture at each
// zoom, the tracks over the grid, the read-out and the clicks.

#include "editingtesthelpers.h"

#include "editor/formbgmap.h"
#include "editor/formnewbgimage.h"
#include "editor/frmeditor.h"
#include "editor/jpegwriter.h"
#include "editor/mappicture.h"
#include "model/vlconnection.h"
#include "model/vlpoint.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>

namespace {

class MiniMapPanelTest : public EditingTest {
protected:
    // A picture file of the size given, recorded in the project.
    void UsePicture(const std::string& name, QSize size, int scale, const char* format = nullptr)
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(QColor(0, 128, 0));
        ASSERT_TRUE(picture.save(QString::fromStdString(Program + name), format));
        Project->BackgroundMapFileName = Program + name;
        Project->BackgroundMapScale = scale;
    }
    // The picture shown with the tracks painted over it.
    QImage Painted()
    {
        QImage image = Frame->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QPainter painter(&image);
        Frame->PaintBox1Paint(painter);
        return image;
    }
    void ClickMap(QPoint at, Qt::KeyboardModifiers mods = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(Frame->PaintBox1, button, mods, at);
        QTest::mouseRelease(Frame->PaintBox1, button, mods, at);
    }
    static bool IsTrack(QRgb c) { return qRed(c) < 30 && qGreen(c) < 30 && qBlue(c) < 30; }
    static bool IsLight(QRgb c) { return qRed(c) > 100 && qBlue(c) > 100; }
};

} // namespace

TEST_F(MiniMapPanelTest, MapPixelsAndMetresAtEachZoom)
{
    Project->BackgroundMapScale = 100;
    Frame->tbMapZoom->setValue(4);
    EXPECT_EQ(Frame->MapPixelToMetres(10, 5), MakeWorldPoint(80, 40));
    const char* hints[] = {"1:1", "1:2", "1:4", "1:8"};
    for (int zoom = 1; zoom <= 4; ++zoom) {
        Frame->tbMapZoom->setValue(zoom);
        EXPECT_EQ(Frame->MapJpegScale, zoom - 1);
        EXPECT_EQ(Frame->tbMapZoom->toolTip(), hints[zoom - 1]);
        const double f = 1 << (zoom - 1);
        EXPECT_EQ(Frame->MapPixelToMetres(3, 7), MakeWorldPoint(3 * f, 7 * f)) << zoom;
    }
    Project->BackgroundMapScale = 250;
    Frame->tbMapZoom->setValue(2);
    EXPECT_EQ(Frame->MapPixelToMetres(100, 1), MakeWorldPoint(500, 5));
}

TEST_F(MiniMapPanelTest, ShowingLoadsThePictureAtTheZoomsScale)
{
    UsePicture("map.jpg", QSize(400, 300), 100, "jpeg");
    ASSERT_TRUE(Frame->PanMap->isHidden());
    Frame->tbMapClick();
    EXPECT_TRUE(Requests.empty()); // the picture exists: no question
    EXPECT_FALSE(Frame->PanMap->isHidden());
    EXPECT_EQ(Frame->tbMapZoom->value(), 4);
    EXPECT_EQ(Frame->Image1->size(), QSize(50, 38));
    EXPECT_EQ(Frame->PaintBox1->geometry(), QRect(0, 0, 50, 38));
    Frame->tbMapZoom->setValue(1);
    EXPECT_EQ(Frame->Image1->size(), QSize(400, 300));
    EXPECT_EQ(Frame->PaintBox1->size(), QSize(400, 300));

    // The drawing follows the scrolled picture.
    Frame->ScrollBox1->horizontalScrollBar()->setValue(40);
    Frame->Timer1Timer();
    EXPECT_EQ(Frame->PaintBox1->pos(), Frame->Image1->pos());

    // Hiding and showing again starts at 1:8.
    Frame->tbMapZoom->setValue(2);
    Frame->tbMapClick();
    EXPECT_TRUE(Frame->PanMap->isHidden());
    Frame->tbMapClick();
    EXPECT_FALSE(Frame->PanMap->isHidden());
    EXPECT_EQ(Frame->tbMapZoom->value(), 4);
    EXPECT_EQ(Frame->MapJpegScale, 3);

    // Another picture kind at the zoom's scale as well.
    UsePicture("map.png", QSize(400, 300), 100);
    Frame->tbMapZoom->setValue(3);
    EXPECT_EQ(Frame->Image1->size(), QSize(100, 75));
    // A picture that disappears leaves the old one, and the zoom that
    // measures it.
    std::filesystem::remove(Program + "map.png");
    Frame->tbMapZoom->setValue(4);
    EXPECT_EQ(Frame->Image1->size(), QSize(100, 75));
    EXPECT_EQ(Frame->tbMapZoom->value(), 3);
    EXPECT_EQ(Frame->MapJpegScale, 2);
    EXPECT_TRUE(Requests.empty());
}

TEST_F(MiniMapPanelTest, LargeJpegShowsAtEveryZoomPartByPart)
{
    // 8000 by 8000 pixels, a kilometre line every 250 (beyond what Qt
    // decodes whole at 1:1).
    const TGridMapLines grid(32, 32, 250);
    QFile file(QString::fromStdString(Program + "large.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QString error;
    ASSERT_TRUE(WriteJpegByLines(file, grid.Width(), grid.Height(), 80,
                                 [&](int line, unsigned char* rgb) { grid.Line(line, rgb); }, error));
    file.close();
    Project->BackgroundMapFileName = Program + "large.jpg";
    Project->BackgroundMapScale = 400;
    Frame->tbMapClick();
    for (int zoom = 4; zoom >= 1; --zoom) {
        Frame->tbMapZoom->setValue(zoom);
        const int d = 1 << (zoom - 1);
        ASSERT_EQ(Frame->Image1->size(), QSize(8000 / d, 8000 / d)) << zoom;
        // Near the far corner: green area beside the line of km 30, which
        // is light where it is wider than a pixel apart.
        auto shown = [&](QPoint at) {
            QImage pixel(1, 1, QImage::Format_RGB32);
            pixel.fill(Qt::black);
            Frame->Image1->render(&pixel, QPoint(), QRegion(QRect(at, QSize(1, 1))));
            return pixel.pixel(0, 0);
        };
        const QRgb area = shown(QPoint(7512 / d, 7912 / d));
        EXPECT_GT(qGreen(area), 90) << zoom;
        EXPECT_LT(qBlue(area), 50) << zoom;
        if (d <= 2) {
            EXPECT_GT(qBlue(shown(QPoint(7500 / d, 7912 / d))), 100) << zoom;
        }
    }
    EXPECT_TRUE(Requests.empty());
}

TEST_F(MiniMapPanelTest, UnreadablePictureIsToldAndTheScaleStaysOne)
{
    UsePicture("map.png", QSize(400, 300), 100);
    Frame->tbMapClick();
    Frame->tbMapZoom->setValue(2);
    // The picture is cut short after it was shown.
    std::filesystem::resize_file(Program + "map.png", 100);
    Frame->tbMapZoom->setValue(1);
    EXPECT_EQ(CountMessages(GetMessageText("ufrmeditor_badbgmap") + Program + "map.png"), 1);
    EXPECT_EQ(Frame->Image1->size(), QSize(200, 150));
    EXPECT_EQ(Frame->tbMapZoom->value(), 2);
    EXPECT_EQ(Frame->MapPixelToMetres(10, 10), MakeWorldPoint(20, 20));

    // Another project's picture that cannot be read shows none.
    UsePicture("other.png", QSize(40, 30), 100);
    std::filesystem::resize_file(Program + "other.png", 100);
    Frame->SetMap();
    EXPECT_EQ(CountMessages(GetMessageText("ufrmeditor_badbgmap") + Program + "other.png"), 1);
    EXPECT_EQ(Frame->Image1->size(), QSize(0, 0));
}

TEST_F(MiniMapPanelTest, LoadingAProjectWithAPictureShowsItAt1To8)
{
    UsePicture("map.png", QSize(160, 80), 100);
    Frame->tbMapZoom->setValue(1);
    ASSERT_TRUE(Project->SaveToFile(Program + "map.vlp"));
    Frame->SetProject(std::make_unique<TVLProject>());
    ASSERT_TRUE(Frame->LoadProject(Program + "map.vlp"));
    EXPECT_FALSE(Frame->PanMap->isHidden());
    EXPECT_EQ(Frame->tbMapZoom->value(), 4);
    EXPECT_EQ(Frame->Image1->size(), QSize(20, 10));

    // A project without its picture hides the panel again.
    Frame->Project->BackgroundMapFileName = Program + "gone.png";
    ASSERT_TRUE(Frame->Project->SaveToFile(Program + "gone.vlp"));
    ASSERT_TRUE(Frame->LoadProject(Program + "gone.vlp"));
    EXPECT_TRUE(Frame->PanMap->isHidden());
}

TEST_F(MiniMapPanelTest, WithoutPictureTheUserIsOfferedANewOne)
{
    Project->FileName = Program + "hill.vlp";
    Project->ProjectName = "Hill";
    Frame->tbMapClick();
    EXPECT_EQ(CountMessageKey("ufrmeditor_nobgmap"), 1);
    EXPECT_TRUE(Frame->PanMap->isHidden());

    // Yes, then the new-picture dialog, pre-filled from the recorded scale.
    Project->BackgroundMapScale = 400;
    QString shownResolution;
    Answer = [&](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::MessageBox) {
            a.Result = mrYes;
        } else if (r.Kind == TDialogKind::ModalWindow) {
            auto* dialog = qobject_cast<TFormNewBGImage*>(r.Window);
            EXPECT_NE(dialog, nullptr);
            if (!dialog)
                return a;
            dialog->FormShow();
            shownResolution = dialog->EdResolution->text();
            dialog->EdY->setText("4");
            dialog->bCreate->click();
            a.Result = dialog->result() == QDialog::Accepted ? mrOk : mrCancel;
        }
        return a;
    };
    Frame->tbMapClick();
    EXPECT_EQ(shownResolution, "250");
    EXPECT_EQ(Project->BackgroundMapFileName, Program + "Hill Background.jpg");
    EXPECT_EQ(Project->BackgroundMapScale, 400);
    EXPECT_FALSE(Frame->PanMap->isHidden());
    EXPECT_EQ(Frame->Image1->size(), QSize(94, 125)); // 750 x 1000 at 1:8
}

TEST_F(MiniMapPanelTest, TracksLandOnTheirGridLines)
{
    // 3 km by 4 km at 250 pixels per km; a track along x = 1 km and one
    // along y = 2 km.
    Project->FileName = Program + "grid.vlp";
    Project->ProjectName = "Grid";
    TFormNewBGImage dialog;
    dialog.Project = Project;
    dialog.FormShow();
    dialog.EdY->setText("4");
    dialog.bCreate->click();
    ASSERT_EQ(Project->BackgroundMapScale, 400);
    AddTrack(1000, 300, 1000, 1700);
    AddTrack(100, 2000, 2900, 2000);
    Frame->tbMapClick();
    ASSERT_FALSE(Frame->PanMap->isHidden());

    Frame->tbMapZoom->setValue(1);
    ASSERT_EQ(Frame->Image1->size(), QSize(750, 1000));
    const QImage picture = Frame->Image1->grab().toImage();
    QImage painted = Painted();
    // x = 1 km is picture column 250; y = 2 km is row 1000 - 500.
    EXPECT_TRUE(IsLight(picture.pixel(250, 700)));
    EXPECT_TRUE(IsTrack(painted.pixel(250, 700)));
    EXPECT_FALSE(IsTrack(painted.pixel(254, 700)));
    EXPECT_TRUE(IsLight(picture.pixel(600, 500)));
    EXPECT_TRUE(IsTrack(painted.pixel(600, 500)));
    EXPECT_FALSE(IsTrack(painted.pixel(600, 504)));

    // At 1:8 the same places, an eighth as far from the corner.
    Frame->tbMapZoom->setValue(4);
    painted = Painted();
    EXPECT_TRUE(IsTrack(painted.pixel(31, 90)));
    EXPECT_TRUE(IsTrack(painted.pixel(75, 62)));
    EXPECT_FALSE(IsTrack(painted.pixel(75, 66)));
}

TEST_F(MiniMapPanelTest, ReadOutInWholeKilometres)
{
    Project->BackgroundMapScale = 100;
    Frame->tbMapZoom->setValue(1);
    const int h = Frame->Image1->height();
    Frame->Image1MouseMove(3200, h - 12700);
    EXPECT_EQ(Frame->EdMapCoord->text(), "3/12km");
    Frame->Image1MouseMove(0, h);
    EXPECT_EQ(Frame->EdMapCoord->text(), "0/0km");
    // Half a metre per pixel: 999 m stays 0 km, 999.5 m rounds to 1 km.
    Project->BackgroundMapScale = 50;
    Frame->Image1MouseMove(1998, h - 1998);
    EXPECT_EQ(Frame->EdMapCoord->text(), "0/0km");
    Frame->Image1MouseMove(1999, h - 1997);
    EXPECT_EQ(Frame->EdMapCoord->text(), "1/0km");
}

TEST_F(MiniMapPanelTest, ClicksSetTheViewTheCursorAndAddPoints)
{
    UsePicture("map.png", QSize(800, 800), 100);
    Frame->tbMapClick();
    Frame->tbMapZoom->setValue(2); // 2 m per map pixel
    ASSERT_EQ(Frame->PaintBox1->size(), QSize(400, 400));

    // The mouse move over the map shows where it is.
    QTest::mouseMove(Frame->PaintBox1, QPoint(100, 100));
    EXPECT_EQ(Frame->EdMapCoord->text(), "0/0km");

    // A right click only moves the view.
    const TWorldPoint cursor = CurrentSituation.Cursor;
    ClickMap(QPoint(10, 390), {}, Qt::RightButton);
    EXPECT_EQ(CurrentSituation.ViewCentre, MakeWorldPoint(20, 20));
    EXPECT_EQ(CurrentSituation.Cursor, cursor);

    // A left click moves the cursor to whole metres; nothing is added.
    Project->BackgroundMapScale = 125; // 2.5 m per map pixel
    ClickMap(QPoint(1, 399));
    EXPECT_EQ(CurrentSituation.ViewCentre, MakeWorldPoint(2.5, 2.5));
    EXPECT_EQ(CurrentSituation.Cursor, MakeWorldPoint(2, 2)); // halves to even
    EXPECT_EQ(Project->Points.Count(), 0);

    // Ctrl adds a point at the cursor.
    ClickMap(QPoint(40, 300), Qt::ControlModifier);
    ASSERT_EQ(Project->Points.Count(), 1);
    TVLPoint* first = Project->Points[0];
    EXPECT_EQ(first->Position, MakeWorldPoint(100, 250));
    EXPECT_EQ(CurrentSituation.SelectedPoint, first);

    // Ctrl+Shift adds a point and connects it to the selected one.
    ClickMap(QPoint(80, 300), Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(Project->Points.Count(), 2);
    EXPECT_EQ(Project->Points[1]->Position, MakeWorldPoint(200, 250));
    ASSERT_EQ(Project->Connections.Count(), 1);
    EXPECT_EQ(Project->Connections[0]->StartPoint, first);
    EXPECT_EQ(Project->Connections[0]->EndPoint, Project->Points[1]);
}

TEST_F(MiniMapPanelTest, ChangingThePictureTakesTheDialogsFileAndScale)
{
    CreateForm(FormBGMap);
    UsePicture("a.png", QSize(80, 80), 100);
    UsePicture("b.png", QSize(160, 160), 100);
    Frame->tbMapClick();
    int scaleShown = 0;
    Answer = [&](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::ModalWindow && r.Window == FormBGMap) {
            scaleShown = FormBGMap->EdScale->text().toInt();
            FormBGMap->edfilename->setText(QString::fromStdString(Program + "a.png"));
            FormBGMap->EdScale->setText("x");
            a.Result = mrOk;
        }
        return a;
    };
    Frame->tbBGImage->click();
    EXPECT_EQ(scaleShown, 100);
    EXPECT_EQ(Project->BackgroundMapFileName, Program + "a.png");
    EXPECT_EQ(Project->BackgroundMapScale, 1);
    EXPECT_EQ(Frame->Image1->size(), QSize(10, 10));

    // A scale below 1 would fold the whole map into its corner.
    Answer = [&](const TDialogRequest& r) {
        FormBGMap->EdScale->setText("-5");
        return TDialogAnswer{r.Window == FormBGMap ? mrOk : mrCancel, {}};
    };
    Frame->tbBGImage->click();
    EXPECT_EQ(Project->BackgroundMapScale, 1);
    // Cancelled: nothing changes.
    Answer = nullptr;
    Project->BackgroundMapScale = 50;
    Frame->tbBGImage->click();
    EXPECT_EQ(Project->BackgroundMapScale, 50);
    EXPECT_EQ(Project->BackgroundMapFileName, Program + "a.png");
}
