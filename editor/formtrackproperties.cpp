#include "editor/formtrackproperties.h"

#include "editor/appforms.h"
#include "editor/msginisupp.h"

#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/formtracktypes.h"
#include "editor/frmeditor.h"
#include "editor/numberfields.h"
#include "editor/editorwindows.h"
#include "editor/vclwidgets.h"
#include "editor/wave.h"
#include "model/vlcatalogs.h"
#include "model/vlconnection.h"
#include "model/vlhelpers.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cerrno>
#include <concepts>
#include <cstdio>
#include <cstdlib>

TFormTrackProperties* FormTrackProperties = nullptr;

std::function<bool(const std::string&, int, const std::string&, TStrings&)> TFormTrackProperties::EditCatalog;

namespace {

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(name);
    return object;
}

std::string ObjectFolder() { return FormOptions ? FormOptions->GetObjectFolder() : std::string("lib"); }

TStrings ComboItems(const QComboBox* combo)
{
    TStrings items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(QToAnsi(combo->itemText(i)));
    return items;
}

void SetComboItems(QComboBox* combo, const TStrings& items)
{
    const QSignalBlocker block(combo);
    combo->clear();
    for (const auto& item : items)
        combo->addItem(AnsiToQ(item));
    combo->setCurrentIndex(-1);
}

// Chooses item index; an index the list does not have leaves no choice.
void SelectIndex(QComboBox* combo, int index)
{
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// The id of a catalog line as the catalogs read it: the decimal number
// before its "=", 0 for a line without "=" (the appended "-" item) or with
// something else before it.
int ItemId(const QComboBox* combo, int index)
{
    const std::string line = QToAnsi(combo->itemText(index));
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? 0 : StrToIntDef(std::string_view(line).substr(0, eq), 0);
}

std::string EditText(const QLineEdit* edit) { return QToAnsi(edit->text()); }

void SetEditText(QLineEdit* edit, const std::string& ansi) { edit->setText(AnsiToQ(ansi)); }

// The runtime's general number format: up to 15 significant digits.
std::string GeneralNumber(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// The predefined-objects window's list editor, as far as that window has one.
template <class TForm>
bool RunEditList(TForm* form, const std::string& title, int fixedCount, const std::string& folder, TStrings& items)
{
    if constexpr (requires { { form->EditList(title, fixedCount, folder, items) } -> std::convertible_to<bool>; }) {
        return form && form->EditList(title, fixedCount, folder, items);
    } else if constexpr (requires(QStringList& list) {
                             { form->EditList(QString(), fixedCount, QString(), list) } -> std::convertible_to<bool>;
                         }) {
        if (!form)
            return false;
        QStringList list;
        for (const auto& item : items)
            list.append(AnsiToQ(item));
        if (!form->EditList(AnsiToQ(title), fixedCount, AnsiToQ(folder), list))
            return false;
        items.clear();
        for (const auto& item : list)
            items.push_back(QToAnsi(item));
        return true;
    } else {
        // A window without a list editor yet: shown as it is, nothing edited.
        if (form)
            ShowModal(form);
        return false;
    }
}

template <class TForm>
void ShowStationsModal(TForm* form, TVLProject* project)
{
    if (!form)
        return;
    if constexpr (requires { form->Project = project; })
        form->Project = project;
    ShowModal(form);
}

} // namespace

TFormTrackProperties::TFormTrackProperties(QWidget* parent) : QDialog(parent)
{
    BuildControls();
    if (FormMain && FormMain->FrmEditor) {
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project) {
                Project = nullptr;
                Connection = nullptr;
            }
        });
    }
}

void TFormTrackProperties::BuildControls()
{
    setObjectName("FormTrackProperties");
    setWindowTitle("Track properties");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    SetTranslatable(PageControl1->tabBar(), false);
    layout->addWidget(PageControl1);

    auto label = [](const char* text, QWidget* page, const char* name) { return Named(new QLabel(text, page), name); };
    auto combo = [](QWidget* page, const char* name) {
        auto* c = Named(new QComboBox(page), name);
        c->setEditable(false);
        c->setMinimumContentsLength(20);
        return c;
    };
    auto button = [](const char* text, QWidget* page, const char* name) {
        auto* b = Named(new QPushButton(text, page), name);
        b->setAutoDefault(false);
        return b;
    };
    auto edit = [](QWidget* page, const char* name) { return Named(new QLineEdit(page), name); };
    // A caption above its control.
    auto captioned = [](QLabel* caption, QWidget* control) {
        auto* box = new QVBoxLayout;
        box->setSpacing(2);
        box->addWidget(caption);
        box->addWidget(control);
        return box;
    };

    TabSheet1 = Named(new QWidget, "TabSheet1");
    PageControl1->addTab(TabSheet1, "Appearance");
    auto* g1 = new QGridLayout(TabSheet1);
    LabelID = label("ID=", TabSheet1, "LabelID");
    EditLength = edit(TabSheet1, "EditLength");
    EditLength->setEnabled(false);
    g1->addWidget(LabelID, 0, 0);
    g1->addLayout(captioned(label("Length (m)", TabSheet1, "lLength"), EditLength), 0, 1);
    cbTrackTextures = combo(TabSheet1, "cbTrackTextures");
    g1->addLayout(captioned(label("Track Texture", TabSheet1, "lTrackTexture"), cbTrackTextures), 1, 0, 1, 2);
    cbBackgroundImages = combo(TabSheet1, "cbBackgroundImages");
    bDefineBGImages = button("&Define...", TabSheet1, "bDefineBGImages");
    g1->addLayout(captioned(label("Background Image", TabSheet1, "lBackground"), cbBackgroundImages), 2, 0, 1, 2);
    g1->addWidget(bDefineBGImages, 2, 2, Qt::AlignBottom);
    imgBackground = Named(new QLabel(TabSheet1), "imgBackground");
    imgBackground->setFixedSize(160, 60);
    imgBackground->setFrameShape(QFrame::Box);
    SetTranslatable(imgBackground, false);
    g1->addWidget(imgBackground, 2, 3, 2, 1);
    cbGroundTextures = combo(TabSheet1, "cbGroundTextures");
    Button3 = button("&Define...", TabSheet1, "Button3");
    g1->addLayout(captioned(label("Ground Texture", TabSheet1, "lGround"), cbGroundTextures), 3, 0, 1, 2);
    g1->addWidget(Button3, 3, 2, Qt::AlignBottom);
    cbPlatformtype = combo(TabSheet1, "cbPlatformtype");
    bPlatform = button("&Define...", TabSheet1, "bPlatform");
    g1->addLayout(captioned(label("Platform", TabSheet1, "lPlatform"), cbPlatformtype), 4, 0, 1, 2);
    g1->addWidget(bPlatform, 4, 2, Qt::AlignBottom);
    cbPlatformPos = combo(TabSheet1, "cbPlatformPos");
    cbPlatformPos->setMinimumContentsLength(6);
    cbPlatformPos->addItems({"none", "right", "left"});
    g1->addLayout(captioned(label("Platform side", TabSheet1, "lPlatformPos"), cbPlatformPos), 4, 3);
    cbRoofType = combo(TabSheet1, "cbRoofType");
    bDefineRoofs = button("&Define...", TabSheet1, "bDefineRoofs");
    g1->addLayout(captioned(label("Platform Roof", TabSheet1, "lRoof"), cbRoofType), 5, 0, 1, 2);
    g1->addWidget(bDefineRoofs, 5, 2, Qt::AlignBottom);
    cbPolesType = combo(TabSheet1, "cbPolesType");
    bDefinePoles = button("&Define...", TabSheet1, "bDefinePoles");
    g1->addLayout(captioned(label("Catenary Poles", TabSheet1, "lPoles"), cbPolesType), 6, 0, 1, 2);
    g1->addWidget(bDefinePoles, 6, 2, Qt::AlignBottom);
    cbPoleSide = combo(TabSheet1, "cbPoleSide");
    cbPoleSide->setMinimumContentsLength(6);
    cbPoleSide->addItems({"left", "none", "right"});
    cbPoleSide->setCurrentIndex(1);
    g1->addLayout(captioned(label("Pole side", TabSheet1, "lPoleSide"), cbPoleSide), 6, 3);
    Button6 = button("&Stations...", TabSheet1, "Button6");
    g1->addWidget(Button6, 7, 0);
    g1->setRowStretch(8, 1);

    TabSheet2 = Named(new QWidget, "TabSheet2");
    PageControl1->addTab(TabSheet2, "Walls and Dikes");
    auto* g2 = new QGridLayout(TabSheet2);
    cbWallLeft = combo(TabSheet2, "cbWallLeft");
    cbWallRight = combo(TabSheet2, "cbWallRight");
    bDefineWalls = button("&Define Walls...", TabSheet2, "bDefineWalls");
    g2->addLayout(captioned(label("Left wall", TabSheet2, "lWallLeft"), cbWallLeft), 0, 0);
    g2->addLayout(captioned(label("Right wall", TabSheet2, "lWallRight"), cbWallRight), 1, 0);
    g2->addWidget(bDefineWalls, 2, 0, Qt::AlignLeft);
    g2->setRowStretch(3, 1);

    TabSheet3 = Named(new QWidget, "TabSheet3");
    PageControl1->addTab(TabSheet3, "Extended");
    auto* g3 = new QGridLayout(TabSheet3);
    edSpeedlimit = edit(TabSheet3, "edSpeedlimit");
    g3->addLayout(captioned(label("Speed limit (km/h)", TabSheet3, "lSpeedlimit"), edSpeedlimit), 0, 0);
    cbAccuracy = combo(TabSheet3, "cbAccuracy");
    cbAccuracy->setMinimumContentsLength(8);
    cbAccuracy->addItems({"good", "medium", "bad", "very bad"});
    cbAccuracy->setCurrentIndex(0);
    g3->addLayout(captioned(label("Track accuracy", TabSheet3, "lAccuracy"), cbAccuracy), 0, 1);
    edAdhesion = edit(TabSheet3, "edAdhesion");
    g3->addLayout(captioned(label("Adhesion (0..255)", TabSheet3, "lAdhesion"), edAdhesion), 1, 0);
    edPlayWave = edit(TabSheet3, "edPlayWave");
    Button5 = button("Test", TabSheet3, "Button5");
    g3->addLayout(captioned(label("Play sound effect", TabSheet3, "lPlayWave"), edPlayWave), 2, 0);
    g3->addWidget(Button5, 2, 1, Qt::AlignBottom | Qt::AlignLeft);
    EdFog = edit(TabSheet3, "EdFog");
    g3->addLayout(captioned(label("Fog depth (m)", TabSheet3, "lFog"), EdFog), 3, 0);
    g3->addWidget(label("(visibility. 0 means no fog.)", TabSheet3, "lFogNote"), 3, 1, Qt::AlignBottom);
    edHeight = edit(TabSheet3, "edHeight");
    g3->addLayout(captioned(label("Height (m)", TabSheet3, "lHeight"), edHeight), 4, 0);
    edMarkerFilename = edit(TabSheet3, "edMarkerFilename");
    edMarkerDuration = edit(TabSheet3, "edMarkerDuration");
    // Shown only: they take neither focus nor typing and look so.
    for (QLineEdit* shown : {edMarkerFilename, edMarkerDuration}) {
        shown->setReadOnly(true);
        shown->setFocusPolicy(Qt::NoFocus);
        QPalette look = shown->palette();
        look.setColor(QPalette::Base, look.color(QPalette::Window));
        shown->setPalette(look);
    }
    g3->addLayout(captioned(label("Marker filename", TabSheet3, "lMarkerFilename"), edMarkerFilename), 5, 0);
    g3->addLayout(captioned(label("Showing duration", TabSheet3, "lMarkerDuration"), edMarkerDuration), 5, 1);
    g3->setRowStretch(6, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    bOK = Named(new QPushButton("&OK", this), "bOK");
    bOK->setDefault(true);
    Button2 = Named(new QPushButton("&Cancel", this), "Button2");
    Button2->setAutoDefault(false);
    buttons->addWidget(bOK);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    StatusBar1 = new TStatusBar(this, "StatusBar1");
    StatusBar1->AddPanel("", 400);
    StatusBar1->setSizeGripEnabled(false);
    SetTranslatable(StatusBar1, false);
    layout->addWidget(StatusBar1);

    Wave1 = new TWave(this, "Wave1");

    connect(bOK, &QPushButton::clicked, this, &TFormTrackProperties::bOKClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbBackgroundImages, &QComboBox::currentIndexChanged, this,
            &TFormTrackProperties::cbBackgroundImagesChange);
    connect(cbPolesType, &QComboBox::currentIndexChanged, this, &TFormTrackProperties::cbBackgroundImagesChange);
    connect(cbPlatformPos, &QComboBox::currentIndexChanged, this, &TFormTrackProperties::cbPlatformPosChange);
    connect(Button5, &QPushButton::clicked, this, &TFormTrackProperties::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TFormTrackProperties::Button6Click);
    connect(Button3, &QPushButton::clicked, this, &TFormTrackProperties::Button3Click);
    connect(bDefineBGImages, &QPushButton::clicked, this, &TFormTrackProperties::bDefineBGImagesClick);
    connect(bPlatform, &QPushButton::clicked, this, &TFormTrackProperties::bPlatformClick);
    connect(bDefineRoofs, &QPushButton::clicked, this, &TFormTrackProperties::bDefineRoofsClick);
    connect(bDefinePoles, &QPushButton::clicked, this, &TFormTrackProperties::bDefinePolesClick);
    connect(bDefineWalls, &QPushButton::clicked, this, &TFormTrackProperties::bDefineWallsClick);
}

void TFormTrackProperties::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormTrackProperties::FormShow()
{
    PageControl1->setCurrentIndex(0);
    StatusBar1->SetPanelText(0, "");
    if (!Connection)
        return;
    const TVLConnection& c = *Connection;
    const std::string program = ProgramFolder();
    const std::string folder = ObjectFolder();
    const TVLGroundTexturelist grounds(program, folder);
    const TVLBackgroundTexturelist backgrounds(program, folder);
    const TVLPlatformlist platforms(program, folder);
    const TVLRooflist roofs(program, folder);
    const TVLCatenaryPoleList poles(program, folder);
    const TVLWalllist walls(program, folder);
    auto withDash = [](TStrings lines) {
        lines.push_back("-");
        return lines;
    };

    LabelID->setText(AnsiToQ("ID=" + std::to_string(c.Id)));
    SetEditText(EditLength, GeneralNumber(c.Length()));

    TStrings names;
    if (FormTrackTypes)
        FormTrackTypes->FillTrackNames(names);
    SetComboItems(cbTrackTextures, names);
    SelectIndex(cbTrackTextures, c.TrackType);

    SetComboItems(cbGroundTextures, grounds.Lines);
    SelectIndex(cbGroundTextures, grounds.IndexOfId(c.GroundId));
    SetComboItems(cbBackgroundImages, backgrounds.Lines);
    SelectIndex(cbBackgroundImages, backgrounds.IndexOfId(c.BackgroundId));
    cbBackgroundImagesChange();

    SetComboItems(cbPlatformtype, withDash(platforms.Lines));
    SelectIndex(cbPlatformtype, platforms.IndexOfId(c.PlatformId));
    SelectIndex(cbPlatformPos, c.PlatformSide);
    SetComboItems(cbRoofType, withDash(roofs.Lines));
    SelectIndex(cbRoofType, roofs.IndexOfId(c.RoofId));
    cbPlatformPosChange();
    SetComboItems(cbWallLeft, withDash(walls.Lines));
    SelectIndex(cbWallLeft, walls.IndexOfId(c.WallLeftId));
    SetComboItems(cbWallRight, withDash(walls.Lines));
    SelectIndex(cbWallRight, walls.IndexOfId(c.WallRightId));

    SetComboItems(cbPolesType, poles.Lines);
    SelectIndex(cbPolesType, poles.IndexOfId(std::abs(c.Pole)));
    SelectIndex(cbPoleSide, SignOf(c.Pole) + 1);

    SetEditText(edSpeedlimit, std::to_string(c.SpeedLimit));
    SelectIndex(cbAccuracy, c.Accuracy - 1);
    SetEditText(edAdhesion, std::to_string(c.Adhesion));
    SetEditText(EdFog, std::to_string(c.Fog));
    SetEditText(edHeight, FloatToStrDot(c.Height));
    SetEditText(edMarkerFilename, c.MarkerFile);
    SetEditText(edMarkerDuration, std::to_string(c.MarkerDuration));
    SetEditText(edPlayWave, c.WaveFile);
}

void TFormTrackProperties::bOKClick()
{
    if (!Connection) {
        accept();
        return;
    }
    // The numbers are read before anything is written: a refused field
    // leaves the track as it was and the dialog open.
    int speed = 0, adhesion = 0, fog = 0;
    double height = 0.0;
    if (!ReadWholeEdit(edSpeedlimit, "lSpeedlimit", 0, 1000, speed) ||
        !ReadWholeEdit(edAdhesion, "lAdhesion", 0, 255, adhesion) || !ReadWholeEdit(EdFog, "lFog", 0, 100000, fog) ||
        !ReadDecimalEdit(edHeight, "lHeight", -10000.0, 10000.0, height))
        return;
    // The sound's name is a quoted field of the track's project line.
    if (!CheckEditText(edPlayWave, "lPlayWave", QuotedFieldForbidden))
        return;
    TVLConnection& c = *Connection;
    // A list without a choice keeps its property.
    auto chosen = [](const QComboBox* combo) {
        const int i = combo->currentIndex();
        return i >= 0 && i < combo->count() ? i : -1;
    };
    auto takeId = [&](const QComboBox* combo, int& field) {
        const int i = chosen(combo);
        if (i >= 0)
            field = ItemId(combo, i);
    };

    if (chosen(cbTrackTextures) >= 0)
        c.TrackType = chosen(cbTrackTextures);
    takeId(cbGroundTextures, c.GroundId);
    takeId(cbBackgroundImages, c.BackgroundId);

    if (chosen(cbPlatformPos) >= 0)
        c.PlatformSide = chosen(cbPlatformPos);
    if (c.PlatformSide <= 0)
        c.PlatformId = 0;
    else
        takeId(cbPlatformtype, c.PlatformId);
    takeId(cbRoofType, c.RoofId);

    int pole = std::abs(c.Pole);
    takeId(cbPolesType, pole);
    const int side = chosen(cbPoleSide) >= 0 ? chosen(cbPoleSide) - 1 : SignOf(c.Pole);
    c.Pole = pole * side;

    takeId(cbWallLeft, c.WallLeftId);
    takeId(cbWallRight, c.WallRightId);

    c.SpeedLimit = speed;
    if (chosen(cbAccuracy) >= 0)
        c.Accuracy = chosen(cbAccuracy) + 1;
    c.Adhesion = adhesion;
    c.WaveFile = EditText(edPlayWave);
    c.Fog = fog;
    c.Height = height;
    // The marker fields only show the track's marker: nothing to write.
    accept();
}

void TFormTrackProperties::cbBackgroundImagesChange()
{
    const TVLBackgroundTexturelist backgrounds(ProgramFolder(), ObjectFolder());
    std::string bytes;
    QPixmap picture;
    if (backgrounds.LoadPicture(cbBackgroundImages->currentIndex(), bytes) &&
        picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size())))
        imgBackground->setPixmap(picture.scaled(imgBackground->size(), Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation));
    else
        imgBackground->clear();
}

void TFormTrackProperties::cbPlatformPosChange()
{
    cbRoofType->setEnabled(cbPlatformPos->currentIndex() != 0);
}

void TFormTrackProperties::Button5Click()
{
    StatusBar1->SetPanelText(0, "");
    const std::string name = ObjectFolder() + "\\sounds\\" + EditText(edPlayWave);
    const std::string file = DiskPath(ProgramFolder(), name);
    if (!FileExists(file))
        return;
    std::string error;
    if (!Wave1->WaveData().LoadFromFile(file, &error) || !Wave1->Play(&error)) {
        if (!error.empty())
            StatusBar1->SetPanelText(0, error);
    }
}

void TFormTrackProperties::Button6Click()
{
    // What was typed is kept, as OK keeps it; a value OK refuses keeps the
    // dialog open instead.
    setResult(Rejected);
    bOKClick();
    if (result() != Accepted)
        return;
    ShowStationsModal(FormStations, Project);
}

template <class TCatalog>
bool TFormTrackProperties::DefineCatalog(QComboBox* combo, const char* title, int fixedCount, const char* folder)
{
    const int index = combo->currentIndex();
    TStrings items = ComboItems(combo);
    const bool edited = EditCatalog ? EditCatalog(title, fixedCount, folder, items)
                                    : RunEditList(FormPredefinedObjects, title, fixedCount, folder, items);
    if (!edited)
        return false;
    TCatalog catalog(ProgramFolder(), ObjectFolder());
    catalog.Lines = items;
    if (!catalog.Save()) {
        // Why it failed, before the file's name is looked up on disk.
        const int error = errno;
        MessageDlg(WriteFailedMessage("utrackprops_save_failed", ResolvePathCase(catalog.Path), error), mtError, mbOK);
    }
    SetComboItems(combo, items);
    SelectIndex(combo, index);
    return true;
}

void TFormTrackProperties::Button3Click()
{
    DefineCatalog<TVLGroundTexturelist>(cbGroundTextures, "Grounds", 19, "");
}

void TFormTrackProperties::bDefineBGImagesClick()
{
    if (DefineCatalog<TVLBackgroundTexturelist>(cbBackgroundImages, "Backgrounds", 8, ""))
        cbBackgroundImagesChange();
}

void TFormTrackProperties::bPlatformClick()
{
    DefineCatalog<TVLPlatformlist>(cbPlatformtype, "Platforms", 5, "");
}

void TFormTrackProperties::bDefineRoofsClick()
{
    DefineCatalog<TVLRooflist>(cbRoofType, "Roofs", 6, "platforms");
}

void TFormTrackProperties::bDefinePolesClick()
{
    DefineCatalog<TVLCatenaryPoleList>(cbPolesType, "Poles", 9, "");
}

void TFormTrackProperties::bDefineWallsClick()
{
    // Both wall lists show the one catalog, so both take the edited lines.
    const int right = cbWallRight->currentIndex();
    if (!DefineCatalog<TVLWalllist>(cbWallLeft, "Walls", 23, ""))
        return;
    SetComboItems(cbWallRight, ComboItems(cbWallLeft));
    SelectIndex(cbWallRight, right);
}
