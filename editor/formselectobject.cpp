#include "editor/formselectobject.h"

#include "editor/appforms.h"
#include "editor/frmobjects.h"
#include "editor/vclwidgets.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TFormSelectObject* FormSelectObject = nullptr;

TFormSelectObject::TFormSelectObject(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormSelectObject");
    setWindowTitle("FormSelectObject");
    setModal(true);

    FrmObjects1 = new TFrmObjects(this);
    // The panel is a part of its own; its texts are not this window's.
    SetTranslatable(FrmObjects1, false);
    Panel1 = new TPanel(this, "Panel1");
    Panel1->SetCaption("");
    Button1 = new QPushButton("OK", Panel1);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("&Cancel", Panel1);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);
    Panel1->Layout()->addStretch();
    Panel1->Layout()->addWidget(Button1);
    Panel1->Layout()->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FrmObjects1, 1);
    layout->addWidget(Panel1);
    resize(360, 520);

    connect(Button1, &QPushButton::clicked, this, &TFormSelectObject::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormSelectObject::Button2Click);
    connect(FrmObjects1, &TFrmObjects::ObjectDoubleClicked, this, &TFormSelectObject::Button1Click);
}

void TFormSelectObject::SelectFolder(const std::string& name)
{
    InitialFolder = name;
    QListWidget* folders = FrmObjects1->lvObjFolders;
    for (int i = 0; i < folders->count(); ++i) {
        if (SameText(ModelName(ItemNativeName(folders->item(i))).value_or(""), name)) {
            folders->setCurrentRow(i);
            folders->item(i)->setSelected(true);
            FrmObjects1->lvObjFoldersClick();
            return;
        }
    }
}

int TFormSelectObject::Execute()
{
    const int result = ShowModal(this);
    ShowFolders = true;
    return result;
}

void TFormSelectObject::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormSelectObject::FormShow()
{
    SelectedPath.clear();
    FrmObjects1->refresh1Click();
    FrmObjects1->lvObjFolders->setVisible(ShowFolders);
    if (!InitialFolder.empty())
        SelectFolder(InitialFolder);
}

void TFormSelectObject::Button1Click()
{
    if (!FrmObjects1->HasSelection())
        return;
    SelectedPath = FrmObjects1->SelectedFolder() + "\\" + FrmObjects1->SelectedFile();
    SelectedFile = FrmObjects1->SelectedFile();
    accept();
}

void TFormSelectObject::Button2Click() { reject(); }

void TFormSelectObject::done(int result)
{
    // A caller that hides the folder list does so for one showing only.
    ShowFolders = true;
    QDialog::done(result);
}
