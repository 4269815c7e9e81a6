#pragma once
// The station-sign designer: the user types a station name and picks a
// style; the window draws the sign into a picture of 256 by 32 pixels with
// the sign palette (no dithering, no smoothing) and "Save..." writes it as
// "stationsign_<name>.bmp" with its object "stationsign_<name>.b3d" into the
// folder "signs" of the editor's object library (host query 4), <name> being
// the station name in portable letters; an existing sign of that name is
// only replaced when the user agrees. The folder is not created: without it
// the save stops with the file error.

#include <QDialog>
#include <QFrame>
#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// A panel that shows a colour; clicking it emits clicked().
class TColourPanel : public QFrame {
    Q_OBJECT
public:
    explicit TColourPanel(QWidget* parent, const char* name, QColor colour);
    QColor Colour() const { return FColour; }
    void SetColour(const QColor& colour);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor FColour;
};

class TFormStationsigns : public QDialog {
    Q_OBJECT
public:
    explicit TFormStationsigns(QWidget* parent = nullptr);

    QLineEdit* edBfName;
    QComboBox* cbStyle;
    QCheckBox* cbCaps;
    QCheckBox* cbCentered;
    TColourPanel* cbBgColor;
    TColourPanel* cbFrame;
    TColourPanel* cbFont;
    QLineEdit* EdWidth;
    QLineEdit* EdFontface;
    QPushButton* bChangefont;
    QLabel* Image1;
    QPushButton* Button1;
    QLabel* lInfo;

    // The sign: SignWidth by SignHeight, 8 bits per pixel, sign palette.
    QImage Picture;
    // The folder of the last save (with trailing "/").
    std::string SignsFolder;

    // Redraws the sign from the controls.
    void cbStyleChange();
    // Applies the preset of cbStyle's item, then redraws once.
    void cbStyleClick();
    void bChangefontClick();
    void cbBgColorClick();
    // Writes the bitmap and the object file.
    void Button1Click();

    // The station name as typed (ANSI).
    std::string StationName() const;
    // The font size in pixels: 20 points at the screen's pixels per inch
    // (96 without a screen).
    static int FontPixelSize();

private:
    // lInfo warns while the name does not fit on the sign.
    void ShowWidthWarning(bool tooWide);

    bool FApplyingPreset = false;
    QString FVersionLine;
};
