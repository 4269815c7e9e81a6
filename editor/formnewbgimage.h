#pragma once
// Creates a plain background picture for the mini map: a green area of a
// given size in kilometres at a given resolution (pixels per kilometre),
// with a dotted line every 100 m and a solid line every kilometre. The
// picture is written as a JPEG file into the project file's folder and
// recorded in the project as its background map, with the scale the mini
// map reads: 100000 / resolution metres per 100 pixels. The picture is
// written a band of lines at a time, never held whole.

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class TVLProject;

class TFormNewBGImage : public QDialog {
    Q_OBJECT

public:
    explicit TFormNewBGImage(QWidget* parent = nullptr);

    // The project that receives the picture (not owned), set before showing.
    TVLProject* Project = nullptr;

    QLabel* lX;
    QLineEdit* edX;
    QLabel* lXUnit;
    QLabel* lY;
    QLineEdit* EdY;
    QLabel* lYUnit;
    QLabel* lResolution;
    QLineEdit* EdResolution;
    QLabel* lResolutionUnit;
    QCheckBox* cbGrid;
    QLabel* lResult;
    QLabel* lFilename;
    QLineEdit* edFilename;
    QPushButton* bCreate;
    QPushButton* bCancel;

    // The largest side of a picture, in pixels (what JPEG files can hold).
    static constexpr std::int64_t MaxSide = 65500;

    void FormShow();
    // Enables Create for three positive whole numbers and shows the
    // picture's pixel count and memory.
    void EdResolutionChange();
    // Draws and writes the picture and records it in the project; closes
    // with OK. Refuses (with a message, nothing written) a project never
    // saved and a picture too large to draw; a failed write says why and
    // leaves the project's map fields as they were.
    void bCreateClick();

    // The scale recorded for a resolution (metres per 100 pixels, at least
    // 1), and the resolution shown for a recorded scale.
    static int ScaleForResolution(int pixelsPerKm);
    static int ResolutionForScale(int metresPer100Pixels);
    // Takes over the captions of another instance (the translated one).
    void CopyTextsFrom(QWidget* other);

protected:
    void showEvent(QShowEvent* event) override;
};

// The grid picture of x by y km at r pixels per km (all positive, sides
// within MaxSide), one line of pixels at a time: green, outlined in black
// from (0, 0) to (width - 2, height - 2) with the last column and line
// white, a dotted grey line every 100 m (3 pixels on, 3 off) placed on the
// true 100 m position, and a solid one every kilometre.
class TGridMapLines {
public:
    TGridMapLines(int x, int y, int r);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Line `row` (from the top) as red, green and blue bytes, 3 per pixel.
    void Line(int row, unsigned char* rgb) const;

private:
    enum TGridLine : unsigned char { None, Dotted, Solid };
    int FWidth;
    int FHeight;
    // The grid line on each column and each line of pixels.
    std::vector<TGridLine> FColumns;
    std::vector<TGridLine> FRows;
};

extern TFormNewBGImage* FormNewBGImage;
