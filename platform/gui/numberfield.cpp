#include "platform/gui/numberfield.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QString>
#include <QTabWidget>

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

namespace {

std::string_view Trimmed(std::string_view t)
{
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    return t;
}

// Takes a leading "+" or "-" off; false for a lone sign or two signs.
bool TakeSign(std::string_view& t, bool& negative)
{
    negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    return !t.empty() && t.front() != '+' && t.front() != '-';
}

bool AllDigits(std::string_view t)
{
    for (char c : t)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The shortest text that reads back as v, with "." whatever the locale.
std::string ShownNumber(double v)
{
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

} // namespace

bool ParseWholeNumber(const std::string& text, long long& value)
{
    std::string_view t = Trimmed(text);
    bool negative = false;
    if (!TakeSign(t, negative) || !AllDigits(t))
        return false;
    unsigned long long magnitude = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), magnitude);
    if (error != std::errc() || end != t.data() + t.size() || magnitude > 1ull << 62)
        return false;
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

bool ParseDecimalNumber(const std::string& text, double& value)
{
    std::string_view t = Trimmed(text);
    bool negative = false;
    if (!TakeSign(t, negative))
        return false;
    // The exponent form is what the project files write for large values
    // ("1.2346E5"), so the fields take it back.
    const std::size_t e = t.find_first_of("eE");
    std::string_view mantissa = t.substr(0, e);
    if (e != std::string_view::npos) {
        std::string_view exponent = t.substr(e + 1);
        bool negativeExponent = false;
        if (!TakeSign(exponent, negativeExponent) || !AllDigits(exponent))
            return false;
    }
    const std::size_t point = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, point);
    const std::string_view decimals =
        point == std::string_view::npos ? std::string_view{} : mantissa.substr(point + 1);
    if (!AllDigits(whole) || !AllDigits(decimals) || (whole.empty() && decimals.empty()))
        return false;
    double v = 0.0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
        return false;
    value = negative ? -v : v;
    return true;
}

std::string AllowedRange(const TNumberFieldTexts& texts, const std::string& min, const std::string& max)
{
    std::string out = texts.Range;
    for (const auto& [mark, value] : {std::pair{std::string("%1"), min}, std::pair{std::string("%2"), max}})
        if (const std::size_t at = out.find(mark); at != std::string::npos)
            out.replace(at, mark.size(), value);
    return out;
}

void RefuseField(QLineEdit* edit, const QString& caption, const std::string& range, const TNumberFieldTexts& texts)
{
    RefuseText(edit, caption, edit ? Utf8ToAnsi(edit->text().toStdString()) : std::string(), range, texts.Refused);
}

void RefuseText(QLineEdit* edit, const QString& caption, const std::string& typed, const std::string& rules,
                const std::string& refused)
{
    QString name = caption;
    name.remove(QRegularExpression("&(?!&)"));
    name = name.trimmed();
    if (name.endsWith(':'))
        name.chop(1);
    // A field on a page that is not shown is brought into view first.
    for (QWidget* page = edit; page && page->parentWidget(); page = page->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget()))
            if (const int index = tabs->indexOf(page); index >= 0)
                tabs->setCurrentIndex(index);
    MessageDlg(refused + Utf8ToAnsi(name.toStdString()) + ": \"" + typed + "\"\r\n" + rules, mtError, mbOK);
    if (edit) {
        edit->setFocus();
        edit->selectAll();
    }
}

bool ReadWholeField(QLineEdit* edit, const QString& caption, long long min, long long max, int& value,
                    const TNumberFieldTexts& texts)
{
    long long v = 0;
    if (!edit || !ParseWholeNumber(Utf8ToAnsi(edit->text().toStdString()), v) || v < min || v > max) {
        RefuseField(edit, caption, AllowedRange(texts, std::to_string(min), std::to_string(max)), texts);
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool ReadDecimalField(QLineEdit* edit, const QString& caption, double min, double max, double& value,
                      const TNumberFieldTexts& texts)
{
    double v = 0.0;
    if (!edit || !ParseDecimalNumber(Utf8ToAnsi(edit->text().toStdString()), v) || v < min || v > max) {
        RefuseField(edit, caption, AllowedRange(texts, ShownNumber(min), ShownNumber(max)) + texts.DecimalForm, texts);
        return false;
    }
    value = v;
    return true;
}
