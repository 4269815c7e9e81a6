#include "editor/msginisupp.h"

#include "editor/lnginisupp.h"
#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/inifile.h"
#include "platform/paths.h"

TMsgINISupp* MsgINISupp1 = nullptr;

std::string GetMessageText(const std::string& key)
{
    if (!MsgINISupp1)
        return "ERROR";
    return MsgINISupp1->GetMessage(key);
}

std::string WriteFailedMessage(const std::string& key, const std::string& file, int error)
{
    return GetMessageText(key) + Utf8ToAnsi(file) + "\r\n" + WriteErrorText(file, error);
}

TMsgINISupp::TMsgINISupp(QObject* owner) : QObject(owner)
{
    setObjectName("MsgINISupp1");
}

void TMsgINISupp::SetFileName(const std::string& value)
{
    std::string name = ExtractFileName(value);
    FFileName = name.empty() ? std::string() : ProgramFolder() + name;
}

void TMsgINISupp::SetLngINISupp(TLngINISupp* translator)
{
    FLngINISupp = translator;
    if (translator)
        SetFileName(translator->FileName());
}

bool TMsgINISupp::CheckFile()
{
    if (FFileName.empty()) {
        ShowMessage("ERROR!!!\r\nFile not preset!");
        FNoFileName = true;
        return false;
    }
    FNoFileName = false;
    std::string data;
    if (!ReadFileBytes(FFileName, data))
        ShowMessage("WARNING!!!\r\n Language File Not Found! Its now creating a new!");
    return true;
}

bool TMsgINISupp::Init()
{
    if (FFileName.empty() && FLngINISupp)
        SetFileName(FLngINISupp->FileName());
    if (!CheckFile())
        return false;
    FInitialised = true;
    return true;
}

std::string TMsgINISupp::SplitMessageLines(const std::string& value)
{
    if (value.find('"') == std::string::npos)
        return value;
    std::string result;
    std::string rest = value;
    while (!rest.empty()) {
        std::size_t quote = rest.find('"');
        if (quote == std::string::npos) {
            result += rest + "\r\n";
            break;
        }
        result += rest.substr(0, quote) + "\r\n";
        rest.erase(0, std::min(rest.size(), quote + 8));
    }
    return result;
}

bool TMsgINISupp::GetMessage(const std::string& key, std::string& text)
{
    if (!FInitialised && !Init()) {
        text = "ERROR";
        return false;
    }
    std::string file = FLngINISupp ? FLngINISupp->FileName() : FFileName;
    std::string value = file.empty() ? std::string("ERROR")
                                     : IniReadString(file, "Project_Messages", key, "ERROR");
    text = SplitMessageLines(value);
    return true;
}

std::string TMsgINISupp::GetMessage(const std::string& key)
{
    std::string text;
    GetMessage(key, text);
    return text;
}
