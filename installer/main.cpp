// kalmiro, the route package installer. Started as a package (its own file
// ends in the package trailer) it unpacks itself and starts its bare copy;
// started as the bare copy it shows the route and installs it.

#include "installer/kalmiromain.h"
#include "installer/kalmiropackage.h"
#include "installer/kalmirowait.h"
#include "installer/testresponder.h"

#include "platform/gui/dialogs.h"

#include <QApplication>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

namespace {

int Run()
{
    QApplication::setApplicationName("Kalmiro: please wait...");
    InstallTestResponder();

    try {
        std::unique_ptr<QDialog> window;
        if (FindPackageMarker()) {
            window = std::make_unique<TKalmiro_Wait>(PackageMarkerEnd);
        } else {
            auto main = std::make_unique<TKalmiro_Main>();
            if (!main->FormCreate())
                return 1;
            window = std::move(main);
        }
        window->show();
        QApplication::processEvents();
        return QApplication::exec();
    } catch (const std::exception& e) {
        // The general error message of the program.
        MessageDlg(e.what(), mtError, mbOK);
        return 1;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int rc = Run();
    TestResponderLog("Exit|" + std::to_string(rc) + "|");
    return rc;
}
