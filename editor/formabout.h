#pragma once
// The about box: who made the editor, who gave the object library's
// objects, the licence, and the web address as a link that opens in the
// desktop's browser.

#include <QDialog>

class QEvent;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);

    // The address the link label shows and opens.
    static const char* const WebAddress;

    QLabel* lCreators;
    QGroupBox* GroupBox1;
    QListWidget* ContributorsList;
    QGroupBox* GroupBox2;
    QPlainTextEdit* LicenseText;
    QLabel* lWebsiteCaption;
    // The web address; its text is data, not a translatable caption.
    QLabel* lWebsite;
    QPushButton* bClose;

    void lWebsiteMouseEnter();
    void lWebsiteMouseLeave();
    void lWebsiteClick();
    void bCloseClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TFormAbout* FormAbout;
