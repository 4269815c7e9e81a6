#include "packager/packageroptions.h"

#include "platform/inifile.h"
#include "platform/paths.h"

namespace {

class TSettingsFileOptions : public TPackagerOptions {
public:
    std::string BveFolder() const override
    {
        return IniReadString(ProgramFolder() + "set.ini", "Settings", "BVE_Folder", "");
    }
    std::string GetObjectFolder() const override
    {
        return IniReadString(ProgramFolder() + "set.ini", "Settings", "ObjectFolder", "lib");
    }
};

TSettingsFileOptions SettingsFileOptions;
TPackagerOptions* CurrentOptions = nullptr;

} // namespace

TPackagerOptions& PackagerOptions() { return CurrentOptions ? *CurrentOptions : SettingsFileOptions; }

void SetPackagerOptions(TPackagerOptions* options) { CurrentOptions = options; }
