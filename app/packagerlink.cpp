#include "app/packagerlink.h"

#include "editor/appforms.h"
#include "editor/packagerequest.h"
#include "editor/formoptions.h"
#include "editor/startupforms.h"
#include "editor/msginisupp.h"
#include "packager/formpackage.h"
#include "packager/packageroptions.h"

#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QLabel>

#include <stdexcept>

namespace {

// The options window's settings as the packager reads them.
class TFormOptionsPackagerOptions : public TPackagerOptions {
public:
    std::string BveFolder() const override
    {
        return FormOptions ? ExcludeTrailingPathDelimiter(FormOptions->BveFolder) : std::string();
    }
    std::string GetObjectFolder() const override
    {
        return FormOptions ? FormOptions->GetObjectFolder() : std::string("lib");
    }
};

TFormOptionsPackagerOptions EditorOptions;

// Builds the package of an export or of the wizard. Every field is set anew
// for each package: what an earlier one left would name files or a project
// of another route.
void BuildPackage(const TPackageRequest& request)
{
    if (!FormPackage)
        throw std::runtime_error("The route packager is not available.");
    FormPackage->ObjectFiles = request.ObjectFiles;
    FormPackage->RouteFiles = request.RouteFiles;
    FormPackage->ObjectSource = request.ObjectSource;
    FormPackage->Project = request.Project;
    FormPackage->RouteDir = request.RouteDir;
    FormPackage->show();
    FormPackage->BuildPackage(request.RouteName, request.PicturePath, request.Author, request.Homepage,
                              request.Description, request.Root, request.Credits);
    MessageDlg(GetMessageText("ucreatepackage_written") + Utf8ToAnsi(FormPackage->PackagePath), mtInformation, mbOK);
}

} // namespace

void InstallPackagerLink()
{
    SetPackagerOptions(&EditorOptions);
    SetPackageFormCreator([] {
        CreateForm(FormPackage);
        // The window's picture has no text: a translated text would replace
        // the picture.
        SetTranslatable(FormPackage->Image1, false);
    });
    SetPackageHandler(BuildPackage);
}

void RemovePackagerLink()
{
    SetPackageHandler({});
    SetPackageFormCreator({});
    SetPackagerOptions(nullptr);
}
