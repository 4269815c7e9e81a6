#include "editor/formobjects.h"

#include "editor/appforms.h"
#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/frmobjects.h"
#include "editor/numberfields.h"
#include "model/currentsituation.h"
#include "model/vlobject.h"
#include "model/vlproject.h"

#include <QAction>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

TFormObjects* FormObjects = nullptr;

TFormObjects::TFormObjects(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormObjects");
    setWindowTitle("Objects");
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);

    FrmObjects1 = new TFrmObjects(this);
    SetTranslatable(FrmObjects1, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FrmObjects1);
    // Qt centres a tool window with its title bar above the centred area:
    // at most 480 pixels high, the title bar stays on an 800 by 600 screen.
    resize(300, 480);

    connect(FrmObjects1, &TFrmObjects::ObjectDoubleClicked, this, &TFormObjects::FrmObjects1lvObjectsDblClick);
    connect(FrmObjects1, &TFrmObjects::ObjectSelected, this, &TFormObjects::FrmObjects1lvObjectsSelectItem);

    TFrmEditor::ObjectBrowserHasSelection = [this] { return FrmObjects1->HasSelection(); };
    TFrmEditor::ObjectBrowserSelection = [this](std::string& folder, std::string& fileName) {
        if (!FrmObjects1->HasSelection())
            return false;
        folder = FrmObjects1->SelectedFolder();
        fileName = FrmObjects1->SelectedFile();
        return true;
    };

    if (FormMain && FormMain->FrmEditor)
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project)
                Project = nullptr;
        });

    FormCreate();
}

TFormObjects::~TFormObjects()
{
    // The editor must not ask a window that is gone.
    TFrmEditor::ObjectBrowserHasSelection = nullptr;
    TFrmEditor::ObjectBrowserSelection = nullptr;
}

void TFormObjects::FormCreate()
{
    ObjectsRoot = TFrmObjects::LibraryPath() + "/";
}

void TFormObjects::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormObjects::FormShow()
{
    // The main window's "Objects" menu shows the window without handing
    // over the project; the editor's is the one open project.
    if (!Project && FormMain && FormMain->FrmEditor)
        Project = FormMain->FrmEditor->Project;
    FrmObjects1->refresh1Click();
}

void TFormObjects::FrmObjects1lvObjectsDblClick()
{
    // A project opened while the window stayed open was not handed over.
    if (!Project && FormMain && FormMain->FrmEditor)
        Project = FormMain->FrmEditor->Project;
    if (!Project || !FrmObjects1->HasSelection() ||
        !ObjectNamesStorable(FrmObjects1->SelectedFolder(), FrmObjects1->SelectedFile()))
        return;
    auto object = std::make_unique<TVLObject>(FrmObjects1->SelectedFolder(), FrmObjects1->SelectedFile());
    object->X = CurrentSituation.Cursor.X;
    object->Y = CurrentSituation.Cursor.Y;
    object->Rotation = 0;
    Project->AddObject(std::move(object));
    CurrentSituation.RefreshRequested = true;
}

void TFormObjects::FrmObjects1lvObjectsSelectItem()
{
    const bool chosen = FrmObjects1->HasSelection();
    if (FormMain && FormMain->FrmEditor) {
        FormMain->FrmEditor->addselectedobject1->setEnabled(chosen);
        FormMain->FrmEditor->tbAddObj->setEnabled(chosen);
    }
}
