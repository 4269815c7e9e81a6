/* Small add-ons for the host's tests, written in C against the add-on
 * header. One source, several libraries:
 *   TESTADDON_GOOD    registers with texts and a run entry point, and
 *                     offers the host's answers to the test;
 *   TESTADDON_NONAME  registers with every text null and no run entry;
 *   TESTADDON_FALSE   declines;
 *   TESTADDON_NOINIT  has no init entry point. */
#include "addons/vladdon.h"

#if defined(TESTADDON_GOOD)
static TAddonHostInfo HostCopy;
static int Runs;

VLADDON_EXPORT uint8_t VLAddonInit(const TAddonHostInfo* host, TAddonInfo* info)
{
    HostCopy = *host;
    info->Name = "Test Addon";
    info->Author = "Ann Author";
    info->Version = "2.5";
    info->Website = "http://example.org/addon";
    info->Email = "ann@example.org";
    info->Description = "Counts its runs";
    info->Copyright = "(c) Ann";
    return 1;
}

VLADDON_EXPORT uint8_t VLAddonRun(void)
{
    ++Runs;
    return 1;
}

VLADDON_EXPORT int TestAddonRuns(void) { return Runs; }
VLADDON_EXPORT uint16_t TestAddonVersion(void) { return HostCopy.Version; }

VLADDON_EXPORT const char* TestAddonQuery(uint16_t code)
{
    return HostCopy.Query ? HostCopy.Query(code) : 0;
}
#elif defined(TESTADDON_NONAME)
VLADDON_EXPORT uint8_t VLAddonInit(const TAddonHostInfo* host, TAddonInfo* info)
{
    (void)host;
    (void)info;
    return 1;
}
#elif defined(TESTADDON_FALSE)
VLADDON_EXPORT uint8_t VLAddonInit(const TAddonHostInfo* host, TAddonInfo* info)
{
    (void)host;
    info->Name = "Declined";
    return 0;
}

VLADDON_EXPORT uint8_t VLAddonRun(void) { return 1; }
#elif defined(TESTADDON_NOINIT)
VLADDON_EXPORT uint8_t VLAddonRun(void) { return 1; }
#endif
