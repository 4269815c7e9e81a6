// Preparing items from disk files, and the commit that rewrites the archive:
// kept items are copied from the old archive's tail, changed ones compressed
// from their sources, and a new central directory is written.

#include "zip/zaarchiver.h"

#include "zip/zafileutil.h"
#include "zip/zastrfunc.h"
#include "zip/zatradcrypt.h"
#include "zip/zazlib.h"

#include "platform/codepage.h"
#include "platform/paths.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <random>
#include <vector>
#include <zlib.h>

namespace {

constexpr std::size_t kDeflateOut = 262144;

std::string CurrentFolder()
{
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::string() : p.string();
}

uint8_t RandomByte()
{
    static std::mt19937 gen(static_cast<uint32_t>(std::random_device{}()) ^
                            static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return static_cast<uint8_t>(gen() & 0xFF);
}

void BuildLocalHeader(unsigned char* p, const TZACentralHeader& c)
{
    ZAPut32(p, ZALocalHeaderSig);
    ZAPut16(p + 4, 20);
    ZAPut16(p + 6, c.Flags & (1 | ZAUtf8NameFlag));
    ZAPut16(p + 8, c.Method);
    ZAPut16(p + 10, c.DosTime);
    ZAPut16(p + 12, c.DosDate);
    ZAPut32(p + 14, c.Crc32);
    ZAPut32(p + 18, c.CompressedSize);
    ZAPut32(p + 22, c.UncompressedSize);
    ZAPut16(p + 26, c.NameLength);
    ZAPut16(p + 28, 0);
}

} // namespace

// ---------------------------------------------------------------------------
// Preparing items

void TZABaseArchiver::InitDirItem(int32_t Index, const std::string& FileName, bool UseFileInfo)
{
    InitDirItemIn(Index, NativeFileName(FileName), UseFileInfo, CurrentFolder());
}

void TZABaseArchiver::InitDirItemIn(int32_t Index, const std::string& FileName, bool UseFileInfo,
                                    const std::string& Folder)
{
    if (!FManager)
        throw EZAException(13, this);
    TDirItem& item = FManager->Directory().GetItemPtr(Index);
    std::string storedDisk = GetStoredFileName(FileName, Folder, Options.StorePath);
    std::string stored = AnsiFileName(storedDisk);
    if (stored.empty())
        return;
    std::string disk = ExpandFileNameRelative(Folder, FileName);
    int32_t age = -1;
    int32_t attr = UseFileInfo ? ZAFileGetAttrAndAge(disk, age) : -1;
    const bool folder = attr >= 0 && (attr & faDirectory);
    if (UseFileInfo && folder && stored.back() != '/') {
        stored += '/';
        storedDisk += '/';
    }
    UpdateNewItemMethod();

    item.StoredName = stored;
    item.ArchiveName.clear();
    item.ExtraBuffer.clear();
    // A name that code page 850 cannot hold keeps its own characters as
    // UTF-8: two such files would otherwise share one "?" name.
    const bool utf8 = !ZAFitsCodePage850(storedDisk);
    if (utf8)
        item.Utf8Name = storedDisk;
    else
        item.Utf8Name.clear();
    item.Changed = true;
    item.Password = Password;
    // The full path: the commit may run after the current folder changed.
    item.DiskFileName = disk;
    item.CompressionMode = static_cast<uint8_t>(FCompressionMode);
    item.SourceStream.reset();
    item.OwnsSourceStream = false;
    item.SourceStart = 0;

    TZACentralHeader& h = item.CentralDir;
    h = TZACentralHeader();
    h.Signature = ZACentralHeaderSig;
    h.VersionMadeBy = 20;
    h.VersionNeeded = 20;
    if (!Password.empty())
        h.Flags |= 1;
    if (utf8)
        h.Flags |= ZAUtf8NameFlag;
    h.Method = static_cast<uint16_t>(FNewItemMethod);
    uint32_t dos = age == -1 ? ZANowDos() : uint32_t(age);
    h.DosTime = uint16_t(dos & 0xFFFF);
    h.DosDate = uint16_t(dos >> 16);
    h.Crc32 = 0xFFFFFFFF;
    h.NameLength = static_cast<uint16_t>(std::min<std::size_t>(ZAArchiveNameBytes(item).size(), 0xFFFF));
    h.ExternalAttributes = attr >= 0 ? uint32_t(attr) : faArchive;
    FManager->Directory().NameChanged(Index);
}

void TZABaseArchiver::UpdateItem(int32_t Index, const std::string& FileName)
{
    if (!InUpdate())
        throw EZAException(25, nullptr);
    if (Index < 0 || Index >= Count())
        throw EZAException(24, this);
    InitDirItem(Index, FileName, true);
    FManager->Directory().GetItemPtr(Index).Operation = poUpdate;
}

void TZABaseArchiver::DeleteItem(int32_t Index)
{
    if (!InUpdate())
        throw EZAException(22, nullptr);
    if (Index < 0 || Index >= Count())
        throw EZAException(21, nullptr);
    FManager->Directory().Delete(Index);
}

int32_t TZABaseArchiver::AddOrReplaceItem(const std::string& FileName, bool UseFileInfo)
{
    return AddOrReplaceDiskFile(NativeFileName(FileName), UseFileInfo);
}

int32_t TZABaseArchiver::AddOrReplaceDiskFile(const std::string& FileName, bool UseFileInfo)
{
    CheckActive();
    const std::string folder = FScanFolder.empty() ? CurrentFolder() : FScanFolder;
    const std::string storedDisk = GetStoredFileName(FileName, folder, Options.StorePath);
    std::string stored = AnsiFileName(storedDisk);
    if (stored.empty())
        return -1; // nothing that could be stored: no blank item is left behind
    TZADirArray& dir = FManager->Directory();
    // Looked up by name in the directory's index: adding n files costs n
    // look-ups of constant time, not a scan of the list for each.
    const int32_t existing = dir.IndexOfKey(ZANameKeyOfDisk(storedDisk));
    if (existing >= 0) {
        int32_t index = existing;
        bool confirm = false;
        const int32_t itemAge = int32_t(dir.GetItemPtr(index).CentralDir.DosDateTime());
        switch (Options.OverwriteMode) {
        case omPrompt: {
            std::string dest = dir.GetItemPtr(index).StoredName;
            DoConfirmOverwrite(AnsiFileName(FileName), dest, confirm);
            break;
        }
        case omAlways:
            confirm = true;
            break;
        case omNever:
            break;
        case omIfNewer:
            confirm = !(itemAge >= ZAFileAgeDos(ExpandFileNameRelative(folder, FileName)));
            break;
        case omIfOlder:
            confirm = !(itemAge <= ZAFileAgeDos(ExpandFileNameRelative(folder, FileName)));
            break;
        }
        if (!confirm)
            return -1;
        InitDirItemIn(index, FileName, UseFileInfo, folder);
        TDirItem& item = dir.GetItemPtr(index);
        item.Changed = true;
        item.Operation = poUpdate;
        return index;
    }
    int32_t index = dir.GetCount();
    // The format's limit is checked before the work of adding, not at the end.
    if (index >= 65535)
        throw EZAException(ZAErrArchiveLimit, this);
    dir.SetCount(index + 1);
    InitDirItemIn(index, FileName, UseFileInfo, folder);
    dir.GetItemPtr(index).Operation = poAdd;
    return index;
}

int32_t TZABaseArchiver::AddStream(const std::string& StoredName, std::shared_ptr<TZAStream> Source, bool OwnsSource,
                                   uint32_t DosDateTime)
{
    if (!InUpdate())
        throw EZAException(25, nullptr);
    std::string stored = StoredName;
    for (auto& c : stored)
        if (c == '\\')
            c = '/';
    if (stored.empty())
        throw EZAException(5, this);
    UpdateNewItemMethod();
    TZADirArray& dir = FManager->Directory();
    int32_t index = dir.GetCount();
    dir.SetCount(index + 1);
    TDirItem& item = dir.GetItemPtr(index);
    item.StoredName = stored;
    item.Changed = true;
    item.Password = Password;
    item.CompressionMode = static_cast<uint8_t>(FCompressionMode);
    item.SourceStream = std::move(Source);
    item.OwnsSourceStream = OwnsSource;
    item.Operation = poAdd;
    TZACentralHeader& h = item.CentralDir;
    h.Signature = ZACentralHeaderSig;
    h.VersionMadeBy = 20;
    h.VersionNeeded = 20;
    if (!Password.empty())
        h.Flags |= 1;
    h.Method = static_cast<uint16_t>(FNewItemMethod);
    uint32_t dos = DosDateTime ? DosDateTime : ZANowDos();
    h.DosTime = uint16_t(dos & 0xFFFF);
    h.DosDate = uint16_t(dos >> 16);
    h.Crc32 = 0xFFFFFFFF;
    h.NameLength = static_cast<uint16_t>(std::min<std::size_t>(stored.size(), 0xFFFF));
    bool folder = stored.back() == '/';
    h.ExternalAttributes = folder ? faDirectory : faArchive;
    if (folder)
        item.SourceStream.reset();
    return index;
}

// ---------------------------------------------------------------------------
// Commit

void TZABaseArchiver::CommitUpdate()
{
    if (!InUpdate())
        return;
    FUpdateCount = 0;
    FItemsDone = 0;
    FCancel = false;
    FProgressOn = true;
    TZADirArray& live = FManager->Directory();
    TZADirArray& saved = FManager->SavedDirectory();
    TZAStream& archive = *FStream;

    FItemsToDo = 0;
    TZAProcessOperation op = poDelete;
    for (int32_t i = 0; i < live.GetCount(); ++i) {
        const TDirItem& item = live.GetItemPtr(i);
        if (item.Changed) {
            if (FItemsToDo == 0)
                op = static_cast<TZAProcessOperation>(item.Operation);
            ++FItemsToDo;
        }
    }
    FCurrentOperation = op;

    // Items before the first difference stay where they are.
    const int32_t savedCount = saved.GetCount();
    int32_t first = 0;
    const int32_t common = std::min(savedCount, live.GetCount());
    while (first < common) {
        const TDirItem& l = live.GetItemPtr(first);
        if (l.Changed || l.OriginIndex != first || l.StoredName != saved.GetItemPtr(first).StoredName)
            break;
        ++first;
    }
    int64_t cut = FManager->DirectoryStart;
    if (first < savedCount) {
        // The tail starts at the lowest offset of the items from First on; an
        // earlier item lying behind it joins the tail too.
        for (;;) {
            int64_t low = INT64_MAX;
            for (int32_t k = first; k < savedCount; ++k)
                low = std::min<int64_t>(low, saved.GetItemPtr(k).CentralDir.LocalHeaderOffset);
            int32_t earlier = -1;
            for (int32_t k = 0; k < first && earlier < 0; ++k)
                if (int64_t(saved.GetItemPtr(k).CentralDir.LocalHeaderOffset) >= low)
                    earlier = k;
            if (earlier < 0) {
                cut = low;
                break;
            }
            first = earlier;
        }
    }
    cut = std::clamp<int64_t>(cut, 0, archive.Size());

    DoOverallProgress(op, ppStart, FCancel, 0);
    if (FCancel) {
        live.Assign(saved);
        return;
    }

    // Keep the old tail (items, directory, anything after it) so that a
    // failed or cancelled commit can put the archive back byte for byte.
    FCutPosition = cut;
    FTail.reset();
    FTailFileName.clear();
    try {
        const int64_t tailSize = archive.Size() - cut;
        if (tailSize > 0) {
            FTailFileName = GetTempFileName();
            FTail = FTailFileName.empty() ? nullptr : TZAFileStream::Open(FTailFileName, fmCreate);
            if (!FTail)
                throw EZAException(19, this, {FTailFileName});
            archive.Seek(cut);
            if (FTail->CopyFrom(archive, tailSize) != tailSize)
                throw ZAWriteFailure(this, FTailFileName, FTail->LastError());
        }
        archive.Seek(cut);
        if (!archive.SetSize(cut))
            throw ZAWriteFailure(this, FileName, FStream->LastError());
    } catch (...) {
        FTail.reset();
        if (!FTailFileName.empty())
            ::DeleteFile(FTailFileName);
        FTailFileName.clear();
        live.Assign(saved);
        throw;
    }

    // Many small items are written as one stream of large blocks; the
    // directory write at the end hands everything over and checks it.
    auto* file = dynamic_cast<TZAFileStream*>(&archive);
    struct WriteBehindOff {
        TZAFileStream* File;
        ~WriteBehindOff()
        {
            if (File)
                File->SetWriteBehind(false);
        }
    } writeBehindOff{file};
    if (file)
        file->SetWriteBehind(true);

    bool aborted = false;
    try {
        for (int32_t i = first; i < live.GetCount() && !FCancel;) {
            if (!live.GetItemPtr(i).Changed) {
                CopyKeptItem(i);
                ++i;
                continue;
            }
            TZAAction action = faSkip;
            if (WriteNewItem(i, action)) {
                ++FItemsDone;
                ++i;
                continue;
            }
            if (FCancel)
                break;
            if (action == faRetry)
                continue;
            if (action == faAbort) {
                aborted = true;
                break;
            }
            // Skipped: an item that replaced an old one keeps the old data; a
            // new one leaves the directory.
            if (live.GetItemPtr(i).OriginIndex >= 0) {
                CopyKeptItem(i);
                ++i;
            } else {
                live.Delete(i);
            }
        }
        if (!FCancel && !aborted)
            FManager->WriteDirectory();
    } catch (...) {
        Rollback();
        throw;
    }
    if (FCancel || aborted) {
        // Nothing of a cancelled commit stays, and no moved file is deleted.
        Rollback();
        bool ignored = false;
        DoOverallProgress(op, ppEnd, ignored, 100);
        return;
    }
    FTail.reset();
    if (!FTailFileName.empty())
        ::DeleteFile(FTailFileName);
    FTailFileName.clear();

    DeleteMovedFiles(op);
    bool ignored = false;
    DoOverallProgress(op, ppEnd, ignored, 100);
    for (int32_t i = 0; i < live.GetCount(); ++i) {
        TDirItem& item = live.GetItemPtr(i);
        item.Changed = false;
        item.SourceStream.reset();
    }
}

void TZABaseArchiver::DeleteMovedFiles(TZAProcessOperation Operation)
{
    TZADirArray& live = FManager->Directory();
    for (int32_t i = 0; i < live.GetCount(); ++i) {
        const TDirItem& item = live.GetItemPtr(i);
        if (!item.Changed || item.Operation != poMove || item.CentralDir.IsFolder() || item.DiskFileName.empty())
            continue;
        for (;;) {
            try {
                std::string disk = ToNativePath(item.DiskFileName);
                ZAFileSetAttr(disk, 0);
                if (!::DeleteFile(disk))
                    throw EZAException(27, this, {item.DiskFileName});
            } catch (const EZAException& e) {
                if (!OnProcessFileFailure)
                    throw;
                TZAAction action = faSkip;
                DoProcessFileFailure(AnsiFileName(item.DiskFileName), Operation, action, e.what(), e.NativeError,
                                     e.ErrorCode);
                if (action == faRetry)
                    continue;
                if (action == faAbort)
                    return;
            }
            break;
        }
    }
}

void TZABaseArchiver::Rollback()
{
    FManager->Directory().Assign(FManager->SavedDirectory());
    TZAStream& archive = *FStream;
    // What was held back of the failed commit is of no use any more.
    if (auto* file = dynamic_cast<TZAFileStream*>(&archive))
        file->SetWriteBehind(false);
    archive.SetSize(FCutPosition);
    archive.Seek(FCutPosition);
    if (FTail) {
        FTail->Seek(0);
        archive.CopyFrom(*FTail, FTail->Size());
        FTail.reset();
    }
    if (!FTailFileName.empty())
        ::DeleteFile(FTailFileName);
    FTailFileName.clear();
}

void TZABaseArchiver::CopyKeptItem(int32_t Index)
{
    TZADirArray& live = FManager->Directory();
    TZADirArray& saved = FManager->SavedDirectory();
    TDirItem& item = live.GetItemPtr(Index);
    const int32_t origin = item.OriginIndex;
    if (origin < 0 || origin >= saved.GetCount())
        throw EZAException(7, nullptr);
    const TDirItem& old = saved.GetItemPtr(origin);
    if (item.Changed) {
        item = old;
        item.OriginIndex = origin;
        item.Changed = false;
    }
    // The old bytes are in the saved tail; the local header's own name and
    // extra lengths say how long the item is (other tools' extra fields
    // differ from the central ones), a data descriptor follows when flagged.
    const int64_t src = int64_t(old.CentralDir.LocalHeaderOffset) - FCutPosition;
    if (!FTail || src < 0 || src + ZALocalHeaderSize > FTail->Size())
        throw EZAException(35, this);
    unsigned char h[ZALocalHeaderSize];
    FTail->Seek(src);
    if (!FTail->ReadExact(h, ZALocalHeaderSize) || ZAGet32(h) != ZALocalHeaderSig)
        throw EZAException(35, this);
    int64_t length = ZALocalHeaderSize + int64_t(ZAGet16(h + 26)) + ZAGet16(h + 28) + old.CentralDir.CompressedSize;
    if (old.CentralDir.Flags & 8) {
        unsigned char sig[4];
        FTail->Seek(src + length);
        bool withSig = FTail->ReadExact(sig, 4) && ZAGet32(sig) == ZADataDescriptorSig;
        length += withSig ? 16 : 12;
    }
    if (src + length > FTail->Size())
        throw EZAException(35, this);
    const int64_t at = FStream->Position();
    if (at > int64_t(UINT32_MAX))
        throw EZAException(ZAErrArchiveLimit, this);
    item.CentralDir.LocalHeaderOffset = static_cast<uint32_t>(at);
    FTail->Seek(src);
    if (FStream->CopyFrom(*FTail, length) != length)
        throw ZAWriteFailure(this, FileName, FStream->LastError());
}

bool TZABaseArchiver::WriteNewItem(int32_t Index, TZAAction& Action)
{
    UpdateNewItemMethod();
    TZADirArray& live = FManager->Directory();
    TZAStream& archive = *FStream;
    TDirItem& item = live.GetItemPtr(Index);
    const auto op = static_cast<TZAProcessOperation>(item.Operation);
    const std::string eventName = (op == poAdd || op == poMove) && !item.DiskFileName.empty()
                                      ? AnsiFileName(item.DiskFileName)
                                      : item.StoredName;
    DoFileProgress(eventName, op, FCancel, ppStart, 0);
    if (FCancel)
        return false;

    const int64_t itemStart = archive.Seek(archive.Size());
    std::unique_ptr<TZAFileStream> diskFile;
    TZAStream* source = nullptr;
    int64_t borrowedPos = 0;
    std::optional<EZAException> failure;
    try {
        TZACentralHeader& h = item.CentralDir;
        const bool folder = h.IsFolder() || (!item.StoredName.empty() && item.StoredName.back() == '/');
        if (item.SourceStream && !folder) {
            source = item.SourceStream.get();
            borrowedPos = source->Position();
            source->Seek(item.SourceStart);
        } else if (!folder) {
            diskFile = TZAFileStream::Open(ToNativePath(item.DiskFileName), fmOpenRead | Options.ShareFlags());
            if (!diskFile)
                throw EZAException(33, this, {item.DiskFileName});
            source = diskFile.get();
        }
        const int64_t sourceSize = source ? std::max<int64_t>(0, source->Size() - item.SourceStart) : 0;
        if (sourceSize > int64_t(UINT32_MAX))
            throw EZAException(ZAErrTooLarge, this, {item.DiskFileName.empty() ? item.StoredName : item.DiskFileName});
        if (itemStart > int64_t(UINT32_MAX))
            throw EZAException(ZAErrArchiveLimit, this);

        h.LocalHeaderOffset = static_cast<uint32_t>(itemStart);
        if (folder) {
            // A folder has no data: stored, CRC 0, no encryption header.
            h.Method = 0;
            h.Crc32 = 0;
            h.CompressedSize = h.UncompressedSize = 0;
            h.Flags &= ~uint16_t(1);
        } else {
            h.Crc32 = 0xFFFFFFFF;
            h.CompressedSize = 0;
            h.UncompressedSize = static_cast<uint32_t>(sourceSize);
        }
        const std::string oemName = ZAArchiveNameBytes(item);
        if (oemName.size() > 0xFFFF)
            throw EZAException(ZAErrTooLarge, this, {item.StoredName});
        h.NameLength = static_cast<uint16_t>(oemName.size());
        unsigned char local[ZALocalHeaderSize];
        BuildLocalHeader(local, h);
        if (!archive.WriteExact(local, ZALocalHeaderSize) ||
            !archive.WriteExact(oemName.data(), static_cast<int64_t>(oemName.size())))
            throw ZAWriteFailure(this, FileName, FStream->LastError());

        if (source) {
            if (!CompressItem(*source, archive, item, op)) {
                archive.SetSize(itemStart);
                archive.Seek(itemStart);
                return false; // cancelled
            }
            BuildLocalHeader(local, h);
            archive.Seek(itemStart);
            if (!archive.WriteExact(local, ZALocalHeaderSize))
                throw ZAWriteFailure(this, FileName, FStream->LastError());
        }
        archive.Seek(archive.Size());
        if (diskFile)
            diskFile.reset();
        else if (source && item.OwnsSourceStream)
            item.SourceStream.reset();
        else if (source)
            source->Seek(borrowedPos);
        DoFileProgress(eventName, op, FCancel, ppEnd, 100);
        return true;
    } catch (const EZAException& e) {
        failure = e;
    } catch (const std::bad_alloc&) {
        failure = EZAException(ZAErrNoMemory, this, {eventName});
    }
    // Nothing of the failed item stays in the archive.
    if (source && !diskFile)
        source->Seek(borrowedPos);
    diskFile.reset();
    archive.SetSize(itemStart);
    archive.Seek(itemStart);
    if (!OnProcessFileFailure)
        throw *failure;
    const std::string name = op == poUpdate ? item.StoredName : AnsiFileName(item.DiskFileName);
    DoProcessFileFailure(name, op, Action, failure->what(), failure->NativeError, failure->ErrorCode);
    return false;
}

bool TZABaseArchiver::CompressItem(TZAStream& Source, TZAStream& Archive, TDirItem& Item, TZAProcessOperation Operation)
{
    TZACentralHeader& h = Item.CentralDir;
    const int64_t start = Item.SourceStream ? Item.SourceStart : 0;
    const int64_t size = std::max<int64_t>(0, Source.Size() - start);
    const std::string eventName =
        (Operation == poAdd || Operation == poMove) && !Item.DiskFileName.empty() ? AnsiFileName(Item.DiskFileName)
                                                                                    : Item.StoredName;
    Source.Seek(start);
    int64_t bytesRead = 0;
    uint64_t bytesWritten = 0;
    uint32_t crc = 0;
    uint32_t check = 0; // CRC of the bytes actually compressed
    const bool encrypted = !Item.Password.empty();
    const std::size_t chunk = static_cast<std::size_t>(ZAChunkSize(Item.CompressionMode));
    bool probed = false; // the last read looked one byte beyond the size
    int64_t grown = 0;

    if (FWriteZipItems) {
        const bool deflate = h.Method == 8;
        // One byte more than a chunk: the last read asks for a byte beyond
        // the size, which tells a source that grew while it was read.
        const int64_t chunkLen = std::min<int64_t>(std::max<int64_t>(size, 1), int64_t(chunk));
        std::vector<unsigned char> in(static_cast<std::size_t>(chunkLen + 1));
        std::vector<unsigned char> out(deflate ? kDeflateOut : 0);
        std::unique_ptr<TZATradCrypt> keys;

        auto put = [&](unsigned char* data, std::size_t n) {
            if (keys)
                keys->Encrypt(data, n);
            if (!Archive.WriteExact(data, static_cast<int64_t>(n)))
                throw ZAWriteFailure(this, FileName, FStream->LastError());
            bytesWritten += n;
        };

        if (encrypted) {
            // The header's check byte is the CRC's top byte, so the CRC is
            // known before the data are written.
            uint32_t pre = 0;
            int64_t seen = 0;
            while (seen < size) {
                int64_t n = std::min<int64_t>(chunkLen, size - seen);
                int64_t got = Source.Read(in.data(), n);
                if (got <= 0)
                    break;
                pre = ZACrc32(pre, in.data(), static_cast<std::size_t>(got));
                seen += got;
            }
            Source.Seek(start);
            unsigned char header[12];
            for (int i = 0; i < 10; ++i)
                header[i] = RandomByte();
            header[10] = uint8_t(pre >> 16);
            header[11] = uint8_t(pre >> 24);
            keys = std::make_unique<TZATradCrypt>(Item.Password);
            put(header, 12);
            crc = pre;
        }

        z_stream zs;
        std::memset(&zs, 0, sizeof zs);
        bool zInit = false;
        if (deflate && size > 0) {
            // Raw deflate: no zlib header and no Adler-32 after the data, as
            // every ZIP reader expects.
            ZlibCheckDeflate(deflateInit2(&zs, Item.CompressionMode, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY));
            zInit = true;
        }
        try {
            while (bytesRead < size) {
                ReportChunkProgress(eventName, Operation, double(bytesRead), double(size));
                if (FCancel)
                    break;
                int64_t n = std::min<int64_t>(chunkLen, size - bytesRead);
                const bool lastChunk = bytesRead + n >= size;
                int64_t got = Source.Read(in.data(), lastChunk ? n + 1 : n);
                if (lastChunk) {
                    probed = true;
                    grown = std::max<int64_t>(got - n, 0);
                    got = std::min(got, n);
                }
                if (got != n) {
                    bytesRead += std::max<int64_t>(got, 0); // shrunk: the count says how far it went
                    break;
                }
                check = ZACrc32(check, in.data(), static_cast<std::size_t>(n));
                const bool last = bytesRead + n >= size;
                if (!deflate) {
                    put(in.data(), static_cast<std::size_t>(n));
                } else {
                    zs.next_in = in.data();
                    zs.avail_in = static_cast<uInt>(n);
                    const int flush = last ? Z_FINISH : Z_NO_FLUSH;
                    for (;;) {
                        zs.next_out = out.data();
                        zs.avail_out = static_cast<uInt>(out.size());
                        int r = ::deflate(&zs, flush);
                        // Z_BUF_ERROR only says no progress was possible: the
                        // chunk is used up and nothing is pending.
                        if (r != Z_BUF_ERROR || flush == Z_FINISH)
                            ZlibCheckDeflate(r);
                        std::size_t produced = out.size() - zs.avail_out;
                        if (produced)
                            put(out.data(), produced);
                        if (r == Z_STREAM_END || r == Z_BUF_ERROR)
                            break;
                        if (zs.avail_in == 0 && zs.avail_out != 0 && flush != Z_FINISH)
                            break;
                    }
                }
                bytesRead += n;
            }
        } catch (...) {
            if (zInit)
                deflateEnd(&zs);
            throw;
        }
        if (zInit)
            deflateEnd(&zs);
    }

    if (!encrypted)
        crc = check;
    // A source that grew while it was read would be stored cut short.
    if (bytesRead == size && FWriteZipItems && !FCancel) {
        if (!probed) {
            unsigned char more[4096];
            grown = std::max<int64_t>(Source.Read(more, int64_t(sizeof more)), 0);
        } else if (grown > 0) {
            unsigned char more[4096];
            grown += std::max<int64_t>(Source.Read(more, int64_t(sizeof more)), 0);
        }
        if (grown > 0)
            throw EZAException(34, this, {size, size + grown});
    }
    if (bytesRead == size) {
        // Encrypted items took their CRC from a first reading; a source that
        // changed since would give an item that can never be read back.
        if (encrypted && FWriteZipItems && check != crc)
            throw EZAException(8, this);
        if (bytesWritten > UINT32_MAX)
            throw EZAException(ZAErrTooLarge, this, {Item.DiskFileName.empty() ? Item.StoredName : Item.DiskFileName});
        h.CompressedSize = static_cast<uint32_t>(bytesWritten);
        h.UncompressedSize = static_cast<uint32_t>(size);
        h.Crc32 = crc;
        if (size == 0 && FWriteZipItems)
            h.Method = 0;
        return true;
    }
    if (FCancel)
        return false;
    throw EZAException(34, this, {size, bytesRead});
}
