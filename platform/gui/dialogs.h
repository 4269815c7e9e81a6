#pragma once
// The one road to the user for modal questions: message boxes, file open and
// save dialogs, the folder choice, modal windows and handing a file or web
// address to the desktop. Every window of the programs uses these functions
// and never QMessageBox, QFileDialog, QDialog::exec or QDesktopServices
// directly, so that tests can answer every question without a screen.
//
// Answering without a screen: SetDialogResponder installs a function that
// receives every request (a TDialogRequest) and returns the answer instead of
// showing anything; TScopedDialogResponder does the same for one scope. A
// responder may also drive a modal window it is handed (fill its controls,
// click its OK button) before returning a result. With no responder and no
// screen (the "offscreen" and "minimal" Qt platforms, or no QApplication),
// nothing blocks: a message box answers as if closed with Escape (see
// DefaultMessageAnswer), file and folder dialogs are cancelled, modal windows
// return mrCancel and nothing is opened; each such request is reported on
// the Qt warning channel.
//
// Text: messages, captions, titles, prompts and filters are ANSI bytes
// (Windows-1252), as the language files hold them; conversion to the screen
// happens here. Paths (initial folders, file names, chosen files and
// folders) are native file-system names, as std::filesystem opens them.

#include <functional>
#include <string>

#include <QObject>
#include <QString>

class QDialog;

// Kinds of message box (the icon, and the caption when none is given:
// "Warning", "Error", "Information", "Confirm", the application name).
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a message box, combined with "|".
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
};
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// Results of message boxes and modal windows. A window's own accept() gives
// mrOk, reject() (Escape, the close box) mrCancel; a window may end with any
// other of these by calling done(result).
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

enum class TDialogKind { MessageBox, OpenFile, SaveFile, SelectFolder, ModalWindow, ShellOpen };

// One question to the user, as a responder sees it. Only the fields of its
// kind are filled.
struct TDialogRequest {
    TDialogKind Kind = TDialogKind::MessageBox;
    // MessageBox: kind, text (lines separated by CR LF or LF), caption
    // (empty: the kind's default), buttons.
    TMsgDlgType MsgType = mtCustom;
    std::string Text;
    std::string Caption;
    TMsgDlgButtons Buttons = mbOK;
    // OpenFile, SaveFile, SelectFolder: title; filter in the form
    // "Description|*.a;*.b|Other|*.c"; initial folder; preset file name
    // (SelectFolder: the preset folder); default extension without dot
    // (SaveFile); the prompt line of SelectFolder.
    std::string Title;
    std::string Filter;
    std::string InitialDir;
    std::string FileName;
    std::string DefaultExt;
    std::string Prompt;
    // ModalWindow: the window to be shown modally. Its objectName is the
    // window's name (e.g. "FormSetBveFolder").
    QDialog* Window = nullptr;
    // ShellOpen: the file, folder or web address, its parameters, the
    // working folder.
    std::string File;
    std::string Parameters;
    std::string Directory;
};

// The answer to a request. Result: a TModalResult for message boxes and
// modal windows; mrOk (with Path filled) or mrCancel for file and folder
// dialogs; mrOk or mrCancel (failure) for ShellOpen.
struct TDialogAnswer {
    int Result = mrCancel;
    std::string Path;
};

using TDialogResponder = std::function<TDialogAnswer(const TDialogRequest&)>;

// Installs a responder (an empty function removes it) and returns the one
// installed before.
TDialogResponder SetDialogResponder(TDialogResponder responder);
bool HasDialogResponder();

// Installs a responder for the lifetime of the object, then restores the
// previous one.
class TScopedDialogResponder {
public:
    explicit TScopedDialogResponder(TDialogResponder responder)
        : FPrevious(SetDialogResponder(std::move(responder))) {}
    ~TScopedDialogResponder() { SetDialogResponder(std::move(FPrevious)); }
    TScopedDialogResponder(const TScopedDialogResponder&) = delete;
    TScopedDialogResponder& operator=(const TScopedDialogResponder&) = delete;

private:
    TDialogResponder FPrevious;
};

// A filter "Description|*.a;*.b|Other|*.c" (ANSI) in Qt's form
// "Description (*.a *.b);;Other (*.c)".
QString DialogFilterToQt(const std::string& filter);

// True when real dialogs can be shown (a QApplication on a real screen).
bool CanShowDialogs();

// The answer of a message box closed without a choice: mrCancel when it has
// Cancel, else mrNo when it has No, else mrOk when it has OK, else mrAbort
// when it has Abort, else mrNone.
int DefaultMessageAnswer(TMsgDlgButtons buttons);

// A modal message box; returns the TModalResult of the button chosen.
int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons,
               const std::string& caption = {});
// A plain box with the text and the button OK, captioned with the
// application name.
void ShowMessage(const std::string& text);

// Parameters of the file dialogs; FileName is the preset name on entry and
// the chosen file (full native path) after OK.
struct TFileDialogParams {
    std::string Title;
    std::string Filter;     // "Velkast Projects|*.vlp"
    std::string InitialDir; // empty: the preset file's folder or the current folder
    std::string FileName;
    std::string DefaultExt; // save dialog: appended when the name has no extension
};

// Modal file dialogs; true when the user chose a file (params.FileName).
bool PromptForOpenFile(TFileDialogParams& params);
bool PromptForSaveFile(TFileDialogParams& params);

// The folder choice: folder is the preset on entry and the chosen folder
// (no trailing separator) after OK. Returns false when cancelled; a chosen
// folder is never empty.
bool SelectFolder(std::string& folder, const std::string& title, const std::string& prompt = {});

// Shows a window modally and returns its result (see TModalResult).
int ShowModal(QDialog* window);

// A one-line question: a modal window "InputQuery" titled caption, with the
// prompt, the edit field "Edit" holding value, and OK and Cancel. Masked
// shows dots for a password. True on OK, with value set to what was typed
// (ANSI); false when cancelled. A responder sees it as a ModalWindow.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value, bool masked = false);

// Hands a file, folder, program or web address to the desktop ("open"):
// programs are started with the parameters in the working folder, anything
// else opens with its associated application. False when that failed.
bool ShellOpen(const std::string& file, const std::string& parameters = {},
               const std::string& directory = {});

// A file dialog as a component of a window: its name (objectName) and Title
// take part in the translation of the window's texts. Execute shows it
// through PromptForOpenFile (TSaveDialog: PromptForSaveFile) and on OK leaves
// the chosen path in FileName.
class TOpenDialog : public QObject {
    Q_OBJECT
public:
    explicit TOpenDialog(QObject* owner, const char* name = nullptr);
    std::string Title;
    std::string Filter;
    std::string InitialDir;
    std::string FileName;
    std::string DefaultExt;
    virtual bool Execute();
};

class TSaveDialog : public TOpenDialog {
    Q_OBJECT
public:
    explicit TSaveDialog(QObject* owner, const char* name = nullptr) : TOpenDialog(owner, name) {}
    bool Execute() override;
};
