#pragma once
// The properties of one free object on the plan: its object file (changed
// through the object picker), vertical offset, rotation and position, with
// the object's rotated footprint for reference. Nothing is written to the
// object before OK; a field that does not hold a number is refused with a
// message on OK and keeps its text, so it can be corrected.

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class TVLObject;

class TFormFreeObjProperties : public QDialog {
    Q_OBJECT
public:
    explicit TFormFreeObjProperties(QWidget* parent = nullptr);

    // The object being edited (not owned), set before every showing.
    TVLObject* FreeObject = nullptr;
    // A new object file was picked with "change...".
    bool FileChanged = false;

    // "x/z" of each footprint corner, separated by blanks.
    static QString CornersText(const TVLObject& object);

    QLabel* Label1;
    QLabel* lObjectpath;
    QLabel* Label2;
    QLineEdit* edVOffset;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* edRotation;
    QLabel* Label5;
    QLabel* Label7;
    QLineEdit* edX;
    QLabel* Label6;
    QLineEdit* edY;
    QLabel* lMaxCube;
    QPushButton* bChange;
    QPushButton* Button2;
    QPushButton* Button1;

public slots:
    void FormShow();
    void bChangeClick();
    void Button2Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormFreeObjProperties* FormFreeObjProperties;
