#pragma once
// The track-plan editor frame: shows the open project as a plan (tracks,
// points, placed objects, the selection area and the cursor) and owns the
// open project. Every edit ends with RefreshEditor; windows that change the
// project without a reference to the frame set CurrentSituation's
// RefreshRequested, which the frame's 250 ms timer polls. What the frame
// keeps about the plan between paints (frmeditor_planindex.h) is renewed by
// either, and by any change the model's lists see.

#include "model/vlhelpers.h"
#include "model/vlproject.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QProgressBar;
class QScrollArea;
class QSlider;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;

class TMapPicture;
class TVLConnection;
class TVLObject;
class TVLPoint;
class TVLProject;
class TPlanIndex;
struct TWorldBox;

// The paint box of the plan: a plain widget whose painting is done by its
// owner (the frame), so the frame's drawing code sees one canvas.
class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr) : QWidget(parent) {}
    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Colours of the plan (red, green, blue).
namespace PlanColours {
inline const QColor Background{0, 64, 0};
inline const QColor StationTrack{0, 0, 255};
inline const QColor CurrentTrack{128, 0, 128};
inline const QColor RouteTrack{0, 128, 0};
inline const QColor OtherTrack{255, 128, 128};
inline const QColor Wall{192, 192, 192};
inline const QColor PoleTick{0, 128, 192};
inline const QColor Platform{170, 170, 170};
inline const QColor RoofedPlatform{102, 102, 102};
inline const QColor SelectedPoint{128, 0, 128};
inline const QColor HoveredPoint{255, 0, 0};
inline const QColor OtherPoint{64, 0, 0};
inline const QColor HoveredObject{255, 128, 0};
inline const QColor SelectedObject{252, 16, 34};
inline const QColor OtherObject{255, 255, 0};
inline const QColor SelectionArea{0, 255, 255};
inline const QColor Cursor{255, 255, 255};
} // namespace PlanColours

class TFrmEditor : public QWidget {
    Q_OBJECT

public:
    explicit TFrmEditor(QWidget* parent = nullptr);
    ~TFrmEditor() override;

    // The open project, owned by the frame; nothing while none is open.
    TVLProject* Project = nullptr;
    // Nudge distance of the arrow labels, metres.
    double ArrowStep = 0.0;
    // Decoding scale of the mini-map picture: 0..3 for 1:1, 1:2, 1:4, 1:8.
    unsigned char MapJpegScale = 0;

    // Replaces the open project (nothing closes it). The references that
    // CurrentSituation holds into the old project are cleared before it is
    // freed, and the property clipboard is emptied of nothing but its
    // reference; returns without effect when project is the open one.
    void SetProject(std::unique_ptr<TVLProject> project);
    // Frees the open project, clearing every reference into it first.
    void CloseProject();

    // Repaints and brings every dependent control up to date after the
    // project was changed.
    void RefreshEditor();
    // The same when only the view, the hovered or the selected items
    // changed: what the frame keeps about the plan stays.
    void RefreshView();
    // With a current track, cbTrackType shows its kind and is enabled;
    // without one it is disabled.
    void UpdateTrackTypeCombo();
    // Reads a file into a new project, which replaces the open one only
    // once the whole file has loaded. A file that cannot be read completely
    // leaves the open project as it was and gives false, LoadFailure saying
    // what was damaged (empty when the file could not be read at all).
    bool LoadProject(const std::string& fileName);
    std::string LoadFailure;
    void ShowProgress(int min, int max, int position);

    // The plan transform: the centre of PBCursor, CurrentSituation's view
    // centre and scale.
    TScreenPoint PlanOrigin() const;
    TScreenPoint ToScreen(const TWorldPoint& p) const;

    // Paints the whole plan onto the canvas (what PBCursor shows).
    void PBCursorPaint(QPainter& canvas);
    void DrawTracks(QPainter& canvas);
    void DrawTrack(QPainter& canvas, TVLConnection* connection, double pieceLength, bool inRoute,
                   TScreenPoint endPixel, TScreenPoint startPixel);
    void DrawPoints(QPainter& canvas);
    void DrawObjects(QPainter& canvas);
    void DrawSelectionArea(QPainter& canvas);
    void DrawCursor(QPainter& canvas);
    // Paints by visiting every track, point and object of the project, as a
    // check of the plan index, which otherwise picks those in view.
    bool PaintEveryItem = false;

    // Whether the object browser has both a folder and an object chosen
    // (answered by the objects window once it exists).
    static std::function<bool()> ObjectBrowserHasSelection;

    // The property clipboard: a track without end points, owned by the frame.
    std::unique_ptr<TVLConnection> CopiedTrack;
    // Which properties a paste transfers (0..5).
    unsigned char PasteMode = 0;

    // Interaction fields of the mouse handling.
    bool ViewDragging = false;
    bool ViewDragged = false;
    bool DragPending = false;
    TVLPoint* DragPoint = nullptr;
    TVLObject* DragObject = nullptr;
    TScreenPoint DragOffset;
    TScreenPoint LastMousePos;
    int DragCountdown = 0;
    TWorldPoint PressPos;

    // Tool bars and their buttons.
    QToolBar* ToolBar1;
    QToolBar* ToolBar3;
    QToolButton* tbNewPoint;
    QToolButton* tbAddAndConnect;
    QToolButton* tbConnectPoints;
    QToolButton* tbDelPoint;
    QToolButton* tbImproveConnection;
    QToolButton* tbProperties;
    QToolButton* tbAddObj;
    QToolButton* tbDelObj;
    QToolButton* tbObjProperties;
    QToolButton* tbObjects;
    QToolButton* ToolButton5;
    QToolButton* tbMap1;
    QToolButton* tbTrains;
    QToolButton* bStations;
    QToolButton* tbSel1;
    QToolButton* tbSel2;
    QComboBox* cbTrackType;

    // The plan.
    QSplitter* Splitter1;
    QWidget* PanelMainEditor;
    TPaintBox* PBCursor;

    // The mini map (frmeditor_minimap.cpp): the background picture with
    // the tracks drawn over it at their true places.
    QWidget* PanMap;
    QScrollArea* ScrollBox1;
    TMapPicture* Image1;
    TPaintBox* PaintBox1;
    QSlider* tbMapZoom;
    QLineEdit* EdMapCoord;
    QToolButton* tbBGImage;

    // The world point of a map pixel (y counted up from the picture's
    // bottom edge) at the zoom bar's scale.
    TWorldPoint MapPixelToMetres(int x, int y) const;
    // Loads the picture at MapJpegScale while the panel is shown.
    void SetMap();
    // Shows or hides the panel; offers to create a picture when there is none.
    void tbMapClick();
    void setminimapbackgroundimage1Click();
    void PaintBox1Paint(QPainter& canvas);
    // Mouse over the map, in pixels of the picture from its top left.
    void Image1MouseMove(int x, int y);
    void Image1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void ScrollBox1Resize();

    // The bottom panel.
    QWidget* PanMainBottom;
    QLabel* lZoom;
    QSlider* tbZoom;
    QLineEdit* EdXOffset;
    QLineEdit* EdYOffset;
    QLabel* lPDist;
    QLabel* lThisTrack;
    QComboBox* cbGotoStation;
    QProgressBar* ProgressBar1;
    QLabel* lCurrentProgress;
    QLabel* lLeft;
    QLabel* lRight;
    QLabel* lUp;
    QLabel* lDown;

    // The plan's popup menu, in menu order (N2..N5 are separators). The
    // three paste items carry submenus filled by the paste commands.
    QMenu* PopupMenu1;
    QAction* addpoint1;
    QAction* deletepoint1;
    QAction* connectpoints1;
    QAction* deleteconnection1;
    QAction* addnewpointandconnect1;
    QAction* N5;
    QAction* properties1;
    QAction* specialtrack1;
    QAction* curve1;
    QAction* straight1;
    QAction* fixed1;
    QAction* make25mlong1;
    QAction* turntrack1;
    QAction* copyproperties1;
    QAction* pasteproperties1;
    QAction* pastepropertiestocurrentroute1;
    QAction* pastepropertiesuntilswitch1;
    QAction* N4;
    QAction* addselectedobject1;
    QAction* deleteobject1;
    QAction* cloneobject1;
    QAction* objectproperties1;
    QAction* N3;
    QAction* PopupMenuaddtocurrentroute;
    QAction* addtocurrentrouteuntilswitch1;
    QAction* PopupMenudeletefromcurrentroute;
    QAction* N2;
    QAction* SelectionAreaPoint11;
    QAction* SelectionAreaPoint21;

    QTimer* Timer1;

signals:
    // The open project is about to be freed: windows that hold it drop
    // their reference.
    void ProjectClosing(TVLProject* project);
    // A line for the main window's status bar.
    void StatusText(const QString& text);

public slots:
    void Timer1Timer();
    // The zoom bar sets the plan scale (1..10 px/m).
    void tbZoomChange(int position);
    // The mini map's decoding scale follows its zoom bar (1:1 .. 1:8).
    void tbMapZoomChange(int position);

private:
    // Area the tracks are clipped against: the paint box's size.
    bool InsideFrame(const TScreenPoint& p) const;
    // Whether the track from a to b (pixels) may show in the view.
    bool MeetsFrame(const TScreenPoint& a, const TScreenPoint& b, bool curved) const;
    QToolButton* AddToolButton(QToolBar* bar, const char* name, const QString& text, const QString& hint);
    QAction* AddPopupItem(const char* name, const QString& text, const QString& shortcut = {});

    // The plan index (frmeditor_planindex.h) and the items a paint visits.
    enum class TPlanLayer { Tracks, Points, Objects };
    // Indices, ascending, of the layer's items that may show in the pixel
    // area (every item with PaintEveryItem). The index is brought up to date
    // first, and rebuilt once more when one of those items was changed
    // without notice.
    void PlanItemsIn(TPlanLayer layer, const QRect& area, double marginPixels, std::vector<int>& out);
    TWorldBox PixelAreaToWorld(const QRect& area, double marginPixels) const;
    bool IsStationTrack(int trackId) const;
    bool IsRouteTrack(int trackId) const;
    std::unique_ptr<TPlanIndex> PlanIndex;
    std::vector<int> PlanItems;

    // ------------------------------------------------------------------
    // Editing: mouse, view and snapping (frmeditor_mouse.cpp), editing
    // commands (frmeditor_commands.cpp), property clipboard
    // (frmeditor_clipboard.cpp).
public:
    // Connects the plan, the bottom panel, the tool bars and the popup menu
    // to the editing handlers below; run once by the constructor.
    void SetUpEditing();

    // The world point under a pixel of PBCursor.
    TWorldPoint PlanToWorld(int x, int y) const;

    // Mouse on the plan (pixel positions of PBCursor).
    void PBCursorMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void ScrollBox1MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void PBCursorMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void PBCursorDblClick();
    // The track picked at world point w: within the pick band of its drawn
    // line (a curve along its curve), the nearest one; none without.
    TVLConnection* PickTrack(const TWorldPoint& w);
    // View controls of the bottom panel.
    void EdYOffsetKeyPress(int key);
    void cbGotoStationChange(int index);
    void lLeftClick();
    void lRightClick();
    void lUpClick();
    void lDownClick();
    void SelectionAreaPoint11Click();
    void SelectionAreaPoint21Click();
    // Snapping aids for SelectedPoint (and the current track).
    void SnapToParallelTrack();
    void EnforceMinimumLength();

    // Editing commands.
    void tbNewPointClick();
    void addpoint1Click();
    void connectpoints1Click();
    void addnewpointandconnect1Click();
    void tbAddAndConnectClick();
    void tbImproveConnectionClick();
    void tbDelPointClick();
    void deleteconnection1Click();
    void properties1Click();
    void straight1Click();
    void curve1Click();
    void fixed1Click();
    void cbTrackTypeChange(int index);
    void turntrack1Click();
    void make25mlong1Click();
    void addselectedobject1Click();
    void cloneobject1Click();
    void deleteobject1Click();
    void objectproperties1Click();
    void PopupMenuaddtocurrentrouteClick();
    void addtocurrentrouteuntilswitch1Click();
    void PopupMenudeletefromcurrentrouteClick();
    void ToolButton1Click();
    void tbObjectsClick();
    void tbTrainsClick();
    void bStationsClick();
    void CopyPropertiesToNewTrack(TVLConnection* connection);
    void SubdivideTrack(int n, double length);
    void tbImproveClick();
    // The main window's Ctrl key releases (T, C, D, L, M, P).
    void FrameKeyCommand(char letter);

    // Property clipboard.
    void copyproperties1Click();
    void pasteproperties1Click();
    void pastepropertiestocurrentroute1Click();
    void pastepropertiesuntilswitch1Click();

    // The track properties and free-object properties dialogs, shown
    // modally for the item; true when the user accepted (OK). Without a
    // window that takes the item, nothing is shown.
    bool RunTrackProperties(TVLConnection* track);
    bool RunFreeObjectProperties(TVLObject* object);
    // Replacements of those windows (and of the stations window) for tests
    // and embedders; when set they are used instead of the windows.
    static std::function<bool(TVLConnection* track, TVLProject* project)> ShowTrackProperties;
    static std::function<bool(TVLObject* object)> ShowFreeObjectProperties;
    // The object browser's chosen folder and object file (ANSI, as its two
    // lists show them); false when either is missing.
    static std::function<bool(std::string& folder, std::string& fileName)> ObjectBrowserSelection;
    // Hands the project to the stations window and shows it (not modal).
    static std::function<void(TVLProject* project)> ShowStations;

    // Items of the three paste submenus (target: current track, current
    // route, until switch), mode 0..5 each.
    QAction* allproperties3;
    QAction* ground2;
    QAction* background2;
    QAction* speedlimit3;
    QAction* poles3;
    QAction* tracktype1;
    QAction* allproperties1;
    QAction* groundonly1;
    QAction* backgroundonly1;
    QAction* speedlimit1;
    QAction* poles1;
    QAction* tracktype2;
    QAction* allproperties2;
    QAction* ground1;
    QAction* background1;
    QAction* speedlimit2;
    QAction* poles2;
    QAction* tracktype3;

private:
    // The point hover and object hover of a mouse move at world point w.
    void HoverPointsAt(const TWorldPoint& w);
    void HoverObjectsAt(const TWorldPoint& w);
    // Whether world point w lies inside the object's footprint.
    static bool ObjectHit(const TVLObject* object, const TWorldPoint& w);
    // The integer zoom of the point hit test (tbZoom's position).
    int HitZoom() const;
    // The walk of "until switch": from the current track through
    // SelectedPoint onwards, visiting every track reached (the current one
    // first); the last track visited stays current and the stop point
    // selected. Nothing happens when SelectedPoint is not an end of the
    // current track.
    void WalkUntilSwitch(const std::function<void(TVLConnection*)>& visit);
    // Both paste submenus and their items.
    void BuildPasteMenus();
    // Connects the mini map's controls to their handlers.
    void SetUpMiniMap();
    void MoveNudged(double dx, double dy);
    // Deletes a track: it leaves every route definition and every station
    // first. Stations left without a platform are named by the next
    // ReportStationsLeft.
    void DropTrack(TVLConnection* track);
    void ReportStationsLeft();
    // The track lThisTrack describes (-1: none) and the panel's texts as
    // they are with no project.
    int FThisTrackId = -1;
    void ResetBottomPanel();
    TStrings FStationsLeft;
    QObject* EditingEvents = nullptr;
};
