#include "platform/gui/dialogs.h"

#include "platform/codepage.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <utility>
#include <vector>

namespace {

TDialogResponder& Responder()
{
    static TDialogResponder responder;
    return responder;
}

QString FromAnsi(const std::string& ansi)
{
    std::string text;
    text.reserve(ansi.size());
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        if (ansi[i] == '\r' && i + 1 < ansi.size() && ansi[i + 1] == '\n')
            continue; // CR LF shows as one line break
        text += ansi[i];
    }
    return QString::fromStdString(AnsiToUtf8(text));
}

QString FromNative(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string ToNative(const QString& path) { return QFile::encodeName(path).toStdString(); }

QWidget* ParentWindow() { return QApplication::activeWindow(); }

// A question would open behind a tool window that stays on top (the
// stations and route definitions windows), where the user cannot see it:
// while one is shown, the question stays on top as well.
bool StayOnTopWindowShown(const QWidget* except)
{
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w != except && w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint))
            return true;
    return false;
}

const char* KindName(TDialogKind kind)
{
    switch (kind) {
    case TDialogKind::MessageBox: return "message box";
    case TDialogKind::OpenFile: return "open dialog";
    case TDialogKind::SaveFile: return "save dialog";
    case TDialogKind::SelectFolder: return "folder choice";
    case TDialogKind::ModalWindow: return "modal window";
    case TDialogKind::ShellOpen: return "shell open";
    }
    return "dialog";
}

// Asks the responder; without one and without a screen, reports the request
// and gives the answer of a dialog closed without a choice.
bool Answered(const TDialogRequest& request, TDialogAnswer& answer)
{
    if (Responder()) {
        answer = Responder()(request);
        return true;
    }
    if (CanShowDialogs())
        return false;
    answer = TDialogAnswer();
    if (request.Kind == TDialogKind::MessageBox)
        answer.Result = DefaultMessageAnswer(request.Buttons);
    qWarning("Unanswered %s without a screen: %s", KindName(request.Kind),
             (request.Text + request.Title + request.File).c_str());
    return true;
}

} // namespace

QString DialogFilterToQt(const std::string& filter)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    QStringList entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = FromAnsi(parts[i + 1]);
        patterns.replace(';', ' ');
        QString text = FromAnsi(parts[i]);
        if (!text.contains('('))
            text += " (" + patterns + ")";
        else
            text = text.left(text.indexOf('(')).trimmed() + " (" + patterns + ")";
        entries << text;
    }
    if (parts.size() == 1 && !parts[0].empty())
        entries << FromAnsi(parts[0]);
    return entries.join(";;");
}

namespace {

bool RunFileDialog(TDialogKind kind, TFileDialogParams& params)
{
    TDialogRequest req;
    req.Kind = kind;
    req.Title = params.Title;
    req.Filter = params.Filter;
    req.InitialDir = params.InitialDir;
    req.FileName = params.FileName;
    req.DefaultExt = params.DefaultExt;
    TDialogAnswer answer;
    if (Answered(req, answer)) {
        if (answer.Result != mrOk || answer.Path.empty())
            return false;
        params.FileName = answer.Path;
        return true;
    }

    QFileDialog dlg(ParentWindow(), FromAnsi(params.Title));
    dlg.setAcceptMode(kind == TDialogKind::SaveFile ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(kind == TDialogKind::SaveFile ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!params.Filter.empty())
        dlg.setNameFilter(DialogFilterToQt(params.Filter));
    if (!params.DefaultExt.empty())
        dlg.setDefaultSuffix(QString::fromStdString(params.DefaultExt));
    std::string dir = params.InitialDir.empty() ? ExtractFilePath(params.FileName) : params.InitialDir;
    if (!dir.empty())
        dlg.setDirectory(FromNative(dir));
    if (!params.FileName.empty())
        dlg.selectFile(FromNative(ExtractFileName(params.FileName)));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    params.FileName = ToNative(dlg.selectedFiles().first());
    return true;
}

} // namespace

TDialogResponder SetDialogResponder(TDialogResponder responder)
{
    return std::exchange(Responder(), std::move(responder));
}

bool HasDialogResponder() { return static_cast<bool>(Responder()); }

bool CanShowDialogs()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}

int DefaultMessageAnswer(TMsgDlgButtons buttons)
{
    if (buttons & mbCancel)
        return mrCancel;
    if (buttons & mbNo)
        return mrNo;
    if (buttons & mbOK)
        return mrOk;
    if (buttons & mbAbort)
        return mrAbort;
    return mrNone;
}

int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons,
               const std::string& caption)
{
    TDialogRequest req;
    req.Kind = TDialogKind::MessageBox;
    req.MsgType = kind;
    req.Text = text;
    req.Caption = caption;
    req.Buttons = buttons;
    TDialogAnswer answer;
    if (Answered(req, answer))
        return answer.Result;

    QMessageBox box(ParentWindow());
    QString title = FromAnsi(caption);
    switch (kind) {
    case mtWarning:
        box.setIcon(QMessageBox::Warning);
        if (title.isEmpty())
            title = "Warning";
        break;
    case mtError:
        box.setIcon(QMessageBox::Critical);
        if (title.isEmpty())
            title = "Error";
        break;
    case mtInformation:
        box.setIcon(QMessageBox::Information);
        if (title.isEmpty())
            title = "Information";
        break;
    case mtConfirmation:
        box.setIcon(QMessageBox::Question);
        if (title.isEmpty())
            title = "Confirm";
        break;
    case mtCustom:
        break;
    }
    if (title.isEmpty())
        title = QApplication::applicationName();
    box.setWindowTitle(title);
    box.setText(FromAnsi(text));
    if (StayOnTopWindowShown(&box))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);

    struct TMap {
        TMsgDlgBtn Btn;
        QMessageBox::StandardButton Qt;
        int Result;
    };
    static const TMap map[] = {
        {mbYes, QMessageBox::Yes, mrYes},         {mbNo, QMessageBox::No, mrNo},
        {mbOK, QMessageBox::Ok, mrOk},            {mbCancel, QMessageBox::Cancel, mrCancel},
        {mbAbort, QMessageBox::Abort, mrAbort},   {mbRetry, QMessageBox::Retry, mrRetry},
        {mbIgnore, QMessageBox::Ignore, mrIgnore}, {mbAll, QMessageBox::YesToAll, mrAll},
        {mbNoToAll, QMessageBox::NoToAll, mrNoToAll}, {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    };
    std::vector<std::pair<QAbstractButton*, int>> made;
    for (const auto& m : map) {
        if (!(buttons & m.Btn))
            continue;
        QAbstractButton* b = nullptr;
        if (m.Btn == mbAll)
            b = box.addButton("All", QMessageBox::AcceptRole);
        else
            b = box.addButton(m.Qt);
        made.emplace_back(b, m.Result);
    }
    if (made.empty())
        made.emplace_back(box.addButton(QMessageBox::Ok), mrOk);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [b, result] : made)
        if (b == clicked)
            return result;
    return DefaultMessageAnswer(buttons);
}

void ShowMessage(const std::string& text) { MessageDlg(text, mtCustom, mbOK); }

bool PromptForOpenFile(TFileDialogParams& params) { return RunFileDialog(TDialogKind::OpenFile, params); }

bool PromptForSaveFile(TFileDialogParams& params) { return RunFileDialog(TDialogKind::SaveFile, params); }

bool SelectFolder(std::string& folder, const std::string& title, const std::string& prompt)
{
    TDialogRequest req;
    req.Kind = TDialogKind::SelectFolder;
    req.Title = title;
    req.Prompt = prompt;
    req.FileName = folder;
    req.InitialDir = folder;
    TDialogAnswer answer;
    std::string chosen;
    if (Answered(req, answer)) {
        if (answer.Result != mrOk)
            return false;
        chosen = answer.Path;
    } else {
        QString caption = FromAnsi(title);
        if (!prompt.empty())
            caption += " - " + FromAnsi(prompt);
        QString dir = QFileDialog::getExistingDirectory(ParentWindow(), caption, FromNative(folder),
                                                        QFileDialog::ShowDirsOnly);
        chosen = ToNative(dir);
    }
    if (chosen.size() > 1)
        chosen = ExcludeTrailingPathDelimiter(chosen);
    if (chosen.empty())
        return false;
    folder = chosen;
    return true;
}

int ShowModal(QDialog* window)
{
    if (!window)
        return mrCancel;
    TDialogRequest req;
    req.Kind = TDialogKind::ModalWindow;
    req.Window = window;
    req.Title = window->windowTitle().toStdString();
    TDialogAnswer answer;
    if (Answered(req, answer))
        return answer.Result;
    const bool raise = !window->isVisible() && !(window->windowFlags() & Qt::WindowStaysOnTopHint) &&
                       StayOnTopWindowShown(window);
    if (raise)
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const int result = window->exec();
    if (raise)
        window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    return result;
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value, bool masked)
{
    QDialog dlg(ParentWindow());
    dlg.setObjectName("InputQuery");
    dlg.setWindowTitle(FromAnsi(caption));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label = new QLabel(FromAnsi(prompt), &dlg);
    label->setObjectName("Prompt");
    auto* edit = new QLineEdit(FromAnsi(value), &dlg);
    edit->setObjectName("Edit");
    if (masked)
        edit->setEchoMode(QLineEdit::Password);
    label->setBuddy(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dlg.resize(360, dlg.sizeHint().height());
    if (ShowModal(&dlg) != mrOk)
        return false;
    value = Utf8ToAnsi(edit->text().toStdString());
    return true;
}

bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory)
{
    TDialogRequest req;
    req.Kind = TDialogKind::ShellOpen;
    req.File = file;
    req.Parameters = parameters;
    req.Directory = directory;
    TDialogAnswer answer;
    if (Answered(req, answer))
        return answer.Result == mrOk;

    QString target = FromNative(file);
    if (target.startsWith("http://") || target.startsWith("https://") || target.startsWith("mailto:"))
        return QDesktopServices::openUrl(QUrl(target));
    QFileInfo info(target);
    if (info.isFile() && info.isExecutable()) {
        QStringList args = QProcess::splitCommand(FromNative(parameters));
        return QProcess::startDetached(target, args, FromNative(directory));
    }
    if (!info.exists())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

TOpenDialog::TOpenDialog(QObject* owner, const char* name) : QObject(owner)
{
    if (name)
        setObjectName(name);
}

bool TOpenDialog::Execute()
{
    TFileDialogParams p{Title, Filter, InitialDir, FileName, DefaultExt};
    if (!PromptForOpenFile(p))
        return false;
    FileName = p.FileName;
    return true;
}

bool TSaveDialog::Execute()
{
    TFileDialogParams p{Title, Filter, InitialDir, FileName, DefaultExt};
    if (!PromptForSaveFile(p))
        return false;
    FileName = p.FileName;
    return true;
}
