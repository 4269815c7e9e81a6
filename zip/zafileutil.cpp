#include "zip/zafileutil.h"

#include "zip/zatypes.h"

#include <sys/stat.h>
#include <sys/time.h>

int32_t ZAFileGetAttr(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    if (S_ISDIR(st.st_mode))
        return faDirectory;
    int32_t attr = faArchive;
    if (!(st.st_mode & S_IWUSR))
        attr |= faReadOnly;
    return attr;
}

int32_t ZAFileGetAttrAndAge(const std::string& path, int32_t& ageDos)
{
    struct stat st;
    ageDos = -1;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    ageDos = static_cast<int32_t>(ZAUnixToDos(st.st_mtime));
    if (S_ISDIR(st.st_mode))
        return faDirectory;
    return (st.st_mode & S_IWUSR) ? faArchive : faArchive | faReadOnly;
}

bool ZAFileSetAttr(const std::string& path, uint32_t attributes)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (attributes & faReadOnly)
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    return ::chmod(path.c_str(), mode) == 0;
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
    uint32_t date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
    struct tm tm {};
    tm.tm_year = int((date >> 9) & 0x7F) + 80;
    tm.tm_mon = int((date >> 5) & 0x0F) - 1;
    tm.tm_mday = int(date & 0x1F);
    tm.tm_hour = int((time >> 11) & 0x1F);
    tm.tm_min = int((time >> 5) & 0x3F);
    tm.tm_sec = int(time & 0x1F) * 2;
    tm.tm_isdst = -1;
    return mktime(&tm);
}

int32_t ZAFileAgeDos(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int32_t>(ZAUnixToDos(st.st_mtime));
}

bool ZAFileSetDateDos(const std::string& path, uint32_t dosDateTime)
{
    std::time_t t = ZADosToUnix(dosDateTime);
    if (t == std::time_t(-1))
        return false;
    struct timeval tv[2];
    tv[0].tv_sec = tv[1].tv_sec = t;
    tv[0].tv_usec = tv[1].tv_usec = 0;
    return ::utimes(path.c_str(), tv) == 0;
}

uint32_t ZANowDos() { return ZAUnixToDos(std::time(nullptr)); }

bool ZAFileSetAttrFd(int fd, uint32_t attributes)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (attributes & faReadOnly)
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    return ::fchmod(fd, mode) == 0;
}

bool ZAFileSetDateDosFd(int fd, uint32_t dosDateTime)
{
    std::time_t t = ZADosToUnix(dosDateTime);
    if (t == std::time_t(-1))
        return false;
    struct timespec ts[2];
    ts[0].tv_sec = ts[1].tv_sec = t;
    ts[0].tv_nsec = ts[1].tv_nsec = 0;
    return ::futimens(fd, ts) == 0;
}
