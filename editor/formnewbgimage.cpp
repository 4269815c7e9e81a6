#include "editor/formnewbgimage.h"

#include "editor/appforms.h"
#include "editor/jpegwriter.h"
#include "editor/lnginisupp.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "model/vlhelpers.h"
#include "model/vlproject.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/windowcaption.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRgb>
#include <QSaveFile>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

TFormNewBGImage* FormNewBGImage = nullptr;

namespace {

constexpr QRgb AreaColour = 0xFF008000;
constexpr QRgb OutlineColour = 0xFF000000;
constexpr QRgb GridColour = 0xFFC0C0C0;
// A dotted line: three pixels on, three off, from its start.
constexpr int DotRun = 3;
constexpr int JpegQuality = 80;

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(name);
    return object;
}

std::string Decimal(__int128 value)
{
    if (value == 0)
        return "0";
    const bool negative = value < 0;
    std::string digits;
    while (value != 0) {
        const int digit = static_cast<int>(value % 10);
        digits.push_back(static_cast<char>('0' + (digit < 0 ? -digit : digit)));
        value /= 10;
    }
    if (negative)
        digits.push_back('-');
    return std::string(digits.rbegin(), digits.rend());
}

// The project name as part of a file name: characters a file name cannot
// hold, or that would lead into another folder, become "_".
std::string FileNamePart(const std::string& name)
{
    std::string part = name;
    for (char& c : part)
        if (static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    return part;
}

// Restores the normal cursor however the creation ends.
struct TBusyCursor {
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

TFormNewBGImage::TFormNewBGImage(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormNewBGImage");
    setWindowTitle("Create new background map image");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    // The editor makes instances of its own besides the registered one.
    KeepCaptionWhole(this);

    lX = Named(new QLabel("Length (X)", this), "lX");
    edX = Named(new QLineEdit("3", this), "edX");
    lXUnit = Named(new QLabel("km", this), "lXUnit");
    lY = Named(new QLabel("height (Y)", this), "lY");
    EdY = Named(new QLineEdit("20", this), "EdY");
    lYUnit = Named(new QLabel("km", this), "lYUnit");
    lResolution = Named(new QLabel("Resolution", this), "lResolution");
    EdResolution = Named(new QLineEdit("250", this), "EdResolution");
    lResolutionUnit = Named(new QLabel("Pixel/km", this), "lResolutionUnit");
    cbGrid = Named(new QCheckBox("&Grid", this), "cbGrid");
    cbGrid->setChecked(true);
    cbGrid->setEnabled(false); // the grid is always drawn
    lResult = Named(new QLabel("3750000 Pixel = 10986 KBytes in memory", this), "lResult");
    lFilename = Named(new QLabel("Filename", this), "lFilename");
    edFilename = Named(new QLineEdit(this), "edFilename");
    edFilename->setEnabled(false);
    bCreate = Named(new QPushButton("Create", this), "bCreate");
    bCreate->setDefault(true);
    bCancel = Named(new QPushButton("Cancel", this), "bCancel");
    bCancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(lX, 0, 0);
    grid->addWidget(edX, 0, 1);
    grid->addWidget(lXUnit, 0, 2);
    grid->addWidget(lY, 1, 0);
    grid->addWidget(EdY, 1, 1);
    grid->addWidget(lYUnit, 1, 2);
    grid->addWidget(lResolution, 2, 0);
    grid->addWidget(EdResolution, 2, 1);
    grid->addWidget(lResolutionUnit, 2, 2);
    grid->addWidget(cbGrid, 3, 1);
    grid->addWidget(lResult, 4, 0, 1, 3);
    grid->addWidget(lFilename, 5, 0);
    grid->addWidget(edFilename, 5, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bCreate);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    for (QLineEdit* edit : {edX, EdY, EdResolution})
        connect(edit, &QLineEdit::textChanged, this, &TFormNewBGImage::EdResolutionChange);
    connect(bCreate, &QPushButton::clicked, this, &TFormNewBGImage::bCreateClick);
    // Cancel and Escape end the dialog without creating anything.
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormNewBGImage::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFormNewBGImage::FormShow()
{
    edFilename->setText(AnsiToQ(FileNamePart(Project ? Project->ProjectName : std::string()) + " Background.jpg"));
    EdResolutionChange();
}

void TFormNewBGImage::EdResolutionChange()
{
    const int x = StrToIntDef(QToAnsi(edX->text()), 0);
    const int y = StrToIntDef(QToAnsi(EdY->text()), 0);
    const int r = StrToIntDef(QToAnsi(EdResolution->text()), 0);
    bCreate->setEnabled(x > 0 && y > 0 && r > 0);
    const __int128 pixels = static_cast<__int128>(x) * y * r * r;
    lResult->setText(AnsiToQ(Decimal(pixels) + " Pixel = " + Decimal(pixels * 3 / 1024) + " KBytes in memory"));
}

int TFormNewBGImage::ScaleForResolution(int pixelsPerKm)
{
    if (pixelsPerKm <= 0)
        return 1;
    return std::max(1, Round(100000.0 / pixelsPerKm));
}

int TFormNewBGImage::ResolutionForScale(int metresPer100Pixels)
{
    if (metresPer100Pixels <= 0)
        return 0;
    return std::max(1, Round(100000.0 / metresPer100Pixels));
}

TGridMapLines::TGridMapLines(int x, int y, int r)
    : FWidth(x * r), FHeight(y * r), FColumns(static_cast<std::size_t>(FWidth), None),
      FRows(static_cast<std::size_t>(FHeight), None)
{
    // One dotted line per 100 m, on the true 100 m position (so the tenth
    // lies on the kilometre line), and one solid line per kilometre.
    auto mark = [](std::vector<TGridLine>& lines, std::int64_t at, TGridLine kind) {
        if (at >= 0 && at < static_cast<std::int64_t>(lines.size()))
            lines[static_cast<std::size_t>(at)] = std::max(lines[static_cast<std::size_t>(at)], kind);
    };
    for (std::int64_t i = 0; i <= 10 * static_cast<std::int64_t>(x); ++i)
        mark(FColumns, i * r / 10, Dotted);
    for (std::int64_t i = 0; i <= 10 * static_cast<std::int64_t>(y); ++i)
        mark(FRows, i * r / 10, Dotted);
    for (std::int64_t i = 0; i <= x; ++i)
        mark(FColumns, i * r, Solid);
    for (std::int64_t i = 0; i <= y; ++i)
        mark(FRows, i * r, Solid);
}

void TGridMapLines::Line(int row, unsigned char* rgb) const
{
    const TGridLine across = FRows[static_cast<std::size_t>(row)];
    const bool dotOn = row % (2 * DotRun) < DotRun;
    const bool inArea = row <= FHeight - 2;
    const bool edgeRow = row == 0 || row == FHeight - 2;
    for (int px = 0; px < FWidth; ++px) {
        const TGridLine down = FColumns[static_cast<std::size_t>(px)];
        QRgb colour = 0xFFFFFFFF;
        if (down == Solid || (down == Dotted && dotOn) || across == Solid ||
            (across == Dotted && px % (2 * DotRun) < DotRun))
            colour = GridColour;
        else if (inArea && px <= FWidth - 2)
            colour = edgeRow || px == 0 || px == FWidth - 2 ? OutlineColour : AreaColour;
        *rgb++ = static_cast<unsigned char>(qRed(colour));
        *rgb++ = static_cast<unsigned char>(qGreen(colour));
        *rgb++ = static_cast<unsigned char>(qBlue(colour));
    }
}

void TFormNewBGImage::bCreateClick()
{
    if (!Project)
        return;
    const int x = StrToIntDef(QToAnsi(edX->text()), 0);
    const int y = StrToIntDef(QToAnsi(EdY->text()), 0);
    const int r = StrToIntDef(QToAnsi(EdResolution->text()), 0);
    if (x <= 0 || y <= 0 || r <= 0)
        return;
    // The picture goes beside the project file; a project never saved has
    // no folder yet.
    if (Project->FileName.empty()) {
        MessageDlg(GetMessageText("unewbgimage_save_first"), mtWarning, mbOK);
        return;
    }
    const std::int64_t w = static_cast<std::int64_t>(x) * r;
    const std::int64_t h = static_cast<std::int64_t>(y) * r;
    if (w > MaxSide || h > MaxSide) {
        MessageDlg(GetMessageText("unewbgimage_too_large") + std::to_string(w) + " x " + std::to_string(h) +
                       " Pixel",
                   mtError, mbOK);
        return;
    }

    // The project names the picture in its own code page, folder and all.
    const auto folder = ModelName(ExtractFilePath(Project->FileName));
    if (!folder) {
        MessageDlg(GetMessageText("tmain_name_not_ansi"), mtWarning, mbOK);
        return;
    }
    const std::string fileName = *folder + QToAnsi(edFilename->text());
    QString error;
    {
        TBusyCursor busy;
        const TGridMapLines map(x, y, r);
        const std::string disk = DiskPath(fileName);
        QSaveFile out(QString::fromStdString(disk));
        if (IsWriteProtected(disk))
            error = QString::fromStdString(WriteErrorText(disk, EACCES));
        else if (!out.open(QIODevice::WriteOnly))
            error = out.errorString();
        else if (!WriteJpegByLines(out, map.Width(), map.Height(), JpegQuality,
                                   [&map](int line, unsigned char* rgb) { map.Line(line, rgb); }, error))
            out.cancelWriting();
        else if (!out.commit())
            error = out.errorString();
    }
    if (!error.isEmpty()) {
        MessageDlg(GetMessageText("unewbgimage_write_failed") + fileName + "\r\n" + QToAnsi(error), mtError, mbOK);
        return;
    }
    Project->BackgroundMapFileName = fileName;
    Project->BackgroundMapScale = ScaleForResolution(r);
    accept();
}

void TFormNewBGImage::CopyTextsFrom(QWidget* other)
{
    if (!other)
        return;
    setWindowTitle(other->windowTitle());
    for (QObject* component : FormComponents(other)) {
        QObject* mine = findChild<QObject*>(component->objectName());
        const TLngINISupp::TComponentKind kind = TLngINISupp::KindOf(component);
        if (mine && kind != TLngINISupp::TComponentKind::None && TLngINISupp::KindOf(mine) == kind &&
            kind != TLngINISupp::TComponentKind::StatusBar)
            TLngINISupp::SetComponentText(mine, kind, TLngINISupp::ComponentText(component, kind));
    }
}
