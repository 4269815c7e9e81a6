#pragma once
// The message lookup: every text the editor shows in a message box lives in
// the current language file, section "Project_Messages", one key per
// message. A stored value is one line; a line break in a message is written
// as a separator of 8 characters, a double quote followed by 7 characters
// that are not interpreted (the shipped files use "#13#10"). GetMessage turns
// each separator into CR LF and ends the last line with CR LF too; a value
// without any double quote is returned as it is. A missing key or file
// gives "ERROR". Texts are ANSI bytes.
//
// Usage: MessageDlg(GetMessageText("tmain_no_pr"), mtWarning, mbOK);

#include "editor/lnginisupp.h"

#include <QObject>
#include <QPointer>

#include <string>

class TMsgINISupp : public QObject {
    Q_OBJECT
public:
    explicit TMsgINISupp(QObject* owner = nullptr);

    // The program folder and the file-name part of the value.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& value);

    // The form translator whose language file is used; setting it also
    // copies its current file name.
    TLngINISupp* LngINISupp() const { return FLngINISupp; }
    void SetLngINISupp(TLngINISupp* translator);

    // Takes the translator's file name when none is set and checks the
    // file. Returns false (after the box "ERROR!!!" / "File not preset!")
    // when there is no file name: the caller's operation ends quietly.
    bool Init();
    // False when there is no file name; warns when the file cannot be read.
    bool CheckFile();
    bool Initialised() const { return FInitialised; }

    // The text for key, read from the translator's current file (so a
    // language switch applies at once), or this lookup's own file when no
    // translator is bound. Returns false, with text "ERROR", when the
    // lookup could not be initialised.
    bool GetMessage(const std::string& key, std::string& text);
    std::string GetMessage(const std::string& key);

    // The separator rule on one stored value.
    static std::string SplitMessageLines(const std::string& value);

private:
    std::string FFileName;
    QPointer<TLngINISupp> FLngINISupp;
    bool FInitialised = false;
    bool FNoFileName = false;
};

// The one message lookup, created and bound by the main window.
extern TMsgINISupp* MsgINISupp1;

// MsgINISupp1's text for key; "ERROR" while there is no message lookup.
std::string GetMessageText(const std::string& key);

// A file could not be written: the text for key, then the file (a disk
// name) and, on a line of its own, why (WriteErrorText of error, an errno
// value: write-protected, "No space left on device", ...).
std::string WriteFailedMessage(const std::string& key, const std::string& file, int error);
