#pragma once
// The editor's numeric fields: every dialog reads its numbers through these,
// so a text that is not a number, or lies outside what the field can take,
// is refused the same way everywhere: a message from the language file
// names the field by its caption (the label the language file translates),
// the edit gets the focus, and the caller writes nothing and stays open.

#include "platform/gui/numberfield.h"

class QLineEdit;
class QWidget;
class TLabeledEdit;

// The refusal texts of the current language file.
TNumberFieldTexts NumberFieldTexts();

// The edit's number from min to max; the field is named by the text of the
// label called labelName in the edit's window. False after a refusal.
bool ReadWholeEdit(QLineEdit* edit, const char* labelName, long long min, long long max, int& value);
bool ReadDecimalEdit(QLineEdit* edit, const char* labelName, double min, double max, double& value);
// The same for an edit with its own label.
bool ReadWholeEdit(TLabeledEdit* edit, long long min, long long max, int& value);
bool ReadDecimalEdit(TLabeledEdit* edit, double min, double max, double& value);
