// The editor frame's bottom panel from the smallest usual window up: every
// control has its room, none lies over another, nothing is cut at the edge.

#include "startuptesthelpers.h"

#include "editor/elidedlabel.h"
#include "editor/frmeditor.h"
#include "editor/wraplayout.h"
#include "model/vlproject.h"
#include "model/vlstation.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLabel>
#include <QSizePolicy>

#include <sstream>

namespace {

std::string Describe(const QWidget* w)
{
    std::ostringstream out;
    const QRect r = w->geometry();
    out << w->metaObject()->className() << " \"" << w->objectName().toStdString();
    if (auto* label = qobject_cast<const QLabel*>(w))
        out << "\" text \"" << label->text().toStdString();
    out << "\" at " << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    return out.str();
}

// The width a control needs: its size hint within its limits, or only its
// minimum when it ignores its hint.
int NeededWidth(const QWidget* w)
{
    if (w->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored)
        return w->minimumWidth();
    return std::min(std::max(w->sizeHint().width(), w->minimumSizeHint().width()), w->maximumWidth());
}

class BottomPanelTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Frame = std::make_unique<TFrmEditor>();
        auto project = std::make_unique<TVLProject>();
        project->AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(0, 0)));
        project->AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(1234.56789, 7.5)));
        project->AddConnection(std::make_unique<TVLConnection>(project->Points[0], project->Points[1]));
        project->Stations.Add(std::make_unique<TVLStation>("Upper Hillside Junction Platforms"));
        Frame->SetProject(std::move(project));
        // The widest texts the controls usually show.
        CurrentSituation.Scale = 10;
        CurrentSituation.Cursor = MakeWorldPoint(-12345.67, -98765.43);
        CurrentSituation.SelectedConnection = Frame->Project->Connections[0];
        CurrentSituation.SelectedPoint = Frame->Project->Points[0];
        CurrentSituation.HoveredPoint = Frame->Project->Points[1];
        Frame->RefreshEditor();
        Frame->ShowProgress(0, 100, 100);
    }
    void TearDown() override
    {
        CurrentSituation.ClearReferences();
        Frame.reset();
        StartupTest::TearDown();
    }

    // Lays the frame out as the central part of a window width pixels wide.
    void LayOut(int width)
    {
        Frame->resize(width, 520);
        Frame->show();
        QApplication::processEvents();
    }
    std::vector<QWidget*> PanelControls() const
    {
        std::vector<QWidget*> out;
        for (QWidget* w : Frame->PanMainBottom->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible())
                out.push_back(w);
        return out;
    }

    std::unique_ptr<TFrmEditor> Frame;
};

TEST_F(BottomPanelTest, ControlsHaveTheirRoomAndDoNotOverlapFromEightHundredPixelsUp)
{
    ASSERT_EQ(Frame->lZoom->text(), "10 px/m");
    for (int width : {800, 900, 1024, 1280, 1600}) {
        SCOPED_TRACE("window width " + std::to_string(width));
        LayOut(width);
        // The frame does not ask for more room than the window has.
        EXPECT_LE(Frame->minimumSizeHint().width(), width);
        ASSERT_EQ(Frame->width(), width);
        const QRect panel = Frame->PanMainBottom->geometry();
        EXPECT_TRUE(Frame->rect().contains(panel));
        EXPECT_EQ(panel.bottom(), Frame->rect().bottom());
        const std::vector<QWidget*> controls = PanelControls();
        ASSERT_EQ(controls.size(), 18u);
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const QWidget* a = controls[i];
            EXPECT_TRUE(Frame->PanMainBottom->rect().contains(a->geometry())) << Describe(a);
            EXPECT_GE(a->width(), NeededWidth(a)) << Describe(a);
            EXPECT_GE(a->height(), a->minimumSizeHint().height()) << Describe(a);
            for (std::size_t j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(a->geometry().intersects(controls[j]->geometry()))
                    << Describe(a) << " and " << Describe(controls[j]);
        }
    }
}

TEST_F(BottomPanelTest, ControlsKeepTheirNamesAndOrderOnEachLine)
{
    LayOut(800);
    for (const char* name : {"lZoom", "tbZoom", "EdXOffset", "EdYOffset", "lLeft", "lUp", "lDown", "lRight",
                             "lPDist", "lThisTrack", "cbGotoStation", "ProgressBar1", "lCurrentProgress"})
        EXPECT_NE(Frame->PanMainBottom->findChild<QWidget*>(name), nullptr) << name;
    // Left to right, then top to bottom, in the order the panel was built.
    std::vector<QWidget*> built;
    QLayout* panel = Frame->PanMainBottom->layout();
    for (int i = 0; i < panel->count(); ++i)
        for (int j = 0; j < panel->itemAt(i)->layout()->count(); ++j)
            if (QWidget* w = panel->itemAt(i)->layout()->itemAt(j)->widget())
                built.push_back(w);
    std::vector<QWidget*> byPlace = built;
    std::stable_sort(byPlace.begin(), byPlace.end(), [](const QWidget* a, const QWidget* b) {
        if (a->geometry().bottom() < b->geometry().top())
            return true;
        if (b->geometry().bottom() < a->geometry().top())
            return false;
        return a->x() < b->x();
    });
    EXPECT_EQ(built.size(), 18u);
    EXPECT_EQ(byPlace, built);
    EXPECT_GT(Frame->lThisTrack->y(), Frame->lZoom->y()); // 800 pixels take two lines
    // The Y field keeps a gap to the first arrow.
    EXPECT_GE(Frame->lLeft->x() - Frame->EdYOffset->geometry().right(), 4);
    // The long station name does not widen the list beyond its room.
    EXPECT_LT(Frame->cbGotoStation->width(), 300);
    // The track's description shows where it is cut.
    auto* track = dynamic_cast<TElidedLabel*>(Frame->lThisTrack);
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(track->text().startsWith("this track: id=1 len=1234.5"));
    // At 800 pixels it has a line of its own; where it shares one, what does
    // not fit ends in "...".
    EXPECT_EQ(track->ShownText(), track->text());
    for (int width : {1024, 1280, 1600}) {
        LayOut(width);
        const QString shown = track->ShownText();
        EXPECT_TRUE(shown == track->text() || shown.endsWith(QChar(0x2026))) << shown.toStdString();
        EXPECT_LE(track->fontMetrics().horizontalAdvance(shown), track->width());
    }
}

TEST(WrapLayout, WrapsWhereALineIsFullAndGivesTheRestToTheStretchingGroup)
{
    QWidget panel;
    auto* layout = new TWrapLayout(&panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    std::vector<QWidget*> boxes;
    for (int i = 0; i < 3; ++i) {
        auto* box = new QWidget(&panel);
        box->setFixedSize(100, 20);
        auto* group = new QHBoxLayout;
        group->setContentsMargins(0, 0, 0, 0);
        group->addWidget(box);
        layout->AddGroup(group, i == 1);
        boxes.push_back(box);
    }
    EXPECT_EQ(layout->minimumSize(), QSize(100, 20));
    EXPECT_EQ(layout->sizeHint(), QSize(320, 20));
    EXPECT_EQ(layout->heightForWidth(320), 20);
    EXPECT_EQ(layout->heightForWidth(319), 50);
    EXPECT_EQ(layout->heightForWidth(100), 80);

    layout->setGeometry(QRect(0, 0, 400, 20));
    EXPECT_EQ(layout->itemAt(0)->geometry(), QRect(0, 0, 100, 20));
    EXPECT_EQ(layout->itemAt(1)->geometry(), QRect(110, 0, 180, 20)); // the 80 left over
    EXPECT_EQ(layout->itemAt(2)->geometry(), QRect(300, 0, 100, 20));
    layout->setGeometry(QRect(0, 0, 250, 50));
    EXPECT_EQ(layout->itemAt(1)->geometry(), QRect(110, 0, 140, 20));
    EXPECT_EQ(layout->itemAt(2)->geometry(), QRect(0, 30, 100, 20));
    EXPECT_EQ(boxes[2]->geometry(), QRect(0, 30, 100, 20));
}

TEST(ElidedLabel, CutsOnlyWhatDoesNotFit)
{
    TElidedLabel label("this track: id=8 len=223.606797749979 alpha=26.5650511770780");
    label.resize(label.sizeHint().width() + 10, label.sizeHint().height());
    EXPECT_EQ(label.ShownText(), label.text());
    label.resize(120, label.height());
    const QString shown = label.ShownText();
    EXPECT_TRUE(shown.startsWith("this track")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(shown), 120);
    EXPECT_EQ(label.text(), "this track: id=8 len=223.606797749979 alpha=26.5650511770780");
}

} // namespace
