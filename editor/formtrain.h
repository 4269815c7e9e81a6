#pragma once
// The train browser: the trains installed in the simulator's folder (every
// plain folder below "<BVE folder>/Train"), each with its picture
// "train.bmp" and description "train.txt". Its list also gives the export
// dialog its train choice.

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

class TFormTrain : public QDialog {
    Q_OBJECT
public:
    explicit TFormTrain(QWidget* parent = nullptr);

    QLabel* Label1;
    QListWidget* TrainList;
    // The train's picture (not a caption: no text of its own).
    QLabel* Image1;
    QPlainTextEdit* Memo1;
    QPushButton* bOK;

    // The simulator's "Train" folder; empty while no BVE folder is set.
    static std::string TrainFolder();

    // Empties the list and adds every train folder by name, in the order the
    // file system gives them. Only plain folders count: not ".", "..",
    // hidden ones (a leading "."), links, nor write-protected ones (which is
    // how a Windows folder with the read-only attribute looks here). Without
    // a BVE folder the list stays empty.
    void FillTrainList();
    // The listed trains' folder names, as the route file names them (ANSI).
    std::vector<std::string> TrainNames() const;

    // Loads the picture and the description of the train on that row. A file
    // that cannot be read stops with the file error in a message box (the
    // description is not loaded when the picture failed).
    void TrainListClick(int row);
    void bOKClick();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormTrain* FormTrain;
