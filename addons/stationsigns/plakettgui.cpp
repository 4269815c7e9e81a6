#include "addons/stationsigns/plakettgui.h"

#include "addons/stationsigns/plakett.h"
#include "addons/stationsigns/signfiles.h"
#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/numberfield.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cerrno>
#include <map>

namespace {

const char* DefaultFace = "DejaVu Sans";
// A frame wider than half the sign's height would cover it.
constexpr int MaxFrameWidth = SignHeight / 2;
const TNumberFieldTexts FieldTexts = {"This is not a value the field can take:\r\n",
                                      "Allowed values: from %1 to %2.\r\n", {}};
const QString WidthWarning = "The name is wider than the sign: its ends are cut off.";
const QColor Cream(0xFF, 0xFB, 0xF0);

struct TPreset {
    const char* Text;
    QColor Font;
    bool Centered;
    const char* FrameWidth;
    QColor Frame;
    QColor Background;
    bool Caps;
};

const TPreset Presets[] = {
    {"Germany, Epoch IV (~1975-1990)", Qt::black, true, "1", Qt::black, Qt::white, true},
    {"Germany, Epoch IV/V (~1990-2000)", Qt::black, true, "5", QColor(0x40, 0x60, 0xCC), Qt::white, true},
    {"Germany, Epoch V (2000-...)", Qt::white, false, "0", Qt::white, QColor(0, 0, 0x80), false},
};

std::string ToAnsi(const QString& text) { return Utf8ToAnsi(text.toUtf8().toStdString()); }

// Writes a whole file in place of an earlier one (never of a write-protected
// one); on failure shows why and returns false, the earlier file kept.
void SayCannotWrite(const std::string& path, int error)
{
    MessageDlg("Cannot write file \"" + Utf8ToAnsi(path) + "\". " + WriteErrorText(path, error), mtError, mbOK);
}

bool WriteSignFile(const std::string& path, const std::string& bytes)
{
    if (WriteFileAtomic(path, bytes))
        return true;
    SayCannotWrite(path, errno);
    return false;
}

} // namespace

TColourPanel::TColourPanel(QWidget* parent, const char* name, QColor colour) : QFrame(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    setMinimumSize(40, 20);
    SetColour(colour);
}

void TColourPanel::SetColour(const QColor& colour)
{
    FColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

void TColourPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QFrame::mousePressEvent(event);
}

TFormStationsigns::TFormStationsigns(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormStationsigns");
    setWindowTitle("Station Sign Maker for Velkast");

    edBfName = new QLineEdit("Station", this);
    edBfName->setObjectName("edBfName");
    cbStyle = new QComboBox(this);
    cbStyle->setObjectName("cbStyle");
    for (const TPreset& preset : Presets)
        cbStyle->addItem(preset.Text);
    cbStyle->setCurrentIndex(0);
    cbCaps = new QCheckBox("&Caps", this);
    cbCaps->setObjectName("cbCaps");
    cbCentered = new QCheckBox("&Centered", this);
    cbCentered->setObjectName("cbCentered");
    cbCentered->setChecked(true);
    cbBgColor = new TColourPanel(this, "cbBgColor", Cream);
    cbBgColor->setCursor(Qt::PointingHandCursor);
    cbBgColor->setToolTip("Click to choose the background colour");
    // The frame and text colours come with the style.
    cbFrame = new TColourPanel(this, "cbFrame", Cream);
    cbFrame->setToolTip("The frame colour of the style");
    cbFont = new TColourPanel(this, "cbFont", Qt::black);
    cbFont->setToolTip("The text colour of the style");
    EdWidth = new QLineEdit("0", this);
    EdWidth->setObjectName("EdWidth");
    EdFontface = new QLineEdit(DefaultFace, this);
    EdFontface->setObjectName("EdFontface");
    bChangefont = new QPushButton("...", this);
    bChangefont->setObjectName("bChangefont");
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setFixedSize(SignWidth, SignHeight);
    Button1 = new QPushButton("Save...", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    lInfo = new QLabel(this);
    lInfo->setObjectName("lInfo");

    auto* colours = new QHBoxLayout;
    colours->addWidget(new QLabel("Background", this));
    colours->addWidget(cbBgColor);
    colours->addWidget(new QLabel("Frame", this));
    colours->addWidget(cbFrame);
    colours->addWidget(new QLabel("Text", this));
    colours->addWidget(cbFont);
    auto* font = new QHBoxLayout;
    font->addWidget(EdFontface, 1);
    font->addWidget(bChangefont);
    auto* checks = new QHBoxLayout;
    checks->addWidget(cbCaps);
    checks->addWidget(cbCentered);
    auto* form = new QFormLayout;
    form->addRow("Station name", edBfName);
    form->addRow("Style", cbStyle);
    form->addRow(checks);
    form->addRow(colours);
    form->addRow("Frame width", EdWidth);
    form->addRow("Font", font);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(Button1, 0, Qt::AlignRight);
    layout->addWidget(lInfo);

    // The design values count at creation, not the preset cbStyle shows.
    connect(edBfName, &QLineEdit::textChanged, this, &TFormStationsigns::cbStyleChange);
    connect(cbStyle, &QComboBox::currentIndexChanged, this, &TFormStationsigns::cbStyleClick);
    connect(cbCaps, &QCheckBox::toggled, this, &TFormStationsigns::cbStyleChange);
    connect(cbCentered, &QCheckBox::toggled, this, &TFormStationsigns::cbStyleChange);
    connect(EdWidth, &QLineEdit::textChanged, this, &TFormStationsigns::cbStyleChange);
    connect(EdFontface, &QLineEdit::textChanged, this, &TFormStationsigns::cbStyleChange);
    connect(bChangefont, &QPushButton::clicked, this, &TFormStationsigns::bChangefontClick);
    connect(cbBgColor, &TColourPanel::clicked, this, &TFormStationsigns::cbBgColorClick);
    connect(Button1, &QPushButton::clicked, this, &TFormStationsigns::Button1Click);

    FVersionLine = QString("Version ") + Plakett::Version + " - by " + Plakett::Author;
    lInfo->setText(FVersionLine);
    cbStyleChange();
}

void TFormStationsigns::ShowWidthWarning(bool tooWide)
{
    if (tooWide)
        lInfo->setText(WidthWarning);
    else if (lInfo->text() == WidthWarning)
        lInfo->setText(FVersionLine);
}

int TFormStationsigns::FontPixelSize()
{
    int dpi = 96;
    if (QGuiApplication::instance())
        if (QScreen* screen = QGuiApplication::primaryScreen())
            dpi = qRound(screen->logicalDotsPerInchY());
    if (dpi <= 0)
        dpi = 96;
    return (20 * dpi + 36) / 72;
}

std::string TFormStationsigns::StationName() const { return ToAnsi(edBfName->text()); }

void TFormStationsigns::cbStyleChange()
{
    if (FApplyingPreset)
        return;
    const QString text = cbCaps->isChecked() ? edBfName->text().toUpper() : edBfName->text();

    QImage canvas(SignWidth, SignHeight, QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        QFont font(EdFontface->text());
        font.setPixelSize(FontPixelSize());
        font.setStyleStrategy(QFont::NoAntialias);
        p.setFont(font);
        const QColor background = cbBgColor->Colour();
        p.fillRect(QRect(0, 0, SignWidth + 5, SignHeight + 5), background);

        const QFontMetrics metrics = p.fontMetrics();
        const int width = metrics.horizontalAdvance(text);
        // Integer division towards zero: a name wider than the sign starts
        // left of it and is cut on both sides.
        const int x = cbCentered->isChecked() ? (SignWidth - width) / 2 : 5;
        ShowWidthWarning(x < 0 || x + width > SignWidth);
        p.fillRect(QRect(x, 0, width, metrics.height()), background);
        p.setPen(cbFont->Colour());
        p.drawText(x, metrics.ascent(), text);

        bool ok = false;
        const int frame = EdWidth->text().trimmed().toInt(&ok);
        if (ok && frame > 0) {
            QPen pen(cbFrame->Colour(), frame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            // The line is centred on the picture's edge.
            p.drawRect(QRect(0, 0, SignWidth - 1, SignHeight - 1));
        }
    }

    Picture = QImage(SignWidth, SignHeight, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (std::uint32_t c : SignPalette())
        table.append(qRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    Picture.setColorTable(table);
    std::map<QRgb, int> nearest;
    for (int y = 0; y < SignHeight; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        uchar* out = Picture.scanLine(y);
        for (int x = 0; x < SignWidth; ++x) {
            const QRgb rgb = in[x] & 0xFFFFFF;
            auto it = nearest.find(rgb);
            if (it == nearest.end())
                it = nearest.emplace(rgb, NearestSignColour(rgb)).first;
            out[x] = static_cast<uchar>(it->second);
        }
    }
    Image1->setPixmap(QPixmap::fromImage(Picture));
}

void TFormStationsigns::cbStyleClick()
{
    const int index = cbStyle->currentIndex();
    if (index < 0 || index >= static_cast<int>(std::size(Presets)))
        return;
    const TPreset& preset = Presets[index];
    FApplyingPreset = true;
    EdFontface->setText(DefaultFace);
    cbFont->SetColour(preset.Font);
    cbCentered->setChecked(preset.Centered);
    EdWidth->setText(preset.FrameWidth);
    cbFrame->SetColour(preset.Frame);
    cbBgColor->SetColour(preset.Background);
    cbCaps->setChecked(preset.Caps);
    FApplyingPreset = false;
    cbStyleChange();
}

void TFormStationsigns::bChangefontClick()
{
    QFontDialog dialog(QFont(EdFontface->text()), this);
    dialog.setObjectName("FontDialog1");
    if (ShowModal(&dialog) != mrOk)
        return;
    // Only the face counts; the size stays 20 points.
    EdFontface->setText(dialog.currentFont().family());
    cbStyleChange();
}

void TFormStationsigns::cbBgColorClick()
{
    QColorDialog dialog(cbBgColor->Colour(), this);
    dialog.setObjectName("ColorDialog1");
    if (ShowModal(&dialog) != mrOk)
        return;
    cbBgColor->SetColour(dialog.currentColor());
    cbStyleChange();
}

void TFormStationsigns::Button1Click()
{
    const std::string typed = edBfName->text().toStdString();
    if (edBfName->text().trimmed().isEmpty()) {
        MessageDlg("Please type the station name first.", mtWarning, mbOK);
        edBfName->setFocus();
        return;
    }
    int frame = 0;
    if (!ReadWholeField(EdWidth, "Frame width", 0, MaxFrameWidth, frame, FieldTexts))
        return;
    const char* library = HostInfo.Query ? HostInfo.Query(4) : nullptr;
    if (!library || !*library) {
        MessageDlg("The editor did not name its object library folder.", mtError, mbOK);
        return;
    }
    SignsFolder = IncludeTrailingPathDelimiter(ResolvePathCase(IncludeTrailingPathDelimiter(library) + "signs"));
    // The base name is plain ASCII: it is its own disk name.
    const std::string base = SignBaseName(typed);
    const std::string file = SignsFolder + base;
    if (FileExists(file + ".bmp") || FileExists(file + ".b3d")) {
        const std::string question = "The sign \"" + base + "\" exists already in\r\n" + Utf8ToAnsi(SignsFolder) +
                                     "\r\n\r\nReplace it with the sign of \"" + StationName() + "\"?";
        if (MessageDlg(question, mtConfirmation, mbYesNo) != mrYes)
            return;
    }

    // A sign is its picture and its object together: where either is
    // write-protected, neither is replaced.
    for (const std::string& path : {file + ".bmp", file + ".b3d"})
        if (IsWriteProtected(path)) {
            SayCannotWrite(path, EACCES);
            return;
        }

    std::vector<std::uint8_t> indices;
    indices.reserve(SignWidth * SignHeight);
    for (int y = 0; y < SignHeight; ++y) {
        const uchar* line = Picture.constScanLine(y);
        indices.insert(indices.end(), line, line + SignWidth);
    }
    if (!WriteSignFile(file + ".bmp", SignBitmapFile(indices)))
        return;
    if (!WriteSignFile(file + ".b3d", SignObjectFile(SignDescriptionName(typed), base)))
        return;
    lInfo->setText("SAVED");
    lInfo->setToolTip(QString::fromStdString(file + ".b3d"));
}
