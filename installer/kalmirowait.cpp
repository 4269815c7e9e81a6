#include "installer/kalmirowait.h"

#include "installer/kalmiropackage.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/windowcaption.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include <unistd.h>

namespace fs = std::filesystem;

TKalmiro_Wait::TKalmiro_Wait(int64_t MarkerEnd, QWidget* parent) : QDialog(parent), FMarkerEnd(MarkerEnd)
{
    setObjectName("Kalmiro_Wait");
    setWindowTitle("Velkast Installer 1.0");
    KeepCaptionWhole(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setStyleSheet("TKalmiro_Wait { background: white; }");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel("Unpacking package...", this);
    Label1->setObjectName("Label1");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    resize(360, 90);

    ZipArchiver1.Name = "ZipArchiver1";
    ZipArchiver1.OnOverallProgress = [this](TZABaseArchiver&, double progress, TZAProcessOperation,
                                            TZAProgressPhase, bool& cancel) {
        // After a failure the bar stays where the unpacking stopped.
        if (FItemFailure.empty())
            ZipArchiver1OverallProgress(progress);
        // Escape and close are seen while unpacking, some 30 times a second.
        const int64_t now = QDateTime::currentMSecsSinceEpoch();
        if (now - FLastEvents >= 30) {
            FLastEvents = now;
            QApplication::processEvents();
        }
        cancel = FCancelled;
    };
    // An item that cannot be unpacked ends the unpacking; a message that
    // names no file (a check sum that does not match) gets the item's name.
    ZipArchiver1.OnProcessFileFailure = [this](TZABaseArchiver&, const std::string& FileName, TZAProcessOperation,
                                               int32_t, int32_t, const std::string& ErrorMessage, TZAAction& Action) {
        FItemFailure = ErrorMessage;
        if (ErrorMessage.find('"') == std::string::npos)
            FItemFailure = "Item \"" + ZAShownName(FileName, 480) + "\": " + ErrorMessage;
        Action = faAbort;
    };
    Timer1.setObjectName("Timer1");
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TKalmiro_Wait::Timer1Timer);
    Timer1.start();
}

void TKalmiro_Wait::ZipArchiver1OverallProgress(double Progress)
{
    ProgressBar1->setValue(int(std::nearbyint(Progress)));
}

void TKalmiro_Wait::Split(const std::string& CopyName, const std::string& ZipName)
{
    SplitPackage(CopyName, ZipName, FMarkerEnd);
}

void TKalmiro_Wait::Cancel()
{
    FCancelled = true;
    if (!FWorking && !FDone) {
        FDone = true;
        Timer1.stop();
        QApplication::exit(1);
    }
}

void TKalmiro_Wait::reject() { Cancel(); }

void TKalmiro_Wait::closeEvent(QCloseEvent* event)
{
    // The program is ending (the windows are closed as it quits).
    if (FDone) {
        event->accept();
        return;
    }
    // The unpacking stops at its next step and ends the program itself.
    Cancel();
    event->ignore();
}

void TKalmiro_Wait::Timer1Timer()
{
    Timer1.stop();
    QApplication::processEvents();
    if (FCancelled || FDone)
        return;
    FWorking = true;
    try {
        const std::string self = OwnProgramFile();
        const int64_t length = CheckWholePackage(self, FMarkerEnd);
        RemoveStaleUnpackFolders();
        FTemp = MakePrivateUnpackFolder();
        WriteUnpackOwner(FTemp, long(::getpid()));
        const std::string copy = FTemp + ExtractFileName(self);
        CopyBareInstaller(self, copy, length);

        // The archive is read where it lies in the package (the reader
        // finds its items behind the installer and its end before the
        // trailer); no copy of it is made.
        ZipArchiver1.SetActive(false);
        ZipArchiver1.BaseDir = FTemp;
        ZipArchiver1.FileName = self;
        ZipArchiver1.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
        ZipArchiver1.ExtractFiles("*.*", 63, "");
        ZipArchiver1.CloseArchive();
        if (!FItemFailure.empty())
            throw std::runtime_error(FItemFailure);
        if (FCancelled)
            throw std::runtime_error("cancelled");
        // The archive may have held a file of that name.
        WriteUnpackOwner(FTemp, long(::getpid()));

        // The copy outlives this process and whatever reads its output (a
        // terminal, a pipe of the program that started the package).
        QProcess start;
        start.setProgram(QString::fromStdString(copy));
        start.setArguments({QString::fromStdString(UnpackedArgument + FTemp)});
        start.setWorkingDirectory(QString::fromStdString(FTemp));
        start.setStandardInputFile(QProcess::nullDevice());
        start.setStandardOutputFile(QProcess::nullDevice());
        start.setStandardErrorFile(QProcess::nullDevice());
        qint64 pid = 0;
        if (!start.startDetached(&pid))
            throw std::runtime_error("Cannot start \"" + copy + "\"");
        // From now on the folder is the second phase's.
        WriteUnpackOwner(FTemp, long(pid));
        FWorking = false;
        FDone = true;
        QApplication::quit();
    } catch (const std::exception& e) {
        FWorking = false;
        ZipArchiver1.CloseArchive();
        if (!FCancelled)
            MessageDlg(std::string("Problems during the extraction of some temporary needed files. The program won`t "
                                   "continue. Error message: ") +
                           Utf8ToAnsi(e.what()),
                       mtError, mbOK);
        // Nothing will use the unpack folder now.
        if (!FTemp.empty()) {
            std::error_code ec;
            fs::remove_all(ExcludeTrailingPathDelimiter(FTemp), ec);
        }
        FDone = true;
        QApplication::exit(1);
    }
}
