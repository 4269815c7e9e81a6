#include "editor/placeholderforms.h"

#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/frmeditor.h"
#include "model/vlobject.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QVBoxLayout>

TFormAddons* FormAddons = nullptr;
TFormTrackProperties* FormTrackProperties = nullptr;
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

TFormObjects::TFormObjects(QWidget* parent) : TPlaceholderForm("FormObjects", "Objects", parent)
{
    ConnectProjectField(Project);
    const std::string folder = FormOptions ? FormOptions->GetObjectFolder() : std::string("lib");
    ObjectsRoot = IncludeTrailingPathDelimiter(ResolvePathCase(ProgramFolder() + ToNativePath(folder)));
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
