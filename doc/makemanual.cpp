// Build step: lays out the user manual (Markdown) and prints it to a PDF,
// with pictures of the editor's real windows taken while it runs.
//   makemanual <manual.md> <output.pdf> <sample program folder> <sample BVE folder>
// Runs without a screen: the offscreen platform is used unless another one
// is asked for. The editor works on a copy of the sample program folder in a
// temporary folder, so nothing of the build's or the user's files changes.
//
// The manual names each picture as an image, "![caption](main-window.png)";
// a picture name the program does not take is an error, so the manual never
// goes out with a hole in it.

#include "editor/appforms.h"
#include "editor/formexport.h"
#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/startupforms.h"
#include "model/currentsituation.h"
#include "model/vlconnection.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "platform/gui/dialogs.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

namespace {

using TPictures = std::map<QString, QImage>;

// Size of the main window's picture, in pixels; the dialogs keep the size
// they open with.
const QSize MainWindowSize(800, 560);

QImage Grab(QWidget* window)
{
    window->show();
    QApplication::processEvents();
    return window->grab().toImage();
}

// The sample project in the main window, one track of a station chosen, and
// the track-properties and export dialogs as the menu commands open them.
bool TakePictures(const std::string& programFolder, TPictures& pictures)
{
    // Every question is answered at once; the windows these commands open
    // are photographed instead of being run.
    SetDialogResponder([&pictures](const TDialogRequest& r) {
        TDialogAnswer answer;
        answer.Result = mrCancel;
        if (r.Kind == TDialogKind::ModalWindow && r.Window && r.Window->objectName() != "FormWelcome") {
            pictures[r.Window->objectName()] = Grab(r.Window);
            r.Window->hide();
        }
        return answer;
    });
    CreateApplicationForms();
    // The first showing runs the start-up dialogue (its welcome window is
    // cancelled) and maximises the window, which is then given its size.
    FormMain->show();
    QApplication::processEvents();
    FormMain->setWindowState(Qt::WindowNoState);
    FormMain->resize(MainWindowSize);
    if (!FormMain->OpenProjectFile(programFolder + "projects/hillroad.vlp"))
        return false;

    // The whole line in view, at the largest zoom that shows it.
    TVLProject* project = FormMain->FrmEditor->Project;
    double minX = 1e30, minY = 1e30, maxX = -1e30, maxY = -1e30;
    for (const TVLPoint* p : project->Points) {
        minX = std::min(minX, p->Position.X);
        maxX = std::max(maxX, p->Position.X);
        minY = std::min(minY, p->Position.Y);
        maxY = std::max(maxY, p->Position.Y);
    }
    QApplication::processEvents();
    const QSize plan = FormMain->FrmEditor->PBCursor->size();
    const double fit = std::min((plan.width() - 80) / std::max(maxX - minX, 1.0),
                                (plan.height() - 80) / std::max(maxY - minY, 1.0));
    FormMain->FrmEditor->tbZoom->setValue(std::clamp(static_cast<int>(fit), 1, 10));
    CurrentSituation.ViewCentre = MakeWorldPoint((minX + maxX) / 2, (minY + maxY) / 2);
    CurrentSituation.Cursor = CurrentSituation.ViewCentre;
    for (TVLConnection* c : project->Connections)
        if (c->PlatformSide != 0)
            CurrentSituation.SelectedConnection = c;
    FormMain->FrmEditor->RefreshEditor();
    pictures["FormMain"] = Grab(FormMain);

    FormMain->MenuTrackPropertiesClick();
    FormMain->MenuExportClick();
    return pictures.count("FormTrackProperties") && pictures.count("FormExport");
}

// Puts the pictures into the document under the names the manual uses,
// each at most textWidth wide (in the document's pixels). False, naming it,
// for a picture the manual asks for but none was taken.
bool PlacePictures(QTextDocument& document, const TPictures& pictures, int textWidth)
{
    const std::map<QString, QString> names = {{"main-window.png", "FormMain"},
                                              {"track-properties.png", "FormTrackProperties"},
                                              {"export.png", "FormExport"}};
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const auto name = names.find(format.name());
            if (name == names.end() || !pictures.count(name->second)) {
                std::fprintf(stderr, "makemanual: no picture for %s\n", qPrintable(format.name()));
                return false;
            }
            const QImage& picture = pictures.at(name->second);
            document.addResource(QTextDocument::ImageResource, QUrl(format.name()), picture);
            format.setWidth(std::min(picture.width(), textWidth));
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: makemanual <manual.md> <output.pdf> <sample program folder> <sample BVE folder>\n");
        return 2;
    }

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makemanual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    // The editor's program folder and settings: a copy of the sample's,
    // with the sample BVE folder, so the export dialog offers its train.
    QTemporaryDir work;
    namespace fs = std::filesystem;
    const std::string program = work.path().toStdString() + "/program/";
    std::error_code error;
    fs::copy(argv[3], program, fs::copy_options::recursive, error);
    if (error || !work.isValid()) {
        std::fprintf(stderr, "makemanual: cannot copy %s: %s\n", argv[3], error.message().c_str());
        return 1;
    }
    IniWriteString(program + "set.ini", "Settings", "BVE_Folder", fs::absolute(argv[4]).string());
    SetProgramFolder(program);
    SetRegistryFolder(work.path().toStdString() + "/registry");

    QTextDocument document;
    QFont font("DejaVu Sans");
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet("code { font-family: 'DejaVu Sans Mono'; }");
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    TPictures pictures;
    const bool taken = TakePictures(program, pictures);
    DestroyForms();
    if (!taken) {
        std::fprintf(stderr, "makemanual: the windows of the sample project could not be photographed\n");
        return 1;
    }

    const QString outputName = QString::fromLocal8Bit(argv[2]);
    // Written beside the target first, so an interrupted build leaves no
    // half a manual under the real name.
    const QString partName = outputName + ".part";
    bool placed = false;
    {
        QPdfWriter pdf(partName);
        pdf.setTitle("Velkast Manual");
        pdf.setCreator("Velkast for BVE");
        pdf.setResolution(300);
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                        QPageLayout::Millimeter));
        // Printing lays the text out at 96 pixels per inch, with margins of
        // 2 cm inside the page's own.
        const int textWidth = qRound(pdf.width() * 96.0 / pdf.resolution()) - 2 * qRound(2 / 2.54 * 96);
        placed = PlacePictures(document, pictures, textWidth);
        if (placed)
            document.print(&pdf);
    }
    if (!placed) {
        QFile::remove(partName);
        return 1;
    }
    QFile::remove(outputName);
    if (!QFile::rename(partName, outputName)) {
        std::fprintf(stderr, "makemanual: cannot write %s\n", argv[2]);
        QFile::remove(partName);
        return 1;
    }
    return 0;
}
