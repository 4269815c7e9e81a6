#pragma once
// Pieces shared by the editing code of the editor frame (mouse, commands,
// property clipboard): the settings it reads and the plan's event filter.

#include "editor/formoptions.h"

class QObject;
class TFrmEditor;

// The editing settings; all off while the options window does not exist.
namespace EditingOptions {
inline bool Fit4m()
{
    return FormOptions && FormOptions->Fit4m;
}
inline bool MinLength()
{
    return FormOptions && FormOptions->MinLength;
}
inline bool NewConnFixed()
{
    return FormOptions && FormOptions->NewConnFixed;
}
inline bool CopyPropLast()
{
    return FormOptions && FormOptions->CopyPropLast;
}
inline bool CopyPropClip()
{
    return FormOptions && FormOptions->CopyPropClip;
}
} // namespace EditingOptions

// Routes the mouse events of the plan and the clicks of the arrow labels to
// the frame's handlers; owned by the frame.
QObject* CreatePlanEventFilter(TFrmEditor* frame);
