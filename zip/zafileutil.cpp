#include "zip/zafileutil.h"

#include "zip/zatypes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

int32_t AttrOf(const struct stat& st)
{
    if (S_ISDIR(st.st_mode))
        return faDirectory;
    return (st.st_mode & S_IWUSR) ? faArchive : faArchive | faReadOnly;
}

// The mode with the write bits taken away (read-only) or the owner's given.
mode_t ModeWith(mode_t mode, uint32_t attributes)
{
    mode &= 07777;
    return (attributes & faReadOnly) ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
}

} // namespace

int32_t ZAFileGetAttr(const std::string& path)
{
    int32_t age;
    return ZAFileGetAttrAndAge(path, age);
}

int32_t ZAFileGetAttrAndAge(const std::string& path, int32_t& ageDos)
{
    struct stat st;
    ageDos = -1;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    ageDos = static_cast<int32_t>(ZAUnixToDos(st.st_mtime));
    return AttrOf(st);
}

bool ZAFileSetAttr(const std::string& path, uint32_t attributes)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && ::chmod(path.c_str(), ModeWith(st.st_mode, attributes)) == 0;
}

bool ZAFileSetAttrFd(int fd, uint32_t attributes)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    const mode_t mode = ModeWith(st.st_mode, attributes);
    return mode == (st.st_mode & 07777) || ::fchmod(fd, mode) == 0;
}

uint32_t ZAUnixToDos(std::time_t t)
{
    struct tm tm;
    if (!localtime_r(&t, &tm) || tm.tm_year < 80)
        return (uint32_t(0 << 9 | 1 << 5 | 1) << 16); // 1980-01-01 00:00
    if (tm.tm_year > 207)
        tm.tm_year = 207;
    uint32_t date = uint32_t((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
    uint32_t time = uint32_t(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
    return date << 16 | time;
}

std::time_t ZADosToUnix(uint32_t dosDateTime)
{
    // mktime looks at the time zone's file on every call. Within most hours
    // of a day the offset of local time stays the same, so each such hour is
    // worked out once and minutes and seconds are added (items extracted one
    // after another mostly share their hour).
    thread_local uint32_t cachedHour = ~0u;
    thread_local std::time_t cachedStart = -1;
    const uint32_t hour = dosDateTime >> 11;
    const std::time_t withinHour =
        std::time_t((dosDateTime >> 5) & 0x3F) * 60 + std::time_t(dosDateTime & 0x1F) * 2;
    if (hour != cachedHour) {
        const uint32_t date = dosDateTime >> 16;
        struct tm tm {};
        tm.tm_year = int((date >> 9) & 0x7F) + 80;
        tm.tm_mon = int((date >> 5) & 0x0F) - 1;
        tm.tm_mday = int(date & 0x1F);
        tm.tm_hour = int((dosDateTime >> 11) & 0x1F);
        tm.tm_isdst = -1;
        const struct tm asked = tm;
        const std::time_t start = mktime(&tm);
        // An hour whose clock moves within it (a zone that shifts by half an
        // hour, at half past, or skips the hour's start) is worked out time
        // by time: one start plus minutes would be off by the shift.
        struct tm last {};
        const std::time_t end = start + 3599;
        const bool steady = start != std::time_t(-1) && tm.tm_hour == asked.tm_hour && tm.tm_min == 0 &&
                            localtime_r(&end, &last) && last.tm_hour == tm.tm_hour && last.tm_min == 59 &&
                            last.tm_sec == 59;
        if (!steady) {
            tm = asked;
            tm.tm_min = int((dosDateTime >> 5) & 0x3F);
            tm.tm_sec = int(dosDateTime & 0x1F) * 2;
            return mktime(&tm);
        }
        cachedStart = start;
        cachedHour = hour;
    }
    return cachedStart + withinHour;
}

namespace {

// Access and modification time of a DOS date-time; false when it has none.
bool DosTimes(uint32_t dosDateTime, struct timespec* ts)
{
    const std::time_t t = ZADosToUnix(dosDateTime);
    ts[0].tv_sec = ts[1].tv_sec = t;
    ts[0].tv_nsec = ts[1].tv_nsec = 0;
    return t != std::time_t(-1);
}

} // namespace

int32_t ZAFileAgeDos(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int32_t>(ZAUnixToDos(st.st_mtime));
}

bool ZAFileSetDateDos(const std::string& path, uint32_t dosDateTime)
{
    struct timespec ts[2];
    return DosTimes(dosDateTime, ts) && ::utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
}

uint32_t ZANowDos() { return ZAUnixToDos(std::time(nullptr)); }

bool ZAFileSetDateDosFd(int fd, uint32_t dosDateTime)
{
    struct timespec ts[2];
    return DosTimes(dosDateTime, ts) && ::futimens(fd, ts) == 0;
}
