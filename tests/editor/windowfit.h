#pragma once
// Whether a window shows every push button it has on a screen of 800 by 600
// pixels: at its smallest size the window fits the screen (with room for a
// title bar) and its caption, and each of its push buttons is shown, tall enough for its
// text and wholly inside the window. Pages of tab and stacked widgets are
// turned to in turn. Shared by the tests of the editor, the installer and
// the sign designer.

#include "platform/gui/windowcaption.h"

#include <QApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace windowfit {

constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;
// What a window manager adds above a window's client area.
constexpr int TitleBar = 30;

// Turns every stacked widget between window and w to the page holding w.
inline void Reveal(QWidget* w, QWidget* window)
{
    for (QWidget* child = w; child && child != window; child = child->parentWidget())
        if (auto* stack = qobject_cast<QStackedWidget*>(child->parentWidget()))
            stack->setCurrentWidget(child);
}

// Shows window at its smallest size and checks it and its push buttons.
// hiddenOnPurpose names the buttons the window itself keeps hidden in the
// state it is shown in.
inline void ExpectButtonsShown(QWidget* window, const std::set<std::string>& hiddenOnPurpose = {})
{
    ASSERT_NE(window, nullptr);
    const std::string name = window->objectName().toStdString();
    window->show();
    QApplication::processEvents();
    window->setWindowState(window->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    window->resize(0, 0);
    QApplication::processEvents();
    EXPECT_LE(window->width(), ScreenWidth) << name;
    EXPECT_LE(window->height() + TitleBar, ScreenHeight) << name;
    EXPECT_GE(window->width(), CaptionWidth(window)) << name;
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->window() != window)
            continue; // a window of its own
        const std::string what = name + "." + button->objectName().toStdString();
        Reveal(button, window);
        QApplication::processEvents();
        if (hiddenOnPurpose.count(button->objectName().toStdString())) {
            EXPECT_FALSE(button->isVisibleTo(window)) << what;
            continue;
        }
        EXPECT_TRUE(button->isVisibleTo(window)) << what;
        EXPECT_GT(button->width(), 0) << what;
        EXPECT_GE(button->height(), button->fontMetrics().height()) << what;
        // Inside every widget it lies in, up to the window.
        for (QWidget* w = button; w != window; w = w->parentWidget())
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << what;
    }
    window->hide();
}

} // namespace windowfit
