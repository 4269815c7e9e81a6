#include "editor/packagerequest.h"

#include "editor/formexport.h"
#include "editor/msginisupp.h"
#include "platform/codepage.h"
#include "platform/gui/dialogs.h"

#include <QCheckBox>

#include <exception>
#include <utility>

namespace {

TPackageHandler& Handler()
{
    static TPackageHandler handler;
    return handler;
}

} // namespace

void SetPackageHandler(TPackageHandler handler)
{
    Handler() = std::move(handler);
    // The export dialog offers packaging only while a builder is there.
    if (FormExport)
        FormExport->cbRunPackageWizard->setEnabled(HasPackageHandler());
}

bool HasPackageHandler() { return static_cast<bool>(Handler()); }

bool RunPackageHandler(const TPackageRequest& request)
{
    if (!Handler()) {
        MessageDlg(GetMessageText("ucreatepackage_no_packager"), mtError, mbOK);
        return false;
    }
    try {
        Handler()(request);
        return true;
    } catch (const std::exception& e) {
        // The builder's messages name files on disk and come from the
        // archive engine: UTF-8, while message boxes take ANSI.
        MessageDlg(Utf8ToAnsi(e.what()), mtError, mbOK);
        return false;
    }
}
