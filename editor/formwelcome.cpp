#include "editor/formwelcome.h"

#include "editor/vclwidgets.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TFormWelcome* FormWelcome = nullptr;

TFormWelcome::TFormWelcome(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormWelcome");
    setWindowTitle("Welcome!");
    setModal(true);

    Label1 = new QLabel("What do you want to do?", this);
    Label1->setObjectName("Label1");
    bNew = new QPushButton("&create new route project", this);
    bNew->setObjectName("bNew");
    bNew->setAutoDefault(false);
    bOpen = new QPushButton("&open other...", this);
    bOpen->setObjectName("bOpen");
    bOpen->setAutoDefault(false);

    // The "open recently used" panel: its caption, the list and its button.
    auto* recent = new QWidget(this);
    Panel1 = new TPanel(recent, "Panel1");
    Panel1->SetCaption("open recently used");
    ListView1 = new QListWidget(recent);
    ListView1->setObjectName("ListView1");
    ListView1->setViewMode(QListView::ListMode);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    Button1 = new QPushButton("open selected", recent);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);

    auto* panelLayout = new QVBoxLayout(recent);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(Panel1);
    panelLayout->addWidget(ListView1, 1);
    auto* panelButtons = new QHBoxLayout;
    panelButtons->addStretch();
    panelButtons->addWidget(Button1);
    panelLayout->addLayout(panelButtons);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bNew);
    buttons->addWidget(bOpen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    layout->addWidget(recent, 1);
    resize(520, 360);

    connect(bNew, &QPushButton::clicked, this, &TFormWelcome::bNewClick);
    connect(bOpen, &QPushButton::clicked, this, &TFormWelcome::bOpenClick);
    connect(Button1, &QPushButton::clicked, this, &TFormWelcome::Button1Click);
    connect(ListView1, &QListWidget::itemDoubleClicked, this, &TFormWelcome::ListView1DblClick);
}

void TFormWelcome::SetRecentProjects(const std::vector<std::string>& paths)
{
    ListView1->clear();
    for (const std::string& path : paths)
        ListView1->addItem(QFile::decodeName(QByteArray::fromStdString(path)));
}

void TFormWelcome::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (ListView1->count() > 0)
        ListView1->setCurrentRow(0);
    ListView1->setFocus();
}

void TFormWelcome::bNewClick()
{
    Choice = "new";
    accept();
}

void TFormWelcome::bOpenClick()
{
    Choice = "open";
    accept();
}

void TFormWelcome::Button1Click()
{
    QListWidgetItem* item = ListView1->currentItem();
    if (!item || !item->isSelected())
        return;
    Choice = QFile::encodeName(item->text()).toStdString();
    accept();
}

void TFormWelcome::ListView1DblClick(QListWidgetItem* item)
{
    if (item)
        ListView1->setCurrentItem(item);
    Button1Click();
}
