#include "installer/kalmiroinstall.h"

#include "installer/kalmirocopy.h"
#include "installer/kalmiropackage.h"
#include "installer/testresponder.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

TKalmiro_Install::TKalmiro_Install(QWidget* parent) : QDialog(parent)
{
    setObjectName("Kalmiro_Install");
    setWindowTitle("Kalmiro");
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto* layout = new QVBoxLayout(this);
    BvePath = new QLineEdit(this);
    BvePath->setObjectName("BvePath");
    BvePath->setReadOnly(true);
    ShowInstallRoute = new QFrame(this);
    ShowInstallRoute->setObjectName("ShowInstallRoute");
    ShowInstallRoute->setFrameShape(QFrame::StyledPanel);
    auto* panel = new QVBoxLayout(ShowInstallRoute);
    ShowInstallRouteLabel = new QLabel("Installing route, please wait....", ShowInstallRoute);
    ShowInstallRouteLabel->setObjectName("ShowInstallRouteLabel");
    lStatus = new QLabel(ShowInstallRoute);
    lStatus->setObjectName("lStatus");
    ShowProgress = new QProgressBar(ShowInstallRoute);
    ShowProgress->setObjectName("ShowProgress");
    panel->addWidget(ShowInstallRouteLabel);
    panel->addWidget(lStatus);
    panel->addWidget(ShowProgress);
    layout->addWidget(BvePath);
    layout->addWidget(ShowInstallRoute);
    resize(420, 140);

    Timer1.setObjectName("Timer1");
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TKalmiro_Install::Timer1Timer);
    Timer1.start();
}

void TKalmiro_Install::SetBvePath(const std::string& folder) { BvePath->setText(QString::fromStdString(folder)); }

void TKalmiro_Install::Timer1Timer()
{
    Timer1.stop();
    if (FClosing)
        return;
    TRouteCopy copy(InstallSourceDir, BvePath->text().toStdString());
    std::string failure;
    FCopying = true;
    try {
        copy.Prepare();
        if (copy.Count() == 0)
            failure = "The package holds no files to install.";
        else
            ShowProgress->setMaximum(int(copy.Count()) - 1);
        QElapsedTimer shown;
        shown.start();
        for (std::size_t i = 0; i < copy.Count() && !FCancelled && failure.empty(); ++i) {
            copy.Install(i);
            // The window follows about 30 times a second; drawing it after
            // every small file would cost more than the files.
            if (shown.elapsed() >= 30 || i + 1 == copy.Count()) {
                ShowProgress->setValue(int(i));
                lStatus->setText(QString::fromStdString(AnsiToUtf8(copy.Line(i))));
                QApplication::processEvents();
                shown.restart();
            }
        }
    } catch (const std::exception& e) {
        failure = e.what();
    }
    FCopying = false;
    // The closing message belongs to this window, which stays on top: made
    // for another window it would open behind this one.
    raise();
    QApplication::setActiveWindow(this);
    if (!failure.empty() || FCancelled) {
        TestResponderLog(std::string(FCancelled ? "Cancelled" : "Failure") + "|" + failure + "|");
        const bool rolledBack = copy.RollBack();
        std::string text = FCancelled ? std::string("The installation was cancelled.")
                                      : "Problems during the installation of the route. The program won`t continue. "
                                        "Error message: " +
                                            Utf8ToAnsi(failure);
        text += rolledBack ? "\r\nThe route was not installed."
                           : "\r\nThe route was not installed; some of the files it had changed could not be put "
                             "back as they were.";
        // Ended from outside (a signal), the program waits for nobody.
        if (FSignalled) {
            std::string lines = AnsiToUtf8(text);
            lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
            std::fprintf(stderr, "%s\n", lines.c_str());
        } else {
            MessageDlg(text, FCancelled ? mtInformation : mtError, mbOK);
        }
        RemoveUnpackFolder(InstallSourceDir);
        FClosing = true;
        QApplication::exit(1);
        return;
    }
    copy.Commit();
    MessageDlg("Route installed sucessfully", mtInformation, mbOK);
    CloseProgram();
}

void TKalmiro_Install::CloseProgram()
{
    if (FClosing)
        return;
    FClosing = true;
    Timer1.stop();
    if (!RemoveUnpackFolder(InstallSourceDir)) {
        MessageDlg("Problems during the deletion of some temporary files. The program won`t continue.", mtError,
                   mbOK);
        QApplication::exit(1);
        return;
    }
    QApplication::quit();
}

void TKalmiro_Install::Cancel(bool Signalled)
{
    if (FCopying) {
        FCancelled = true;
        FSignalled = FSignalled || Signalled;
    } else {
        close();
    }
}

void TKalmiro_Install::reject() { Cancel(); }

void TKalmiro_Install::closeEvent(QCloseEvent* event)
{
    // The copy loop ends the program itself once it has stopped.
    if (FCopying) {
        FCancelled = true;
        event->ignore();
        return;
    }
    CloseProgram();
    event->accept();
    deleteLater();
}

bool RemoveUnpackFolder(const std::string& folder)
{
    // Only a folder the first phase made for itself is ours to remove; the
    // running program lies in it, which Linux allows to be deleted.
    if (!IsPrivateUnpackFolder(folder))
        return true;
    std::error_code ec;
    fs::remove_all(ExcludeTrailingPathDelimiter(folder), ec);
    return !ec;
}
