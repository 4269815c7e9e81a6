#include "zip/gui/zadialogs.h"

#include "zip/zaarchiver.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"

void InstallArchiveDialogs()
{
    // The component's texts are UTF-8; the dialogs take the ANSI code page.
    ZAConfirmOverwriteDialog = [](const std::string& text) {
        switch (MessageDlg(Utf8ToAnsi(text), mtConfirmation, mbYes | mbNo | mbNoToAll | mbYesToAll)) {
        case mrYes: return oaYes;
        case mrNo: return oaNo;
        case mrNoToAll: return oaNoToAll;
        case mrYesToAll: return oaYesToAll;
        default: return oaCancel;
        }
    };
    ZAPasswordDialog = [](const std::string& caption, const std::string& prompt, std::string& value) {
        return InputQuery(Utf8ToAnsi(caption), Utf8ToAnsi(prompt), value, true);
    };
}
