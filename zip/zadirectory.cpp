#include "zip/zadirectory.h"

#include "zip/zaerrors.h"
#include "zip/zastrfunc.h"
#include "zip/zatradcrypt.h"

#include "platform/codepage.h"
#include "platform/textlines.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t kEndSearchWindow = 65600;
constexpr int64_t kScanWindow = 65535;

} // namespace

bool ZAIsUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i++]);
        const int extra = b < 0x80 ? 0 : (b >= 0xC2 && b < 0xE0) ? 1 : (b >= 0xE0 && b < 0xF0) ? 2
                                       : (b >= 0xF0 && b < 0xF5) ? 3 : -1;
        if (extra < 0 || i + extra > s.size())
            return false;
        for (int k = 0; k < extra; ++k)
            if ((static_cast<unsigned char>(s[i++]) & 0xC0) != 0x80)
                return false;
    }
    return true;
}

namespace {

bool IsUtf8(const std::string& s) { return ZAIsUtf8(s); }

std::string AnsiKey(std::string_view ansi)
{
    std::string key = "A";
    key.reserve(ansi.size() + 1);
    for (char c : ansi)
        key += AnsiUpperChar(c);
    if (key.size() > 1 && key.back() == '/')
        key.pop_back();
    return key;
}

std::string Utf8Key(std::string_view utf8)
{
    std::string key = "U";
    key.reserve(utf8.size() + 1);
    for (char c : utf8)
        key += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : (c == '\\' ? '/' : c);
    if (key.size() > 1 && key.back() == '/')
        key.pop_back();
    return key;
}

constexpr uint16_t kUnicodePathId = 0x7075;
constexpr uint8_t kHostUnix = 3;

// The UTF-8 name of an Info-ZIP Unicode Path record (version 1) in extra,
// when the record's CRC says it was written for exactly this header name.
std::string UnicodePathName(const unsigned char* extra, std::size_t length, const std::string& raw)
{
    for (std::size_t p = 0; p + 4 <= length;) {
        const uint16_t id = ZAGet16(extra + p), size = ZAGet16(extra + p + 2);
        if (p + 4 + size > length)
            break;
        if (id == kUnicodePathId && size >= 5 && extra[p + 4] == 1 &&
            ZAGet32(extra + p + 5) == ZACrc32(0, raw.data(), raw.size())) {
            std::string name(reinterpret_cast<const char*>(extra + p + 9), size - 5);
            if (!name.empty() && name.find('\0') == std::string::npos && IsUtf8(name))
                return name;
        }
        p += 4 + size;
    }
    return {};
}

bool HasHighBytes(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// Sets an item's names from the name bytes of its header. The program holds
// names in ANSI: code page 850 bytes are converted, and a name given in UTF-8
// (flag bit 11; a Unix host, whose tools write the UTF-8 of the disk name
// without the flag; a matching Unicode Path extra field) keeps that UTF-8
// for the disk. A flagged or Unix name that is no UTF-8 is read as code page
// 850, as some tools copy disk names byte for byte.
void SetNameFromArchive(TDirItem& item, const unsigned char* p, std::size_t len, uint16_t flags, uint16_t madeBy,
                        const unsigned char* extra = nullptr, std::size_t extraLen = 0)
{
    item.ArchiveName.assign(reinterpret_cast<const char*>(p), len);
    std::string raw = item.ArchiveName;
    std::size_t zero = raw.find('\0');
    if (zero != std::string::npos)
        raw.resize(zero);
    std::string utf8 = extra ? UnicodePathName(extra, extraLen, item.ArchiveName) : std::string();
    if (utf8.empty() && IsUtf8(raw) &&
        ((flags & ZAUtf8NameFlag) || ((madeBy >> 8) == kHostUnix && HasHighBytes(raw))))
        utf8 = raw;
    std::string name = utf8.empty() ? OemToAnsi(raw) : Utf8ToAnsi(utf8);
    for (auto& c : name)
        if (c == '\\')
            c = '/';
    item.StoredName = std::move(name);
    item.Utf8Name = std::move(utf8);
    item.ExtraBuffer.clear();
    if (!item.Utf8Name.empty() && extra) {
        for (std::size_t q = 0; q + 4 <= extraLen;) {
            const std::size_t size = ZAGet16(extra + q + 2);
            if (q + 4 + size > extraLen)
                break;
            if (ZAGet16(extra + q) == kUnicodePathId)
                item.ExtraBuffer.insert(item.ExtraBuffer.end(), extra + q, extra + q + 4 + size);
            q += 4 + size;
        }
    }
}

// Restores a stream's position when a scan is done.
struct PositionKeeper {
    explicit PositionKeeper(TZAStream& s) : S(s), Pos(s.Position()) {}
    ~PositionKeeper() { S.Seek(Pos); }
    TZAStream& S;
    int64_t Pos;
};

} // namespace

bool ZAFitsCodePage850(std::string_view utf8)
{
    if (!ZAIsUtf8(utf8))
        return true; // not UTF-8: taken byte for byte as before
    const std::string ansi = Utf8ToAnsi(utf8);
    return AnsiToUtf8(ansi) == utf8 && OemToAnsi(AnsiToOem(ansi)) == ansi;
}

std::string ZADiskNameOf(const TDirItem& item)
{
    std::string name = !item.Utf8Name.empty() && ZAIsUtf8(item.Utf8Name) ? item.Utf8Name : AnsiToUtf8(item.StoredName);
    for (auto& c : name)
        if (c == '\\')
            c = '/';
    return name;
}

std::string ZANameKey(const TDirItem& item)
{
    if (!item.Utf8Name.empty() && ZAIsUtf8(item.Utf8Name) && !ZAFitsCodePage850(item.Utf8Name))
        return Utf8Key(item.Utf8Name);
    return AnsiKey(item.StoredName);
}

std::string ZANameKeyOfDisk(std::string_view utf8Name)
{
    if (!ZAFitsCodePage850(utf8Name))
        return Utf8Key(utf8Name);
    std::string ansi = Utf8ToAnsi(utf8Name);
    for (auto& c : ansi)
        if (c == '\\')
            c = '/';
    return AnsiKey(ansi);
}

std::string ZAArchiveNameBytes(const TDirItem& item)
{
    if (!item.ArchiveName.empty())
        return item.ArchiveName;
    if (item.CentralDir.Flags & ZAUtf8NameFlag)
        return item.Utf8Name.empty() ? AnsiToUtf8(item.StoredName) : item.Utf8Name;
    return AnsiToOem(item.StoredName);
}

void TZACentralHeader::Load(const unsigned char* p)
{
    Signature = ZAGet32(p);
    VersionMadeBy = ZAGet16(p + 4);
    VersionNeeded = ZAGet16(p + 6);
    Flags = ZAGet16(p + 8);
    Method = ZAGet16(p + 10);
    DosTime = ZAGet16(p + 12);
    DosDate = ZAGet16(p + 14);
    Crc32 = ZAGet32(p + 16);
    CompressedSize = ZAGet32(p + 20);
    UncompressedSize = ZAGet32(p + 24);
    NameLength = ZAGet16(p + 28);
    ExtraLength = ZAGet16(p + 30);
    CommentLength = ZAGet16(p + 32);
    DiskNumberStart = ZAGet16(p + 34);
    InternalAttributes = ZAGet16(p + 36);
    ExternalAttributes = ZAGet32(p + 38);
    LocalHeaderOffset = ZAGet32(p + 42);
}

void TZACentralHeader::Store(unsigned char* p) const
{
    ZAPut32(p, Signature);
    ZAPut16(p + 4, VersionMadeBy);
    ZAPut16(p + 6, VersionNeeded);
    ZAPut16(p + 8, Flags);
    ZAPut16(p + 10, Method);
    ZAPut16(p + 12, DosTime);
    ZAPut16(p + 14, DosDate);
    ZAPut32(p + 16, Crc32);
    ZAPut32(p + 20, CompressedSize);
    ZAPut32(p + 24, UncompressedSize);
    ZAPut16(p + 28, NameLength);
    ZAPut16(p + 30, ExtraLength);
    ZAPut16(p + 32, CommentLength);
    ZAPut16(p + 34, DiskNumberStart);
    ZAPut16(p + 36, InternalAttributes);
    ZAPut32(p + 38, ExternalAttributes);
    ZAPut32(p + 42, LocalHeaderOffset);
}

void TZAEndRecord::Load(const unsigned char* p)
{
    Signature = ZAGet32(p);
    ThisDisk = ZAGet16(p + 4);
    DirectoryDisk = ZAGet16(p + 6);
    EntriesThisDisk = ZAGet16(p + 8);
    TotalEntries = ZAGet16(p + 10);
    DirectorySize = ZAGet32(p + 12);
    DirectoryOffset = ZAGet32(p + 16);
    CommentLength = ZAGet16(p + 20);
}

void TZAEndRecord::Store(unsigned char* p) const
{
    ZAPut32(p, Signature);
    ZAPut16(p + 4, ThisDisk);
    ZAPut16(p + 6, DirectoryDisk);
    ZAPut16(p + 8, EntriesThisDisk);
    ZAPut16(p + 10, TotalEntries);
    ZAPut32(p + 12, DirectorySize);
    ZAPut32(p + 16, DirectoryOffset);
    ZAPut16(p + 20, CommentLength);
}

// ---------------------------------------------------------------------------
// TZADirArray

void TZADirArray::SetCount(int32_t count)
{
    if (count < GetCount())
        ++FGeneration;
    Items.resize(static_cast<std::size_t>(std::max(count, 0)));
}

TDirItem TZADirArray::GetItem(int32_t index) const
{
    if (index < 0 || index >= GetCount())
        throw EZAException(2, nullptr);
    return Items[index];
}

TDirItem& TZADirArray::GetItemPtr(int32_t index)
{
    if (index < 0 || index >= GetCount())
        throw EZAException(3, nullptr);
    return Items[index];
}

const TDirItem& TZADirArray::GetItemPtr(int32_t index) const
{
    if (index < 0 || index >= GetCount())
        throw EZAException(3, nullptr);
    return Items[index];
}

void TZADirArray::SetItem(int32_t index, const TDirItem& item)
{
    if (index < 0 || index >= GetCount())
        throw EZAException(1, nullptr);
    Items[index] = item;
    ++FGeneration;
}

void TZADirArray::Delete(int32_t index)
{
    if (index < 0 || index >= GetCount())
        throw EZAException(4, nullptr);
    Items.erase(Items.begin() + index);
    ++FGeneration;
}

void TZADirArray::Assign(const TZADirArray& source)
{
    if (&source != this)
        Items = source.Items;
    ++FGeneration;
}

void TZADirArray::RebuildNameIndex()
{
    FNameIndex.clear();
    FIndexedCount = 0;
    FIndexGeneration = FGeneration;
}

int32_t TZADirArray::IndexOfKey(const std::string& key)
{
    if (FIndexGeneration != FGeneration || FIndexedCount > GetCount())
        RebuildNameIndex();
    for (; FIndexedCount < GetCount(); ++FIndexedCount)
        FNameIndex.emplace(ZANameKey(Items[FIndexedCount]), FIndexedCount);
    auto it = FNameIndex.find(key);
    if (it == FNameIndex.end())
        return -1;
    if (ZANameKey(Items[it->second]) == key)
        return it->second;
    // An entry left from a name that changed since: look again afresh.
    RebuildNameIndex();
    return IndexOfKey(key);
}

void TZADirArray::NameChanged(int32_t index)
{
    if (FIndexGeneration == FGeneration && index >= 0 && index < FIndexedCount)
        FNameIndex.emplace(ZANameKey(Items[index]), index);
}

void TZADirArray::ClearSelection()
{
    for (auto& item : Items)
        item.Selected = false;
}

// ---------------------------------------------------------------------------
// TZADirManager

TZADirManager::TZADirManager(TZAStream& stream, bool createNew, const TZAComponent* owner)
    : CreateNew(createNew), ArchiveStream(&stream), Owner(owner)
{
    if (createNew)
        Clear();
    else
        ReadDirectory();
}

void TZADirManager::Clear()
{
    Live.SetCount(0);
    EndRecord = TZAEndRecord();
}

bool TZADirManager::FindEndRecord(TZAEndRecord& record, int64_t& position)
{
    position = -1;
    ArchiveComment.clear();
    record = TZAEndRecord();
    record.Signature = 0;
    PositionKeeper keep(*ArchiveStream);

    const int64_t size = ArchiveStream->Size();
    const int64_t window = std::min(size, kEndSearchWindow);
    if (window < ZAEndRecordSize)
        return false;
    std::vector<unsigned char> buf(static_cast<std::size_t>(window));
    ArchiveStream->Seek(size - window);
    if (!ArchiveStream->ReadExact(buf.data(), window))
        return false;

    // The candidate nearest the end whose directory is plausible; a signature
    // that only happens to stand in the data further back is passed over.
    int64_t fallback = -1;
    for (int64_t i = window - ZAEndRecordSize; i >= 0; --i) {
        const unsigned char* p = buf.data() + i;
        if (p[0] != 0x50 || p[1] != 0x4B || p[2] != 0x05 || p[3] != 0x06)
            continue;
        if (fallback < 0)
            fallback = i;
        TZAEndRecord cand;
        cand.Load(p);
        int64_t start = (size - window + i) - int64_t(cand.DirectorySize);
        if (start < 0)
            continue;
        if (cand.TotalEntries == 0 && cand.DirectorySize == 0) {
            fallback = i;
            break;
        }
        unsigned char sig[4];
        ArchiveStream->Seek(start);
        if (ArchiveStream->ReadExact(sig, 4) && ZAGet32(sig) == ZACentralHeaderSig) {
            fallback = i;
            break;
        }
    }
    if (fallback < 0)
        return false;
    record.Load(buf.data() + fallback);
    position = size - window + fallback;
    if (record.CommentLength) {
        std::string oem(record.CommentLength, '\0');
        ArchiveStream->Seek(position + ZAEndRecordSize);
        int64_t got = ArchiveStream->Read(oem.data(), record.CommentLength);
        oem.resize(static_cast<std::size_t>(std::max<int64_t>(got, 0)));
        ArchiveComment = OemToAnsi(oem);
    }
    return true;
}

void TZADirManager::ReadDirectory()
{
    Clear();
    OffsetShift = 0;
    DirectoryStart = 0;
    Rebuilt = false;
    TZAEndRecord rec;
    int64_t endPos;
    if (!FindEndRecord(rec, endPos)) {
        RebuildDirectory();
        return;
    }
    std::string comment = ArchiveComment;
    EndRecord = rec;
    // A ZIP64 archive keeps its true counts and offsets in records before the
    // end record; read as a classic archive it would give garbage.
    if (rec.DirectorySize == 0xFFFFFFFFu || rec.DirectoryOffset == 0xFFFFFFFFu)
        throw EZAException(ZAErrZip64, Owner);
    if (endPos >= 20) {
        unsigned char sig[4];
        ArchiveStream->Seek(endPos - 20);
        if (ArchiveStream->ReadExact(sig, 4) && ZAGet32(sig) == 0x07064B50)
            throw EZAException(ZAErrZip64, Owner);
    }
    int64_t start = endPos - int64_t(rec.DirectorySize);
    if (start < 0)
        throw EZAException(35, Owner);
    DirectoryStart = start;

    std::vector<unsigned char> dir(rec.DirectorySize);
    ArchiveStream->Seek(start);
    if (!ArchiveStream->ReadExact(dir.data(), rec.DirectorySize))
        throw EZAException(35, Owner);
    if (uint64_t(rec.TotalEntries) * ZACentralHeaderSize > dir.size())
        throw EZAException(35, Owner);

    Live.SetCount(rec.TotalEntries);
    std::size_t p = 0;
    for (int32_t i = 0; i < rec.TotalEntries; ++i) {
        if (p + ZACentralHeaderSize > dir.size())
            throw EZAException(35, Owner);
        TDirItem& item = Live.GetItemPtr(i);
        item.CentralDir.Load(dir.data() + p);
        p += ZACentralHeaderSize;
        const TZACentralHeader& h = item.CentralDir;
        if (p + h.NameLength + h.ExtraLength + h.CommentLength > dir.size())
            throw EZAException(35, Owner);
        if (h.CompressedSize == 0xFFFFFFFFu || h.UncompressedSize == 0xFFFFFFFFu ||
            h.LocalHeaderOffset == 0xFFFFFFFFu)
            throw EZAException(ZAErrZip64, Owner);
        SetNameFromArchive(item, dir.data() + p, h.NameLength, h.Flags, h.VersionMadeBy,
                           dir.data() + p + h.NameLength, h.ExtraLength);
        p += h.NameLength + h.ExtraLength;
        const std::string itemComment(reinterpret_cast<const char*>(dir.data() + p), h.CommentLength);
        item.FileComment = (h.Flags & ZAUtf8NameFlag) ? Utf8ToAnsi(itemComment) : OemToAnsi(itemComment);
        p += h.CommentLength;
    }
    // More items in the directory than the end record counts (a count that
    // wrapped, or an edited record): reading only the counted ones would drop
    // the rest without a word.
    if (p + 4 <= dir.size() && ZAGet32(dir.data() + p) == ZACentralHeaderSig)
        throw EZAException(ZAErrCountMismatch, Owner);
    ArchiveComment = comment;
    DetectOffsetShift();
    if (Live.GetCount() > 0 && OffsetShift != 0)
        ApplyOffsetShift();
    RefuseOverlappingItems();
}

void TZADirManager::RefuseOverlappingItems()
{
    // Each item's local header, name and data take at least this many bytes
    // from its offset on; two items sharing bytes would let a small archive
    // extract the same compressed stream over and over.
    std::vector<std::pair<int64_t, int64_t>> spans;
    // The local header's own name and extra lengths count: a long local extra
    // field can reach into the next item just as well.
    spans.reserve(static_cast<std::size_t>(Live.GetCount()));
    PositionKeeper keep(*ArchiveStream);
    for (int32_t i = 0; i < Live.GetCount(); ++i) {
        const TZACentralHeader& h = Live.GetItemPtr(i).CentralDir;
        const int64_t from = int64_t(h.LocalHeaderOffset);
        int64_t header = ZALocalHeaderSize + h.NameLength;
        unsigned char local[ZALocalHeaderSize];
        ArchiveStream->Seek(from);
        if (ArchiveStream->ReadExact(local, ZALocalHeaderSize) && ZAGet32(local) == ZALocalHeaderSig)
            header = ZALocalHeaderSize + ZAGet16(local + 26) + ZAGet16(local + 28);
        spans.emplace_back(from, from + header + int64_t(h.CompressedSize));
    }
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            throw EZAException(ZAErrOverlap, Owner);
}

bool TZADirManager::LocalHeaderMatches(int64_t position, const TDirItem& item)
{
    if (ArchiveStream->Size() - position < ZALocalHeaderSize)
        return false;
    unsigned char h[ZALocalHeaderSize];
    ArchiveStream->Seek(position);
    if (!ArchiveStream->ReadExact(h, ZALocalHeaderSize) || ZAGet32(h) != ZALocalHeaderSig)
        return false;
    uint16_t nameLen = ZAGet16(h + 26);
    std::string raw(nameLen, '\0');
    if (!ArchiveStream->ReadExact(raw.data(), nameLen))
        return false;
    const TZACentralHeader& c = item.CentralDir;
    TDirItem local;
    SetNameFromArchive(local, reinterpret_cast<const unsigned char*>(raw.data()), nameLen, ZAGet16(h + 6),
                       c.VersionMadeBy);
    if (raw != item.ArchiveName && ZACompareText(local.StoredName, item.StoredName) != 0)
        return false;
    if (ZAGet16(h + 4) != c.VersionNeeded || ZAGet16(h + 6) != c.Flags || ZAGet16(h + 8) != c.Method ||
        ZAGet16(h + 10) != c.DosTime || ZAGet16(h + 12) != c.DosDate)
        return false;
    // With a data descriptor the local header carries no CRC or sizes.
    if (c.Flags & 8)
        return true;
    return ZAGet32(h + 14) == c.Crc32 && ZAGet32(h + 18) == c.CompressedSize &&
           ZAGet32(h + 22) == c.UncompressedSize;
}

void TZADirManager::DetectOffsetShift()
{
    if (Live.GetCount() == 0)
        return;
    PositionKeeper keep(*ArchiveStream);
    const TDirItem& first = Live.GetItemPtr(0);
    const int64_t size = ArchiveStream->Size();
    int64_t from = first.CentralDir.LocalHeaderOffset;
    std::vector<unsigned char> buf(static_cast<std::size_t>(std::min<int64_t>(kScanWindow, ArchiveStream->Size())));
    while (from < size) {
        int64_t n = std::min<int64_t>(kScanWindow, size - from);
        ArchiveStream->Seek(from);
        if (!ArchiveStream->ReadExact(buf.data(), n))
            return;
        for (int64_t i = 0; i + 4 <= n; ++i) {
            if (buf[i] == 0x50 && buf[i + 1] == 0x4B && buf[i + 2] == 0x03 && buf[i + 3] == 0x04 &&
                LocalHeaderMatches(from + i, first)) {
                int64_t shift = from + i - int64_t(first.CentralDir.LocalHeaderOffset);
                if (shift <= INT32_MAX)
                    OffsetShift = static_cast<int32_t>(shift);
                return;
            }
        }
        if (n <= 4)
            return;
        from += n - 4;
    }
}

void TZADirManager::ApplyOffsetShift()
{
    // Every item moves, folders included: their local headers lie behind the
    // recorded offsets just as much as files' do.
    for (int32_t i = 0; i < Live.GetCount(); ++i) {
        TZACentralHeader& h = Live.GetItemPtr(i).CentralDir;
        int64_t moved = int64_t(h.LocalHeaderOffset) + OffsetShift;
        if (moved < 0 || moved > UINT32_MAX)
            throw EZAException(35, Owner);
        h.LocalHeaderOffset = static_cast<uint32_t>(moved);
    }
}

int64_t TZADirManager::FindLocalHeader(int64_t from)
{
    PositionKeeper keep(*ArchiveStream);
    const int64_t size = ArchiveStream->Size();
    std::vector<unsigned char> buf(static_cast<std::size_t>(std::min<int64_t>(kScanWindow, ArchiveStream->Size())));
    from = std::max<int64_t>(from, 0);
    while (from < size) {
        int64_t n = std::min<int64_t>(kScanWindow, size - from);
        ArchiveStream->Seek(from);
        if (!ArchiveStream->ReadExact(buf.data(), n))
            return -1;
        for (int64_t i = 0; i + 4 <= n; ++i) {
            if (buf[i] == 0x50 && buf[i + 1] == 0x4B && buf[i + 2] == 0x03 && buf[i + 3] == 0x04) {
                int64_t pos = from + i;
                return size - pos >= ZALocalHeaderSize ? pos : -1;
            }
        }
        if (n <= 4)
            return -1;
        from += n - 4;
    }
    return -1;
}

void TZADirManager::RebuildDirectory()
{
    if (FindLocalHeader(0) < 0)
        throw EZAException(35, Owner);
    const int64_t size = ArchiveStream->Size();
    // Every local header signature with room for a header behind it, found in
    // one pass over the stream (the directory holds at most 65535 items).
    std::vector<int64_t> found;
    {
        std::vector<unsigned char> buf(static_cast<std::size_t>(std::min<int64_t>(kScanWindow, ArchiveStream->Size())));
        int64_t from = 0;
        while (from < size && found.size() < 65535) {
            int64_t n = std::min<int64_t>(kScanWindow, size - from);
            ArchiveStream->Seek(from);
            if (!ArchiveStream->ReadExact(buf.data(), n))
                break;
            for (int64_t i = 0; i + 4 <= n && found.size() < 65535; ++i) {
                if (buf[i] == 0x50 && buf[i + 1] == 0x4B && buf[i + 2] == 0x03 && buf[i + 3] == 0x04 &&
                    (found.empty() || found.back() < from + i) && size - (from + i) >= ZALocalHeaderSize)
                    found.push_back(from + i);
            }
            if (n <= 4)
                break;
            from += n - 3;
        }
    }
    for (int64_t pos : found) {
        unsigned char h[ZALocalHeaderSize];
        ArchiveStream->Seek(pos);
        if (!ArchiveStream->ReadExact(h, ZALocalHeaderSize))
            break;
        if (pos > int64_t(UINT32_MAX))
            break;
        int32_t index = Live.GetCount();
        Live.SetCount(index + 1);
        TDirItem& item = Live.GetItemPtr(index);
        TZACentralHeader& c = item.CentralDir;
        c.Signature = ZACentralHeaderSig;
        c.VersionMadeBy = 20;
        c.VersionNeeded = 20;
        c.Flags = ZAGet16(h + 6);
        c.Method = ZAGet16(h + 8);
        c.DosTime = ZAGet16(h + 10);
        c.DosDate = ZAGet16(h + 12);
        c.Crc32 = ZAGet32(h + 14);
        c.CompressedSize = ZAGet32(h + 18);
        c.UncompressedSize = ZAGet32(h + 22);
        c.NameLength = ZAGet16(h + 26);
        c.ExtraLength = ZAGet16(h + 28);
        c.LocalHeaderOffset = static_cast<uint32_t>(pos);
        if (size - (pos + ZALocalHeaderSize) >= c.NameLength) {
            std::string raw(c.NameLength, '\0');
            std::vector<unsigned char> extra(c.ExtraLength);
            if (ArchiveStream->ReadExact(raw.data(), c.NameLength)) {
                if (!ArchiveStream->ReadExact(extra.data(), int64_t(extra.size())))
                    extra.clear();
                // A local header names no host; Info-ZIP's Unix fields tell it.
                uint16_t madeBy = ZAGet16(h + 4);
                for (std::size_t q = 0; q + 4 <= extra.size(); q += 4 + ZAGet16(extra.data() + q + 2))
                    if (ZAGet16(extra.data() + q) == 0x7875 || ZAGet16(extra.data() + q) == 0x5855)
                        madeBy = uint16_t(kHostUnix << 8);
                SetNameFromArchive(item, reinterpret_cast<const unsigned char*>(raw.data()), c.NameLength, c.Flags,
                                   madeBy, extra.data(), extra.size());
            }
        }
        // Only a name ending in "/" makes a folder; an empty file stays a file.
        bool folder = !item.StoredName.empty() && item.StoredName.back() == '/';
        c.ExternalAttributes = folder ? faDirectory : faArchive;
    }
    DirectoryStart = size;
    Rebuilt = true;
}

void TZADirManager::WriteDirectory()
{
    std::string comment = ArchiveComment;
    TZAEndRecord found;
    int64_t foundPos;
    int64_t at;
    if (Live.GetCount() == 0 && FindEndRecord(found, foundPos))
        at = std::max<int64_t>(0, foundPos - int64_t(EndRecord.DirectorySize));
    else
        at = ArchiveStream->Size();
    ArchiveComment = comment;
    if (Live.GetCount() > 65535)
        throw EZAException(ZAErrArchiveLimit, Owner);
    ArchiveStream->Seek(at);
    ArchiveStream->SetSize(at);

    std::string out;
    for (int32_t i = 0; i < Live.GetCount(); ++i) {
        TDirItem& item = Live.GetItemPtr(i);
        // A kept item read with a UTF-8 name keeps it (and its flag), so the
        // central name still matches the local header copied unchanged.
        std::string name = ZAArchiveNameBytes(item);
        std::string comm = (item.CentralDir.Flags & ZAUtf8NameFlag) ? AnsiToUtf8(item.FileComment)
                                                                     : AnsiToOem(item.FileComment);
        if (name.size() > 0xFFFF)
            throw EZAException(ZAErrTooLarge, Owner, {item.StoredName});
        if (comm.size() > 0xFFFF)
            comm.resize(0xFFFF);
        TZACentralHeader& h = item.CentralDir;
        h.NameLength = static_cast<uint16_t>(name.size());
        // Of other tools' extra fields only the Unicode Path is kept.
        h.ExtraLength = static_cast<uint16_t>(std::min<std::size_t>(item.ExtraBuffer.size(), 0xFFFF));
        h.CommentLength = static_cast<uint16_t>(comm.size());
        unsigned char raw[ZACentralHeaderSize];
        h.Store(raw);
        out.append(reinterpret_cast<const char*>(raw), ZACentralHeaderSize);
        out += name;
        out.append(reinterpret_cast<const char*>(item.ExtraBuffer.data()), h.ExtraLength);
        out += comm;
    }
    if (at > int64_t(UINT32_MAX) || out.size() > UINT32_MAX)
        throw EZAException(ZAErrArchiveLimit, Owner);
    std::string oemComment = AnsiToOem(ArchiveComment);
    if (oemComment.size() > 0xFFFF)
        oemComment.resize(0xFFFF);
    EndRecord.Signature = ZAEndRecordSig;
    EndRecord.ThisDisk = 0;
    EndRecord.DirectoryDisk = 0;
    EndRecord.EntriesThisDisk = EndRecord.TotalEntries = static_cast<uint16_t>(Live.GetCount());
    EndRecord.DirectorySize = static_cast<uint32_t>(out.size());
    EndRecord.DirectoryOffset = static_cast<uint32_t>(at);
    EndRecord.CommentLength = static_cast<uint16_t>(oemComment.size());
    unsigned char raw[ZAEndRecordSize];
    EndRecord.Store(raw);
    out.append(reinterpret_cast<const char*>(raw), ZAEndRecordSize);
    out += oemComment;
    if (!ArchiveStream->WriteExact(out.data(), static_cast<int64_t>(out.size())) || !ArchiveStream->Flush())
        throw ZAWriteFailure(Owner, StreamName, ArchiveStream->LastError());
    DirectoryStart = at;
}
