#include "editor/formfreeobjproperties.h"

#include "editor/formselectobject.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "model/vlhelpers.h"
#include "model/vlobject.h"
#include "platform/gui/dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>

#include <algorithm>

TFormFreeObjProperties* FormFreeObjProperties = nullptr;

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

} // namespace

TFormFreeObjProperties::TFormFreeObjProperties(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormFreeObjProperties");
    setWindowTitle("Object Properties");
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);

    Label1 = MakeLabel(this, "Label1", "Object:");
    lObjectpath = MakeLabel(this, "lObjectpath", "...");
    lObjectpath->setWordWrap(true);
    Label2 = MakeLabel(this, "Label2", "vertical offset");
    edVOffset = MakeEdit(this, "edVOffset");
    Label3 = MakeLabel(this, "Label3", "m");
    Label4 = MakeLabel(this, "Label4", "rotation angle");
    edRotation = MakeEdit(this, "edRotation");
    Label5 = MakeLabel(this, "Label5", AnsiToQ("\xB0"));
    Label7 = MakeLabel(this, "Label7", "X");
    edX = MakeEdit(this, "edX");
    Label6 = MakeLabel(this, "Label6", "Y");
    edY = MakeEdit(this, "edY");
    lMaxCube = MakeLabel(this, "lMaxCube", "...");
    lMaxCube->setWordWrap(true);
    bChange = new QPushButton("change...", this);
    bChange->setObjectName("bChange");
    bChange->setAutoDefault(false);
    Button2 = new QPushButton("OK", this);
    Button2->setObjectName("Button2");
    Button2->setDefault(true);
    Button1 = new QPushButton("&Cancel", this);
    Button1->setObjectName("Button1");
    Button1->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(lObjectpath, 0, 1, 1, 2);
    grid->addWidget(bChange, 0, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edVOffset, 1, 1);
    grid->addWidget(Label3, 1, 2);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(edRotation, 2, 1);
    grid->addWidget(Label5, 2, 2);
    grid->addWidget(Label7, 3, 0);
    grid->addWidget(edX, 3, 1);
    grid->addWidget(Label6, 4, 0);
    grid->addWidget(edY, 4, 1);
    grid->addWidget(lMaxCube, 5, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(bChange, &QPushButton::clicked, this, &TFormFreeObjProperties::bChangeClick);
    connect(Button2, &QPushButton::clicked, this, &TFormFreeObjProperties::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TFormFreeObjProperties::Button1Click);
}

QString TFormFreeObjProperties::CornersText(const TVLObject& object)
{
    const QLocale locale;
    QStringList corners;
    for (const TWorldPoint& p : object.GetCorners())
        corners << locale.toString(p.X, 'g', 15) + "/" + locale.toString(p.Y, 'g', 15);
    return corners.join(' ');
}

void TFormFreeObjProperties::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormFreeObjProperties::FormShow()
{
    FileChanged = false;
    if (!FreeObject)
        return;
    lObjectpath->setText(AnsiToQ(FreeObject->GetRelativePath()));
    edVOffset->setText(QString::fromStdString(FloatToStrDot(FreeObject->Height)));
    edX->setText(QString::fromStdString(FloatToStrDot(FreeObject->X)));
    edY->setText(QString::fromStdString(FloatToStrDot(FreeObject->Y)));
    edRotation->setText(QString::number(FreeObject->Rotation));
    lMaxCube->setText(CornersText(*FreeObject));
    // Room for the four corners however the text wraps: each corner fits a
    // line, and four lines are kept.
    int widest = 0;
    for (const QString& corner : lMaxCube->text().split(' '))
        widest = std::max(widest, lMaxCube->fontMetrics().horizontalAdvance(corner));
    lMaxCube->setMinimumSize(widest, 4 * lMaxCube->fontMetrics().lineSpacing());
}

void TFormFreeObjProperties::bChangeClick()
{
    if (!FormSelectObject || FormSelectObject->Execute() != mrOk)
        return;
    const std::string path = FormSelectObject->SelectedPath;
    if (!ObjectNamesStorable(GetToken(path, "\\", 1), GetToken(path, "\\", 2)))
        return;
    lObjectpath->setText(AnsiToQ(path));
    FileChanged = true;
}

void TFormFreeObjProperties::Button2Click()
{
    if (!FreeObject) {
        reject();
        return;
    }
    // Every field is read before anything is written, so a refusal leaves
    // the object as it was.
    int rotation = 0;
    double values[3] = {};
    if (!ReadWholeEdit(edRotation, "Label4", -360, 360, rotation) ||
        !ReadDecimalEdit(edVOffset, "Label2", -10000.0, 10000.0, values[0]) ||
        !ReadDecimalEdit(edX, "Label7", -1e7, 1e7, values[1]) || !ReadDecimalEdit(edY, "Label6", -1e7, 1e7, values[2]))
        return;
    FreeObject->Rotation = rotation;
    FreeObject->Height = values[0];
    FreeObject->X = values[1];
    FreeObject->Y = values[2];
    if (FileChanged) {
        const std::string path = QToAnsi(lObjectpath->text());
        const TVLObject file(GetToken(path, "\\", 1), GetToken(path, "\\", 2));
        FreeObject->Folder = file.Folder;
        FreeObject->FileName = file.FileName;
        FreeObject->Lines = file.Lines;
        // A file that has gone meanwhile gives the empty footprint of a new
        // object, not the unbounded one of a box without vertices.
        FreeObject->MaxX = file.MaxX;
        FreeObject->MinX = file.MinX;
        FreeObject->MaxY = file.MaxY;
        FreeObject->MinY = file.MinY;
        FreeObject->MaxZ = file.MaxZ;
        FreeObject->MinZ = file.MinZ;
    }
    accept();
}

void TFormFreeObjProperties::Button1Click() { reject(); }
