#include "editor/vclwidgets.h"

#include "platform/codepage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

QString AnsiToQ(const std::string& ansi) { return QString::fromStdString(AnsiToUtf8(ansi)); }

std::string QToAnsi(const QString& text) { return Utf8ToAnsi(text.toStdString()); }

TPanel::TPanel(QWidget* parent, const char* name)
    : QFrame(parent), FLayout(new QHBoxLayout(this)), FCaption(new QLabel(this))
{
    if (name)
        setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FLayout->setContentsMargins(4, 4, 4, 4);
    FCaption->setAlignment(Qt::AlignCenter);
    FCaption->hide();
    FLayout->addWidget(FCaption, 1);
}

std::string TPanel::Caption() const { return QToAnsi(text()); }

void TPanel::SetCaption(const std::string& ansi) { setText(AnsiToQ(ansi)); }

QString TPanel::text() const { return FCaption->text(); }

void TPanel::setText(const QString& text)
{
    FCaption->setText(text);
    FCaption->setVisible(!text.isEmpty());
}

TLabeledEdit::TLabeledEdit(QWidget* parent, const char* name)
    : QWidget(parent), FLabel(new QLabel(this)), FEdit(new QLineEdit(this))
{
    if (name)
        setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(FLabel);
    layout->addWidget(FEdit);
    FLabel->setBuddy(FEdit);
}

std::string TLabeledEdit::Text() const { return QToAnsi(FEdit->text()); }

void TLabeledEdit::SetText(const std::string& ansi) { FEdit->setText(AnsiToQ(ansi)); }

TStatusBar::TStatusBar(QWidget* parent, const char* name) : QStatusBar(parent)
{
    if (name)
        setObjectName(name);
    setSizeGripEnabled(false);
}

void TStatusBar::AddPanel(const std::string& ansi, int width)
{
    auto* panel = new QLabel(AnsiToQ(ansi), this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumWidth(width);
    addWidget(panel);
    FPanels.push_back(panel);
}

std::string TStatusBar::PanelText(int index) const
{
    if (index < 0 || index >= PanelCount())
        return {};
    return QToAnsi(FPanels[static_cast<std::size_t>(index)]->text());
}

void TStatusBar::SetPanelText(int index, const std::string& ansi)
{
    if (index >= 0 && index < PanelCount())
        FPanels[static_cast<std::size_t>(index)]->setText(AnsiToQ(ansi));
}
