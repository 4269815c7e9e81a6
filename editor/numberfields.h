#pragma once
// The editor's numeric fields and the free texts bound for the project file:
// every dialog reads them through these, so a text that is not a number, or
// lies outside what the field can take, or cannot be stored in its line of
// the project file, is refused the same way everywhere: a message from the
// language file names the field by its caption (the label the language file
// translates) and says what it takes, the edit gets the focus, and the
// caller writes nothing and stays open.

#include "platform/gui/numberfield.h"

#include <string>
#include <string_view>

class QLineEdit;
class QString;
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

// Free text for one line of the project file (a name=value line, or a field
// of a record line): it may hold no line break and none of the characters
// in forbidden, and may be empty only when mayBeEmpty. The field is named
// by caption; edit, when given, gets the focus after a refusal. False after
// a refusal.
bool CheckLineText(QLineEdit* edit, const QString& caption, const std::string& text,
                   std::string_view forbidden = {}, bool mayBeEmpty = true);
// The same for the text of an edit, named by the label called labelName in
// its window, or by its own label.
bool CheckEditText(QLineEdit* edit, const char* labelName, std::string_view forbidden = {}, bool mayBeEmpty = true);
bool CheckEditText(TLabeledEdit* edit, std::string_view forbidden = {}, bool mayBeEmpty = true);

// What the quoted fields of the project's record lines cannot hold: object
// and sound file names are put between double quotes and the fields are
// split at every comma.
constexpr std::string_view QuotedFieldForbidden = "\",";

// An object of the library can be placed: its folder and file name fit the
// quoted fields of the project's object line. Says why not, naming the file.
bool ObjectNamesStorable(const std::string& folder, const std::string& fileName);
