// Finding items by mask, extracting and testing them, and reading an item's
// data back (stored, deflated, traditionally encrypted).

#include "zip/zaarchiver.h"

#include "zip/zafileutil.h"
#include "zip/zastrfunc.h"
#include "zip/zatradcrypt.h"

#include "platform/paths.h"

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <random>
#include <signal.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

// Whether the local extra field at [from, from + length) holds an AES record
// (header id 0x9901).
bool HasAesExtra(TZAStream& archive, int64_t from, uint16_t length)
{
    std::vector<unsigned char> extra(length);
    archive.Seek(from);
    if (length == 0 || !archive.ReadExact(extra.data(), length))
        return false;
    for (std::size_t p = 0; p + 4 <= extra.size();) {
        if (ZAGet16(extra.data() + p) == 0x9901)
            return true;
        p += 4 + ZAGet16(extra.data() + p + 2);
    }
    return false;
}

} // namespace

namespace {

// Takes any number of bytes and keeps none: the target of testing an item.
class TZADiscardStream : public TZAStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override
    {
        Pos += std::max<int64_t>(count, 0);
        End = std::max(End, Pos);
        return count;
    }
    int64_t Seek(int64_t position) override { return Pos = std::max<int64_t>(position, 0); }
    int64_t Position() const override { return Pos; }
    int64_t Size() override { return End; }
    bool SetSize(int64_t size) override
    {
        End = std::max<int64_t>(size, 0);
        Pos = std::min(Pos, End);
        return true;
    }

private:
    int64_t Pos = 0;
    int64_t End = 0;
};

constexpr int64_t kReadChunk = 1048576;
constexpr std::size_t kInflateOut = 262144;

std::string Backslashed(std::string s)
{
    for (auto& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

std::string WithoutTrailingSep(const std::string& s)
{
    if (!s.empty() && (s.back() == '/' || s.back() == '\\'))
        return s.substr(0, s.size() - 1);
    return s;
}

uint32_t RandomTag()
{
    static std::mt19937 gen(std::random_device{}());
    return gen();
}

// Removes from folder the temporary files ".za<pid>_<tag>" that extractions
// of processes no longer running left behind when they were killed.
void RemoveStaleTemporaries(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder.empty() ? "." : folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 6 || name.compare(0, 3, ".za") != 0)
            continue;
        const std::size_t sep = name.find('_', 3);
        if (sep == std::string::npos || sep == 3 || sep + 1 == name.size() ||
            name.find_first_not_of("0123456789", 3) != sep ||
            name.find_first_not_of("0123456789", sep + 1) != std::string::npos || sep - 3 > 9)
            continue;
        const long pid = std::stol(name.substr(3, sep - 3));
        if (pid <= 0 || pid == long(::getpid()))
            continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue; // its process still runs (or is not ours to ask)
        std::error_code sec;
        if (fs::is_regular_file(it->symlink_status(sec)))
            fs::remove(it->path(), sec);
    }
}

// Control characters (a newline, an escape) in a name: Windows refuses them
// in file names, and here they would reach the disk and every listing of it.
bool HasControlCharacters(const std::string& name)
{
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    return false;
}

// A name that would put the file outside the target folder: absolute, with a
// drive or with a ".." component.
bool IsUnsafeName(const std::string& name)
{
    if (name.empty())
        return false;
    if (name[0] == '/' || name[0] == '\\')
        return true;
    if (name.size() >= 2 && name[1] == ':')
        return true;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// Finding

bool TZABaseArchiver::FindFirst(const std::string& FileMask, TZAArchiveItem& Item, uint32_t SearchAttr,
                                const std::string& ExclusionMask)
{
    FSearch = TInternalSearchRec();
    std::string mask = FileMask;
    std::size_t colon = mask.find(':');
    if (colon != std::string::npos)
        mask.erase(0, colon + 1);
    for (auto& c : mask)
        if (c == '\\')
            c = '/';
    if (mask.size() > 259)
        mask.resize(259);
    FSearch.Mask = mask;
    FSearch.HasWildcards = mask.find_first_of("*?") != std::string::npos;
    FSearch.SearchAttr = SearchAttr;
    FSearch.ExclusionMask = ExclusionMask;
    return FindNext(Item);
}

bool TZABaseArchiver::FindNext(TZAArchiveItem& Item)
{
    if (!FManager)
        return false;
    TZADirArray& dir = FManager->Directory();
    for (int32_t i = FSearch.CurrentIndex; i < dir.GetCount(); ++i) {
        const TDirItem& d = dir.GetItemPtr(i);
        std::string name = WithoutTrailingSep(d.StoredName);
        if (!Options.Recurse && name.find('/', 1) != std::string::npos)
            continue;
        bool fits = FSearch.HasWildcards ? MatchesMaskEx(name, FSearch.Mask, true)
                                         : ZACompareText(name, FSearch.Mask) == 0;
        if (!fits)
            continue;
        // A folder is what extraction takes for one: the attribute alone on
        // an item with data does not make it one.
        uint32_t attributes = d.CentralDir.ExternalAttributes & (faHidden | faSysFile | faVolumeID);
        if (d.IsFolder())
            attributes |= faDirectory;
        if (attributes & ~FSearch.SearchAttr)
            continue;

        const TZACentralHeader& h = d.CentralDir;
        Item.FileName = ExtractFileName(name);
        Item.StoredPath = Backslashed(ExtractFilePath(name));
        Item.CompressedSize = h.CompressedSize;
        Item.UncompressedSize = h.UncompressedSize;
        if (h.UncompressedSize == 0)
            Item.CompressionRate = 100;
        else
            Item.CompressionRate = std::max(0.0, (1.0 - double(h.CompressedSize) / h.UncompressedSize) * 100.0);
        Item.Encrypted = (h.Flags & 1) != 0;
        Item.DosDate = h.DosDate;
        Item.DosTime = h.DosTime;
        Item.Crc32 = h.Crc32;
        Item.ExternalAttributes = h.ExternalAttributes;
        Item.Comment = d.FileComment;
        FSearch.CurrentIndex = i + 1;
        Item.Handle = FSearch;
        return true;
    }
    FSearch.CurrentIndex = dir.GetCount();
    return false;
}

void TZABaseArchiver::MarkFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask)
{
    if (!FManager)
        return;
    TZADirArray& dir = FManager->Directory();
    dir.ClearSelection();
    TZAArchiveItem item;
    for (bool found = FindFirst(FileMask, item, SearchAttr, ExclusionMask); found; found = FindNext(item))
        dir.GetItemPtr(FSearch.CurrentIndex - 1).Selected = true;
}

// ---------------------------------------------------------------------------
// Processing selected items

void TZABaseArchiver::ExtractFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask)
{
    CheckActive();
    CheckNoUpdate();
    RunWholeOperation([&] {
        MarkFiles(FileMask, SearchAttr, ExclusionMask);
        ProcessMarked(poExtract);
    });
}

void TZABaseArchiver::TestFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask)
{
    CheckActive();
    CheckNoUpdate();
    RunWholeOperation([&] {
        MarkFiles(FileMask, SearchAttr, ExclusionMask);
        ProcessMarked(poTest);
    });
}

void TZABaseArchiver::DeleteFiles(const std::string& FileMask, uint32_t SearchAttr, const std::string& ExclusionMask)
{
    CheckActive();
    BeginUpdate();
    try {
        RunWholeOperation([&] {
            MarkFiles(FileMask, SearchAttr, ExclusionMask);
            ProcessMarked(poDelete);
        });
        EndUpdate();
    } catch (...) {
        CancelUpdate();
        throw;
    }
}

void TZABaseArchiver::ProcessMarked(TZAProcessOperation Operation)
{
    if (!FManager)
        return;
    TZADirArray& dir = FManager->Directory();
    const bool reading = Operation == poExtract || Operation == poTest;
    FItemsDone = 0;
    FCancel = false;
    FItemsToDo = 0;
    FCurrentOperation = Operation;
    FExtractTargets.clear();
    FReadyFolders.clear();
    FFolderCase.clear();
    for (int32_t i = 0; i < dir.GetCount(); ++i)
        if (dir.GetItemPtr(i).Selected)
            ++FItemsToDo;
    if (reading) {
        DoOverallProgress(Operation, ppStart, FCancel, 0);
        if (FCancel) {
            CancelUpdate();
            return;
        }
    }
    bool aborted = false;
    const std::string base = DirWithBackslash(ToNativePath(BaseDir));
    for (int32_t i = 0; i < dir.GetCount() && !aborted;) {
        if (!dir.GetItemPtr(i).Selected) {
            ++i;
            continue;
        }
        const std::string stored = dir.GetItemPtr(i).StoredName;
        const std::string name = Backslashed(stored);
        bool confirm = true;
        DoConfirmProcessFile(name, Operation, confirm);
        if (!confirm) {
            ++i;
            continue;
        }
        if (reading) {
            DoFileProgress(stored, Operation, FCancel, ppStart, 0);
            if (FCancel) {
                ++i;
                continue;
            }
        }
        bool deleted = false;
        for (;;) {
            std::optional<EZAException> failure;
            try {
                switch (Operation) {
                case poDelete:
                    DeleteItem(i);
                    deleted = true;
                    break;
                case poUpdate:
                    FreshenItem(i, stored, base);
                    break;
                case poExtract:
                    ExtractItemToFile(i, stored, base);
                    break;
                case poTest:
                    TestItem(i, stored);
                    break;
                default:
                    break;
                }
            } catch (const EZAException& e) {
                failure = e;
            } catch (const std::bad_alloc&) {
                // An item too large for the memory left fails as an item.
                failure = EZAException(ZAErrNoMemory, this, {stored});
            }
            if (failure) {
                if (!OnProcessFileFailure)
                    throw *failure;
                TZAAction action = faSkip;
                DoProcessFileFailure(name, Operation, action, failure->what(), failure->NativeError,
                                     failure->ErrorCode);
                if (action == faRetry)
                    continue;
                if (action == faAbort)
                    aborted = true;
            }
            break;
        }
        if (aborted)
            break;
        if (reading)
            DoFileProgress(stored, Operation, FCancel, ppEnd, 100);
        if (!FCancel)
            ++FItemsDone;
        if (!deleted)
            ++i;
    }
    if (reading)
        DoOverallProgress(Operation, ppEnd, FCancel, 100);
    if (FCancel || aborted)
        CancelUpdate();
}

void TZABaseArchiver::ExtractItemToFile(int32_t Index, const std::string& Name, const std::string& Base)
{
    const TDirItem& item = Item(Index);
    const TZACentralHeader h = item.CentralDir;
    // Name is the item's (ANSI) name, for messages; the file gets the disk
    // form of the item's own name (its UTF-8 name where it has one).
    std::string name = ZADiskNameOf(item);
    std::string base = DirWithBackslash(ToNativePath(Base));
    // A nameless item (or one whose name starts with a zero byte) has no
    // place to go: refused like any other name that cannot be extracted.
    if (WithoutTrailingSep(name).empty())
        throw EZAException(ZAErrUnsafeName, this, {Name, ZAUnsafeEmpty});
    if (HasControlCharacters(name))
        throw EZAException(ZAErrUnsafeName, this, {Name, ZAUnsafeControl});
    std::string folder;
    if (Options.CreateDirs) {
        // Never followed: the file would land outside the target folder.
        if (IsUnsafeName(name))
            throw EZAException(ZAErrUnsafeName, this, {Name, ZAUnsafeOutside});
        // A folder made or seen once in this run is not asked for again.
        // Folders match without regard to letter case, as the names in the
        // archive were made on Windows: "DIR/x" and "dir/y" share one folder.
        const std::string wanted = base + ExtractFilePath(name);
        auto known = FFolderCase.find(wanted);
        if (known == FFolderCase.end()) {
            auto onDisk = [&wanted] {
                std::string disk = ResolvePathCase(ExcludeTrailingPathDelimiter(wanted));
                return disk.empty() || disk.back() == '/' ? disk : disk + '/';
            };
            std::string disk = onDisk();
            if (!DirectoryExists(disk)) {
                if (!ForceDirectories(disk))
                    throw EZAException(20, this, {wanted});
                disk = onDisk();
                FReadyFolders.insert(disk); // new: no run can have left anything in it
            }
            known = FFolderCase.emplace(wanted, disk).first;
        }
        folder = known->second;
        name = ExtractFileName(name);
    } else {
        name = ExtractFileName(WithoutTrailingSep(name));
        if (name == "..")
            throw EZAException(ZAErrUnsafeName, this, {Name, ZAUnsafeOutside});
        folder = base;
    }
    if (item.IsFolder()) {
        CheckFolderHoldsNoData(Index);
        return;
    }

    std::string target = folder + name;
    // Two items of one run never end in one file, the second silently
    // replacing the first (names that differ only where the disk name
    // cannot tell them apart).
    const auto [seen, fresh] = FExtractTargets.emplace(target, Index);
    if (!fresh && seen->second != Index)
        throw EZAException(ZAErrSameTarget, this, {Name, Item(seen->second).StoredName});
    // A file that does not exist yet is created in its place at once (and
    // removed again when its item fails). An existing one is replaced only
    // by a complete new file: the data go to a new file beside it that takes
    // its place once the item is whole, so a damaged or skipped item leaves
    // it as it was and no half-written one behind.
    if (FReadyFolders.insert(folder).second)
        RemoveStaleTemporaries(folder);
    std::unique_ptr<TZAFileStream> out = TZAFileStream::CreateNew(target);
    std::string temp;
    if (!out) {
        if (errno != EEXIST)
            throw EZAException(19, this, {target});
        if (!MayReplaceFile(h, Name, target))
            return;
        for (int attempt = 0; attempt < 100 && !out; ++attempt) {
            temp = folder + ".za" + std::to_string(::getpid()) + "_" + std::to_string(RandomTag());
            out = TZAFileStream::CreateNew(temp);
        }
        if (!out)
            throw EZAException(19, this, {target});
    }
    const std::string& written = temp.empty() ? target : temp;
    FTargetName = target;
    try {
        ExtractItem(Index, *out);
        FTargetName.clear();
    } catch (...) {
        FTargetName.clear();
        out.reset();
        ::DeleteFile(written);
        throw;
    }
    if (FSkip) {
        out.reset();
        ::DeleteFile(written);
        return;
    }
    // Date and attributes go on the new file itself, before it takes the
    // target's place: nothing is done to whatever the target name points at
    // (a link to a file elsewhere stays as it is and is simply replaced).
    ZAFileSetDateDosFd(out->Handle(), h.DosDateTime());
    if (Options.SetAttributes)
        ZAFileSetAttrFd(out->Handle(), h.ExternalAttributes);
    out.reset();
    if (!temp.empty() && std::rename(temp.c_str(), target.c_str()) != 0) {
        ::DeleteFile(temp);
        throw EZAException(19, this, {target});
    }
}

bool TZABaseArchiver::MayReplaceFile(const TZACentralHeader& h, const std::string& Name, std::string& Target)
{
    const int32_t attr = ZAFileGetAttr(Target);
    // Not a file (a folder, a link to nothing): the rename that puts the new
    // file there says whether that works.
    if (attr < 0 || (attr & faDirectory))
        return true;
    if (!Options.ReplaceReadOnly && (attr & faReadOnly))
        return false;
    bool replace = false;
    switch (Options.OverwriteMode) {
    case omPrompt:
        DoConfirmOverwrite(Name, Target, replace);
        break;
    case omAlways:
        replace = true;
        break;
    case omNever:
        break;
    case omIfNewer:
        replace = int32_t(h.DosDateTime()) > ZAFileAgeDos(Target);
        break;
    case omIfOlder:
        replace = int32_t(h.DosDateTime()) < ZAFileAgeDos(Target);
        break;
    }
    return replace;
}

void TZABaseArchiver::CheckFolderHoldsNoData(int32_t Index)
{
    // A folder has nothing to extract its data to: they would be lost
    // without a word.
    if (Item(Index).HasData())
        throw EZAException(ZAErrFolderData, this, {Item(Index).StoredName});
}

void TZABaseArchiver::TestItem(int32_t Index, const std::string& Name)
{
    (void)Name;
    if (Item(Index).IsFolder()) {
        CheckFolderHoldsNoData(Index);
        return;
    }
    // The data are read, deciphered, inflated and checked as for extracting;
    // only nothing is kept of them.
    TZADiscardStream out;
    ExtractItem(Index, out);
}

void TZABaseArchiver::FreshenItem(int32_t Index, const std::string& Name, const std::string& Base)
{
    const TZACentralHeader h = Item(Index).CentralDir;
    if (Item(Index).IsFolder())
        return;
    std::string disk = ExpandFileNameRelative(Base, ZADiskNameOf(Item(Index)));
    int32_t attr = ZAFileGetAttr(disk);
    if (attr < 0 || (attr & faDirectory))
        return;
    if (!Options.ReplaceReadOnly && (h.ExternalAttributes & faReadOnly))
        return;
    bool update = false;
    switch (Options.OverwriteMode) {
    case omPrompt: {
        std::string n = Name;
        DoConfirmOverwrite(disk, n, update);
        break;
    }
    case omAlways:
        update = true;
        break;
    case omNever:
        break;
    case omIfNewer:
        update = ZAFileAgeDos(disk) > int32_t(h.DosDateTime());
        break;
    case omIfOlder:
        update = ZAFileAgeDos(disk) < int32_t(h.DosDateTime());
        break;
    }
    if (!update)
        return;
    if (!InUpdate())
        throw EZAException(25, nullptr);
    if (Index < 0 || Index >= Count())
        throw EZAException(24, this);
    InitDirItemIn(Index, disk, true, ExpandFileNameRelative(BaseDir, ""));
    FManager->Directory().GetItemPtr(Index).Operation = poUpdate;
}

// ---------------------------------------------------------------------------
// Reading an item's data

void TZABaseArchiver::ExtractItem(int32_t Index, TZAStream& Target)
{
    if (!FManager || Index < 0 || Index >= Count())
        throw EZAException(16, this);
    const TZACentralHeader h = FManager->Directory().GetItemPtr(Index).CentralDir;
    TZAStream& archive = *FStream;
    uint32_t crc = 0;
    uint64_t written = 0;
    FSkip = false;
    bool ok = false;

    FNoPassword = false;
    FWriteError = 0;
    const std::string& stored = FManager->Directory().GetItemPtr(Index).StoredName;
    const int64_t size = archive.Size();
    unsigned char local[ZALocalHeaderSize];
    archive.Seek(h.LocalHeaderOffset);
    if (int64_t(h.LocalHeaderOffset) + ZALocalHeaderSize > size || !archive.ReadExact(local, ZALocalHeaderSize) ||
        ZAGet32(local) != ZALocalHeaderSig)
        throw EZAException(ZAErrLocalHeader, this, {stored});
    // The local header must name the item as the directory does: two names
    // for one item are a damaged archive (or one made to show one name and
    // extract under another).
    const std::string central = ZAArchiveNameBytes(FManager->Directory().GetItemPtr(Index));
    std::string localName(ZAGet16(local + 26), '\0');
    if (!archive.ReadExact(localName.data(), int64_t(localName.size())) || localName != central)
        throw EZAException(ZAErrNameMismatch, this, {stored});
    const uint16_t localExtra = ZAGet16(local + 28);
    const int64_t dataStart = int64_t(h.LocalHeaderOffset) + ZALocalHeaderSize + ZAGet16(local + 26) + localExtra;
    // The item's data must lie inside the archive before anything is read or
    // allocated for them.
    if (dataStart + int64_t(h.CompressedSize) > size)
        throw EZAException(ZAErrDataOutside, this, {stored});
    // Method 99 with its extra field is what other archivers write for AES.
    if (h.Method == 99 && HasAesExtra(archive, dataStart - localExtra, localExtra))
        throw EZAException(ZAErrAes, this, {stored});
    archive.Seek(dataStart);
    // Every method but stored and deflate is the engine's own block format;
    // the block reader refuses (code ZAErrMethod) what is not one.
    if (h.Method == 0 || h.Method == 8)
        ok = ReadZipData(Index, Target, crc, written);
    else
        ok = ReadBlockData(Index, Target, crc, written);
    // A failed write is the disk's fault (full, a quota), not the item's.
    if (FWriteError)
        throw ZAWriteFailure(this, FTargetName.empty() ? stored : FTargetName, FWriteError);
    // An item left out for want of a password is missing, which the caller
    // must hear of, whatever it extracts to; one the user cancelled is not.
    if (FSkip && FNoPassword)
        throw EZAException(ZAErrNoPassword, this, {stored});
    bool passed = FSkip || (ok && written == h.UncompressedSize && crc == h.Crc32);
    if (!passed && !ExtractCorruptedFiles)
        throw EZAException(8, this);
}

bool TZABaseArchiver::ReadZipData(int32_t Index, TZAStream& Target, uint32_t& Crc, uint64_t& Written)
{
    const TDirItem& item = FManager->Directory().GetItemPtr(Index);
    const TZACentralHeader h = item.CentralDir;
    const std::string stored = item.StoredName;
    TZAStream& archive = *FStream;
    int64_t compressed = h.CompressedSize;
    const bool encrypted = (h.Flags & 1) != 0;

    std::unique_ptr<TZATradCrypt> keys;
    if (encrypted) {
        if (compressed < 12)
            return false;
        compressed -= 12;
        const int64_t start = archive.Position();
        const uint8_t expected = (h.Flags & 8) ? uint8_t(h.DosTime >> 8) : uint8_t(h.Crc32 >> 24);
        for (;;) {
            unsigned char header[12];
            archive.Seek(start);
            if (!archive.ReadExact(header, 12))
                return false;
            keys = std::make_unique<TZATradCrypt>(Password);
            keys->Decrypt(header, 12);
            if (header[11] == expected)
                break;
            std::string newPassword = Password;
            DoPassword(stored, newPassword, FSkip);
            if (FSkip) {
                FNoPassword = true;
                return false;
            }
            Password = newPassword;
        }
    }

    const bool deflated = h.Method == 8;
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (deflated && inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return false;
    struct InflateGuard {
        z_stream* S;
        ~InflateGuard()
        {
            if (S)
                inflateEnd(S);
        }
    } guard{deflated ? &zs : nullptr};

    std::vector<unsigned char> in(static_cast<std::size_t>(std::min<int64_t>(std::max<int64_t>(compressed, 1),
                                                                            kReadChunk)));
    const uint64_t limit = h.UncompressedSize;
    // The output buffer fits a small item: most items are far smaller than
    // a chunk, and one that inflates beyond its size is refused anyway.
    std::vector<unsigned char> out(deflated ? std::size_t(std::clamp<uint64_t>(limit + 1, 4096, kInflateOut)) : 0);
    int64_t done = 0;
    bool ended = false;

    auto emit = [&](const unsigned char* data, std::size_t n) {
        if (n == 0)
            return true;
        Written += n;
        if (Written > limit)
            return false; // more data than the item declares: damaged, stop here
        Crc = ZACrc32(Crc, data, n);
        errno = 0;
        if (Target.WriteExact(data, static_cast<int64_t>(n)))
            return true;
        FWriteError = Target.LastError() ? Target.LastError() : errno ? errno : EIO;
        return false;
    };

    while (done < compressed && !ended) {
        ReportChunkProgress(stored, FCurrentOperation, double(done), double(compressed));
        if (FCancel) {
            // Cancelled: the item is dropped like one skipped at the prompt.
            FSkip = true;
            return true;
        }
        int64_t n = std::min<int64_t>(static_cast<int64_t>(in.size()), compressed - done);
        if (!archive.ReadExact(in.data(), n))
            return false;
        done += n;
        if (keys)
            keys->Decrypt(in.data(), static_cast<std::size_t>(n));
        if (!deflated) {
            if (!emit(in.data(), static_cast<std::size_t>(n)))
                return false;
            continue;
        }
        zs.next_in = in.data();
        zs.avail_in = static_cast<uInt>(n);
        do {
            zs.next_out = out.data();
            zs.avail_out = static_cast<uInt>(out.size());
            int r = inflate(&zs, Z_NO_FLUSH);
            std::size_t produced = out.size() - zs.avail_out;
            if (!emit(out.data(), produced))
                return false;
            if (r == Z_STREAM_END) {
                // Bytes after the deflate data (the Adler-32 some writers
                // append) are not part of the item's content.
                ended = true;
                break;
            }
            if (r == Z_BUF_ERROR) {
                if (zs.avail_in > 0 && produced == 0)
                    return false;
                continue;
            }
            if (r != Z_OK)
                return false;
        } while (zs.avail_in > 0 || zs.avail_out == 0);
    }
    return true;
}
