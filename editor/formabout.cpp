#include "editor/formabout.h"

#include "editor/appforms.h"
#include "platform/gui/dialogs.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormAbout* FormAbout = nullptr;

const char* const TFormAbout::WebAddress = "http://velkast.example/";

namespace {

const char* const Contributors[] = {
    "Velkast sample library: tracks, grounds, walls",
    "Velkast sample library: platforms, roofs, poles",
    "Velkast sample library: signs, trees, backgrounds, sounds",
};

const char* const License =
    "Velkast for BVE is free software for building routes for the BVE train simulator.\n"
    "You may use it and pass it on without charge. The objects of the object library are "
    "used with the kind permission of their authors; the credits file of every exported "
    "route names them. Routes you make with Velkast are yours.";

void SetLinkColour(QLabel* label, const char* colour)
{
    label->setStyleSheet(QString("QLabel { color: %1; text-decoration: underline; }").arg(colour));
}

} // namespace

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormAbout");
    setWindowTitle("About Velkast...");

    lCreators = new QLabel("Velkast for BVE - a route editor for the BVE train simulator", this);
    lCreators->setObjectName("lCreators");
    lCreators->setWordWrap(true);

    GroupBox1 = new QGroupBox("Object Library Contributors ", this);
    GroupBox1->setObjectName("GroupBox1");
    ContributorsList = new QListWidget(GroupBox1);
    ContributorsList->setObjectName("ContributorsList");
    for (const char* c : Contributors)
        ContributorsList->addItem(QString::fromLatin1(c));
    (new QVBoxLayout(GroupBox1))->addWidget(ContributorsList);

    GroupBox2 = new QGroupBox("License", this);
    GroupBox2->setObjectName("GroupBox2");
    LicenseText = new QPlainTextEdit(GroupBox2);
    LicenseText->setObjectName("LicenseText");
    LicenseText->setReadOnly(true);
    LicenseText->setPlainText(QString::fromLatin1(License));
    (new QVBoxLayout(GroupBox2))->addWidget(LicenseText);

    lWebsiteCaption = new QLabel("Website:", this);
    lWebsiteCaption->setObjectName("lWebsiteCaption");
    lWebsite = new QLabel(QString::fromLatin1(WebAddress), this);
    lWebsite->setObjectName("lWebsite");
    SetTranslatable(lWebsite, false);
    lWebsite->setCursor(Qt::PointingHandCursor);
    SetLinkColour(lWebsite, "blue");
    lWebsite->installEventFilter(this);

    bClose = new QPushButton("Close", this);
    bClose->setObjectName("bClose");
    bClose->setDefault(true);
    connect(bClose, &QPushButton::clicked, this, &TFormAbout::bCloseClick);

    auto* web = new QHBoxLayout;
    web->addWidget(lWebsiteCaption);
    web->addWidget(lWebsite, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lCreators);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(GroupBox2, 1);
    layout->addLayout(web);
    layout->addLayout(buttons);
    resize(440, 420);
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lWebsite) {
        switch (event->type()) {
        case QEvent::Enter:
            lWebsiteMouseEnter();
            break;
        case QEvent::Leave:
            lWebsiteMouseLeave();
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                lWebsiteClick();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormAbout::lWebsiteMouseEnter() { SetLinkColour(lWebsite, "red"); }

void TFormAbout::lWebsiteMouseLeave() { SetLinkColour(lWebsite, "blue"); }

void TFormAbout::lWebsiteClick() { ShellOpen(WebAddress); }

void TFormAbout::bCloseClick() { accept(); }
