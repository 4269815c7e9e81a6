#include "editor/startupforms.h"

#include "editor/appforms.h"
#include "editor/createprojwizard.h"
#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/formtracktypes.h"
#include "editor/formwelcome.h"
#include "editor/editorwindows.h"

#include "zip/gui/zadialogs.h"

#include <QDialog>

#include <utility>

namespace {

TPackageFormCreator& PackageFormCreator()
{
    static TPackageFormCreator creator;
    return creator;
}

// Without the packager (the editor library on its own) the package window
// is an empty dialog of its name, so that the start-up order stays whole.
QDialog* PackageStandIn = nullptr;

void CreatePackageForm()
{
    if (PackageFormCreator()) {
        PackageFormCreator()();
        return;
    }
    CreateForm(PackageStandIn);
    PackageStandIn->setObjectName("FormPackage");
    PackageStandIn->setWindowTitle("Route Packager - Creating Package...");
}

} // namespace

void SetPackageFormCreator(TPackageFormCreator creator) { PackageFormCreator() = std::move(creator); }

void CreateApplicationForms()
{
    InstallArchiveDialogs();
    CreateForm(FormMain);
    CreateForm(FormOptions);
    CreateForm(CreateProj_Wizard);
    CreateForm(FormAddons);
    CreateForm(FormAbout);
    CreateForm(FormTimetable);
    CreateForm(FormTrackProperties);
    CreateForm(FormTrain);
    CreateForm(FormRouteDefinitions);
    CreateForm(FormExport);
    CreateForm(FormObjects);
    CreateForm(FormStations);
    CreateForm(FormBGMap);
    CreateForm(FormNewBGImage);
    CreateForm(FormProjectProperties);
    CreateForm(FormSelectObject);
    CreateForm(FormWelcome);
    CreateForm(FormFreeObjProperties);
    CreateForm(FormMoveEverything);
    CreatePackageForm();
    CreateForm(FormPredefinedObjects);
    CreateForm(FormCreatePackage);
    CreateForm(FormTrackTypes);
    CreateForm(FormReplace);
}
