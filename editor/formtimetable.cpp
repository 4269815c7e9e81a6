#include "editor/formtimetable.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QSpinBox>
#include <QTableWidget>
#include <QTime>
#include <QVBoxLayout>

TFormTimetable* FormTimetable = nullptr;

namespace {

void SetCell(QTableWidget* grid, int col, int row, const QString& text)
{
    QTableWidgetItem* item = grid->item(row, col);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, col, item);
    }
    item->setText(text);
    if (row == 0)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable & ~Qt::ItemIsSelectable);
}

} // namespace

TFormTimetable::TFormTimetable(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormTimetable");
    setWindowTitle("Velkast - Timetable");

    StringGrid1 = new QTableWidget(3, 3, this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::AllEditTriggers);
    for (int col = 0; col < 3; ++col)
        SetCell(StringGrid1, col, 0, QString());

    // The up-down controls float over the window beside the grid's rows.
    UpDown1 = new QSpinBox(this);
    UpDown1->setObjectName("UpDown1");
    UpDown1->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    UpDown1->hide();
    UpDown2 = new QSpinBox(this);
    UpDown2->setObjectName("UpDown2");
    UpDown2->hide();

    bCalculate = new QPushButton("calculate", this);
    bCalculate->setObjectName("bCalculate");
    bCalculate->setAutoDefault(false);
    bSetStartTime = new QPushButton("set start time...", this);
    bSetStartTime->setObjectName("bSetStartTime");
    bSetStartTime->setAutoDefault(false);

    auto title = [this](const char* name, const char* text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        label->hide();
        return label;
    };
    lStation = title("lStation", "Station");
    lArrival = title("lArrival", "Arrival");
    lDeparture = title("lDeparture", "Departure");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bCalculate);
    buttons->addWidget(bSetStartTime);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1, 1);
    layout->addLayout(buttons);
    resize(420, 260);
    UpDown1->move(330, 32);
    UpDown2->move(370, 32);

    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int col, int, int) { StringGrid1SelectCell(col, row); });
    connect(StringGrid1, &QTableWidget::cellClicked, this, [this](int row, int col) { StringGrid1SelectCell(col, row); });
}

QString TFormTimetable::Cell(int col, int row) const
{
    const QTableWidgetItem* item = StringGrid1->item(row, col);
    return item ? item->text() : QString();
}

void TFormTimetable::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormTimetable::FormShow()
{
    SetCell(StringGrid1, 0, 0, lStation->text());
    SetCell(StringGrid1, 1, 0, lArrival->text());
    SetCell(StringGrid1, 2, 0, lDeparture->text());
    // The locale's long time form without its time zone: a timetable's
    // times are the route's own.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression("\\s*\\(?t+\\)?"));
    const QString midnight = QTime(0, 0, 0).toString(format.trimmed());
    SetCell(StringGrid1, 1, 1, midnight);
    SetCell(StringGrid1, 2, 1, midnight);
}

void TFormTimetable::StringGrid1SelectCell(int col, int row)
{
    if (col == 1) {
        UpDown1->show();
        UpDown2->hide();
    } else if (col == 2) {
        UpDown1->hide();
        UpDown2->show();
    }
    int top = -1;
    if (row == 1)
        top = 32;
    else if (row == 2)
        top = 48;
    if (top >= 0) {
        UpDown1->move(UpDown1->x(), top);
        UpDown2->move(UpDown2->x(), top);
    }
}

void TFormTimetable::FormClick()
{
    UpDown1->hide();
    UpDown2->hide();
}

void TFormTimetable::mousePressEvent(QMouseEvent* event)
{
    FormClick();
    QDialog::mousePressEvent(event);
}
