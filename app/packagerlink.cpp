#include "app/packagerlink.h"

#include "editor/appforms.h"
#include "editor/formcreatepackage.h"
#include "editor/formexport.h"
#include "editor/formoptions.h"
#include "editor/startupforms.h"
#include "packager/formpackage.h"
#include "packager/packageroptions.h"

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

void BuildExportPackage(const TExportPackageRequest& request)
{
    if (!FormPackage)
        throw std::runtime_error("The route packager is not available.");
    // The lists are set anew for every export: entries left from an earlier
    // export of this run would name files of another route in this package.
    FormPackage->ObjectFiles = request.ObjectFiles;
    FormPackage->RouteFiles = request.RouteFiles;
    FormPackage->RouteDir = request.RouteDir;
    // The export copies its object files from the object library.
    FormPackage->ObjectSource.clear();
    FormPackage->show();
    FormPackage->BuildPackage(request.RouteName, request.PicturePath, request.Author, request.Homepage,
                              request.Description, request.Root, request.Credits);
}

void BuildWizardPackage(const TCreatePackageRequest& request)
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
    SetExportPackageHandler(BuildExportPackage);
    SetCreatePackageHandler(BuildWizardPackage);
}

void RemovePackagerLink()
{
    SetCreatePackageHandler({});
    SetExportPackageHandler({});
    SetPackageFormCreator({});
    SetPackagerOptions(nullptr);
}
