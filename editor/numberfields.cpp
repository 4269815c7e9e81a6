#include "editor/numberfields.h"

#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"

#include <QLabel>
#include <QLineEdit>

namespace {

QString Caption(const QLineEdit* edit, const char* labelName)
{
    if (!edit)
        return {};
    if (const QLabel* label = edit->window()->findChild<QLabel*>(labelName))
        return label->text();
    return edit->objectName();
}

} // namespace

TNumberFieldTexts NumberFieldTexts()
{
    return {GetMessageText("udialog_bad_value"), GetMessageText("udialog_allowed_range")};
}

bool ReadWholeEdit(QLineEdit* edit, const char* labelName, long long min, long long max, int& value)
{
    return ReadWholeField(edit, Caption(edit, labelName), min, max, value, NumberFieldTexts());
}

bool ReadDecimalEdit(QLineEdit* edit, const char* labelName, double min, double max, double& value)
{
    return ReadDecimalField(edit, Caption(edit, labelName), min, max, value, NumberFieldTexts());
}

bool ReadWholeEdit(TLabeledEdit* edit, long long min, long long max, int& value)
{
    return ReadWholeField(edit ? edit->Edit() : nullptr, edit ? edit->EditLabel()->text() : QString(), min, max,
                          value, NumberFieldTexts());
}

bool ReadDecimalEdit(TLabeledEdit* edit, double min, double max, double& value)
{
    return ReadDecimalField(edit ? edit->Edit() : nullptr, edit ? edit->EditLabel()->text() : QString(), min, max,
                            value, NumberFieldTexts());
}
