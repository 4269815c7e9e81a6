#include "addons/stationsigns/plakett.h"

#include "addons/stationsigns/plakettgui.h"
#include "platform/gui/dialogs.h"

TAddonHostInfo HostInfo = {};

extern "C" VLADDON_EXPORT uint8_t VLAddonInit(const TAddonHostInfo* host, TAddonInfo* info)
{
    if (host)
        HostInfo = *host;
    if (info) {
        info->Name = Plakett::Name;
        info->Author = Plakett::Author;
        info->Version = Plakett::Version;
        info->Copyright = Plakett::Copyright;
        info->Website = Plakett::Website;
        info->Email = Plakett::Email;
        info->Description = Plakett::Description;
    }
    return host && host->Version >= 1 ? 1 : 0;
}

extern "C" VLADDON_EXPORT uint8_t VLAddonRun(void)
{
    // Nothing may escape into the host.
    try {
        TFormStationsigns form;
        return ShowModal(&form) == mrOk ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
