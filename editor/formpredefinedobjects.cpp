#include "editor/formpredefinedobjects.h"

#include "editor/formselectobject.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "model/vlhelpers.h"
#include "platform/gui/dialogs.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

TFormPredefinedObjects* FormPredefinedObjects = nullptr;

namespace {

// Keeps the text before the first occurrence of suffix, if it occurs.
void CutAt(std::string& name, const char* suffix)
{
    const std::size_t at = name.find(suffix);
    if (at != std::string::npos)
        name.erase(at);
}

} // namespace

std::string CutPredefinedSuffix(const std::string& folder, const std::string& name)
{
    std::string result = name;
    if (folder == "walls") {
        for (const char* suffix : {"_l.b3d", "_r.b3d"})
            CutAt(result, suffix);
    } else if (folder == "platforms") {
        for (const char* suffix : {"cl.b3d", "cr.b3d", "l.b3d", "r.b3d"})
            CutAt(result, suffix);
    }
    return result;
}

bool PredefinedListHolds(const TStrings& lines, const std::string& name)
{
    const std::string wanted = AnsiLowerCase(name);
    for (const std::string& line : lines)
        if (AnsiLowerCase(GetValue(lines, NameOfLine(line))) == wanted)
            return true;
    return false;
}

int NextPredefinedId(const TStrings& lines)
{
    int largest = 0;
    for (const std::string& line : lines)
        largest = std::max(largest, StrToIntDef(NameOfLine(line), 0));
    return largest + 1;
}

TFormPredefinedObjects::TFormPredefinedObjects(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormPredefinedObjects");
    setWindowTitle("Predefined Objects");
    setModal(true);

    LPredefWhat = new QLabel("Objects", this);
    LPredefWhat->setObjectName("LPredefWhat");
    lbObj = new QListWidget(this);
    lbObj->setObjectName("lbObj");
    lbObj->setSelectionMode(QAbstractItemView::SingleSelection);
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    bAdd = new QPushButton("Add...", this);
    bAdd->setObjectName("bAdd");
    bAdd->setAutoDefault(false);
    bDel = new QPushButton("&Delete", this);
    bDel->setObjectName("bDel");
    bDel->setAutoDefault(false);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);

    auto* side = new QVBoxLayout;
    side->addWidget(bAdd);
    side->addWidget(bDel);
    side->addStretch();
    side->addWidget(Button1);
    side->addWidget(Button2);
    auto* body = new QHBoxLayout;
    body->addWidget(lbObj, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LPredefWhat);
    layout->addLayout(body, 1);
    resize(380, 420);

    connect(lbObj, &QListWidget::currentRowChanged, this, &TFormPredefinedObjects::lbObjClick);
    connect(lbObj, &QListWidget::itemSelectionChanged, this, &TFormPredefinedObjects::lbObjClick);
    connect(bDel, &QPushButton::clicked, this, &TFormPredefinedObjects::bDelClick);
    connect(bAdd, &QPushButton::clicked, this, &TFormPredefinedObjects::bAddClick);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TStrings TFormPredefinedObjects::Lines() const
{
    TStrings lines;
    for (int i = 0; i < lbObj->count(); ++i)
        lines.push_back(QToAnsi(lbObj->item(i)->text()));
    return lines;
}

bool TFormPredefinedObjects::EditList(const std::string& title, int fixedCount, const std::string& folderName,
                                      TStrings& items)
{
    Folder = AnsiLowerCase(folderName.empty() ? title : folderName);
    TStrings shown = items;
    const auto dash = std::find(shown.begin(), shown.end(), "-");
    const bool hadDash = dash != shown.end();
    if (hadDash)
        shown.erase(dash);
    lbObj->clear();
    for (const std::string& line : shown)
        lbObj->addItem(AnsiToQ(line));
    LPredefWhat->setText(AnsiToQ(title));
    FixedCount = fixedCount;
    lbObjClick();
    if (ShowModal(this) != mrOk)
        return false;
    items = Lines();
    if (hadDash)
        items.push_back("-");
    return true;
}

void TFormPredefinedObjects::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        lbObjClick();
    QDialog::showEvent(event);
}

void TFormPredefinedObjects::lbObjClick()
{
    const QListWidgetItem* item = lbObj->currentItem();
    const int index = item && item->isSelected() ? lbObj->currentRow() : -1;
    bDel->setEnabled(index >= 0 && index >= FixedCount);
}

void TFormPredefinedObjects::bDelClick()
{
    const QListWidgetItem* item = lbObj->currentItem();
    const int index = item && item->isSelected() ? lbObj->currentRow() : -1;
    if (index >= 0 && index >= FixedCount)
        delete lbObj->takeItem(index);
    lbObjClick();
}

void TFormPredefinedObjects::bAddClick()
{
    if (!FormSelectObject)
        return;
    FormSelectObject->SelectFolder(Folder);
    FormSelectObject->ShowFolders = false;
    if (FormSelectObject->Execute() != mrOk)
        return;
    const std::string name = CutPredefinedSuffix(Folder, AnsiLowerCase(FormSelectObject->SelectedFile));
    const TStrings lines = Lines();
    if (PredefinedListHolds(lines, name)) {
        MessageDlg(GetMessageText("upredefobj_already"), mtError, mbCancel);
        return;
    }
    lbObj->addItem(AnsiToQ(std::to_string(NextPredefinedId(lines)) + "=" + name));
}
