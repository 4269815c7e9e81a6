#pragma once
// Enumerations and small records shared by the archive engine's classes and
// their users (packager, installer). The numeric values are part of the
// engine's interface: events pass them and form settings store them.

#include <cstdint>
#include <string>

// The framework's component base: a named object placed on a form. The name
// prefixes the engine's error messages.
class TZAComponent {
public:
    virtual ~TZAComponent() = default;
    std::string Name;
};

enum TZACompressionLevel : uint8_t { clNone = 0, clFastest = 1, clNormal = 2, clMax = 3 };

enum TZAStorePathMode : uint8_t { spNoPath = 0, spRelativePath = 1, spFullPath = 2 };

enum TZAFileShareMode : uint8_t {
    smShareCompat = 0,
    smShareExclusive = 1,
    smShareDenyWrite = 2,
    smShareDenyRead = 3,
    smShareDenyNone = 4
};

enum TZAOverwriteMode : uint8_t { omPrompt = 0, omAlways = 1, omNever = 2, omIfNewer = 3, omIfOlder = 4 };

// What an operation does to an item (events, and the pending operation kept
// per directory item).
enum TZAProcessOperation : uint8_t {
    poAdd = 0,
    poMove = 1,    // add, then delete the source file once the archive is written
    poDelete = 2,
    poUpdate = 3,  // replace an item from its disk file
    poExtract = 4,
    poTest = 5     // extract into a temporary file that is deleted again
};

enum TZAProgressPhase : uint8_t { ppStart = 0, ppProcess = 1, ppEnd = 2 };

// The answer of OnProcessFileFailure.
enum TZAAction : uint8_t { faRetry = 0, faSkip = 1, faAbort = 2 };

// Windows file attribute bits as stored in the archive's external attributes.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faSysFile = 0x04;
constexpr uint32_t faVolumeID = 0x08;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;
constexpr uint32_t faAnyFile = 0x3F;

// File-open modes of the archive stream (Windows share-mode encoding).
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;
