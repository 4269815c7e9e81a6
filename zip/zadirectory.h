#pragma once
// The in-memory directory of an open ZIP archive and the code that finds,
// reads and writes the central directory in the archive stream.

#include "zip/zastream.h"
#include "zip/zatypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

constexpr uint32_t ZALocalHeaderSig = 0x04034b50;
constexpr uint32_t ZACentralHeaderSig = 0x02014b50;
constexpr uint32_t ZAEndRecordSig = 0x06054b50;
constexpr uint32_t ZADataDescriptorSig = 0x08074b50;
constexpr int ZALocalHeaderSize = 30;
constexpr int ZACentralHeaderSize = 46;
constexpr int ZAEndRecordSize = 22;
// General purpose flag: the item's name (and comment) are UTF-8, not code
// page 850. Read; the engine writes it only on names that code page 850
// cannot hold, and every other name as code page 850 without it.
constexpr uint16_t ZAUtf8NameFlag = 0x0800;

// Little-endian field access on raw header bytes.
inline uint16_t ZAGet16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ZAGet32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void ZAPut16(unsigned char* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void ZAPut32(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// The 46-byte central directory file header of one item.
struct TZACentralHeader {
    uint32_t Signature = 0;
    uint16_t VersionMadeBy = 0;
    uint16_t VersionNeeded = 0;
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint16_t DosTime = 0;
    uint16_t DosDate = 0;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint16_t NameLength = 0;
    uint16_t ExtraLength = 0;
    uint16_t CommentLength = 0;
    uint16_t DiskNumberStart = 0;
    uint16_t InternalAttributes = 0;
    uint32_t ExternalAttributes = 0;
    uint32_t LocalHeaderOffset = 0;

    void Load(const unsigned char* p);
    void Store(unsigned char* p) const;
    // DOS date in the high word, time in the low word.
    uint32_t DosDateTime() const { return (uint32_t(DosDate) << 16) | DosTime; }
    bool IsFolder() const { return (ExternalAttributes & faDirectory) != 0; }
};

// The 22-byte end of central directory record.
struct TZAEndRecord {
    uint32_t Signature = ZAEndRecordSig;
    uint16_t ThisDisk = 0;
    uint16_t DirectoryDisk = 0;
    uint16_t EntriesThisDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t DirectorySize = 0;
    uint32_t DirectoryOffset = 0;
    uint16_t CommentLength = 0;

    void Load(const unsigned char* p);
    void Store(unsigned char* p) const;
};

// One directory item: what the central directory holds, plus what a pending
// update needs to write it.
struct TDirItem {
    TZACentralHeader CentralDir;
    std::string StoredName;  // "/" as separator, ANSI code page
    // The item's name in UTF-8 where the archive gives one: the name flagged
    // as UTF-8, a UTF-8 name from a Unix host, or an Info-ZIP Unicode Path
    // extra field that belongs to the name.
    std::string Utf8Name;
    // The name's bytes exactly as read from the archive (empty for an item
    // this program put in): a kept item is written back with them, so its
    // central name still matches its local header.
    std::string ArchiveName;
    std::string Reserved;
    std::string FileComment; // ANSI code page
    // Extra-field records of a read item that are written back with it (the
    // Unicode Path field, which must stay with the name it describes).
    std::vector<unsigned char> ExtraBuffer;
    bool Changed = false;
    std::string Password;
    std::shared_ptr<TZAStream> SourceStream; // data source instead of DiskFileName
    bool OwnsSourceStream = false;           // drop the source once written
    int32_t SourceStart = 0;
    bool Selected = false;
    std::string DiskFileName;
    uint8_t CompressionMode = 0;
    uint8_t Operation = 0; // TZAProcessOperation
    // Index of this item in the directory as it was when the update began
    // (-1 for an item the update added): how a kept item finds its old bytes.
    int32_t OriginIndex = -1;

    // Sizes other than 0.
    bool HasData() const { return CentralDir.CompressedSize != 0 || CentralDir.UncompressedSize != 0; }
    // A folder: a name ending in "/", or the folder attribute on an item
    // without data. An item with data whose name does not end in "/" is a
    // file, whatever its attributes say (one flipped bit would drop it).
    bool IsFolder() const
    {
        return (!StoredName.empty() && StoredName.back() == '/') || (CentralDir.IsFolder() && !HasData());
    }
};

// Whether bytes are well-formed UTF-8.
bool ZAIsUtf8(std::string_view s);
// Whether a disk name (UTF-8) comes back unchanged from the ANSI item name
// and its code page 850 bytes in the archive. A name that does not is stored
// as UTF-8 with ZAUtf8NameFlag.
bool ZAFitsCodePage850(std::string_view utf8);
// The relative disk name an item's file gets (native, "/" separators): its
// UTF-8 name where it has one, else the disk form of its ANSI name.
std::string ZADiskNameOf(const TDirItem& item);
// The key under which look-ups find an item by name: names that differ only
// in letter case share it, and a trailing "/" does not count. Names that
// code page 850 holds are keyed by their ANSI form, others by their UTF-8.
std::string ZANameKey(const TDirItem& item);
std::string ZANameKeyOfDisk(std::string_view utf8Name);
// The bytes an item's name is written with: UTF-8 when its flags say so,
// code page 850 otherwise.
std::string ZAArchiveNameBytes(const TDirItem& item);

class TZADirArray {
public:
    int32_t GetCount() const { return static_cast<int32_t>(Items.size()); }
    void SetCount(int32_t count);
    TDirItem GetItem(int32_t index) const;
    TDirItem& GetItemPtr(int32_t index);
    const TDirItem& GetItemPtr(int32_t index) const;
    void SetItem(int32_t index, const TDirItem& item);
    void Delete(int32_t index);
    void Assign(const TZADirArray& source);
    void ClearSelection();
    // Changes whenever items are removed, replaced or reordered (not when
    // items are appended): a name index built earlier is then out of date.
    uint64_t Generation() const { return FGeneration; }
    // The first item whose name has the key (ZANameKey), -1 when none. An
    // index of the names makes this constant time; it follows appended
    // items by itself and is rebuilt after other changes.
    int32_t IndexOfKey(const std::string& key);
    // Tells the index that an item's name changed in place.
    void NameChanged(int32_t index);

private:
    void RebuildNameIndex();

    std::vector<TDirItem> Items;
    uint64_t FGeneration = 0;
    std::unordered_map<std::string, int32_t> FNameIndex;
    int32_t FIndexedCount = 0;
    uint64_t FIndexGeneration = ~uint64_t(0);
};

class TZADirManager {
public:
    // createNew: the directory starts empty; otherwise it is read at once.
    TZADirManager(TZAStream& stream, bool createNew, const TZAComponent* owner = nullptr);

    void Clear();
    void ReadDirectory();
    void WriteDirectory();
    bool FindEndRecord(TZAEndRecord& record, int64_t& position);
    int64_t FindLocalHeader(int64_t from);
    void RebuildDirectory();
    void DetectOffsetShift();
    void ApplyOffsetShift();
    // Throws when two items' local data overlap (local headers as they stand
    // in the archive, extra fields included).
    void RefuseOverlappingItems();
    // True when a local header matching item of the central header and name
    // stands at position.
    bool LocalHeaderMatches(int64_t position, const TDirItem& item);

    TZADirArray& Directory() { return Live; }
    TZADirArray& SavedDirectory() { return Saved; }
    TZAStream& Stream() { return *ArchiveStream; }

    std::string ArchiveComment;
    TZAEndRecord EndRecord;
    int32_t OffsetShift = 0;
    // Where the central directory that was read begins (stream size when the
    // directory was rebuilt from local headers, 0 for a new archive).
    int64_t DirectoryStart = 0;
    bool CreateNew;
    // The directory was rebuilt from local headers: the archive is cut short.
    bool Rebuilt = false;
    // The archive's file name, for messages about a failed write.
    std::string StreamName;

private:
    TZAStream* ArchiveStream;
    const TZAComponent* Owner;
    TZADirArray Saved;
    TZADirArray Live;
};
