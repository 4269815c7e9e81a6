#include "installer/kalmiroinstall.h"

#include "installer/kalmiropackage.h"
#include "installer/testresponder.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

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

void TKalmiro_Install::CopyFiles()
{
    const std::string source = InstallSourceDir;
    const std::string target = BvePath->text().toStdString();
    TStrings lines;
    if (!LoadLines(source + "files.dat", lines))
        throw std::runtime_error("files.dat cannot be read");
    // Every line is checked before anything is copied: a package that names
    // a place outside the BVE folder installs nothing.
    std::vector<std::pair<std::string, std::string>> jobs;
    for (const std::string& line : lines) {
        if (Trim(line).empty()) {
            jobs.emplace_back();
            continue;
        }
        std::string from = JoinPackagePath(source, line);
        std::string to = JoinPackagePath(target, line);
        if (from.empty() || to.empty())
            throw std::runtime_error("files.dat names a file outside its folder: " + line);
        jobs.emplace_back(from, to);
    }
    ShowProgress->setMaximum(int(lines.size()) - 1);
    int missing = 0;
    std::string firstMissing;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        ShowProgress->setValue(int(i));
        const auto& [from, to] = jobs[i];
        if (!from.empty()) {
            ForceDirectories(ExtractFilePath(to));
            // A file the package lacks is passed over and the others are
            // still copied, but the installation is then not complete; one
            // that is there but cannot be written stops it.
            if (!FileExists(from)) {
                if (missing++ == 0)
                    firstMissing = lines[i];
            } else if (!CopyFile(from, to, false)) {
                throw std::runtime_error("cannot write " + to);
            }
            lStatus->setText(QString::fromStdString(AnsiToUtf8(lines[i])));
            ::DeleteFile(from);
        }
        QApplication::processEvents();
    }
    if (missing > 0)
        throw std::runtime_error(std::to_string(missing) + " file(s) of the package are missing, first " +
                                 firstMissing);
}

void TKalmiro_Install::Timer1Timer()
{
    Timer1.stop();
    try {
        FCopying = true;
        CopyFiles();
        FCopying = false;
    } catch (const std::exception& e) {
        FCopying = false;
        TestResponderLog(std::string("Failure|") + e.what() + "|");
        MessageDlg("Problems during the installation of the route. The program won`t continue.", mtError, mbOK);
        FClosing = true;
        QApplication::exit(1);
        return;
    }
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

void TKalmiro_Install::closeEvent(QCloseEvent* event)
{
    // Closing while files are copied would remove the package's files under
    // the copy loop; the window stays until the copy is done.
    if (FCopying) {
        event->ignore();
        return;
    }
    CloseProgram();
    QDialog::closeEvent(event);
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
