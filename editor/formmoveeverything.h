#pragma once
// The move-everything dialog: shifts every point (and so every track) and
// every free object of the project by one offset. Stations and the
// background map stay where they are.

#include <QDialog>

#include <string>

class QProgressBar;
class QPushButton;
class QShowEvent;
class TLabeledEdit;
class TVLProject;

class TFormMoveEverything : public QDialog {
    Q_OBJECT

public:
    explicit TFormMoveEverything(QWidget* parent = nullptr);

    // The project to move (not owned), set by the caller before showing;
    // cleared when the editor frees it.
    TVLProject* Project = nullptr;

    TLabeledEdit* leX;
    TLabeledEdit* leY;
    QProgressBar* ProgressBar1;
    QPushButton* Button1;
    QPushButton* Button2;

    // "Start": reads both offsets and moves everything, then closes with
    // OK. An offset that is not a number is refused with a message and
    // nothing moves.
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormMoveEverything* FormMoveEverything;
