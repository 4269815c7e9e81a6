#include "editor/appforms.h"

#include "platform/gui/windowcaption.h"

#include <QMenu>

#include <algorithm>

namespace {

std::vector<QWidget*>& Forms()
{
    static std::vector<QWidget*> forms;
    return forms;
}

const char* const NoTranslateProperty = "velkastNoTranslate";

void Collect(QObject* parent, std::vector<QObject*>& out)
{
    for (QObject* child : parent->children()) {
        if (!IsTranslatable(child))
            continue;
        // Menus are pop-up windows of their own to Qt but belong to the window.
        if (auto* w = qobject_cast<QWidget*>(child); w && w->isWindow() && !qobject_cast<QMenu*>(w))
            continue;
        if (!child->objectName().isEmpty() && !child->objectName().startsWith("qt_"))
            out.push_back(child);
        Collect(child, out);
    }
}

} // namespace

void RegisterForm(QWidget* form)
{
    if (!form || std::find(Forms().begin(), Forms().end(), form) != Forms().end())
        return;
    Forms().push_back(form);
    KeepCaptionWhole(form);
    QObject::connect(form, &QObject::destroyed, [form] {
        auto& f = Forms();
        f.erase(std::remove(f.begin(), f.end(), form), f.end());
    });
}

std::vector<QWidget*> ApplicationForms() { return Forms(); }

void DestroyForms()
{
    while (!Forms().empty())
        delete Forms().back(); // leaves the list through its destroyed signal
}

void SetTranslatable(QObject* object, bool translatable)
{
    if (object)
        object->setProperty(NoTranslateProperty, translatable ? QVariant() : QVariant(true));
}

bool IsTranslatable(const QObject* object)
{
    return !object->property(NoTranslateProperty).toBool();
}

std::vector<QObject*> FormComponents(QWidget* form)
{
    std::vector<QObject*> out;
    if (form)
        Collect(form, out);
    return out;
}
