#pragma once
// The archive component: TZABaseArchiver holds the settings, opens and closes
// the archive, keeps the update state and fires the events; TZipArchiver
// writes ZIP items (stored or deflated, optionally with the traditional
// encryption). The packager and the installer use OpenArchive,
// OpenArchiveWithMode, AddFiles, ExtractFiles, CloseArchive and the
// properties below.

#include "zip/zadirectory.h"
#include "zip/zaerrors.h"
#include "zip/zastream.h"
#include "zip/zatypes.h"

#include "platform/textlines.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

class TZABaseArchiver;

// Events. Progress is a percentage 0-100.
using TZANotifyEvent = std::function<void(TZABaseArchiver& Sender)>;
using TZAProgressEvent = std::function<void(TZABaseArchiver& Sender, double Progress, TZAProcessOperation Operation,
                                            TZAProgressPhase ProgressPhase, bool& Cancel)>;
using TZAFileProgressEvent =
    std::function<void(TZABaseArchiver& Sender, const std::string& FileName, double Progress,
                       TZAProcessOperation Operation, TZAProgressPhase ProgressPhase, bool& Cancel)>;
using TZAConfirmOverwriteEvent = std::function<void(TZABaseArchiver& Sender, const std::string& SourceFileName,
                                                    std::string& DestFileName, bool& Confirm)>;
using TZAConfirmProcessFileEvent = std::function<void(TZABaseArchiver& Sender, const std::string& FileName,
                                                      TZAProcessOperation Operation, bool& Confirm)>;
using TZAOnPasswordEvent = std::function<void(TZABaseArchiver& Sender, const std::string& FileName,
                                              std::string& NewPassword, bool& SkipFile)>;
using TZAProcessFileFailureEvent =
    std::function<void(TZABaseArchiver& Sender, const std::string& FileName, TZAProcessOperation Operation,
                       int32_t NativeError, int32_t ErrorCode, const std::string& ErrorMessage, TZAAction& Action)>;

// The dialogs the component shows when the matching event is not assigned.
// The engine has no user interface of its own: a program with one installs
// these hooks. Without a hook an overwrite is declined and a password prompt
// counts as cancelled.
enum TZAOverwriteAnswer : uint8_t { oaYes, oaNo, oaNoToAll, oaYesToAll, oaCancel };
// Text: "Overwrite file "<dest>" with "<source>"".
extern std::function<TZAOverwriteAnswer(const std::string& Text)> ZAConfirmOverwriteDialog;
// Caption "Password for "<item>"", prompt "Enter password: "; Value is edited;
// false when the user cancelled.
extern std::function<bool(const std::string& Caption, const std::string& Prompt, std::string& Value)>
    ZAPasswordDialog;

class TZAOptions {
public:
    TZAStorePathMode StorePath = spRelativePath;
    bool Recurse = true;
    TZAFileShareMode ShareMode = smShareDenyNone;
    TZAOverwriteMode OverwriteMode = omAlways;
    bool CreateDirs = true;
    bool ReplaceReadOnly = true;
    bool SetAttributes = true;
    uint16_t SearchAttr = 63;

    void Assign(const TZAOptions& source) { *this = source; }
    // Share flags for opening a source file (16, 32, 48, 64; 0 compatible).
    uint16_t ShareFlags() const;
};

// Search state of FindFirst/FindNext.
struct TInternalSearchRec {
    int32_t CurrentIndex = 0;
    std::string Mask; // drive removed, "\" turned into "/"
    bool HasWildcards = false;
    uint32_t SearchAttr = 0;
    std::string ExclusionMask;
    bool UseMaskLists = false;
};

// What FindFirst/FindNext report about an item.
struct TZAArchiveItem {
    std::string FileName;     // last part of the stored name
    std::string StoredPath;   // folder part with "\" separators and a trailing "\"; "" at the top
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    double CompressionRate = 0;
    bool Encrypted = false;
    uint16_t DosDate = 0;
    uint16_t DosTime = 0;
    uint32_t Crc32 = 0;
    uint32_t ExternalAttributes = 0;
    std::string Comment;
    TInternalSearchRec Handle;
};

class TZABaseArchiver : public TZAComponent {
public:
    TZABaseArchiver();
    ~TZABaseArchiver() override;
    TZABaseArchiver(const TZABaseArchiver&) = delete;
    TZABaseArchiver& operator=(const TZABaseArchiver&) = delete;

    // --- Settings ----------------------------------------------------------
    TZACompressionLevel CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(TZACompressionLevel level);
    int CompressionMode() const { return FCompressionMode; }
    void SetCompressionMode(int mode); // above 9 (or negative): code 5
    std::string CurrentVersion() const { return "1.50 "; }
    void SetCurrentVersion(const std::string&) {}
    bool InMemory() const { return FInMemory; }
    void SetInMemory(bool value);
    bool Active() const { return FActive; }
    void SetActive(bool value);

    std::string Password;
    // How long each attempt at an encrypted item of the block format waits
    // before the password is tried, so that guessing passwords stays slow.
    int PasswordDelayMs = 256;
    std::string FileName;
    std::string BaseDir;
    std::string TempDir;
    std::string SFXStub;
    TZAOptions Options;
    TStrings FileMasks;
    TStrings ExclusionMasks;
    TStrings NoCompressionMasks;
    bool ExtractCorruptedFiles = false;
    // An archive without central directory (cut short) is refused on opening
    // with code ZAErrRebuilt; with this set it is opened from its local
    // headers instead (to save what is left), and DirectoryRebuilt tells so.
    bool AcceptCutArchive = false;
    bool DirectoryRebuilt() const { return FManager && FManager->Rebuilt; }

    TZAFileProgressEvent OnFileProgress;
    TZAProgressEvent OnOverallProgress;
    TZAConfirmOverwriteEvent OnConfirmOverwrite;
    TZAConfirmProcessFileEvent OnConfirmProcessFile;
    TZANotifyEvent AfterOpen;
    TZAOnPasswordEvent OnPassword;
    TZAProcessFileFailureEvent OnProcessFileFailure;

    // --- Open, close, update state -----------------------------------------
    void OpenArchive();
    void OpenArchiveWithMode(uint16_t mode); // fmCreate, or read/write mode bits
    void CloseArchive();                     // commits an open update; never raises
    uint16_t FileOpenMode() const { return FMode; }

    bool InUpdate() const { return FUpdateCount > 0; }
    int32_t UpdateCount() const { return FUpdateCount; }
    void CancelUpdate();
    void CheckActive();   // code 13 unless open
    // Runs one whole operation; memory running out outside an item's own
    // work (each item turns it into its own error) fails the operation with
    // the engine's error naming the archive, never as std::bad_alloc.
    void RunWholeOperation(const std::function<void()>& work);
    void CheckNoUpdate(); // code 26 while an update is open
    void BeginUpdate();
    void EndUpdate();
    void CommitUpdate();

    // A new, empty temporary file ("FC" prefix) in TempDir or the system's
    // temporary folder.
    std::string GetTempFileName();

    // --- Directory access ---------------------------------------------------
    TZADirManager* DirManager() { return FManager.get(); }
    TZAStream* ArchiveStream() { return FStream.get(); }
    int32_t Count() const;
    const TDirItem& Item(int32_t index) const; // code 16 outside 0..Count-1

    // --- Finding and extracting ----------------------------------------------
    bool FindFirst(const std::string& FileMask, TZAArchiveItem& Item, uint32_t SearchAttr,
                   const std::string& ExclusionMask);
    bool FindNext(TZAArchiveItem& Item);
    void MarkFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask);
    void ProcessMarked(TZAProcessOperation Operation);
    void ExtractFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask);
    // Checks the selected items by extracting each into a temporary file.
    void TestFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask);
    // Removes the selected items and rewrites the archive.
    void DeleteFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask);
    void ExtractItem(int32_t Index, TZAStream& Target);
    void ExtractItemToFile(int32_t Index, const std::string& Name, const std::string& Base);
    void TestItem(int32_t Index, const std::string& Name);
    void FreshenItem(int32_t Index, const std::string& Name, const std::string& Base);

    // --- Writing -------------------------------------------------------------
    // Names of disk files given here are ANSI, as every name in this
    // interface; the engine turns them into disk names (NativeFileName) where
    // it touches the disk, and names it finds on disk into ANSI item names.
    // FileName, BaseDir and TempDir are folders and files the caller took
    // from this system: native paths, used as they are.
    void InitDirItem(int32_t Index, const std::string& FileName, bool UseFileInfo);
    void UpdateItem(int32_t Index, const std::string& FileName);
    void DeleteItem(int32_t Index);
    // Puts one disk file into the directory of the open update (stored name
    // relative to the current folder); -1 when an existing item is kept.
    int32_t AddOrReplaceItem(const std::string& FileName, bool UseFileInfo);
    // The same for a disk name as found on disk (native).
    int32_t AddOrReplaceDiskFile(const std::string& FileName, bool UseFileInfo);
    // Adds an item whose data come from a stream (inside an update); returns
    // its index. With OwnsSource the stream is dropped once written.
    int32_t AddStream(const std::string& StoredName, std::shared_ptr<TZAStream> Source, bool OwnsSource,
                      uint32_t DosDateTime = 0);

    // Adding files from disk with masks. Declared here for the add path,
    // which lives in its own source file.
    void AddFiles(const std::string& FileMask, uint16_t SearchAttr, const std::string& ExclusionMask);
    // FileName and Mask in the same form (both disk names in the scan).
    bool FileFitsMask(const std::string& FileName, const std::string& Mask, bool IsFolder);
    void ResolveMaskPath(const std::string& Mask, const std::string& Folder, std::string& Path, bool& IsRelative);
    void CollectDiskFiles(const TStrings& FileMasks, uint16_t SearchAttr, bool Recurse, bool Move,
                          const TStrings& ExclusionMasks);

    // --- Events as the operations fire them ------------------------------------
    void DoOverallProgress(TZAProcessOperation Operation, TZAProgressPhase Phase, bool& Cancel, double Percent);
    void DoFileProgress(const std::string& FileName, TZAProcessOperation Operation, bool& Cancel,
                        TZAProgressPhase Phase, double Percent);
    void DoConfirmProcessFile(const std::string& FileName, TZAProcessOperation Operation, bool& Confirm);
    void DoProcessFileFailure(const std::string& FileName, TZAProcessOperation Operation, TZAAction& Action,
                              const std::string& Message, int32_t NativeError, int32_t ErrorCode);
    void DoPassword(const std::string& FileName, std::string& NewPassword, bool& Skip);
    void DoConfirmOverwrite(const std::string& SourceFileName, std::string& DestFileName, bool& Confirm);

    // Method new items are written with (-1: none, 0 stored, 8 deflate).
    int NewItemMethod() const { return FNewItemMethod; }

protected:
    virtual void UpdateNewItemMethod();

    // Items whose method is neither stored nor deflate: the engine's own block
    // format. Called with the archive at the item's data; returns whether the
    // data were read completely (see ExtractItem for how the item is judged).
    bool ReadBlockData(int32_t Index, TZAStream& Target, uint32_t& Crc, uint64_t& Written);

    bool FWriteZipItems = false;
    int FNewItemMethod = -1;
    TZAProcessOperation FCurrentOperation = poExtract; // for progress events
    bool FSkip = false; // the item in hand was skipped at the password prompt (or cancelled)
    bool FNoPassword = false; // ... and it was the password prompt
    int FWriteError = 0;      // errno of a failed write of the item in hand
    bool FCancel = false;
    bool FProgressOn = false;
    int32_t FItemsDone = 0;
    int32_t FItemsToDo = 0;
    double FCurrentBytes = 0;
    double FTotalBytes = 0;

    // File and overall progress for Done of Total bytes of the item in hand.
    void ReportChunkProgress(const std::string& Name, TZAProcessOperation Operation, double Done, double Total);

private:
    bool ReadZipData(int32_t Index, TZAStream& Target, uint32_t& Crc, uint64_t& Written);
    void CheckFolderHoldsNoData(int32_t Index);
    // Whether an existing target may be replaced by the item of header h
    // (ReplaceReadOnly, OverwriteMode; omPrompt asks).
    bool MayReplaceFile(const TZACentralHeader& h, const std::string& Name, std::string& Target);
    bool WriteNewItem(int32_t Index, TZAAction& Action);
    void CopyKeptItem(int32_t Index);
    bool CompressItem(TZAStream& Source, TZAStream& Archive, TDirItem& Item, TZAProcessOperation Operation);
    void Rollback();
    void InitDirItemIn(int32_t Index, const std::string& FileName, bool UseFileInfo, const std::string& Folder);
    void DeleteMovedFiles(TZAProcessOperation Operation);

    TZACompressionLevel FCompressionLevel = clFastest;
    int FCompressionMode = 1;
    bool FInMemory = false;
    bool FActive = false;
    uint16_t FMode = 0;
    int32_t FUpdateCount = 0;
    // The file the open archive created (empty: it existed before, or lives
    // in memory), and whether an update was begun on it since.
    std::string FCreated;
    bool FUpdated = false;
    std::unique_ptr<TZAStream> FStream;
    std::unique_ptr<TZADirManager> FManager;
    TInternalSearchRec FSearch;
    // Files written by the extraction in hand, and the item each came from.
    std::unordered_map<std::string, int32_t> FExtractTargets;
    // Target folders of the extraction in hand known to exist, and cleared
    // of the temporaries that killed runs left there.
    std::unordered_set<std::string> FReadyFolders;
    // Target folders of the extraction in hand as the items name them, and
    // their spelling on disk.
    std::unordered_map<std::string, std::string> FFolderCase;
    // The current folder while a disk scan runs (it stays put meanwhile).
    std::string FScanFolder;
    // The file the item in hand is extracted to, for messages.
    std::string FTargetName;

    // Commit state: where the old tail was cut and the file that keeps it.
    int64_t FCutPosition = 0;
    std::string FTailFileName;
    std::unique_ptr<TZAFileStream> FTail;
};

class TZipArchiver : public TZABaseArchiver {
public:
    TZipArchiver();
    // Closes (and so commits) while the object still writes ZIP items.
    ~TZipArchiver() override;

protected:
    void UpdateNewItemMethod() override;
};

// Chunk size by compression mode, and the coarse level of a mode.
int ZAChunkSize(int compressionMode);
TZACompressionLevel ZALevelOfMode(int compressionMode);
