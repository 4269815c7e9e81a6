#pragma once
// The timetable window: a grid of stations with arrival and departure times
// and two up-down controls beside the time columns. It holds no data of the
// project yet; its buttons have no action.

#include <QDialog>

class QLabel;
class QMouseEvent;
class QPushButton;
class QShowEvent;
class QSpinBox;
class QTableWidget;

class TFormTimetable : public QDialog {
    Q_OBJECT
public:
    explicit TFormTimetable(QWidget* parent = nullptr);

    // 3 columns and 3 rows; the first row holds the column titles.
    QTableWidget* StringGrid1;
    // The arrival column's control, and the departure column's.
    QSpinBox* UpDown1;
    QSpinBox* UpDown2;
    QPushButton* bCalculate;
    QPushButton* bSetStartTime;
    // The column titles, kept in hidden labels so that the language file
    // translates them as it does every other text.
    QLabel* lStation;
    QLabel* lArrival;
    QLabel* lDeparture;

    // The cell texts (column, row), UTF-8.
    QString Cell(int col, int row) const;

    void FormShow();
    void StringGrid1SelectCell(int col, int row);
    void FormClick();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

extern TFormTimetable* FormTimetable;
