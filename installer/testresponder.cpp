#include "installer/testresponder.h"

#include "installer/kalmirobvefolder.h"

#include "platform/gui/dialogs.h"
#include "platform/textlines.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <fstream>

namespace {

struct TResponderSettings {
    bool Active = false;
    std::string BveFolder;
    std::string Click;
    std::string Log;
};

TResponderSettings Settings;

const char* KindName(TDialogKind kind)
{
    switch (kind) {
    case TDialogKind::MessageBox:
        return "MessageBox";
    case TDialogKind::OpenFile:
        return "OpenFile";
    case TDialogKind::SaveFile:
        return "SaveFile";
    case TDialogKind::SelectFolder:
        return "SelectFolder";
    case TDialogKind::ModalWindow:
        return "ModalWindow";
    case TDialogKind::ShellOpen:
        return "ShellOpen";
    }
    return "?";
}

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

TDialogAnswer Respond(const TDialogRequest& request)
{
    std::string caption = request.Caption;
    std::string text = request.Text;
    if (request.Kind == TDialogKind::ModalWindow && request.Window)
        caption = request.Window->objectName().toStdString();
    else if (request.Kind == TDialogKind::ShellOpen)
        text = request.File;
    else if (request.Kind != TDialogKind::MessageBox)
        caption = request.Title;
    TestResponderLog(std::string(KindName(request.Kind)) + "|" + OneLine(caption) + "|" + OneLine(text));

    TDialogAnswer answer;
    switch (request.Kind) {
    case TDialogKind::MessageBox:
        answer.Result = DefaultMessageAnswer(request.Buttons);
        break;
    case TDialogKind::SelectFolder:
        if (!Settings.BveFolder.empty()) {
            answer.Result = mrOk;
            answer.Path = Settings.BveFolder;
        }
        break;
    case TDialogKind::ModalWindow:
        if (auto* folder = qobject_cast<TKalmiro_BveFolder*>(request.Window)) {
            if (!Settings.BveFolder.empty()) {
                folder->SetFolder(Settings.BveFolder);
                folder->OKButton->click();
                answer.Result = mrOk;
            }
        }
        break;
    case TDialogKind::ShellOpen:
        answer.Result = mrOk;
        break;
    default:
        break;
    }
    return answer;
}

} // namespace

bool InstallTestResponder()
{
    const char* file = std::getenv("KALMIRO_TEST_RESPONDER");
    if (!file || !*file)
        return false;
    TStrings lines;
    LoadLines(file, lines);
    Settings.Active = true;
    Settings.BveFolder = GetValue(lines, "BveFolder");
    Settings.Click = GetValue(lines, "Click");
    Settings.Log = GetValue(lines, "Log");
    SetDialogResponder(Respond);
    return true;
}

bool TestResponderActive() { return Settings.Active; }

void TestResponderWindowShown(QWidget* window)
{
    if (!Settings.Active || Settings.Click.empty() || !window)
        return;
    if (auto* button = window->findChild<QAbstractButton*>(QString::fromStdString(Settings.Click))) {
        TestResponderLog("Click|" + Settings.Click + "|");
        QTimer::singleShot(0, button, &QAbstractButton::click);
    }
}

void TestResponderLog(const std::string& line)
{
    if (Settings.Log.empty())
        return;
    std::ofstream out(Settings.Log, std::ios::app | std::ios::binary);
    out << line << "\n";
}
