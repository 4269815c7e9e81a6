#include "zip/zaarchiver.h"

#include "zip/zafileutil.h"
#include "zip/zastrfunc.h"

#include "platform/paths.h"

#include <cstdlib>
#include <new>
#include <unistd.h>

std::function<TZAOverwriteAnswer(const std::string& Text)> ZAConfirmOverwriteDialog;
std::function<bool(const std::string& Caption, const std::string& Prompt, std::string& Value)> ZAPasswordDialog;

int ZAChunkSize(int compressionMode)
{
    switch (ZALevelOfMode(compressionMode)) {
    case clFastest:
        return 524288;
    case clMax:
        return 1572864;
    default:
        return 1048576;
    }
}

TZACompressionLevel ZALevelOfMode(int compressionMode)
{
    if (compressionMode <= 0)
        return clNone;
    if (compressionMode <= 3)
        return clFastest;
    if (compressionMode <= 6)
        return clNormal;
    return clMax;
}

uint16_t TZAOptions::ShareFlags() const
{
    static const uint16_t flags[] = {fmShareCompat, fmShareExclusive, fmShareDenyWrite, fmShareDenyRead,
                                     fmShareDenyNone};
    return flags[ShareMode <= smShareDenyNone ? ShareMode : smShareDenyNone];
}

// ---------------------------------------------------------------------------

TZABaseArchiver::TZABaseArchiver()
{
    SetCompressionLevel(clFastest);
}

TZABaseArchiver::~TZABaseArchiver()
{
    CloseArchive();
}

void TZABaseArchiver::SetCompressionLevel(TZACompressionLevel level)
{
    static const int modes[] = {0, 1, 6, 9};
    FCompressionLevel = level;
    FCompressionMode = modes[level <= clMax ? level : clMax];
    UpdateNewItemMethod();
}

void TZABaseArchiver::SetCompressionMode(int mode)
{
    if (mode < 0 || mode > 9)
        throw EZAException(5, nullptr);
    FCompressionMode = mode;
    FCompressionLevel = ZALevelOfMode(mode);
    UpdateNewItemMethod();
}

void TZABaseArchiver::UpdateNewItemMethod() { FNewItemMethod = -1; }

void TZABaseArchiver::SetActive(bool value)
{
    if (value == FActive)
        return;
    if (value)
        OpenArchive();
    else
        CloseArchive();
}

void TZABaseArchiver::SetInMemory(bool value)
{
    if (value == FInMemory)
        return;
    if (!FActive) {
        FInMemory = value;
        return;
    }
    if (!value) {
        if (FileName.empty())
            throw EZAException(29, this);
        auto file = TZAFileStream::Open(FileName, fmCreate);
        if (!file)
            throw EZAException(19, this, {FileName});
        FStream->Seek(0);
        int64_t size = FStream->Size();
        if (file->CopyFrom(*FStream, size) != size)
            throw ZAWriteFailure(this, FileName, file->LastError());
        file.reset();
        CloseArchive();
        FInMemory = false;
        OpenArchive();
    } else {
        CloseArchive();
        FInMemory = true;
        OpenArchiveWithMode(fmCreate);
    }
}

void TZABaseArchiver::OpenArchive()
{
    if (FileName.empty() && !FInMemory)
        throw EZAException(9, this);
    uint16_t mode;
    if (FInMemory || ZAFileGetAttr(FileName) < 0) {
        mode = fmCreate;
    } else if (TZAFileStream::Open(FileName, fmOpenReadWrite | fmShareDenyWrite)) {
        mode = fmOpenReadWrite | fmShareDenyWrite;
    } else {
        mode = fmOpenRead | fmShareDenyNone;
    }
    OpenArchiveWithMode(mode);
}

void TZABaseArchiver::OpenArchiveWithMode(uint16_t mode)
{
    if (mode != fmCreate) {
        if (FileName.empty())
            throw EZAException(10, this);
        if (FInMemory)
            throw EZAException(28, this, {FileName});
        if (ZAFileGetAttr(FileName) < 0 || ZAFileGetAttr(FileName) == int32_t(faDirectory))
            throw EZAException(12, this, {FileName});
    }
    CloseArchive();
    FMode = mode;
    std::unique_ptr<TZAStream> stream;
    std::string created;
    if (FInMemory) {
        stream = std::make_unique<TZAMemoryStream>();
    } else {
        if (mode == fmCreate && ZAFileGetAttr(FileName) < 0)
            created = FileName;
        auto file = TZAFileStream::Open(FileName, mode);
        if (!file) {
            if (mode == fmCreate)
                throw EZAException(19, this, {FileName});
            throw EZAException(12, this, {FileName});
        }
        file->SetReadAhead(true);
        stream = std::move(file);
    }
    std::unique_ptr<TZADirManager> manager;
    try {
        manager = std::make_unique<TZADirManager>(*stream, mode == fmCreate, this);
    } catch (const std::bad_alloc&) {
        throw EZAException(ZAErrNoMemory, this, {FileName});
    }
    manager->StreamName = FileName;
    // A cut archive is no success: what stood behind the cut is missing.
    if (manager->Rebuilt && !AcceptCutArchive)
        throw EZAException(ZAErrRebuilt, this, {FileName.empty() ? std::string("(in memory)") : FileName});
    FStream = std::move(stream);
    FManager = std::move(manager);
    FActive = true;
    FCreated = created;
    FUpdated = false;
    if (AfterOpen)
        AfterOpen(*this);
}

void TZABaseArchiver::CloseArchive()
{
    if (!FActive)
        return;
    if (InUpdate()) {
        try {
            CommitUpdate();
        } catch (...) {
            // Rolled back already; closing goes on.
        }
    }
    // An archive this open created and that an update left without any item
    // (every file refused, or none found) is not left behind: there was none
    // before. Otherwise an archive left without any bytes (also after a
    // failed commit of a new one) becomes a valid empty archive.
    const bool drop = !FCreated.empty() && FUpdated && FManager->Directory().GetCount() == 0;
    if (FStream->Size() == 0 && !drop) {
        try {
            FManager->WriteDirectory();
        } catch (...) {
        }
    }
    FActive = false;
    FUpdateCount = 0;
    FManager.reset();
    FStream.reset();
    if (drop)
        ::DeleteFile(FCreated);
}

void TZABaseArchiver::CancelUpdate()
{
    if (FUpdateCount > 0) {
        FUpdateCount = 0;
        // The directory goes back to what the archive holds: the pending
        // items would otherwise be written at closing without their data.
        if (FManager)
            FManager->Directory().Assign(FManager->SavedDirectory());
    }
}

void TZABaseArchiver::RunWholeOperation(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::bad_alloc&) {
        throw EZAException(ZAErrNoMemory, this, {FileName.empty() ? std::string("(in memory)") : FileName});
    }
}

void TZABaseArchiver::CheckActive()
{
    if (!FActive)
        throw EZAException(13, this);
}

void TZABaseArchiver::CheckNoUpdate()
{
    if (InUpdate())
        throw EZAException(26, this);
}

void TZABaseArchiver::BeginUpdate()
{
    if (FUpdateCount == 0) {
        if (!FActive)
            OpenArchive();
        if (!FInMemory && (FMode & 3) == fmOpenRead && FMode != fmCreate)
            throw EZAException(32, this);
        TZADirArray& live = FManager->Directory();
        for (int32_t i = 0; i < live.GetCount(); ++i) {
            TDirItem& item = live.GetItemPtr(i);
            item.Changed = false;
            item.OriginIndex = i;
        }
        FManager->SavedDirectory().Assign(live);
        FUpdated = true;
    }
    ++FUpdateCount;
}

void TZABaseArchiver::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (FUpdateCount == 1)
        RunWholeOperation([this] { CommitUpdate(); });
    else
        --FUpdateCount;
}

std::string TZABaseArchiver::GetTempFileName()
{
    std::string dir = TempDir;
    if (dir.empty()) {
        const char* t = std::getenv("TMPDIR");
        dir = (t && *t) ? t : "/tmp";
    }
    std::string templ = IncludeTrailingPathDelimiter(ToNativePath(dir)) + "FCXXXXXX";
    int fd = ::mkstemp(templ.data());
    if (fd < 0)
        return {};
    ::close(fd);
    return templ;
}

int32_t TZABaseArchiver::Count() const { return FManager ? FManager->Directory().GetCount() : 0; }

const TDirItem& TZABaseArchiver::Item(int32_t index) const
{
    if (!FManager || index < 0 || index >= FManager->Directory().GetCount())
        throw EZAException(16, this);
    return FManager->Directory().GetItemPtr(index);
}

// ---------------------------------------------------------------------------
// Events

void TZABaseArchiver::DoOverallProgress(TZAProcessOperation Operation, TZAProgressPhase Phase, bool& Cancel,
                                        double Percent)
{
    if (OnOverallProgress)
        OnOverallProgress(*this, Percent, Operation, Phase, Cancel);
    else
        Cancel = false;
}

void TZABaseArchiver::DoFileProgress(const std::string& FileName, TZAProcessOperation Operation, bool& Cancel,
                                     TZAProgressPhase Phase, double Percent)
{
    if (OnFileProgress)
        OnFileProgress(*this, FileName, Percent, Operation, Phase, Cancel);
    else
        Cancel = false;
}

void TZABaseArchiver::DoConfirmProcessFile(const std::string& FileName, TZAProcessOperation Operation, bool& Confirm)
{
    if (OnConfirmProcessFile)
        OnConfirmProcessFile(*this, FileName, Operation, Confirm);
    else
        Confirm = true;
}

void TZABaseArchiver::DoProcessFileFailure(const std::string& FileName, TZAProcessOperation Operation,
                                           TZAAction& Action, const std::string& Message, int32_t NativeError,
                                           int32_t ErrorCode)
{
    Action = faSkip;
    if (OnProcessFileFailure)
        OnProcessFileFailure(*this, FileName, Operation, NativeError, ErrorCode, Message, Action);
}

void TZABaseArchiver::DoPassword(const std::string& FileName, std::string& NewPassword, bool& Skip)
{
    if (OnPassword) {
        OnPassword(*this, FileName, NewPassword, Skip);
        return;
    }
    if (ZAPasswordDialog)
        Skip = !ZAPasswordDialog(ZAFormat("Password for \"%s\"", {FileName}), "Enter password: ", NewPassword);
    else
        Skip = true;
}

void TZABaseArchiver::DoConfirmOverwrite(const std::string& SourceFileName, std::string& DestFileName,
                                         bool& Confirm)
{
    if (OnConfirmOverwrite) {
        OnConfirmOverwrite(*this, SourceFileName, DestFileName, Confirm);
        return;
    }
    TZAOverwriteAnswer answer = oaNo;
    if (ZAConfirmOverwriteDialog)
        answer = ZAConfirmOverwriteDialog(
            ZAFormat("Overwrite file \"%s\" with \"%s\"", {DestFileName, SourceFileName}));
    switch (answer) {
    case oaYes:
        Confirm = true;
        break;
    case oaYesToAll:
        Confirm = true;
        Options.OverwriteMode = omAlways;
        break;
    case oaNoToAll:
        Confirm = false;
        Options.OverwriteMode = omNever;
        break;
    default:
        Confirm = false;
        break;
    }
}

void TZABaseArchiver::ReportChunkProgress(const std::string& Name, TZAProcessOperation Operation, double Done,
                                          double Total)
{
    double part = Total > 0 ? Done / Total : 1.0;
    DoFileProgress(Name, Operation, FCancel, ppProcess, part * 100.0);
    if (FCancel)
        return;
    double todo = FItemsToDo > 0 ? FItemsToDo : 1;
    DoOverallProgress(Operation, ppProcess, FCancel, (part + FItemsDone) / todo * 100.0);
}

// ---------------------------------------------------------------------------

TZipArchiver::TZipArchiver()
{
    FWriteZipItems = true;
    UpdateNewItemMethod();
}

TZipArchiver::~TZipArchiver() { CloseArchive(); }

void TZipArchiver::UpdateNewItemMethod() { FNewItemMethod = CompressionMode() != 0 ? 8 : 0; }
