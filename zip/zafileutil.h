#pragma once
// Disk file details in the form the archive stores them: Windows attribute
// bits and DOS date-times (local time; date in the high word, time in the low).

#include <cstdint>
#include <ctime>
#include <string>

// The file's attributes (faDirectory for a folder, faArchive for a file, plus
// faReadOnly when it cannot be written); -1 when nothing exists there.
int32_t ZAFileGetAttr(const std::string& path);
// Both of the above and the modification time (ZAFileAgeDos) in one look.
int32_t ZAFileGetAttrAndAge(const std::string& path, int32_t& ageDos);
// Makes a file read-only (faReadOnly set) or writable again.
bool ZAFileSetAttr(const std::string& path, uint32_t attributes);
// The file's modification date-time as a DOS date-time; -1 when it has none.
int32_t ZAFileAgeDos(const std::string& path);
bool ZAFileSetDateDos(const std::string& path, uint32_t dosDateTime);
uint32_t ZAUnixToDos(std::time_t t);
std::time_t ZADosToUnix(uint32_t dosDateTime);
uint32_t ZANowDos();
// The same on an open file: never follows a name to somewhere else.
bool ZAFileSetAttrFd(int fd, uint32_t attributes);
bool ZAFileSetDateDosFd(int fd, uint32_t dosDateTime);
