#include "editor/startupforms.h"

#include "editor/appforms.h"
#include "editor/createprojwizard.h"
#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/formtracktypes.h"
#include "editor/formwelcome.h"
#include "editor/placeholderforms.h"

void CreateApplicationForms()
{
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
    CreateForm(FormPackage);
    CreateForm(FormPredefinedObjects);
    CreateForm(FormCreatePackage);
    CreateForm(FormTrackTypes);
    CreateForm(FormReplace);
}
