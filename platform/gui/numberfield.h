#pragma once
// The one rule for numeric fields of a dialog: the text must be a number of
// the field's kind, from its smallest to its largest value. Otherwise the
// user is told which field and which values it takes, the edit gets the focus
// with its text selected, and the caller changes nothing and stays open.
//
// Usage, before a dialog writes anything back:
//   int adhesion = 0;
//   if (!ReadWholeField(edAdhesion, lAdhesion->text(), 0, 255, adhesion, texts))
//       return;
// Read every field first, then write them all, so that a refusal of the
// last one leaves the data as it was.

#include <string>

class QLineEdit;
class QString;

// Whole numbers: an optional sign and decimal digits. Decimal numbers also
// take a point and decimals ("12.5", "-.5") and an exponent ("1.2346E5"), as
// the project files write them; no decimal comma, no thousands separator.
// Blanks around the number are ignored.
bool ParseWholeNumber(const std::string& text, long long& value);
bool ParseDecimalNumber(const std::string& text, double& value);

// The texts of the refusal (ANSI, from the caller's language file): its
// first line, and the line of the allowed range, in which "%1" stands for
// the smallest and "%2" for the largest value.
struct TNumberFieldTexts {
    std::string Refused;     // "This is not a value the field can take:" CR LF
    std::string Range;       // "Allowed values: from %1 to %2." CR LF
    std::string DecimalForm; // decimal fields: "Decimals are written with a point, ..." CR LF
};

// texts.Range with its two values put in.
std::string AllowedRange(const TNumberFieldTexts& texts, const std::string& min, const std::string& max);

// The refusal: the edit's tab page is brought to the front, a message box
// (error, OK) shows texts.Refused, the caption (without "&" and a trailing
// ":") with the text typed, and the line range; then the edit gets the
// focus with its text selected.
void RefuseField(QLineEdit* edit, const QString& caption, const std::string& range,
                 const TNumberFieldTexts& texts);
// The same refusal for any text: refused (the first line), the caption, the
// text typed as it stands (edit may be null, or no longer hold it) and the
// lines that say what the field takes.
void RefuseText(QLineEdit* edit, const QString& caption, const std::string& typed, const std::string& rules,
                const std::string& refused);

// Reads the edit as a whole number from min to max; false after a refusal.
bool ReadWholeField(QLineEdit* edit, const QString& caption, long long min, long long max, int& value,
                    const TNumberFieldTexts& texts);
// Reads the edit as a decimal number from min to max; false after a refusal,
// which also shows texts.DecimalForm.
bool ReadDecimalField(QLineEdit* edit, const QString& caption, double min, double max, double& value,
                      const TNumberFieldTexts& texts);
