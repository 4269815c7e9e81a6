#pragma once
// A layout that puts groups of widgets side by side and moves a group to a
// new line when the line has no room left for it. A group keeps at least its
// size hint, so nothing in it is cut or laid over its neighbour as long as
// the widest group fits; a stretching group takes the room its line has left.
// The height follows the number of lines (height for width), so a vertical
// box layout above gives the panel the lines it needs.

#include <QLayout>
#include <QList>

class TWrapLayout : public QLayout {
public:
    explicit TWrapLayout(QWidget* parent = nullptr);
    ~TWrapLayout() override;

    // Adds a group (usually a horizontal box of widgets) that stays on one
    // line. The layout takes the group over.
    void AddGroup(QLayout* group, bool stretch = false);

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct TEntry {
        QLayoutItem* Item;
        bool Stretch;
    };
    // Lays the groups out in rect (only measures when apply is false) and
    // returns the height used.
    int Arrange(const QRect& rect, bool apply) const;
    static int Width(const QLayoutItem* item);
    int HorizontalGap() const;
    int VerticalGap() const;

    QList<TEntry> FEntries;
};
