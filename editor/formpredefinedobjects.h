#pragma once
// The editor of one object-library catalog list ("id=file" lines): the
// grounds, walls, poles, platforms, roofs and backgrounds that the track
// properties dialog offers. Lines are added through the object picker,
// limited to the list's library folder; the first FixedCount lines cannot be
// deleted.
//
// Usage: if (FormPredefinedObjects->EditList("Walls", 23, "", lines)) save lines.

#include "platform/textlines.h"

#include <QDialog>

#include <string>

class QLabel;
class QListWidget;
class QPushButton;

// The name a picked file is stored under in a folder's list: in "walls" the
// text before "_l.b3d", then before "_r.b3d"; in "platforms" before
// "cl.b3d", "cr.b3d", "l.b3d", "r.b3d" in turn; elsewhere the name as it is.
std::string CutPredefinedSuffix(const std::string& folder, const std::string& name);
// Whether some line's value (looked up by the line's name) equals name,
// letter case ignored.
bool PredefinedListHolds(const TStrings& lines, const std::string& name);
// The id for a new line: the largest id of the lines + 1 (1 for none), so a
// deletion never makes two lines share an id.
int NextPredefinedId(const TStrings& lines);

class TFormPredefinedObjects : public QDialog {
    Q_OBJECT
public:
    explicit TFormPredefinedObjects(QWidget* parent = nullptr);

    // The library sub-folder whose files may be added (lower case).
    std::string Folder;
    // Leading lines that cannot be deleted.
    int FixedCount = 0;

    // Shows items for editing under title. folderName (or, when empty, the
    // title) names the library folder. A "-" line is kept out of the list
    // and put back at the end. On OK items receives the edited lines and
    // the result is true; on Cancel items is unchanged.
    bool EditList(const std::string& title, int fixedCount, const std::string& folderName, TStrings& items);

    // The list's lines as shown (ANSI).
    TStrings Lines() const;

    QListWidget* lbObj;
    QLabel* LPredefWhat;
    QPushButton* Button1;
    QPushButton* bAdd;
    QPushButton* bDel;
    QPushButton* Button2;

public slots:
    void lbObjClick();
    void bDelClick();
    void bAddClick();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormPredefinedObjects* FormPredefinedObjects;
