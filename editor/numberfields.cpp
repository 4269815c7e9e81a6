#include "editor/numberfields.h"

#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "platform/gui/dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QString>

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
    return {GetMessageText("udialog_bad_value"), GetMessageText("udialog_allowed_range"),
            GetMessageText("udialog_decimal_form")};
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

bool CheckLineText(QLineEdit* edit, const QString& caption, const std::string& text, std::string_view forbidden,
                   bool mayBeEmpty)
{
    std::string rules;
    if (text.find_first_of("\r\n") != std::string::npos)
        rules += GetMessageText("udialog_text_line");
    if (!forbidden.empty() && text.find_first_of(forbidden) != std::string::npos) {
        std::string shown;
        for (char c : forbidden)
            shown += (shown.empty() ? "" : " ") + std::string(1, c);
        std::string line = GetMessageText("udialog_text_chars");
        if (const std::size_t at = line.find("%1"); at != std::string::npos)
            line.replace(at, 2, shown);
        rules += line;
    }
    if (!mayBeEmpty && text.empty())
        rules += GetMessageText("udialog_text_empty");
    if (rules.empty())
        return true;
    RefuseText(edit, caption, text, rules, GetMessageText("udialog_bad_text"));
    return false;
}

bool CheckEditText(QLineEdit* edit, const char* labelName, std::string_view forbidden, bool mayBeEmpty)
{
    return CheckLineText(edit, Caption(edit, labelName), QToAnsi(edit->text()), forbidden, mayBeEmpty);
}

bool CheckEditText(TLabeledEdit* edit, std::string_view forbidden, bool mayBeEmpty)
{
    return CheckLineText(edit->Edit(), edit->EditLabel()->text(), edit->Text(), forbidden, mayBeEmpty);
}

bool ObjectNamesStorable(const std::string& folder, const std::string& fileName)
{
    const std::string path = folder + "\\" + fileName;
    if (path.find_first_of(std::string(QuotedFieldForbidden) + "\r\n") == std::string::npos)
        return true;
    MessageDlg(GetMessageText("uobjects_bad_name") + path, mtError, mbOK);
    return false;
}
