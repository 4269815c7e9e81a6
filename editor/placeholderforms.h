#pragma once
// Windows of the editor whose own dialogs are not built yet: each exists with
// its class, global instance, name and caption so that start-up creates all
// of them in order and the main window's commands can show them. A window's
// own header, once it exists (editor/form<name>.h), takes the place of its
// stand-in here. A stand-in that works on the project keeps it in its
// Project field, which is cleared when the open project is freed.

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

#include "editor/formaddons.h"

#if __has_include("editor/formabout.h")
#include "editor/formabout.h"
#else
class TFormAbout : public TPlaceholderForm {
public:
    explicit TFormAbout(QWidget* parent = nullptr) : TPlaceholderForm("FormAbout", "About Velkast...", parent) {}
};
extern TFormAbout* FormAbout;
#endif

#if __has_include("editor/formtimetable.h")
#include "editor/formtimetable.h"
#else
class TFormTimetable : public TPlaceholderForm {
public:
    explicit TFormTimetable(QWidget* parent = nullptr) : TPlaceholderForm("FormTimetable", "Velkast- Fahrplanverwaltung", parent) {}
};
extern TFormTimetable* FormTimetable;
#endif

#if __has_include("editor/formtrackproperties.h")
#include "editor/formtrackproperties.h"
#else
class TFormTrackProperties : public TPlaceholderForm {
public:
    explicit TFormTrackProperties(QWidget* parent = nullptr) : TPlaceholderForm("FormTrackProperties", "Track properties", parent) {}
};
extern TFormTrackProperties* FormTrackProperties;
#endif

#if __has_include("editor/formtrain.h")
#include "editor/formtrain.h"
#else
class TFormTrain : public TPlaceholderForm {
public:
    explicit TFormTrain(QWidget* parent = nullptr) : TPlaceholderForm("FormTrain", "Velkast - Browse Trains...", parent) {}
};
extern TFormTrain* FormTrain;
#endif

#if __has_include("editor/formroutedefinitions.h")
#include "editor/formroutedefinitions.h"
#else
class TFormRouteDefinitions : public TPlaceholderForm {
public:
    explicit TFormRouteDefinitions(QWidget* parent = nullptr) : TPlaceholderForm("FormRouteDefinitions", "Route Definitions", parent)
    {
        ConnectProjectField(Project);
    }
    TVLProject* Project = nullptr;
};
extern TFormRouteDefinitions* FormRouteDefinitions;
#endif

#if __has_include("editor/formexport.h")
#include "editor/formexport.h"
#else
class TFormExport : public TPlaceholderForm {
public:
    explicit TFormExport(QWidget* parent = nullptr) : TPlaceholderForm("FormExport", "Export project...", parent)
    {
        ConnectProjectField(Project);
    }
    TVLProject* Project = nullptr;
};
#endif

#include "editor/formobjects.h"

#include "editor/formstations.h"

#if __has_include("editor/formbgmap.h")
#include "editor/formbgmap.h"
#else
class TFormBGMap : public TPlaceholderForm {
public:
    explicit TFormBGMap(QWidget* parent = nullptr) : TPlaceholderForm("FormBGMap", "Background Image for Minimap", parent) {}
};
extern TFormBGMap* FormBGMap;
#endif

#if __has_include("editor/formnewbgimage.h")
#include "editor/formnewbgimage.h"
#else
class TFormNewBGImage : public TPlaceholderForm {
public:
    explicit TFormNewBGImage(QWidget* parent = nullptr) : TPlaceholderForm("FormNewBGImage", "Create new background map image", parent) {}
};
extern TFormNewBGImage* FormNewBGImage;
#endif

#if __has_include("editor/formprojectproperties.h")
#include "editor/formprojectproperties.h"
#else
class TFormProjectProperties : public TPlaceholderForm {
public:
    explicit TFormProjectProperties(QWidget* parent = nullptr);
    // Shows the project's properties modally.
    void ShowProject(TVLProject* project);
    TVLProject* Project = nullptr;
};
extern TFormProjectProperties* FormProjectProperties;
#endif

#include "editor/formselectobject.h"

#include "editor/formfreeobjproperties.h"

#if __has_include("editor/formmoveeverything.h")
#include "editor/formmoveeverything.h"
#else
class TFormMoveEverything : public TPlaceholderForm {
public:
    explicit TFormMoveEverything(QWidget* parent = nullptr) : TPlaceholderForm("FormMoveEverything", "Move everything", parent)
    {
        ConnectProjectField(Project);
    }
    TVLProject* Project = nullptr;
};
extern TFormMoveEverything* FormMoveEverything;
#endif

#include "editor/formpredefinedobjects.h"

#include "editor/formcreatepackage.h"

#if __has_include("editor/formreplace.h")
#include "editor/formreplace.h"
#else
class TFormReplace : public TPlaceholderForm {
public:
    explicit TFormReplace(QWidget* parent = nullptr) : TPlaceholderForm("FormReplace", "Replace", parent)
    {
        ConnectProjectField(Project);
    }
    TVLProject* Project = nullptr;
};
extern TFormReplace* FormReplace;
#endif
