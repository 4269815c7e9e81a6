#pragma once
// Every window of the editor, for the code that creates them at start-up in
// their order and the commands that show them.

#include "editor/formabout.h"
#include "editor/formaddons.h"
#include "editor/formbgmap.h"
#include "editor/formcreatepackage.h"
#include "editor/formexport.h"
#include "editor/formfreeobjproperties.h"
#include "editor/formmoveeverything.h"
#include "editor/formnewbgimage.h"
#include "editor/formobjects.h"
#include "editor/formpredefinedobjects.h"
#include "editor/formprojectproperties.h"
#include "editor/formreplace.h"
#include "editor/formroutedefinitions.h"
#include "editor/formselectobject.h"
#include "editor/formstations.h"
#include "editor/formtimetable.h"
#include "editor/formtrackproperties.h"
#include "editor/formtrain.h"
