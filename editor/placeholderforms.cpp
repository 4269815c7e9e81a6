#include "editor/placeholderforms.h"

#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "platform/gui/dialogs.h"

#include <QVBoxLayout>

TFormAddons* FormAddons = nullptr;
TFormAbout* FormAbout = nullptr;
TFormTimetable* FormTimetable = nullptr;
TFormTrackProperties* FormTrackProperties = nullptr;
TFormTrain* FormTrain = nullptr;
TFormRouteDefinitions* FormRouteDefinitions = nullptr;
TFormExport* FormExport = nullptr;
TFormObjects* FormObjects = nullptr;
TFormStations* FormStations = nullptr;
TFormBGMap* FormBGMap = nullptr;
TFormNewBGImage* FormNewBGImage = nullptr;
TFormProjectProperties* FormProjectProperties = nullptr;
TFormSelectObject* FormSelectObject = nullptr;
TFormFreeObjProperties* FormFreeObjProperties = nullptr;
TFormMoveEverything* FormMoveEverything = nullptr;
TFormPackage* FormPackage = nullptr;
TFormPredefinedObjects* FormPredefinedObjects = nullptr;
TFormCreatePackage* FormCreatePackage = nullptr;
TFormReplace* FormReplace = nullptr;

TPlaceholderForm::TPlaceholderForm(const char* name, const char* caption, QWidget* parent) : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(caption);
}

void TPlaceholderForm::ConnectProjectField(TVLProject*& field)
{
    if (!FormMain || !FormMain->FrmEditor)
        return;
    connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [&field](TVLProject* project) {
        if (field == project)
            field = nullptr;
    });
}

TFormProjectProperties::TFormProjectProperties(QWidget* parent)
    : TPlaceholderForm("FormProjectProperties", "Project Properties", parent)
{
    ConnectProjectField(Project);
}

void TFormProjectProperties::ShowProject(TVLProject* project)
{
    Project = project;
    ShowModal(this);
}

TFormCreatePackage::TFormCreatePackage(QWidget* parent)
    : TPlaceholderForm("FormCreatePackage", "Route Packager", parent)
{
    ConnectProjectField(Project);
    ObjDirEdit = new TLabeledEdit(this, "ObjDirEdit");
    ObjDirEdit->EditLabel()->setText("Objects directory");
    RouteDirEdit = new TLabeledEdit(this, "RouteDirEdit");
    RouteDirEdit->EditLabel()->setText("Route directory");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ObjDirEdit);
    layout->addWidget(RouteDirEdit);
}
