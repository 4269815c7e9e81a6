#include "installer/kalmiromain.h"

#include "installer/kalmirobvefolder.h"
#include "installer/kalmiroinstall.h"
#include "installer/testresponder.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/inifile.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Ansi(const std::string& text) { return QString::fromStdString(AnsiToUtf8(text)); }

// A native path inside a message (messages are ANSI text).
std::string PathText(const std::string& path) { return Utf8ToAnsi(path); }

} // namespace

// The description's box: as high as its text, up to ten lines; a longer
// text scrolls, as the credits do, so that the window keeps to a small
// screen (on which the box may shrink to four lines).
class TDescriptionBox : public QScrollArea {
public:
    TDescriptionBox(QLabel* text, QWidget* parent) : QScrollArea(parent)
    {
        setObjectName("Route_DescriptionBox");
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWidgetResizable(true);
        setWidget(text);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    }
    QSize sizeHint() const override { return {QScrollArea::sizeHint().width(), TextHeight(10)}; }
    QSize minimumSizeHint() const override { return {QScrollArea::minimumSizeHint().width(), TextHeight(4)}; }

private:
    int TextHeight(int maxLines) const
    {
        const int width = std::max(viewport()->width(), widget()->sizeHint().width());
        return std::min(widget()->heightForWidth(width), maxLines * fontMetrics().lineSpacing());
    }
};

TKalmiro_Main::TKalmiro_Main(QWidget* parent) : QDialog(parent)
{
    setObjectName("Kalmiro_Main");
    setWindowTitle("Velkast - Kalmiro v1.00");
    auto* layout = new QVBoxLayout(this);

    Route_Name = new QLabel("#ROUTE_NAME#", this);
    Route_Name->setObjectName("Route_Name");
    QFont big = Route_Name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    Route_Name->setFont(big);
    Route_Image = new QLabel(this);
    Route_Image->setObjectName("Route_Image");
    Route_Description = new QLabel("#ROUTE_DESCRIPTION#", this);
    Route_Description->setObjectName("Route_Description");
    Route_Description->setWordWrap(true);
    Route_Description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FDescriptionBox = new TDescriptionBox(Route_Description, this);
    Route_Author = new QLabel("by #ROUTE_AUTHOR#", this);
    Route_Author->setObjectName("Route_Author");
    Route_Homepage = new QLabel("#ROUTE_HOMEPAGE#", this);
    Route_Homepage->setObjectName("Route_Homepage");
    Route_Homepage->setStyleSheet("color: blue");
    Route_Homepage->setVisible(false);
    Route_Homepage->installEventFilter(this);
    Label1 = new QLabel("Credits", this);
    Label1->setObjectName("Label1");
    Credits = new QPlainTextEdit(this);
    Credits->setObjectName("Credits");
    Credits->setReadOnly(true);
    Credits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    SetupBox = new QGroupBox(" Setup ", this);
    SetupBox->setObjectName("SetupBox");
    auto* setup = new QHBoxLayout(SetupBox);
    BvePath_Label = new QLabel("Bve-Path:", SetupBox);
    BvePath_Label->setObjectName("BvePath_Label");
    BvePath_Edit = new QLineEdit(SetupBox);
    BvePath_Edit->setObjectName("BvePath_Edit");
    BvePath_Edit->setReadOnly(true);
    SpeedButton1 = new QToolButton(SetupBox);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText("...");
    Button1 = new QPushButton("Install now", SetupBox);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    setup->addWidget(BvePath_Label);
    setup->addWidget(BvePath_Edit, 1);
    setup->addWidget(SpeedButton1);
    setup->addWidget(Button1);

    layout->addWidget(Route_Name);
    layout->addWidget(Route_Image);
    layout->addWidget(FDescriptionBox);
    layout->addWidget(Route_Author);
    layout->addWidget(Route_Homepage);
    layout->addWidget(Label1);
    layout->addWidget(Credits, 1);
    layout->addWidget(SetupBox);

    connect(SpeedButton1, &QToolButton::clicked, this, &TKalmiro_Main::SpeedButton1Click);
    connect(Button1, &QPushButton::clicked, this, &TKalmiro_Main::InstallButtonClick);
}

TKalmiro_Main::~TKalmiro_Main() = default;

std::string TKalmiro_Main::BvePath() const { return BvePath_Edit->text().toStdString(); }

void TKalmiro_Main::SetBvePath(const std::string& folder) { BvePath_Edit->setText(QString::fromStdString(folder)); }

bool TKalmiro_Main::AskBveFolder(bool presetFromEdit)
{
    TKalmiro_BveFolder dialog(this);
    if (presetFromEdit && DirectoryExists(BvePath()))
        dialog.SetFolder(BvePath());
    if (ShowModal(&dialog) != mrOk)
        return false;
    SetBvePath(dialog.SelectedDir());
    return true;
}

bool TKalmiro_Main::FormCreate(const std::string& SourceDir)
{
    InstallSourceDir = SourceDir.empty() ? ExtractFilePath(QApplication::applicationFilePath().toStdString())
                                         : IncludeTrailingPathDelimiter(SourceDir);
    if (FRegistry.OpenKey("Software\\Velkast", true) && !FRegistry.ReadString("Bve Folder").empty())
        SetBvePath(FRegistry.ReadString("Bve Folder"));
    else
        FAsked = AskBveFolder(false);

    const std::string dir = InstallSourceDir;
    const std::string iniName = dir + "route.ini";
    if (!FileExists(iniName)) {
        MessageDlg("Problems during reading ini file " + PathText(iniName) + "." + " The program won't continue.",
                   mtError, mbOK);
        return false;
    }
    std::string description;
    if (!FileExists(dir + "description.dat") || !ReadFileBytes(dir + "description.dat", description)) {
        MessageDlg("Problems during reading description file " + PathText(dir + "description.dat") + "." +
                       " The program won't continue.",
                   mtError, mbOK);
        return false;
    }
    TStrings credits;
    if (!FileExists(dir + "credits.dat") || !LoadLines(dir + "credits.dat", credits)) {
        MessageDlg("Problems during reading credits file " + PathText(dir + "credits.dat") + "." +
                       " The program won't continue.",
                   mtError, mbOK);
        return false;
    }
    Credits->setPlainText(Ansi(JoinLines(credits)).replace("\r\n", "\n"));

    TIniFile ini(iniName);
    Route_Name->setText(Ansi(ini.ReadString("Route", "Name", "Unknown route")));
    // A route without a picture of its own (an empty or missing name) shows
    // the default picture the package carries.
    std::string image = DiskPath(dir, ExtractFileName(ini.ReadString("Route", "Image", "noscreen.bmp")));
    if (!FileExists(image))
        image = DiskPath(dir, "noscreen.bmp");
    if (FileExists(image))
        Route_Image->setPixmap(QPixmap(QString::fromStdString(image)));
    Route_Description->setText(Ansi(description).replace("\r\n", "\n"));
    FDescriptionBox->updateGeometry();
    Route_Author->setText("by " + Ansi(ini.ReadString("Route", "Author", "Unknown")));
    const std::string homepage = ini.ReadString("Route", "Homepage", "Unknown");
    Route_Homepage->setVisible(!homepage.empty());
    Route_Homepage->setText(Ansi(homepage));
    return true;
}

void TKalmiro_Main::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!FShown) {
        FShown = true;
        // The folder question waits until the window is on the screen.
        QTimer::singleShot(0, this, &TKalmiro_Main::FormShow);
    }
}

void TKalmiro_Main::FormShow()
{
    // The folder is asked for once: not again when it was just chosen. A
    // simulator folder on this system has no "bve.exe", but its "railway"
    // folder tells it as well.
    const std::string folder = IncludeTrailingPathDelimiter(BvePath());
    if (!FAsked && !FileExists(folder + "bve.exe") && !DirectoryExists(folder + "railway"))
        SpeedButton1Click();
    Button1->setFocus();
    TestResponderWindowShown(this);
}

void TKalmiro_Main::SpeedButton1Click() { AskBveFolder(true); }

void TKalmiro_Main::InstallButtonClick()
{
    // Files land in the folder the path names: a relative or empty path
    // would put them somewhere nobody looks (or into the unpack folder,
    // which is removed afterwards).
    if (BvePath().empty() || BvePath()[0] != '/') {
        if (!AskBveFolder(true) || BvePath().empty() || BvePath()[0] != '/')
            return;
    }
    FRegistry.WriteString("Bve Folder", BvePath());
    // One installation at a time: a second one would find the files gone.
    Button1->setEnabled(false);
    auto* install = new TKalmiro_Install(this);
    install->InstallSourceDir = InstallSourceDir;
    install->SetBvePath(BvePath());
    install->show();
    QApplication::processEvents();
}

void TKalmiro_Main::Route_HomepageClick() { ShellOpen(Route_Homepage->text().toStdString()); }

bool TKalmiro_Main::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Route_Homepage) {
        QFont font = Route_Homepage->font();
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
            Route_HomepageClick();
            return true;
        case QEvent::Enter:
            Route_Homepage->setCursor(Qt::PointingHandCursor);
            font.setUnderline(true);
            Route_Homepage->setFont(font);
            break;
        case QEvent::Leave:
            Route_Homepage->unsetCursor();
            font.setUnderline(false);
            Route_Homepage->setFont(font);
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TKalmiro_Main::reject() { close(); }

void TKalmiro_Main::closeEvent(QCloseEvent* event)
{
    // Closing while the route is copied stops the copy, which takes back
    // what it added and ends the program; before the copy has begun, the
    // installation does not begin at all.
    if (auto* install = findChild<TKalmiro_Install*>()) {
        const bool copying = install->Copying();
        install->Cancel();
        if (copying) {
            event->ignore();
            return;
        }
    }
    FRegistry.CloseKey();
    // Not QDialog's, which would reject() and so close() once more.
    event->accept();
}
