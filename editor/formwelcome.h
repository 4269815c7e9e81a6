#pragma once
// The welcome dialog shown once when the main window first appears: create a
// new project, open another one, or reopen one of the recently used projects.
// The answer comes back in Choice: "new", "open" or the chosen project path.

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TPanel;

class TFormWelcome : public QDialog {
    Q_OBJECT

public:
    explicit TFormWelcome(QWidget* parent = nullptr);

    // "new", "open", a recent project path (native, as in the recent list),
    // or empty when nothing was chosen yet.
    std::string Choice;

    // Replaces the recent-project list with these paths, in order.
    void SetRecentProjects(const std::vector<std::string>& paths);

    QLabel* Label1;
    QPushButton* bNew;
    QPushButton* bOpen;
    TPanel* Panel1;
    QListWidget* ListView1;
    QPushButton* Button1;

public slots:
    void bNewClick();
    void bOpenClick();
    void Button1Click();
    void ListView1DblClick(QListWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormWelcome* FormWelcome;
