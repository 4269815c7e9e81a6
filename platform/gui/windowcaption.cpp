#include "platform/gui/windowcaption.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace {

// The window's icon and its minimise, maximise and close buttons, with the
// title bar's margins.
constexpr int TitleBarButtons = 100;
const char* const KeptProperty = "velkastCaptionKept";

// Sets the window's minimum width from its layout and its caption whenever
// either may have changed. A minimum width set by hand stops the layout
// from setting one, so the layout's own is taken in here.
class TCaptionKeeper : public QObject {
public:
    explicit TCaptionKeeper(QWidget* window) : QObject(window), FWindow(window) { Update(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == FWindow &&
            (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::LayoutRequest ||
             event->type() == QEvent::Show))
            Update();
        return QObject::eventFilter(watched, event);
    }

private:
    void Update()
    {
        const QLayout* layout = FWindow->layout();
        const int content = layout ? layout->totalMinimumSize().width() : 0;
        FWindow->setMinimumWidth(std::max(content, CaptionWidth(FWindow)));
    }

    QWidget* FWindow;
};

} // namespace

int CaptionWidth(const QWidget* window)
{
    QFont bold = window->font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(window->windowTitle()) + TitleBarButtons;
}

void KeepCaptionWhole(QWidget* window)
{
    if (!window || window->property(KeptProperty).toBool())
        return;
    window->setProperty(KeptProperty, true);
    window->installEventFilter(new TCaptionKeeper(window));
}
