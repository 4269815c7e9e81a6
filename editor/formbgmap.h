#pragma once
// The background image chooser of the mini map: an existing picture file
// and its scale (the metres that 100 pixels of the picture cover), with a
// preview. JPEG pictures are previewed at one eighth of their size, decoded
// at that size and only as far as in view; other pictures at full size.

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QShowEvent;
class TMapPicture;
class TOpenDialog;

class TFormBGMap : public QDialog {
    Q_OBJECT

public:
    explicit TFormBGMap(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* EdScale;
    QLabel* Label2;
    // The picture file's full path (ANSI in the project, shown as text).
    QLineEdit* edfilename;
    QPushButton* Button1;
    QScrollArea* ScrollBox1;
    TMapPicture* Image1;
    TOpenDialog* OpenPictureDialog1;
    QPushButton* Button2;
    QPushButton* Button3;

    // Loads the preview of the file named by edfilename; a missing or
    // unreadable file leaves the preview as it was. True when loaded.
    bool FormShow();
    // Browse: a chosen file that is no picture that can be read is refused
    // with a message, and the previous choice stays.
    void Button1Click();
    // OK (refused, with a message, for a file that is no picture that can
    // be read, or a newly typed name of no file) and Cancel.
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Loads the preview of the file named (ANSI); true when loaded.
    bool LoadPreview(const std::string& name);
    // The name the window was shown with: kept on OK even when its file has
    // gone, so that the scale alone can be changed.
    std::string FShownName;
};

extern TFormBGMap* FormBGMap;
