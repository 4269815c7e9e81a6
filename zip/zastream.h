#pragma once
// Byte streams the archive engine reads and writes: a disk file or a block of
// memory. Callers move data in large blocks; there is no per-byte call.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TZAStream {
public:
    virtual ~TZAStream() = default;
    // Bytes actually moved (fewer at the end of the stream or on an error).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t position) = 0; // absolute; returns the new position
    virtual int64_t Position() const = 0;
    virtual int64_t Size() = 0;
    // Cuts or extends the stream; the position is kept unless it lies beyond.
    virtual bool SetSize(int64_t size) = 0;

    // Writes out whatever the stream holds back; false when that failed.
    virtual bool Flush() { return true; }
    // The system's error number of the last failed write (0: none known).
    virtual int LastError() const { return 0; }

    // Read/Write that report whether the whole count was moved.
    bool ReadExact(void* buffer, int64_t count) { return Read(buffer, count) == count; }
    bool WriteExact(const void* buffer, int64_t count) { return Write(buffer, count) == count; }
    // Copies count bytes from source's position to this stream's position in
    // large blocks; returns the bytes copied.
    int64_t CopyFrom(TZAStream& source, int64_t count);
};

// A disk file. Modes as in zatypes.h: fmCreate creates or empties the file,
// otherwise the low two bits choose read, write or read-write access.
class TZAFileStream : public TZAStream {
public:
    // Returns nullptr when the file cannot be opened or created.
    static std::unique_ptr<TZAFileStream> Open(const std::string& path, uint16_t mode);
    // Creates a file that must not exist yet; nullptr when it does or fails
    // (errno tells which: EEXIST when something has that name, a link too).
    static std::unique_ptr<TZAFileStream> CreateNew(const std::string& path);
    ~TZAFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t position) override;
    int64_t Position() const override { return Pos; }
    int64_t Size() override;
    bool SetSize(int64_t size) override;
    bool Flush() override;
    int LastError() const override { return FLastError; }
    int Handle() const { return Fd; }

    // Holds writes back and hands them to the system in large blocks (many
    // small items written one after another). Writes then report success
    // before they reach the file: the writer must call Flush and check it
    // before it relies on the file. Also assumes that nothing else changes
    // the file's size meanwhile. Turning it off flushes.
    bool SetWriteBehind(bool on);
    // Serves small reads from one large block read at once: the items of an
    // archive, read one after another, cost one system call per block, not
    // several per item. Every write or change of size drops the block.
    void SetReadAhead(bool on);

private:
    explicit TZAFileStream(int fd) : Fd(fd) {}
    int64_t WriteThrough(const void* buffer, int64_t count, int64_t at);

    int Fd;
    int64_t Pos = 0;
    int64_t FixedSize = -1; // the size of a file opened for reading only
    // Write-behind: bytes held for [PendingStart, PendingStart + size), the
    // file's size as known then (-1 when off), and whether a flush failed.
    bool WriteBehind = false;
    std::vector<char> Pending;
    int64_t PendingStart = 0;
    int64_t KnownSize = -1;
    bool FlushFailed = false;
    int FLastError = 0;
    // Read-ahead: the bytes of [ReadStart, ReadStart + ReadLength), in a
    // block of ReadCapacity bytes.
    bool ReadAhead = false;
    std::unique_ptr<char[]> ReadBlock;
    int64_t ReadCapacity = 0;
    int64_t ReadLength = 0;
    int64_t ReadStart = 0;
};

class TZAMemoryStream : public TZAStream {
public:
    TZAMemoryStream() = default;
    explicit TZAMemoryStream(std::string data) : Data(std::move(data)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t position) override;
    int64_t Position() const override { return Pos; }
    int64_t Size() override { return static_cast<int64_t>(Data.size()); }
    bool SetSize(int64_t size) override;

    std::string Data;

private:
    int64_t Pos = 0;
};
