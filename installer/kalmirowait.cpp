#include "installer/kalmirowait.h"

#include "installer/kalmiropackage.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

TKalmiro_Wait::TKalmiro_Wait(int64_t MarkerEnd, QWidget* parent) : QDialog(parent), FMarkerEnd(MarkerEnd)
{
    setObjectName("Kalmiro_Wait");
    setWindowTitle("Velkast Installer 1.0");
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
                                            TZAProgressPhase, bool&) { ZipArchiver1OverallProgress(progress); };
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

void TKalmiro_Wait::Timer1Timer()
{
    Timer1.stop();
    QApplication::processEvents();
    try {
        FTemp = MakePrivateUnpackFolder();
        const std::string self = QApplication::applicationFilePath().toStdString();
        const std::string copy = FTemp + ExtractFileName(self);
        std::error_code ec;
        fs::copy_file(self, copy, fs::copy_options::overwrite_existing, ec);
        if (ec)
            throw std::runtime_error("Cannot copy \"" + self + "\" to \"" + copy + "\". " + ec.message());
        fs::permissions(copy, fs::perms::owner_all, fs::perm_options::replace, ec);
        Split(copy, FTemp + "files.zip");

        ZipArchiver1.SetActive(false);
        ZipArchiver1.BaseDir = FTemp;
        ZipArchiver1.FileName = FTemp + "files.zip";
        ZipArchiver1.OpenArchive();
        ZipArchiver1.ExtractFiles("*.*", 63, "");
        ZipArchiver1.CloseArchive();

        // The copy outlives this process and whatever reads its output (a
        // terminal, a pipe of the program that started the package).
        QProcess start;
        start.setProgram(QString::fromStdString(copy));
        start.setWorkingDirectory(QString::fromStdString(FTemp));
        start.setStandardInputFile(QProcess::nullDevice());
        start.setStandardOutputFile(QProcess::nullDevice());
        start.setStandardErrorFile(QProcess::nullDevice());
        if (!start.startDetached())
            throw std::runtime_error("Cannot start \"" + copy + "\"");
        QApplication::quit();
    } catch (const std::exception& e) {
        ZipArchiver1.CloseArchive();
        MessageDlg(std::string("Problems during the extraction of some temporary needed files. The program won`t "
                               "continue. Error message: ") +
                       Utf8ToAnsi(e.what()),
                   mtError, mbOK);
        // Nothing will use the unpack folder now.
        if (!FTemp.empty()) {
            std::error_code ec;
            fs::remove_all(ExcludeTrailingPathDelimiter(FTemp), ec);
        }
        QApplication::exit(1);
    }
}
