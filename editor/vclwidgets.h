#pragma once
// Small widgets for the controls of the editor's windows that Qt lacks as
// such: a caption panel, an edit with its own label and a status bar of
// fixed panels. The form translator knows them by class (appforms.h,
// lnginisupp.h), so windows use them where their texts are translatable.
// Texts passed in and out here are ANSI bytes, as the model and the language
// files hold them.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QWidget>

#include <string>
#include <vector>

class QHBoxLayout;

// A panel with a sunken frame that holds other controls: its caption,
// centred, is one of them (hidden while empty), and the panel takes the size
// of what it holds. Controls go into Layout(), after the caption.
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr, const char* name = nullptr);
    std::string Caption() const;
    void SetCaption(const std::string& ansi);
    QString text() const;
    void setText(const QString& text);
    QHBoxLayout* Layout() const { return FLayout; }

private:
    QHBoxLayout* FLayout;
    QLabel* FCaption;
};

// An edit with a label above it; the label's text is the translatable caption.
class TLabeledEdit : public QWidget {
    Q_OBJECT
public:
    explicit TLabeledEdit(QWidget* parent = nullptr, const char* name = nullptr);
    QLabel* EditLabel() const { return FLabel; }
    QLineEdit* Edit() const { return FEdit; }
    std::string Text() const;
    void SetText(const std::string& ansi);

private:
    QLabel* FLabel;
    QLineEdit* FEdit;
};

// A status bar of panels with fixed widths, addressed by index from 0.
class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr, const char* name = nullptr);
    void AddPanel(const std::string& ansi, int width);
    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    // "" and no effect for an index out of range.
    std::string PanelText(int index) const;
    void SetPanelText(int index, const std::string& ansi);

private:
    std::vector<QLabel*> FPanels;
};

// ANSI bytes to and from widget text.
QString AnsiToQ(const std::string& ansi);
std::string QToAnsi(const QString& text);
