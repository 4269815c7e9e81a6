// The editor frame's mini map: the project's background picture beside the
// plan, decoded at the zoom bar's scale, with the tracks drawn over it at
// their true places; a click there moves the plan (and with the left button
// the cursor, adding a point with Ctrl).
//
// A map pixel of the picture decoded at 1:2^(zoom - 1) stands for
// 2^(zoom - 1) pixels of the full picture, and 100 pixels of the full
// picture cover BackgroundMapScale metres. The picture's bottom-left corner
// is the world origin.

#include "editor/frmeditor.h"

#include "editor/formbgmap.h"
#include "editor/formnewbgimage.h"
#include "editor/mappicture.h"
#include "editor/minimapcanvas.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "model/currentsituation.h"
#include "model/vlminimap.h"
#include "model/vlproject.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// Sets the map's decoding scale and the zoom bar's hint for a position of
// the zoom bar (1 to 4: 1:1 to 1:8).
void ShowMapZoom(TFrmEditor& frame, int position)
{
    static const char* const hints[] = {"1:1", "1:2", "1:4", "1:8"};
    const int index = std::clamp(position, 1, 4) - 1;
    frame.MapJpegScale = static_cast<unsigned char>(index);
    frame.tbMapZoom->setToolTip(hints[index]);
}

// The mouse over the map's paint box and the scroll box's size changes.
class TMiniMapEvents : public QObject {
public:
    explicit TMiniMapEvents(TFrmEditor* frame) : QObject(frame), FFrame(frame) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == FFrame->PaintBox1) {
            if (event->type() == QEvent::MouseMove) {
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                FFrame->Image1MouseMove(at.x(), at.y());
            } else if (event->type() == QEvent::MouseButtonRelease) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                const QPoint at = mouse->position().toPoint();
                FFrame->Image1MouseUp(mouse->button(), mouse->modifiers(), at.x(), at.y());
            }
        } else if (watched == FFrame->ScrollBox1 && event->type() == QEvent::Resize) {
            FFrame->ScrollBox1Resize();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TFrmEditor* FFrame;
};

// The project's background picture, when its file exists.
bool HasBackgroundPicture(const TVLProject* project)
{
    return project && !project->BackgroundMapFileName.empty() &&
           FileExists(DiskPath(project->BackgroundMapFileName));
}

} // namespace

void TFrmEditor::SetUpMiniMap()
{
    auto* events = new TMiniMapEvents(this);
    PaintBox1->installEventFilter(events);
    PaintBox1->setMouseTracking(true);
    PaintBox1->OnPaint = [this](QPainter& canvas) { PaintBox1Paint(canvas); };
    ScrollBox1->installEventFilter(events);
    connect(tbBGImage, &QToolButton::clicked, this, [this] { setminimapbackgroundimage1Click(); });
}

TWorldPoint TFrmEditor::MapPixelToMetres(int x, int y) const
{
    const double f = std::ldexp(1.0, tbMapZoom->value() - 1) * (Project ? Project->BackgroundMapScale : 0) / 100.0;
    return MakeWorldPoint(x * f, y * f);
}

void TFrmEditor::SetMap()
{
    if (PanMap->isHidden() || !Project)
        return;
    const QString file = QString::fromStdString(DiskPath(Project->BackgroundMapFileName));
    if (!Image1->Open(file, 1 << MapJpegScale)) {
        // A picture that has gone says nothing: the map keeps what it
        // showed of it.
        if (HasBackgroundPicture(Project))
            MessageDlg(GetMessageText("ufrmeditor_badbgmap") + Project->BackgroundMapFileName, mtError, mbOK);
        // Another file's picture goes; the zoom goes back to this file's
        // picture still shown, so the read-out and the clicks go on
        // measuring on the picture the user sees.
        if (Image1->File() != file) {
            Image1->Clear();
        } else {
            const int position = std::countr_zero(static_cast<unsigned>(Image1->Divisor())) + 1;
            const QSignalBlocker block(tbMapZoom);
            tbMapZoom->setValue(position);
            ShowMapZoom(*this, position);
        }
    }
    Image1->move(0, 0);
    ScrollBox1->widget()->resize(Image1->size());
    PaintBox1->setGeometry(Image1->geometry());
    PaintBox1->raise();
    PaintBox1->update();
}

void TFrmEditor::tbMapZoomChange(int position)
{
    ShowMapZoom(*this, position);
    SetMap();
}

void TFrmEditor::tbMapClick()
{
    if (!Project)
        return;
    if (PanMap->isHidden() && !HasBackgroundPicture(Project)) {
        if (MessageDlg(GetMessageText("ufrmeditor_nobgmap"), mtConfirmation, mbYesNo) != mrYes)
            return;
        TFormNewBGImage dialog(this);
        dialog.CopyTextsFrom(FormNewBGImage);
        if (Project->BackgroundMapScale != 0)
            dialog.EdResolution->setText(
                QString::number(TFormNewBGImage::ResolutionForScale(Project->BackgroundMapScale)));
        dialog.Project = Project;
        if (ShowModal(&dialog) != mrOk)
            return;
    }
    PanMap->setVisible(PanMap->isHidden());
    MapJpegScale = 3;
    tbMapZoom->setValue(4);
    SetMap();
    RefreshEditor();
}

void TFrmEditor::setminimapbackgroundimage1Click()
{
    if (!Project || !FormBGMap)
        return;
    FormBGMap->edfilename->setText(AnsiToQ(Project->BackgroundMapFileName));
    FormBGMap->EdScale->setText(QString::number(Project->BackgroundMapScale));
    if (ShowModal(FormBGMap) != mrOk)
        return;
    Project->BackgroundMapFileName = QToAnsi(FormBGMap->edfilename->text());
    // A scale that is no positive whole number would put every track at the
    // origin or outside the picture.
    const int scale = StrToIntDef(QToAnsi(FormBGMap->EdScale->text()), 1);
    Project->BackgroundMapScale = scale > 0 ? scale : 1;
    SetMap();
    RefreshEditor();
}

void TFrmEditor::PaintBox1Paint(QPainter& canvas)
{
    if (!Project)
        return;
    const TWorldPoint extent = MapPixelToMetres(Image1->width(), Image1->height());
    TVLMiniMap map;
    map.Project = Project;
    map.ShowPoints = false;
    map.MinX = 0;
    map.MaxX = Round(extent.X);
    map.MinY = 0;
    map.MaxY = Round(extent.Y);
    map.MapRect = {0, 0, PaintBox1->width(), PaintBox1->height()};
    TQPainterMiniMapCanvas surface(canvas);
    map.Draw(surface, Project->Connections, Project->Points);
}

void TFrmEditor::Image1MouseMove(int x, int y)
{
    const TWorldPoint w = MapPixelToMetres(x, Image1->height() - y);
    EdMapCoord->setText(QString::number(Round(w.X) / 1000) + "/" + QString::number(Round(w.Y) / 1000) + "km");
}

void TFrmEditor::Image1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    const TWorldPoint w = MapPixelToMetres(x, Image1->height() - y);
    CurrentSituation.ViewCentre = w;
    if (button == Qt::LeftButton) {
        CurrentSituation.Cursor = MakeWorldPoint(Round(w.X), Round(w.Y));
        const bool ctrl = shift.testFlag(Qt::ControlModifier);
        if (ctrl && shift.testFlag(Qt::ShiftModifier))
            tbAddAndConnectClick();
        else if (ctrl)
            tbNewPointClick();
    }
    RefreshEditor();
}

void TFrmEditor::ScrollBox1Resize()
{
    PaintBox1->resize(Image1->size());
}
