#include "editor/formbgmap.h"

#include "editor/mappicture.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

TFormBGMap* FormBGMap = nullptr;

namespace {

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(name);
    return object;
}

} // namespace

TFormBGMap::TFormBGMap(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormBGMap");
    setWindowTitle("Background Image for Minimap");
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    setModal(true);
    setMinimumSize(300, 300);

    Label1 = Named(new QLabel("Scale: 100 Pixel are ", this), "Label1");
    EdScale = Named(new QLineEdit(this), "EdScale");
    EdScale->setFixedWidth(70);
    Label2 = Named(new QLabel("meters", this), "Label2");
    edfilename = Named(new QLineEdit(this), "edfilename");
    Button1 = Named(new QPushButton("Browse...", this), "Button1");
    Button1->setAutoDefault(false);
    ScrollBox1 = Named(new QScrollArea(this), "ScrollBox1");
    Image1 = Named(new TMapPicture, "Image1");
    ScrollBox1->setWidget(Image1);
    Button2 = Named(new QPushButton("OK", this), "Button2");
    Button2->setDefault(true);
    Button3 = Named(new QPushButton("Cancel", this), "Button3");
    Button3->setAutoDefault(false);
    OpenPictureDialog1 = new TOpenDialog(this, "OpenPictureDialog1");
    OpenPictureDialog1->Title = "Select background image";
    OpenPictureDialog1->Filter = "Pictures|*.jpg;*.jpeg;*.bmp;*.png|All files|*.*";

    auto* scale = new QHBoxLayout;
    scale->addWidget(Label1);
    scale->addWidget(EdScale);
    scale->addWidget(Label2);
    scale->addStretch();
    auto* file = new QHBoxLayout;
    file->addWidget(edfilename, 1);
    file->addWidget(Button1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(scale);
    layout->addLayout(file);
    layout->addWidget(ScrollBox1, 1);
    layout->addLayout(buttons);
    resize(420, 420);

    connect(Button1, &QPushButton::clicked, this, &TFormBGMap::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormBGMap::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TFormBGMap::Button3Click);
}

void TFormBGMap::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

bool TFormBGMap::FormShow()
{
    FShownName = QToAnsi(edfilename->text());
    return LoadPreview(FShownName);
}

bool TFormBGMap::LoadPreview(const std::string& name)
{
    if (name.empty() || !FileExists(DiskPath(name)))
        return false;
    const QString file = QString::fromStdString(DiskPath(name));
    // The JPEG decoder's one-eighth output: only an eighth of the picture is
    // ever decoded.
    return Image1->Open(file, QImageReader(file).format() == "jpeg" ? 8 : 1);
}

void TFormBGMap::Button1Click()
{
    OpenPictureDialog1->FileName = DiskPath(QToAnsi(edfilename->text()));
    if (!OpenPictureDialog1->Execute())
        return;
    const auto path = ModelName(OpenPictureDialog1->FileName);
    if (!path) {
        MessageDlg(GetMessageText("tmain_name_not_ansi"), mtWarning, mbOK);
        return;
    }
    if (!LoadPreview(*path)) {
        MessageDlg(GetMessageText("ubgmap_unreadable") + *path, mtError, mbOK);
        return;
    }
    edfilename->setText(AnsiToQ(*path));
}

void TFormBGMap::Button2Click()
{
    // 0 or less would put every track at the origin or off the picture.
    int scale = 0;
    if (!ReadWholeEdit(EdScale, "Label1", 1, 1000000, scale))
        return;
    // A name typed by hand is checked as a chosen one is.
    const std::string name = QToAnsi(edfilename->text());
    const bool missing = !name.empty() && name != FShownName && !FileExists(DiskPath(name));
    if (missing || (Image1->File() != QString::fromStdString(DiskPath(name)) && FileExists(DiskPath(name)) &&
                    !LoadPreview(name))) {
        MessageDlg(GetMessageText("ubgmap_unreadable") + name, mtError, mbOK);
        return;
    }
    accept();
}

void TFormBGMap::Button3Click()
{
    reject();
}
