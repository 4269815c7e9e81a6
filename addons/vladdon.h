/* The binary contract between the editor and its add-on libraries, for both
 * sides: the host includes it to load add-ons, an add-on (C or C++) to be
 * one.
 *
 * An add-on is a shared library in the folder "addons" beside the program.
 * The host opens it (on Linux with dlopen, RTLD_NOW | RTLD_LOCAL) and looks
 * up two entry points by name:
 *
 *   VLAddonInit(host, info): called once at start-up. The add-on copies the
 *     host record if it needs it later (the record lives only for the
 *     call), fills the information record (zeroed by the host) with
 *     pointers to NUL-terminated 8-bit texts in its own memory, and returns
 *     non-zero to be listed. A library without this entry point, or whose
 *     call returns zero, is skipped.
 *   VLAddonRun(): called when the user runs the add-on; may be missing. The
 *     result is not used.
 *
 * While it runs, an add-on may ask the host through the query function:
 *   1  the host version text
 *   2  the open project's name (at most 254 characters; empty without one)
 *   3  the open project's author (likewise)
 *   4  the object library folder, whole, with a trailing "/"
 * Any other code gives NULL. The text belongs to the host and stays valid
 * until the next query of the same code.
 */
#ifndef VELKAST_ADDONS_VLADDON_H
#define VELKAST_ADDONS_VLADDON_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version the host sends. */
#define VLADDON_INTERFACE_VERSION 1

/* The host's query function: a plain C function of the query code. */
typedef const char* (*TAddonQueryFunc)(uint16_t code);

/* Built by the host and handed to VLAddonInit. */
typedef struct TAddonHostInfo {
    uint16_t Version;
    TAddonQueryFunc Query;
} TAddonHostInfo;

/* Filled by the add-on; every field may stay NULL. */
typedef struct TAddonInfo {
    const char* Name;
    const char* Author;
    const char* Version;
    const char* Website;
    const char* Email;
    const char* Description;
    const char* Copyright;
} TAddonInfo;

/* The two entry points; the result is an 8-bit boolean (0 = false). */
typedef uint8_t (*TVLAddonInitFunc)(const TAddonHostInfo* host, TAddonInfo* info);
typedef uint8_t (*TVLAddonRunFunc)(void);

#define VLADDON_INIT_NAME "VLAddonInit"
#define VLADDON_RUN_NAME "VLAddonRun"

#if defined(_WIN32)
#define VLADDON_EXPORT __declspec(dllexport)
#else
#define VLADDON_EXPORT __attribute__((visibility("default")))
#endif

/* What an add-on defines (with VLADDON_EXPORT). */
VLADDON_EXPORT uint8_t VLAddonInit(const TAddonHostInfo* host, TAddonInfo* info);
VLADDON_EXPORT uint8_t VLAddonRun(void);

#ifdef __cplusplus
}
#define VLADDON_STATIC_ASSERT(cond, text) static_assert(cond, text)
#else
#define VLADDON_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif

/* The layout both sides rely on: pointers follow each other without gaps,
 * the host record's function pointer sits at the first pointer-aligned
 * offset after the 16-bit version. */
#if UINTPTR_MAX == 0xFFFFFFFFu
VLADDON_STATIC_ASSERT(offsetof(TAddonHostInfo, Query) == 4, "host record: Query at 4");
VLADDON_STATIC_ASSERT(sizeof(TAddonHostInfo) == 8, "host record: 8 bytes");
VLADDON_STATIC_ASSERT(sizeof(TAddonInfo) == 28, "information record: 28 bytes");
#else
VLADDON_STATIC_ASSERT(offsetof(TAddonHostInfo, Query) == 8, "host record: Query at 8");
VLADDON_STATIC_ASSERT(sizeof(TAddonHostInfo) == 16, "host record: 16 bytes");
VLADDON_STATIC_ASSERT(sizeof(TAddonInfo) == 56, "information record: 56 bytes");
#endif
VLADDON_STATIC_ASSERT(offsetof(TAddonHostInfo, Version) == 0, "host record: Version first");
VLADDON_STATIC_ASSERT(offsetof(TAddonInfo, Name) == 0 * sizeof(void*), "information record: Name");
VLADDON_STATIC_ASSERT(offsetof(TAddonInfo, Author) == 1 * sizeof(void*), "information record: Author");
VLADDON_STATIC_ASSERT(offsetof(TAddonInfo, Version) == 2 * sizeof(void*), "information record: Version");
VLADDON_STATIC_ASSERT(offsetof(TAddonInfo, Website) == 3 * sizeof(void*), "information record: Website");
VLADDON_STATIC_ASSERT(offsetof(TAddonInfo, Email) == 4 * sizeof(void*), "information record: Email");
VLADDON_STATIC_ASSERT(offsetof(TAddonInfo, Description) == 5 * sizeof(void*), "information record: Description");
VLADDON_STATIC_ASSERT(offsetof(TAddonInfo, Copyright) == 6 * sizeof(void*), "information record: Copyright");

#endif
