#pragma once
// Windows of the editor whose own dialogs are not built yet: each exists with
// its class, global instance, name and caption so that start-up creates all
// of them in order and the main window's commands can show them. A window
// that works on the project keeps it in its Project field; every such field
// is cleared when the open project is freed (ConnectProjectField).

#include "editor/formabout.h"
#include "editor/formtimetable.h"
#include "editor/formtrain.h"
#include "editor/vclwidgets.h"

#include <QDialog>

class TVLProject;

// A window with a name and caption and nothing else yet.
class TPlaceholderForm : public QDialog {
    Q_OBJECT
public:
    TPlaceholderForm(const char* name, const char* caption, QWidget* parent = nullptr);

protected:
    // Clears field whenever the editor frame frees its project.
    void ConnectProjectField(TVLProject*& field);
};

#define VELKAST_PLACEHOLDER_FORM(Class, Name, Caption)                                                         \
    class Class : public TPlaceholderForm {                                                                    \
    public:                                                                                                    \
        explicit Class(QWidget* parent = nullptr) : TPlaceholderForm(Name, Caption, parent) {}                 \
    }

#define VELKAST_PROJECT_FORM(Class, Name, Caption)                                                             \
    class Class : public TPlaceholderForm {                                                                    \
    public:                                                                                                    \
        explicit Class(QWidget* parent = nullptr) : TPlaceholderForm(Name, Caption, parent)                    \
        {                                                                                                      \
            ConnectProjectField(Project);                                                                      \
        }                                                                                                      \
        TVLProject* Project = nullptr;                                                                         \
    }

VELKAST_PLACEHOLDER_FORM(TFormAddons, "FormAddons", "Velkast - Addons");
VELKAST_PLACEHOLDER_FORM(TFormTrackProperties, "FormTrackProperties", "Track properties");
VELKAST_PROJECT_FORM(TFormRouteDefinitions, "FormRouteDefinitions", "Route Definitions");
VELKAST_PROJECT_FORM(TFormExport, "FormExport", "Export project...");
VELKAST_PLACEHOLDER_FORM(TFormStations, "FormStations", "Stations");
VELKAST_PLACEHOLDER_FORM(TFormBGMap, "FormBGMap", "Background Image for Minimap");
VELKAST_PLACEHOLDER_FORM(TFormNewBGImage, "FormNewBGImage", "Create new background map image");
VELKAST_PLACEHOLDER_FORM(TFormSelectObject, "FormSelectObject", "Select Object");
VELKAST_PLACEHOLDER_FORM(TFormFreeObjProperties, "FormFreeObjProperties", "Object Properties");
VELKAST_PROJECT_FORM(TFormMoveEverything, "FormMoveEverything", "Move everything");
VELKAST_PLACEHOLDER_FORM(TFormPackage, "FormPackage", "Route Packager - Creating Package...");
VELKAST_PLACEHOLDER_FORM(TFormPredefinedObjects, "FormPredefinedObjects", "Predefined Objects");
VELKAST_PROJECT_FORM(TFormReplace, "FormReplace", "Replace");

// The object browser. Its creation fixes the object library's root folder
// (program folder + object folder option) for every object file access.
class TFormObjects : public TPlaceholderForm {
    Q_OBJECT
public:
    explicit TFormObjects(QWidget* parent = nullptr);
    TVLProject* Project = nullptr;
};

class TFormProjectProperties : public TPlaceholderForm {
    Q_OBJECT
public:
    explicit TFormProjectProperties(QWidget* parent = nullptr);
    // Shows the project's properties modally.
    void ShowProject(TVLProject* project);
    TVLProject* Project = nullptr;
};

class TFormCreatePackage : public TPlaceholderForm {
    Q_OBJECT
public:
    explicit TFormCreatePackage(QWidget* parent = nullptr);
    TVLProject* Project = nullptr;
    TLabeledEdit* ObjDirEdit;
    TLabeledEdit* RouteDirEdit;
};

#undef VELKAST_PLACEHOLDER_FORM
#undef VELKAST_PROJECT_FORM

extern TFormAddons* FormAddons;
extern TFormTrackProperties* FormTrackProperties;
extern TFormRouteDefinitions* FormRouteDefinitions;
extern TFormExport* FormExport;
extern TFormObjects* FormObjects;
extern TFormStations* FormStations;
extern TFormBGMap* FormBGMap;
extern TFormNewBGImage* FormNewBGImage;
extern TFormProjectProperties* FormProjectProperties;
extern TFormSelectObject* FormSelectObject;
extern TFormFreeObjProperties* FormFreeObjProperties;
extern TFormMoveEverything* FormMoveEverything;
extern TFormPackage* FormPackage;
extern TFormPredefinedObjects* FormPredefinedObjects;
extern TFormCreatePackage* FormCreatePackage;
extern TFormReplace* FormReplace;
