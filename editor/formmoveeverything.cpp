#include "editor/formmoveeverything.h"

#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "model/vlhelpers.h"
#include "model/vlobject.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "platform/gui/dialogs.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>

TFormMoveEverything* FormMoveEverything = nullptr;

TFormMoveEverything::TFormMoveEverything(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormMoveEverything");
    setWindowTitle("Move everything");
    setModal(true);

    leX = new TLabeledEdit(this, "leX");
    leX->EditLabel()->setText("x-offset (m)");
    leX->SetText("0");
    leY = new TLabeledEdit(this, "leY");
    leY->EditLabel()->setText("y-offset (m)");
    leY->SetText("0");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->hide();
    Button1 = new QPushButton("Start", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(leX);
    layout->addWidget(leY);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &TFormMoveEverything::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    if (FormMain && FormMain->FrmEditor)
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project)
                Project = nullptr;
        });
}

void TFormMoveEverything::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ProgressBar1->hide();
    Button1->setEnabled(true);
}

void TFormMoveEverything::Button1Click()
{
    if (!Project)
        return;
    double dx = 0.0;
    double dy = 0.0;
    if (!ReadDecimalEdit(leX, -1e7, 1e7, dx) || !ReadDecimalEdit(leY, -1e7, 1e7, dy))
        return;

    ProgressBar1->show();
    Button1->setEnabled(false);
    const int points = Project->Points.Count();
    for (int i = 0; i < points; ++i) {
        Project->Points[i]->MoveBy(dx, dy);
        ProgressBar1->setValue(i * 50 / points);
    }
    const int objects = Project->FreeObjects.Count();
    for (int i = 0; i < objects; ++i) {
        Project->FreeObjects[i]->MoveBy(dx, dy);
        ProgressBar1->setValue(i * 50 / objects + 50);
    }
    ProgressBar1->setValue(100);
    Button1->setEnabled(true);
    accept();
}
