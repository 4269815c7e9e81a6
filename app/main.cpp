// VL1, the route editor. Creates the editor's windows and runs the event
// loop until the main window closes. The program folder (set.ini, the
// language files, the object library, the recent-projects list) is the
// folder of this program file.

#include "app/packagerlink.h"
#include "editor/appforms.h"
#include "editor/formmain.h"
#include "editor/startupforms.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The title message boxes show when they have no caption of their own.
    QApplication::setApplicationName("Velkast for BVE");

    InstallPackagerLink();
    CreateApplicationForms();
    // The program ends when the main window closes, whichever other windows
    // are still open.
    for (QWidget* form : ApplicationForms())
        if (form != FormMain)
            form->setAttribute(Qt::WA_QuitOnClose, false);
    FormMain->show();
    const int result = application.exec();
    DestroyForms();
    return result;
}
