#include "zip/zastream.h"

#include "zip/zatypes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TZAStream::CopyFrom(TZAStream& source, int64_t count)
{
    constexpr int64_t kBlock = 1 << 20;
    std::vector<char> buf(static_cast<std::size_t>(std::min(std::max<int64_t>(count, 1), kBlock)));
    int64_t done = 0;
    while (done < count) {
        int64_t n = std::min<int64_t>(count - done, static_cast<int64_t>(buf.size()));
        int64_t got = source.Read(buf.data(), n);
        if (got <= 0)
            break;
        if (Write(buf.data(), got) != got)
            break;
        done += got;
        if (got < n)
            break;
    }
    return done;
}

std::unique_ptr<TZAFileStream> TZAFileStream::Open(const std::string& path, uint16_t mode)
{
    int flags;
    if (mode == fmCreate) {
        flags = O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (mode & 3) {
        case 1:
            flags = O_WRONLY;
            break;
        case 2:
            flags = O_RDWR;
            break;
        default:
            flags = O_RDONLY;
            break;
        }
    }
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto stream = std::unique_ptr<TZAFileStream>(new TZAFileStream(fd));
    // A file this stream cannot write keeps the size it had when opened;
    // readers check that every range lies inside it before reading.
    if (flags == O_RDONLY)
        stream->FixedSize = st.st_size;
    return stream;
}

std::unique_ptr<TZAFileStream> TZAFileStream::CreateNew(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<TZAFileStream>(new TZAFileStream(fd));
}

TZAFileStream::~TZAFileStream()
{
    if (Fd >= 0) {
        Flush();
        ::close(Fd);
    }
}

namespace {
constexpr std::size_t kWriteBehindBlock = 1 << 20;
constexpr int64_t kReadAheadBlock = 256 << 10;
}

void TZAFileStream::SetReadAhead(bool on)
{
    ReadAhead = on;
    ReadLength = 0;
    if (!on) {
        ReadBlock.reset();
        ReadCapacity = 0;
    }
}

int64_t TZAFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    if (!Pending.empty() && Pos + count > PendingStart && !Flush())
        return 0;
    char* p = static_cast<char*>(buffer);
    if (ReadAhead && count < kReadAheadBlock) {
        if (Pos < ReadStart || Pos + count > ReadStart + ReadLength) {
            // No further than the file reaches: a small archive takes a
            // small block, and the block is never cleared before a read.
            int64_t want = kReadAheadBlock;
            if (FixedSize >= 0)
                want = std::clamp(FixedSize - Pos, count, kReadAheadBlock);
            if (want > ReadCapacity) {
                ReadBlock = std::make_unique_for_overwrite<char[]>(std::size_t(want));
                ReadCapacity = want;
            }
            ReadStart = Pos;
            ssize_t r;
            do
                r = ::pread(Fd, ReadBlock.get(), std::size_t(want), Pos);
            while (r < 0 && errno == EINTR);
            ReadLength = std::max<ssize_t>(r, 0);
        }
        const int64_t n = std::min(count, ReadStart + ReadLength - Pos);
        std::memcpy(p, ReadBlock.get() + (Pos - ReadStart), std::size_t(n));
        Pos += n;
        return n;
    }
    int64_t done = 0;
    while (done < count) {
        const auto want = static_cast<std::size_t>(std::min<int64_t>(count - done, 1 << 30));
        ssize_t r = ::pread(Fd, p + done, want, Pos);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        done += r;
        Pos += r;
        if (std::size_t(r) < want)
            break; // the end of the file
    }
    return done;
}

int64_t TZAFileStream::WriteThrough(const void* buffer, int64_t count, int64_t at)
{
    ReadLength = 0;
    const char* p = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t r = ::pwrite(Fd, p + done, static_cast<std::size_t>(std::min<int64_t>(count - done, 1 << 30)), at);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            FLastError = r < 0 ? errno : ENOSPC;
            break;
        }
        done += r;
        at += r;
    }
    return done;
}

int64_t TZAFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    if (!WriteBehind) {
        const int64_t done = WriteThrough(buffer, count, Pos);
        Pos += done;
        return done;
    }
    if (FlushFailed)
        return 0;
    const int64_t pendingEnd = PendingStart + int64_t(Pending.size());
    // Inside or right after the held bytes: taken into them (a header written
    // again over its first form costs nothing).
    if (Pending.empty() || Pos < PendingStart || Pos > pendingEnd) {
        if (!Flush())
            return 0;
        PendingStart = Pos;
    }
    ReadLength = 0;
    const std::size_t at = std::size_t(Pos - PendingStart);
    if (at + std::size_t(count) > Pending.size())
        Pending.resize(at + std::size_t(count));
    std::memcpy(Pending.data() + at, buffer, std::size_t(count));
    Pos += count;
    // A size not yet known stays unknown: the file may reach beyond Pos.
    if (KnownSize >= 0)
        KnownSize = std::max(KnownSize, Pos);
    if (Pending.size() >= kWriteBehindBlock && !Flush())
        return 0;
    return count;
}

bool TZAFileStream::Flush()
{
    if (Pending.empty())
        return !FlushFailed;
    const int64_t n = int64_t(Pending.size());
    const bool ok = WriteThrough(Pending.data(), n, PendingStart) == n;
    Pending.clear();
    if (!ok) {
        FlushFailed = true;
        KnownSize = -1;
    }
    return ok;
}

bool TZAFileStream::SetWriteBehind(bool on)
{
    const bool ok = Flush();
    WriteBehind = on && FixedSize < 0;
    KnownSize = -1;
    FlushFailed = false;
    return ok;
}

int64_t TZAFileStream::Seek(int64_t position)
{
    Pos = std::max<int64_t>(position, 0);
    return Pos;
}

int64_t TZAFileStream::Size()
{
    if (FixedSize >= 0)
        return FixedSize;
    if (WriteBehind && KnownSize >= 0)
        return KnownSize;
    struct stat st;
    if (::fstat(Fd, &st) != 0)
        return 0;
    // Held-back bytes may reach beyond the file as it stands; once written
    // out, the file itself tells.
    const int64_t size =
        Pending.empty() ? int64_t(st.st_size) : std::max<int64_t>(st.st_size, PendingStart + int64_t(Pending.size()));
    if (WriteBehind)
        KnownSize = size;
    return size;
}

bool TZAFileStream::SetSize(int64_t size)
{
    if (!Flush())
        return false;
    ReadLength = 0;
    if (::ftruncate(Fd, size) != 0) {
        FLastError = errno;
        return false;
    }
    Pos = std::min(Pos, size);
    if (WriteBehind)
        KnownSize = size;
    return true;
}

int64_t TZAMemoryStream::Read(void* buffer, int64_t count)
{
    int64_t avail = std::max<int64_t>(0, static_cast<int64_t>(Data.size()) - Pos);
    int64_t n = std::min(avail, std::max<int64_t>(count, 0));
    if (n > 0)
        std::memcpy(buffer, Data.data() + Pos, static_cast<std::size_t>(n));
    Pos += n;
    return n;
}

int64_t TZAMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    std::size_t end = static_cast<std::size_t>(Pos + count);
    if (end > Data.size())
        Data.resize(end);
    std::memcpy(Data.data() + Pos, buffer, static_cast<std::size_t>(count));
    Pos += count;
    return count;
}

int64_t TZAMemoryStream::Seek(int64_t position)
{
    Pos = std::max<int64_t>(position, 0);
    return Pos;
}

bool TZAMemoryStream::SetSize(int64_t size)
{
    Data.resize(static_cast<std::size_t>(std::max<int64_t>(size, 0)));
    Pos = std::min(Pos, size);
    return true;
}
