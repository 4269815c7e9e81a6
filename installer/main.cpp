// kalmiro, the route package installer. Started as a whole package (its own
// file ends in the package trailer) it unpacks itself into a new unpack
// folder and starts its bare copy there, naming the folder; started so, the
// copy shows the route and installs it. Anything else (a package cut short
// or with bytes appended, the bare installer on its own) is refused with a
// message and changes nothing.

#include "installer/kalmiroinstall.h"
#include "installer/kalmiromain.h"
#include "installer/kalmiropackage.h"
#include "installer/kalmirowait.h"
#include "installer/testresponder.h"

#include "zip/gui/zadialogs.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(SignalPipe[1], &c, 1);
}

// A terminating signal (the session ends, the terminal closes, kill) acts as
// Escape in the window that is open: unpacking and copying stop and take
// back what they did, and the program ends through its usual way out, with
// no message left waiting for a click.
void CatchTerminationSignals(QWidget* window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char c;
        [[maybe_unused]] ssize_t n = ::read(SignalPipe[0], &c, 1);
        if (auto* wait = qobject_cast<TKalmiro_Wait*>(window))
            wait->Cancel();
        else if (auto* install = window->findChild<TKalmiro_Install*>(); install && install->Copying())
            install->Cancel(true);
        else
            QApplication::exit(1);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int Run()
{
    QApplication::setApplicationName("Kalmiro: please wait...");
    InstallTestResponder();
    InstallArchiveDialogs();
    const std::string self = OwnProgramFile();

    std::string unpacked;
    for (const QString& argument : QApplication::arguments().mid(1))
        if (unpacked.empty())
            unpacked = HandedOverFolder(argument.toStdString(), self);

    try {
        if (!unpacked.empty()) {
            // The second phase; the unpack folder goes however it ends.
            WriteUnpackOwner(unpacked, long(::getpid()));
            int rc = 1;
            {
                TKalmiro_Main main;
                if (main.FormCreate(unpacked)) {
                    CatchTerminationSignals(&main);
                    main.show();
                    QApplication::processEvents();
                    rc = QApplication::exec();
                }
            }
            RemoveUnpackFolder(unpacked);
            return rc;
        }
        if (FindPackageMarker()) {
            CheckWholePackage(self, PackageMarkerEnd);
            TKalmiro_Wait wait(PackageMarkerEnd);
            CatchTerminationSignals(&wait);
            wait.show();
            QApplication::processEvents();
            return QApplication::exec();
        }
        MessageDlg(Utf8ToAnsi(DamagedPackageMessage(self)), mtError, mbOK);
        return 1;
    } catch (const std::exception& e) {
        // The general error message of the program.
        MessageDlg(Utf8ToAnsi(e.what()), mtError, mbOK);
        if (!unpacked.empty())
            RemoveUnpackFolder(unpacked);
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
