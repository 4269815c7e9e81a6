#include "editor/placeholderforms.h"

#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/frmeditor.h"
#include "model/vlobject.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QVBoxLayout>

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

#if !__has_include("editor/formabout.h")
TFormAbout* FormAbout = nullptr;
#endif

#if !__has_include("editor/formtimetable.h")
TFormTimetable* FormTimetable = nullptr;
#endif

#if !__has_include("editor/formtrackproperties.h")
TFormTrackProperties* FormTrackProperties = nullptr;
#endif

#if !__has_include("editor/formtrain.h")
TFormTrain* FormTrain = nullptr;
#endif

#if !__has_include("editor/formroutedefinitions.h")
TFormRouteDefinitions* FormRouteDefinitions = nullptr;
#endif

#if !__has_include("editor/formexport.h")
#endif

#if !__has_include("editor/formbgmap.h")
TFormBGMap* FormBGMap = nullptr;
#endif

#if !__has_include("editor/formnewbgimage.h")
TFormNewBGImage* FormNewBGImage = nullptr;
#endif

#if !__has_include("editor/formprojectproperties.h")
TFormProjectProperties::TFormProjectProperties(QWidget* parent) : TPlaceholderForm("FormProjectProperties", "Project Properties", parent)
{
    ConnectProjectField(Project);
}

void TFormProjectProperties::ShowProject(TVLProject* project)
{
    Project = project;
    ShowModal(this);
}
#endif

#if !__has_include("editor/formprojectproperties.h")
TFormProjectProperties* FormProjectProperties = nullptr;
#endif

#if !__has_include("editor/formmoveeverything.h")
TFormMoveEverything* FormMoveEverything = nullptr;
#endif

#if !__has_include("editor/formreplace.h")
TFormReplace* FormReplace = nullptr;
#endif
