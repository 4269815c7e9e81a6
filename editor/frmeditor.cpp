#include "editor/frmeditor.h"
#include "editor/elidedlabel.h"
#include "editor/frmeditor_planindex.h"
#include "editor/mappicture.h"
#include "editor/wraplayout.h"

#include "model/vlconnection.h"
#include "model/vlconnectionlist.h"
#include "model/currentsituation.h"
#include "model/vlobject.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "model/vlstation.h"
#include "platform/codepage.h"
#include "platform/paths.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <numbers>
#include <numeric>

std::function<bool()> TFrmEditor::ObjectBrowserHasSelection;

void TPaintBox::paintEvent(QPaintEvent*)
{
    if (!OnPaint)
        return;
    QPainter painter(this);
    OnPaint(painter);
}

namespace {

// Shortest general decimal form ("10", "2.5", "123.456789012345").
QString GeneralNumber(double value)
{
    return QString::number(value, 'g', 15);
}

// ToScreen for the many points of one paint, without a call for each.
struct TPlanTransform {
    TScreenPoint Origin;
    TWorldPoint Centre;
    double Scale;
    TScreenPoint operator()(const TWorldPoint& p) const
    {
        return TScreenPoint{Origin.X + RoundFast((p.X - Centre.X) * Scale),
                            Origin.Y + RoundFast((Centre.Y - p.Y) * Scale)};
    }
};

// The discs of many points of one colour, gathered in a picture of the
// canvas's size and laid on it at once: one disc costs the painter far more
// than its few pixels. Each disc has the painter's own rows (taken from a
// disc it drew once), and discs of one colour cover each other alike, so the
// canvas ends up with the pixels the painter would have drawn one by one.
class TDiscLayer {
public:
    // Whether the canvas takes the layer: a raster canvas moved by whole
    // pixels at most (a widget inside its window), without smoothing.
    bool Usable(const QPainter& canvas)
    {
        const QTransform move = canvas.deviceTransform();
        if (!canvas.device() || !canvas.paintEngine() || canvas.paintEngine()->type() != QPaintEngine::Raster ||
            move.type() > QTransform::TxTranslate || move.dx() != std::floor(move.dx()) ||
            move.dy() != std::floor(move.dy()) || canvas.testRenderHint(QPainter::Antialiasing) ||
            canvas.opacity() != 1.0 || canvas.compositionMode() != QPainter::CompositionMode_SourceOver)
            return false;
        if (!Measured)
            Measure();
        return Rows.size() == Diameter;
    }
    // Adds the disc in the 11-pixel square at (left, top).
    void Add(int left, int top, QRgb colour)
    {
        const QSize size = Picture.size();
        if (left >= size.width() || top >= size.height() || left + Diameter <= 0 || top + Diameter <= 0)
            return;
        for (int k = 0; k < Diameter; ++k) {
            const int y = top + k;
            if (y < 0 || y >= size.height())
                continue;
            const int from = std::max(left + Rows[k].first, 0);
            const int to = std::min(left + Rows[k].second, size.width() - 1);
            if (to < from)
                continue;
            auto* line = reinterpret_cast<QRgb*>(Picture.scanLine(y));
            std::fill(line + from, line + to + 1, colour);
        }
        Dirty |= QRect(left, top, Diameter, Diameter) & QRect(QPoint(0, 0), size);
    }
    void Begin(const QPainter& canvas)
    {
        const QSize size(canvas.device()->width(), canvas.device()->height());
        if (Picture.size() != size) {
            Picture = QImage(size, QImage::Format_ARGB32_Premultiplied);
            Picture.fill(Qt::transparent);
        }
        Dirty = QRect();
    }
    // Lays what was gathered on the canvas and empties the layer.
    void Flush(QPainter& canvas)
    {
        if (Dirty.isEmpty())
            return;
        canvas.drawImage(Dirty.topLeft(), Picture, Dirty);
        for (int y = Dirty.top(); y <= Dirty.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(Picture.scanLine(y));
            std::fill(line + Dirty.left(), line + Dirty.right() + 1, QRgb(0));
        }
        Dirty = QRect();
    }

    static constexpr int Diameter = 11;

private:
    void Measure()
    {
        Measured = true;
        QImage disc(Diameter, Diameter, QImage::Format_ARGB32_Premultiplied);
        disc.fill(Qt::transparent);
        {
            QPainter painter(&disc);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawEllipse(QRect(QPoint(0, 0), QPoint(Diameter - 1, Diameter - 1)));
        }
        // Rows of whole pixels, each one run or none, or the layer is not used.
        for (int y = 0; y < Diameter; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(disc.constScanLine(y));
            int first = -1, last = -1;
            for (int x = 0; x < Diameter; ++x) {
                if (qAlpha(line[x]) == 0)
                    continue;
                if (qAlpha(line[x]) != 255 || (last >= 0 && last != x - 1))
                    return Rows.clear();
                if (first < 0)
                    first = x;
                last = x;
            }
            Rows.emplace_back(first < 0 ? 0 : first, first < 0 ? -1 : last); // an empty row has none
        }
    }

    bool Measured = false;
    std::vector<std::pair<int, int>> Rows;
    QImage Picture;
    QRect Dirty;
};

QPoint Pixel(const TScreenPoint& p)
{
    return QPoint(p.X, p.Y);
}

// The plan's pens and brushes are made once: a painter handed the very pen
// or brush it holds returns at once, where a new one costs an allocation and
// a comparison for every piece of track and every point.
const QPen& PlanPen(const QColor& colour, int width, Qt::PenStyle style)
{
    struct TEntry {
        QRgb Rgb;
        int Width;
        Qt::PenStyle Style;
        QPen Pen;
    };
    static std::deque<TEntry> pens;
    const QRgb rgb = colour.rgba();
    for (const TEntry& entry : pens)
        if (entry.Rgb == rgb && entry.Width == width && entry.Style == style)
            return entry.Pen;
    const QPen pen = style == Qt::SolidLine ? QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)
                                            : QPen(colour, width, style);
    return pens.emplace_back(TEntry{rgb, width, style, pen}).Pen;
}

const QPen& SolidPen(const QColor& colour, int width)
{
    return PlanPen(colour, width, Qt::SolidLine);
}

const QBrush& PlanBrush(const QColor& colour)
{
    static std::deque<std::pair<QRgb, QBrush>> brushes;
    const QRgb rgb = colour.rgba();
    for (const auto& entry : brushes)
        if (entry.first == rgb)
            return entry.second;
    return brushes.emplace_back(rgb, QBrush(colour)).second;
}

// Clears every reference CurrentSituation holds into a project about to be
// freed or replaced. Cursor, view centre, selection area and scale stay.
void ForgetProjectReferences()
{
    CurrentSituation.ClearReferences();
}

} // namespace

TFrmEditor::TFrmEditor(QWidget* parent) : QWidget(parent), PlanIndex(std::make_unique<TPlanIndex>())
{
    setObjectName("FrmEditor");

    // Tool bars.
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    tbNewPoint = AddToolButton(ToolBar1, "tbNewPoint", "P+", "new point at the cursor");
    tbConnectPoints = AddToolButton(ToolBar1, "tbConnectPoints", "P-P", "connect points");
    tbAddAndConnect = AddToolButton(ToolBar1, "tbAddAndConnect", "+P-P", "add and connect");
    cbTrackType = new QComboBox(ToolBar1);
    cbTrackType->setObjectName("cbTrackType");
    cbTrackType->setToolTip("select special track type");
    cbTrackType->addItems({"straight", "curved", "fixed", "switch", "switch", "switch", "switch"});
    ToolBar1->addWidget(cbTrackType);
    tbProperties = AddToolButton(ToolBar1, "tbProperties", "T", "Track Properties");
    tbDelPoint = AddToolButton(ToolBar1, "tbDelPoint", "P-", "delete point and close route");
    tbImproveConnection = AddToolButton(ToolBar1, "tbImproveConnection", "-P-", "add point in between");
    tbAddObj = AddToolButton(ToolBar1, "tbAddObj", "O+", "add selected object");
    tbDelObj = AddToolButton(ToolBar1, "tbDelObj", "O-", "Delete Object");
    tbObjProperties = AddToolButton(ToolBar1, "tbObjProperties", "O", "Object Properties");
    tbSel1 = AddToolButton(ToolBar1, "tbSel1", "S1", "selection area point 1");
    tbSel2 = AddToolButton(ToolBar1, "tbSel2", "S2", "selection area point 2");

    ToolBar3 = new QToolBar(this);
    ToolBar3->setObjectName("ToolBar3");
    ToolButton5 = AddToolButton(ToolBar3, "ToolButton5", "Routes", "Route definitions...");
    tbObjects = AddToolButton(ToolBar3, "tbObjects", "Objects", "objects");
    tbTrains = AddToolButton(ToolBar3, "tbTrains", "Trains", "trains");
    bStations = AddToolButton(ToolBar3, "bStations", "Stations", "stations");
    tbMap1 = AddToolButton(ToolBar3, "tbMap1", "Map", "Show/hide Map");
    // Pressed in exactly while the map is shown.
    tbMap1->setCheckable(true);

    // The mini map (hidden until asked for).
    PanMap = new QWidget(this);
    PanMap->setObjectName("PanMap");
    PanMap->setVisible(false);
    ScrollBox1 = new QScrollArea(PanMap);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setStyleSheet("background-color: rgb(0, 64, 0);");
    auto* mapHolder = new QWidget;
    Image1 = new TMapPicture(mapHolder);
    Image1->setObjectName("Image1");
    PaintBox1 = new TPaintBox(mapHolder);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->setToolTip("click to set cursor. Ctl+Click to add point. Shift+Ctrl+click to add point and connect.");
    ScrollBox1->setWidget(mapHolder);
    tbMapZoom = new QSlider(Qt::Horizontal, PanMap);
    tbMapZoom->setObjectName("tbMapZoom");
    tbMapZoom->setRange(1, 4);
    tbMapZoom->setValue(1);
    tbMapZoom->setToolTip("1:1");
    EdMapCoord = new QLineEdit(PanMap);
    EdMapCoord->setObjectName("EdMapCoord");
    EdMapCoord->setReadOnly(true);
    tbBGImage = new QToolButton(PanMap);
    tbBGImage->setObjectName("tbBGImage");
    tbBGImage->setText("...");
    tbBGImage->setToolTip("change Map Background Image");
    auto* mapLayout = new QVBoxLayout(PanMap);
    mapLayout->setContentsMargins(0, 0, 0, 0);
    mapLayout->addWidget(ScrollBox1, 1);
    mapLayout->addWidget(tbMapZoom);
    auto* mapBottom = new QHBoxLayout;
    mapBottom->addWidget(EdMapCoord, 1);
    mapBottom->addWidget(tbBGImage);
    mapLayout->addLayout(mapBottom);
    PanMap->resize(152, PanMap->height());

    // The plan.
    PanelMainEditor = new QWidget(this);
    PanelMainEditor->setObjectName("PanelMainEditor");
    PanelMainEditor->setAutoFillBackground(true);
    QPalette palette = PanelMainEditor->palette();
    palette.setColor(QPalette::Window, PlanColours::Background);
    PanelMainEditor->setPalette(palette);
    PBCursor = new TPaintBox(PanelMainEditor);
    PBCursor->setObjectName("PBCursor");
    PBCursor->setToolTip("hold shift to drag viewport. hold ctrl to set point, ctrl+shift to add point and connect");
    PBCursor->setMouseTracking(true);
    PBCursor->setFocusPolicy(Qt::ClickFocus);
    PBCursor->OnPaint = [this](QPainter& canvas) { PBCursorPaint(canvas); };
    auto* planLayout = new QVBoxLayout(PanelMainEditor);
    planLayout->setContentsMargins(0, 0, 0, 0);
    planLayout->addWidget(PBCursor);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName("Splitter1");
    Splitter1->addWidget(PanMap);
    Splitter1->addWidget(PanelMainEditor);
    Splitter1->setStretchFactor(1, 1);

    // The bottom panel.
    PanMainBottom = new QWidget(this);
    PanMainBottom->setObjectName("PanMainBottom");
    auto* zoomCaption = new QLabel("zoom", PanMainBottom);
    lZoom = new QLabel("1 px/m", PanMainBottom);
    lZoom->setObjectName("lZoom");
    tbZoom = new QSlider(Qt::Horizontal, PanMainBottom);
    tbZoom->setObjectName("tbZoom");
    tbZoom->setRange(1, 10);
    tbZoom->setFixedWidth(120);
    // The captions name the cursor fields in messages.
    auto* cursorCaption = new QLabel("cursor pos (m)", PanMainBottom);
    cursorCaption->setObjectName("lCursorPos");
    auto* xCaption = new QLabel("X", PanMainBottom);
    xCaption->setObjectName("lCursorX");
    EdXOffset = new QLineEdit("0", PanMainBottom);
    EdXOffset->setObjectName("EdXOffset");
    EdXOffset->setFixedWidth(80);
    auto* yCaption = new QLabel("Y", PanMainBottom);
    yCaption->setObjectName("lCursorY");
    EdYOffset = new QLineEdit("0", PanMainBottom);
    EdYOffset->setObjectName("EdYOffset");
    EdYOffset->setFixedWidth(80);
    lLeft = new QLabel(QString(QChar(0x2190)), PanMainBottom);
    lLeft->setObjectName("lLeft");
    lRight = new QLabel(QString(QChar(0x2192)), PanMainBottom);
    lRight->setObjectName("lRight");
    lUp = new QLabel(QString(QChar(0x2191)), PanMainBottom);
    lUp->setObjectName("lUp");
    lDown = new QLabel(QString(QChar(0x2193)), PanMainBottom);
    lDown->setObjectName("lDown");
    lPDist = new QLabel("...", PanMainBottom);
    lPDist->setObjectName("lPDist");
    lThisTrack = new TElidedLabel("this track", PanMainBottom);
    lThisTrack->setObjectName("lThisTrack");
    auto* stationCaption = new QLabel("goto station", PanMainBottom);
    cbGotoStation = new QComboBox(PanMainBottom);
    cbGotoStation->setObjectName("cbGotoStation");
    cbGotoStation->addItem("Start Station");
    ProgressBar1 = new QProgressBar(PanMainBottom);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    lCurrentProgress = new QLabel("0 %", PanMainBottom);
    lCurrentProgress->setObjectName("lCurrentProgress");

    // Texts that change keep room for their longest usual value, so the
    // panel does not shift while the user works. A longer track description
    // ends in "..." and shows whole as a hint; the station list shows the
    // first characters of long names (its list shows them whole).
    const QFontMetrics metrics = PanMainBottom->fontMetrics();
    lZoom->setMinimumWidth(metrics.horizontalAdvance("10 px/m"));
    lPDist->setMinimumWidth(metrics.horizontalAdvance("P<->P: 10000.00000 m"));
    lThisTrack->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lThisTrack->setMinimumWidth(
        metrics.horizontalAdvance("this track: id=000 len=000.0000000000 alpha=-00.0000000000"));
    cbGotoStation->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbGotoStation->setMinimumContentsLength(12);
    ProgressBar1->setFixedWidth(80);
    lCurrentProgress->setMinimumWidth(metrics.horizontalAdvance("100%"));

    auto group = [](std::initializer_list<QWidget*> widgets) {
        auto* box = new QHBoxLayout;
        box->setContentsMargins(0, 0, 0, 0);
        for (QWidget* widget : widgets)
            box->addWidget(widget);
        return box;
    };
    auto* bottom = new TWrapLayout(PanMainBottom);
    bottom->setContentsMargins(4, 2, 4, 2);
    bottom->setSpacing(8);
    bottom->AddGroup(group({zoomCaption, tbZoom, lZoom}));
    QHBoxLayout* cursor = group({cursorCaption, xCaption, EdXOffset, yCaption, EdYOffset});
    cursor->addSpacing(4);
    for (QWidget* arrow : {lLeft, lUp, lDown, lRight})
        cursor->addWidget(arrow);
    bottom->AddGroup(cursor);
    bottom->AddGroup(group({lPDist}));
    bottom->AddGroup(group({stationCaption, cbGotoStation}));
    bottom->AddGroup(group({lThisTrack}), true);
    bottom->AddGroup(group({ProgressBar1, lCurrentProgress}));

    auto* bars = new QHBoxLayout;
    bars->setContentsMargins(0, 0, 0, 0);
    bars->addWidget(ToolBar1);
    bars->addWidget(ToolBar3);
    bars->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bars);
    layout->addWidget(Splitter1, 1);
    layout->addWidget(PanMainBottom);

    // The plan's popup menu.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    addpoint1 = AddPopupItem("addpoint1", "add new &point", "Ctrl+P");
    deletepoint1 = AddPopupItem("deletepoint1", "&delete point and close route");
    connectpoints1 = AddPopupItem("connectpoints1", "&connect points");
    deleteconnection1 = AddPopupItem("deleteconnection1", "delete connection");
    addnewpointandconnect1 = AddPopupItem("addnewpointandconnect1", "add new point and connect");
    N5 = PopupMenu1->addSeparator();
    N5->setObjectName("N5");
    properties1 = AddPopupItem("properties1", "&track properties...", "Ctrl+T");
    QMenu* special = PopupMenu1->addMenu("&special track");
    specialtrack1 = special->menuAction();
    specialtrack1->setObjectName("specialtrack1");
    curve1 = special->addAction("curve");
    curve1->setObjectName("curve1");
    straight1 = special->addAction("straight");
    straight1->setObjectName("straight1");
    fixed1 = special->addAction("fixed");
    fixed1->setObjectName("fixed1");
    make25mlong1 = AddPopupItem("make25mlong1", "make &25m long");
    turntrack1 = AddPopupItem("turntrack1", "&turn track");
    copyproperties1 = AddPopupItem("copyproperties1", "&copy properties", "Ctrl+C");
    pasteproperties1 = PopupMenu1->addMenu("&paste properties")->menuAction();
    pasteproperties1->setObjectName("pasteproperties1");
    pastepropertiestocurrentroute1 = PopupMenu1->addMenu("paste properties to current route")->menuAction();
    pastepropertiestocurrentroute1->setObjectName("pastepropertiestocurrentroute1");
    pastepropertiesuntilswitch1 = PopupMenu1->addMenu("paste properties until switch")->menuAction();
    pastepropertiesuntilswitch1->setObjectName("pastepropertiesuntilswitch1");
    N4 = PopupMenu1->addSeparator();
    N4->setObjectName("N4");
    addselectedobject1 = AddPopupItem("addselectedobject1", "add &object from browser");
    deleteobject1 = AddPopupItem("deleteobject1", "delete object", "Ctrl+D");
    cloneobject1 = AddPopupItem("cloneobject1", "clone object", "Ctrl+L");
    objectproperties1 = AddPopupItem("objectproperties1", "object properties...", "Ctrl+M");
    N3 = PopupMenu1->addSeparator();
    N3->setObjectName("N3");
    PopupMenuaddtocurrentroute = AddPopupItem("PopupMenuaddtocurrentroute", "add to current route");
    addtocurrentrouteuntilswitch1 = AddPopupItem("addtocurrentrouteuntilswitch1", "add to current route until switch");
    PopupMenudeletefromcurrentroute = AddPopupItem("PopupMenudeletefromcurrentroute", "delete from current route");
    N2 = PopupMenu1->addSeparator();
    N2->setObjectName("N2");
    SelectionAreaPoint11 = AddPopupItem("SelectionAreaPoint11", "selection area point 1");
    SelectionAreaPoint21 = AddPopupItem("SelectionAreaPoint21", "selection area point 2");

    connect(tbZoom, &QSlider::valueChanged, this, &TFrmEditor::tbZoomChange);
    connect(tbMapZoom, &QSlider::valueChanged, this, &TFrmEditor::tbMapZoomChange);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &TFrmEditor::Timer1Timer);
    Timer1->start();

    SetUpEditing();
    SetUpMiniMap();
}

TFrmEditor::~TFrmEditor()
{
    CloseProject();
}

QToolButton* TFrmEditor::AddToolButton(QToolBar* bar, const char* name, const QString& text, const QString& hint)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    bar->addWidget(button);
    return button;
}

QAction* TFrmEditor::AddPopupItem(const char* name, const QString& text, const QString& shortcut)
{
    QAction* action = PopupMenu1->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        // Shown as a hint only: the main window runs these on the key release.
        action->setShortcut(QKeySequence(shortcut));
        action->setShortcutContext(Qt::WidgetShortcut);
    }
    return action;
}

void TFrmEditor::SetProject(std::unique_ptr<TVLProject> project)
{
    if (project && project.get() == Project) {
        (void)project.release();
        return;
    }
    CloseProject();
    Project = project.release();
    PlanIndex->Reset();
}

void TFrmEditor::CloseProject()
{
    if (!Project)
        return;
    ForgetProjectReferences();
    emit ProjectClosing(Project);
    DragPoint = nullptr;
    DragObject = nullptr;
    DragPending = false;
    TVLProject* old = Project;
    Project = nullptr;
    PlanIndex->Reset();
    delete old;
    // Nothing of the old project stays on show.
    ResetBottomPanel();
    {
        QSignalBlocker block(cbGotoStation);
        cbGotoStation->clear();
    }
}

TScreenPoint TFrmEditor::PlanOrigin() const
{
    return TScreenPoint{PBCursor->width() / 2, PBCursor->height() / 2};
}

TScreenPoint TFrmEditor::ToScreen(const TWorldPoint& p) const
{
    return WorldToScreen(p, PlanOrigin(), CurrentSituation.ViewCentre, CurrentSituation.Scale);
}

bool TFrmEditor::InsideFrame(const TScreenPoint& p) const
{
    return p.X >= 0 && p.X <= PBCursor->width() && p.Y >= 0 && p.Y <= PBCursor->height();
}

bool TFrmEditor::MeetsFrame(const TScreenPoint& a, const TScreenPoint& b, bool curved) const
{
    // A track is drawn when the box around it meets the view, so that a track
    // crossing the whole view is drawn although neither end lies in it. Walls,
    // rails and markers beside the track reach a few metres out; a curve bulges
    // away from its chord by at most half the chord.
    long long margin = static_cast<long long>(std::ceil(8.0 * CurrentSituation.Scale)) + 4;
    if (curved)
        margin += (std::llabs(static_cast<long long>(a.X) - b.X) + std::llabs(static_cast<long long>(a.Y) - b.Y)) / 2;
    const long long left = std::min<long long>(a.X, b.X) - margin;
    const long long right = std::max<long long>(a.X, b.X) + margin;
    const long long top = std::min<long long>(a.Y, b.Y) - margin;
    const long long bottom = std::max<long long>(a.Y, b.Y) + margin;
    return right >= 0 && left <= PBCursor->width() && bottom >= 0 && top <= PBCursor->height();
}

TWorldBox TFrmEditor::PixelAreaToWorld(const QRect& area, double marginPixels) const
{
    TWorldBox box;
    box.Include(PlanToWorld(area.left(), area.top()));
    box.Include(PlanToWorld(area.left() + area.width(), area.top() + area.height()));
    box.Grow(marginPixels / CurrentSituation.Scale);
    return box;
}

void TFrmEditor::PlanItemsIn(TPlanLayer layer, const QRect& area, double marginPixels, std::vector<int>& out)
{
    const int count = layer == TPlanLayer::Tracks   ? Project->Connections.Count()
                      : layer == TPlanLayer::Points ? Project->Points.Count()
                                                    : Project->FreeObjects.Count();
    const double scale = CurrentSituation.Scale;
    if (PaintEveryItem || !(scale > 0.0) || !std::isfinite(scale)) {
        out.resize(static_cast<std::size_t>(count));
        std::iota(out.begin(), out.end(), 0);
        return;
    }
    const TWorldBox box = PixelAreaToWorld(area, marginPixels);
    for (int attempt = 0; attempt < 2; ++attempt) {
        PlanIndex->Update(Project);
        bool unchanged = true;
        switch (layer) {
        case TPlanLayer::Tracks:
            PlanIndex->TracksIn(box, out);
            for (int i : out)
                unchanged = unchanged && PlanIndex->TrackUnchanged(i);
            break;
        case TPlanLayer::Points:
            PlanIndex->PointsIn(box, out);
            for (int i : out)
                unchanged = unchanged && PlanIndex->PointUnchanged(i);
            break;
        case TPlanLayer::Objects:
            PlanIndex->ObjectsIn(box, out);
            for (int i : out)
                unchanged = unchanged && PlanIndex->ObjectUnchanged(i);
            break;
        }
        if (unchanged)
            return;
        // Something in view was moved without a refresh: what the index
        // holds about the rest of the plan is not to be trusted either.
        NotePlanChange();
    }
}

bool TFrmEditor::IsStationTrack(int trackId) const
{
    return PaintEveryItem ? Project->FindStationByTrack(trackId) != nullptr : PlanIndex->IsStationTrack(trackId);
}

bool TFrmEditor::IsRouteTrack(int trackId) const
{
    return PaintEveryItem ? CurrentSituation.IsInCurrentRoute(trackId) : PlanIndex->IsRouteTrack(trackId);
}

void TFrmEditor::PBCursorPaint(QPainter& canvas)
{
    canvas.setRenderHint(QPainter::Antialiasing, false);
    // A window that changed the project and asked for a refresh may be
    // painted over before the timer sees the request.
    if (CurrentSituation.RefreshRequested)
        NotePlanChange();
    DrawTracks(canvas);
    DrawPoints(canvas);
    DrawObjects(canvas);
    DrawSelectionArea(canvas);
    DrawCursor(canvas);
}

void TFrmEditor::DrawTracks(QPainter& canvas)
{
    if (!Project)
        return;
    // MeetsFrame's margin (at most 8 m and 5 pixels, and the curve's bulge,
    // which the index counts in the track's box), with room for rounding.
    const double scale = CurrentSituation.Scale;
    PlanItemsIn(TPlanLayer::Tracks, QRect(0, 0, PBCursor->width(), PBCursor->height()), 8.0 * scale + 10.0,
                PlanItems);
    PlanIndex->UpdateTrackSets(*Project, CurrentSituation.CurrentRouteDefinition);
    const TPlanTransform toScreen{PlanOrigin(), CurrentSituation.ViewCentre, scale};
    std::vector<TWorldPoint> scratch;
    for (int i : PlanItems) {
        TVLConnection* connection = Project->Connections[i];
        if (!connection->StartPoint || !connection->EndPoint)
            continue;
        TScreenPoint start = toScreen(connection->StartPoint->Position);
        TScreenPoint end = toScreen(connection->EndPoint->Position);
        if (!MeetsFrame(start, end, connection->IsCurved()))
            continue;
        bool inRoute = IsRouteTrack(connection->Id);
        const TWorldPoint* cuts = nullptr;
        int pieces = 0;
        if (connection->IsCurved()) {
            if (PaintEveryItem) {
                pieces = Project->Connections.Subdivide(connection, TPlanIndex::CurvePieces(connection->Length()),
                                                        scratch);
                cuts = scratch.data();
            } else {
                const TPlanIndex::TTrack& track = PlanIndex->Track(i);
                pieces = static_cast<int>(track.Count);
                cuts = PlanIndex->CurvePoints(track);
            }
        }
        if (pieces > 0) {
            TScreenPoint previous = start;
            for (int k = 0; k < pieces; ++k) {
                TScreenPoint next = toScreen(cuts[k]);
                DrawTrack(canvas, connection, 5.0, inRoute, next, previous);
                previous = next;
            }
            DrawTrack(canvas, connection, 5.0, inRoute, end, previous);
        } else {
            DrawTrack(canvas, connection, 0.0, inRoute, end, start);
        }
    }
}

void TFrmEditor::DrawTrack(QPainter& canvas, TVLConnection* connection, double pieceLength, bool inRoute,
                           TScreenPoint endPixel, TScreenPoint startPixel)
{
    const double scale = CurrentSituation.Scale;
    const TScreenPoint s = startPixel;
    const TScreenPoint e = endPixel;

    // Station, current, route, other; each in the two widths.
    static const std::array<const QColor*, 4> colours{&PlanColours::StationTrack, &PlanColours::CurrentTrack,
                                                      &PlanColours::RouteTrack, &PlanColours::OtherTrack};
    static const std::array<std::array<QPen, 2>, 4> pens = [] {
        std::array<std::array<QPen, 2>, 4> made;
        for (std::size_t k = 0; k < colours.size(); ++k)
            made[k] = {SolidPen(*colours[k], 1), SolidPen(*colours[k], 3)};
        return made;
    }();
    std::size_t kind = 3;
    if (IsStationTrack(connection->Id))
        kind = 0;
    else if (connection == CurrentSituation.SelectedConnection)
        kind = 1;
    else if (inRoute)
        kind = 2;
    const QColor& colour = *colours[kind];
    canvas.setPen(pens[kind][connection->TrackKind <= 1 ? 0 : 1]);
    canvas.setBrush(Qt::NoBrush);

    const int pixelLength = PixelDistance(s, e);
    if (scale >= 5.0) {
        if (pixelLength == 0)
            return;
        // The two rails, 0.8 m either side of the track's middle line.
        const double nx = static_cast<double>(s.Y - e.Y) / pixelLength;
        const double ny = static_cast<double>(e.X - s.X) / pixelLength;
        const double gauge = 0.8 * scale;
        for (int side : {1, -1}) {
            const int dx = RoundFast(nx * gauge * side);
            const int dy = RoundFast(ny * gauge * side);
            canvas.drawLine(s.X + dx, s.Y + dy, e.X + dx, e.Y + dy);
        }
    } else {
        canvas.drawLine(Pixel(s), Pixel(e));
        if (connection->TrackKind >= 3 && connection->TrackKind <= 6) {
            if (pixelLength == 0)
                return;
            double angle = connection->AngleTo(nullptr);
            angle += (connection->TrackKind == 3 || connection->TrackKind == 6) ? 4.6 : -4.6;
            const double radians = angle * std::numbers::pi / 180.0;
            canvas.setPen(PlanPen(colour, 1, Qt::DotLine));
            canvas.drawLine(s.X, s.Y, s.X + RoundFast(scale * std::cos(radians) * 25.0),
                            s.Y - RoundFast(scale * std::sin(radians) * 25.0));
        }
    }

    // Side features, scaled by the piece's length in metres.
    const double r = pieceLength != 0.0 ? pieceLength : connection->Length();
    if (r == 0.0)
        return;
    const double ex = e.X - s.X;
    const double ey = e.Y - s.Y;
    // Pixel offset of w metres to the left of S->E; the right is its negative.
    auto left = [&](double w) { return QPoint(RoundFast(ey * w / r), RoundFast(-ex * w / r)); };

    if (connection->WallLeftId > 0 || connection->WallRightId > 0) {
        canvas.setPen(SolidPen(PlanColours::Wall, 3));
        if (connection->WallLeftId > 0) {
            const QPoint d = left(2.5);
            canvas.drawLine(Pixel(s) + d, Pixel(e) + d);
        }
        if (connection->WallRightId > 0) {
            const QPoint d = -left(2.5);
            canvas.drawLine(Pixel(s) + d, Pixel(e) + d);
        }
    }

    if (connection->Pole != 0) {
        const int n = RoundFast(pixelLength / (5.0 * scale));
        const QPoint tick = connection->Pole < 0 ? left(2.5) : -left(2.5);
        canvas.setPen(SolidPen(PlanColours::PoleTick, 1));
        for (int i = 0; i < n; ++i) {
            const QPoint from(RoundFast(s.X + ex * i / n), RoundFast(s.Y + ey * i / n));
            canvas.drawLine(from, from + tick);
        }
    }

    if (connection->PlatformSide == 1 || connection->PlatformSide == 2) {
        const int sign = connection->PlatformSide == 2 ? 1 : -1;
        const QPoint near = left(1.8) * sign;
        const QPoint far = left(7.5) * sign;
        const QColor fill = connection->RoofId != 0 ? PlanColours::RoofedPlatform : PlanColours::Platform;
        canvas.setPen(SolidPen(fill, 1));
        canvas.setBrush(PlanBrush(fill));
        const std::array<QPoint, 4> corners{Pixel(s) + near, Pixel(e) + near, Pixel(e) + far, Pixel(s) + far};
        canvas.drawPolygon(corners.data(), static_cast<int>(corners.size()));
        canvas.setBrush(Qt::NoBrush);
    }
}

void TFrmEditor::DrawPoints(QPainter& canvas)
{
    if (!Project)
        return;
    // Every pixel a point's disc may touch, in the paint box or the picture.
    QRect area(0, 0, PBCursor->width(), PBCursor->height());
    if (canvas.device())
        area |= QRect(0, 0, canvas.device()->width(), canvas.device()->height());
    PlanItemsIn(TPlanLayer::Points, area, 8.0, PlanItems);
    const TPlanTransform toScreen{PlanOrigin(), CurrentSituation.ViewCentre, CurrentSituation.Scale};
    static const QBrush selected(PlanColours::SelectedPoint);
    static const QBrush hovered(PlanColours::HoveredPoint);
    static const QBrush other(PlanColours::OtherPoint);
    canvas.setPen(Qt::NoPen);
    // Many plain points go through the layer, in runs between the selected
    // and the hovered one, which keep their places in the order. Laying the
    // layer costs about what a thousand pixels of the canvas do per disc.
    static TDiscLayer layer;
    const double canvasArea = canvas.device() ? double(canvas.device()->width()) * canvas.device()->height() : 0.0;
    const bool layered = !PaintEveryItem && PlanItems.size() >= 256 && PlanItems.size() * 1000.0 > canvasArea &&
                         layer.Usable(canvas);
    if (layered)
        layer.Begin(canvas);
    const QRgb plain = PlanColours::OtherPoint.rgba();
    for (int i : PlanItems) {
        const TVLPoint* point = Project->Points[i];
        const TScreenPoint p = toScreen(point->Position);
        const bool special = point == CurrentSituation.SelectedPoint || point == CurrentSituation.HoveredPoint;
        if (layered && !special) {
            layer.Add(p.X - 5, p.Y - 5, plain);
            continue;
        }
        if (layered)
            layer.Flush(canvas);
        canvas.setBrush(point == CurrentSituation.SelectedPoint  ? selected
                        : point == CurrentSituation.HoveredPoint ? hovered
                                                                 : other);
        canvas.drawEllipse(QRect(QPoint(p.X - 5, p.Y - 5), QPoint(p.X + 5, p.Y + 5)));
    }
    if (layered)
        layer.Flush(canvas);
    canvas.setBrush(Qt::NoBrush);
}

void TFrmEditor::DrawObjects(QPainter& canvas)
{
    if (!Project)
        return;
    // Left and top edges inside, right and bottom edges outside.
    const QRect clip = canvas.hasClipping() ? canvas.clipBoundingRect().toAlignedRect()
                                            : QRect(0, 0, PBCursor->width(), PBCursor->height());
    auto inside = [&](const QPoint& p) {
        return p.x() >= clip.left() && p.x() < clip.left() + clip.width() && p.y() >= clip.top() &&
               p.y() < clip.top() + clip.height();
    };
    PlanItemsIn(TPlanLayer::Objects, clip, 2.0, PlanItems);
    for (int i : PlanItems) {
        TVLObject* object = Project->FreeObjects[i];
        const auto corners = object->GetCorners();
        std::array<QPoint, 4> c;
        bool any = false;
        for (std::size_t k = 0; k < 4; ++k) {
            const TWorldPoint w = MakeWorldPoint(corners[k].X + object->X, corners[k].Y + object->Y);
            c[k] = Pixel(ToScreen(w));
            any = any || inside(c[k]);
        }
        if (!any)
            continue;
        const bool hovered = object == CurrentSituation.HoveredObject;
        const bool selected = object == CurrentSituation.SelectedObject;
        const QColor colour = hovered ? PlanColours::HoveredObject
                              : selected ? PlanColours::SelectedObject
                                         : PlanColours::OtherObject;
        // The corners run round the footprint (C1..C4), so the outline is
        // drawn in that order; taking them as C1, C2, C4, C3 would draw the
        // two diagonals instead of two of the sides.
        canvas.setPen(SolidPen(colour, 1));
        canvas.drawLine(c[0], c[1]);
        canvas.drawLine(c[1], c[2]);
        canvas.drawLine(c[2], c[3]);
        canvas.drawLine(c[3], c[0]);
        if (hovered || selected) {
            canvas.setFont(font());
            canvas.setBackgroundMode(Qt::TransparentMode);
            const QString text = QString::fromStdString(AnsiToUtf8(object->GetRelativePath()));
            // The text's top-left corner sits at C2.
            const QFontMetrics metrics(font());
            canvas.drawText(c[1] + QPoint(0, metrics.ascent()), text);
        }
    }
}

void TFrmEditor::DrawSelectionArea(QPainter& canvas)
{
    const TScreenPoint a = ToScreen(CurrentSituation.SelectionStart);
    const TScreenPoint b = ToScreen(CurrentSituation.SelectionEnd);
    canvas.setPen(QPen(PlanColours::SelectionArea, 1, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
    // The outline runs through both corner pixels.
    canvas.drawRect(QRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::abs(a.X - b.X), std::abs(a.Y - b.Y)));
}

void TFrmEditor::DrawCursor(QPainter& canvas)
{
    const TScreenPoint c = ToScreen(CurrentSituation.Cursor);
    canvas.setPen(SolidPen(PlanColours::Cursor, 1));
    canvas.drawLine(c.X - 5, c.Y, c.X + 5, c.Y);
    canvas.drawLine(c.X, c.Y - 5, c.X, c.Y + 5);
}

void TFrmEditor::UpdateTrackTypeCombo()
{
    TVLConnection* track = CurrentSituation.SelectedConnection;
    if (track) {
        QSignalBlocker block(cbTrackType);
        cbTrackType->setCurrentIndex(std::min<int>(track->TrackKind, cbTrackType->count() - 1));
        cbTrackType->setEnabled(true);
    } else {
        cbTrackType->setEnabled(false);
    }
}

void TFrmEditor::RefreshEditor()
{
    NotePlanChange();
    RefreshView();
}

void TFrmEditor::RefreshView()
{
    TCurrentSituation& state = CurrentSituation;

    PanelMainEditor->update();

    // One form that Enter reads back, whatever the locale: a point before
    // the decimals and no group separators.
    EdXOffset->setText(QString::number(state.Cursor.X, 'f', 2));
    EdYOffset->setText(QString::number(state.Cursor.Y, 'f', 2));

    QString distance = "P<->P: ";
    if (state.SelectedPoint && state.HoveredPoint)
        distance += QString::fromStdString(
                        FloatToStrDot(Distance(state.SelectedPoint->Position, state.HoveredPoint->Position))) +
                    " m";
    lPDist->setText(distance);

    PaintBox1->update();

    lZoom->setText(GeneralNumber(state.Scale) + " px/m");
    tbZoom->setRange(1, 10);
    tbZoom->setValue(static_cast<int>(state.Scale));

    PBCursor->update();

    const bool track = state.SelectedConnection != nullptr;
    const bool point = state.SelectedPoint != nullptr;
    const bool connectable = point && state.HoveredPoint && state.SelectedPoint != state.HoveredPoint;
    tbConnectPoints->setEnabled(connectable);
    connectpoints1->setEnabled(connectable);
    UpdateTrackTypeCombo();
    for (QObject* item : std::initializer_list<QObject*>{turntrack1, copyproperties1, deleteconnection1,
                                                         tbImproveConnection, tbProperties, make25mlong1})
        item->setProperty("enabled", track);
    pasteproperties1->setEnabled(CopiedTrack != nullptr);
    pastepropertiesuntilswitch1->setEnabled(CopiedTrack != nullptr);
    pastepropertiestocurrentroute1->setEnabled(CopiedTrack && state.CurrentRouteDefinition);
    for (QObject* item : std::initializer_list<QObject*>{tbAddAndConnect, tbDelPoint, deletepoint1,
                                                         addnewpointandconnect1})
        item->setProperty("enabled", point);
    PopupMenuaddtocurrentroute->setEnabled(track && state.CurrentRouteId() != 0);
    addtocurrentrouteuntilswitch1->setEnabled(track && state.CurrentRouteId() != 0 && point);
    const bool browserReady = ObjectBrowserHasSelection && ObjectBrowserHasSelection();
    addselectedobject1->setEnabled(browserReady);
    tbAddObj->setEnabled(browserReady);
    tbDelObj->setEnabled(state.SelectedObject != nullptr);
    tbObjProperties->setEnabled(state.SelectedObject != nullptr);

    {
        QSignalBlocker block(cbGotoStation);
        cbGotoStation->clear();
        if (Project)
            for (TVLStation* station : Project->Stations)
                cbGotoStation->addItem(QString::fromStdString(AnsiToUtf8(station->Name)));
    }

    // Without a current track the label goes on describing the last one,
    // as it is now (its points may have moved); once that is gone, no track.
    TVLConnection* c = state.SelectedConnection;
    if (!c && FThisTrackId >= 0 && Project)
        c = Project->FindConnection(FThisTrackId);
    if (c && c->StartPoint && c->EndPoint) {
        FThisTrackId = c->Id;
        lThisTrack->setText("this track: id=" + QString::number(c->Id) + " len=" + GeneralNumber(c->Length()) +
                            " alpha=" + GeneralNumber(c->AngleTo(nullptr)));
    } else {
        FThisTrackId = -1;
        lThisTrack->setText("this track");
    }
}

void TFrmEditor::ResetBottomPanel()
{
    FThisTrackId = -1;
    lThisTrack->setText("this track");
    lPDist->setText("...");
    ProgressBar1->setValue(0);
    lCurrentProgress->setText("0 %");
}

bool TFrmEditor::LoadProject(const std::string& fileName)
{
    auto project = std::make_unique<TVLProject>();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = project->LoadFromFile(fileName);
    QGuiApplication::restoreOverrideCursor();
    LoadFailure = project->LoadError;
    if (!loaded)
        return false;
    SetProject(std::move(project));

    tbMapZoom->setValue(tbMapZoom->maximum());
    tbZoom->setValue(tbZoom->minimum());
    // Setting the bar to where it already stands runs no change handler.
    CurrentSituation.Scale = tbZoom->value();

    const std::string map = Project->BackgroundMapFileName;
    PanMap->setVisible(!map.empty() && FileExists(DiskPath(map)));
    tbMap1->setChecked(!PanMap->isHidden());
    SetMap();

    CopiedTrack.reset();
    RefreshEditor();
    return true;
}

void TFrmEditor::ShowProgress(int min, int max, int position)
{
    ProgressBar1->setRange(min, max);
    ProgressBar1->setValue(position);
    if (max != min)
        lCurrentProgress->setText(QString::number(position * 100 / (max - min)) + "%");
}

void TFrmEditor::Timer1Timer()
{
    if (CurrentSituation.RefreshRequested) {
        CurrentSituation.RefreshRequested = false;
        RefreshEditor();
    }
    // The picture and the drawing share the scrolled area: the drawing
    // stays on the picture wherever it is scrolled.
    PaintBox1->move(Image1->pos());
}

void TFrmEditor::tbZoomChange(int position)
{
    CurrentSituation.Scale = position;
    RefreshView();
}
