#pragma once
// The mini map's picture: a background picture file shown at 1:1, 1:2, 1:4
// or 1:8 of its size. The widget takes the size of the whole picture at
// that scale, but decodes only the part in view (with a margin for
// scrolling), so a large picture shows at every scale in the memory of a
// view. Pictures whose reader cannot decode a part (all but JPEG, as Qt
// ships them) are decoded whole at the scale, within Qt's image memory
// limit.

#include <QImage>
#include <QString>
#include <QWidget>

class TMapPicture : public QWidget {
    Q_OBJECT
public:
    explicit TMapPicture(QWidget* parent = nullptr);

    // Shows file at 1:divisor (1, 2, 4 or 8) and takes that size. False,
    // with the picture shown so far kept, when the picture cannot be read
    // at that scale.
    bool Open(const QString& file, int divisor);
    // Shows no picture.
    void Clear();
    // The file shown ("" for none) and its scale.
    QString File() const { return FFile; }
    int Divisor() const { return FDivisor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString FFile;
    int FDivisor = 1;
    // Whether the file's reader decodes parts at a scale, or the whole
    // picture is held.
    bool FByParts = false;
    QImage FPart;
    QRect FPartRect;
};
