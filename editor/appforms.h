#pragma once
// The windows owned by the application, in creation order. The main program
// creates every window of the editor once, through CreateForm, and they live
// until the program ends; the form translator walks this list.
//
// A window is a QWidget (QMainWindow or QDialog) whose objectName is its
// name ("FormOptions") and whose windowTitle is its caption. Its components
// are the named QObjects below it (widgets, QActions, QMenus, file-dialog
// components), found depth-first in creation order, except:
// - objects without a name, and Qt's own helpers (names starting "qt_");
// - other windows (QWidget::isWindow) created below it, with their contents;
// - everything below an object marked with SetTranslatable(object, false):
//   an embedded frame (owned by the frame, not by the window) or items the
//   program builds at run time, such as the language menu.

#include <QObject>
#include <QWidget>

#include <utility>
#include <vector>

// Appends a window to the list; it leaves the list when it is destroyed.
// The window is kept wide enough for its caption (windowcaption.h).
void RegisterForm(QWidget* form);
// The windows in creation order.
std::vector<QWidget*> ApplicationForms();
// Destroys every registered window, the last created first (end of the
// program, tests).
void DestroyForms();

// Creates a window of class T, sets the global instance pointer (before the
// window's creation code runs in the constructor, it is still null; windows
// reach themselves through "this"), registers it, and clears the pointer
// again when the window is destroyed. The pointer must outlive the window
// (the windows' globals do).
template <class T, class... Args>
T* CreateForm(T*& instance, Args&&... args)
{
    T* form = new T(std::forward<Args>(args)...);
    instance = form;
    RegisterForm(form);
    QObject::connect(form, &QObject::destroyed, [&instance, form] {
        if (instance == form)
            instance = nullptr;
    });
    return form;
}

// Marks an object (and everything below it) as not part of its window's
// translatable components.
void SetTranslatable(QObject* object, bool translatable);
bool IsTranslatable(const QObject* object);

// The components of a window, as described above.
std::vector<QObject*> FormComponents(QWidget* form);
