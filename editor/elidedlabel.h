#pragma once
// A one-line label that ends its text with "…" when the label is narrower
// than the text, and shows the whole text as its hint then. text() stays
// the whole text.

#include <QLabel>

class TElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

    // The text as painted: whole, or cut to the label's width with "…".
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
