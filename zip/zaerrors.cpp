#include "zip/zaerrors.h"

#include "zip/zadirectory.h"

#include "platform/codepage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

const char* const ZAErrorMessages[] = {
    "Unknown error",
    "Index out of bounds",
    "Invalid compression mode. Mode must be in [0-9] range",
    "Unexpected nil pointer",
    "Invalid check sum of file",
    "File name is blank. Specify appropriate file name",
    "File \"%s\" not found",
    "Archive is not open",
    "SFXStub property is not specified",
    "Cannot create file \"%s\"",
    "Cannot create directory \"%s\"",
    "Internal error. Update is not started",
    "Cannot open file \"%s\"",
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",
    "Cannot delete file \"%s\"",
    "In-memory archive can be created only",
    "File is open in read-only mode",
    "Invalid compressed size, rfs.size = %d, count = %d",
    "Invalid archive file.",
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
    "Archive is open. You should close it beore performing this operation.",
    "Unable to create directory",
    // Limits of the format without ZIP64, and refused item names.
    "File \"%s\" is too large for a ZIP archive (4 GiB limit)",
    "The archive would exceed the ZIP format limits (65535 items, 4 GiB)",
    "Item name \"%s\" %s and is not extracted",
    "The archive uses ZIP64 records (over 65535 items, over 4 GiB, or written by zip to a stream), which this program cannot read",
    "Items of the archive overlap (possible zip bomb); the archive is not opened",
    "Item \"%s\": unsupported compression method %d",
    "Item \"%s\": unsupported encryption (AES)",
    "The archive's directory holds more items than its end record counts; the archive is not opened",
    "Item \"%s\" is not extracted: it would overwrite the file of item \"%s\" extracted before it",
    "Archive \"%s\" is incomplete (cut short?): it has no central directory, and its items could only be "
    "found from their local headers",
    "Cannot write file \"%s\": %s",
    "Item \"%s\": its local header is missing or lies outside the archive",
    "Item \"%s\": its data run past the end of the archive",
    "Item \"%s\" is not extracted: no fitting password was given",
    "Not enough memory for \"%s\"",
    "Item \"%s\": its local header gives it another name (damaged archive)",
    "Item \"%s\" is a folder but holds data (damaged archive)",
};

const char* const ZAUnsafeOutside = "leads outside the target folder";
const char* const ZAUnsafeControl = "holds control characters (not allowed in file names)";
const char* const ZAUnsafeEmpty = "is empty";
const int ZAErrorMessageCount = sizeof(ZAErrorMessages) / sizeof(ZAErrorMessages[0]);

const TZAErrorPair ZAErrorTable[] = {
    {0, 0},   {1, 1},   {2, 1},   {3, 1},   {4, 1},   {5, 2},   {6, 3},   {7, 1},
    {8, 4},   {9, 5},   {10, 5},  {11, 6},  {12, 6},  {13, 7},  {14, 7},  {15, 6},
    {16, 1},  {17, 8},  {18, 6},  {19, 9},  {20, 10}, {21, 1},  {22, 11}, {23, 9},
    {24, 1},  {25, 11}, {26, 13}, {27, 14}, {28, 15}, {29, 5},  {30, 6},  {31, 6},
    {32, 16}, {33, 12}, {34, 17}, {35, 18}, {36, 19}, {37, 20}, {38, 6},  {39, 21},
    {ZAErrTooLarge, 22}, {ZAErrArchiveLimit, 23}, {ZAErrUnsafeName, 24},
    {ZAErrZip64, 25},    {ZAErrOverlap, 26},      {ZAErrMethod, 27},       {ZAErrAes, 28},
    {ZAErrCountMismatch, 29}, {ZAErrSameTarget, 30},  {ZAErrRebuilt, 31},      {ZAErrWrite, 32},
    {ZAErrLocalHeader, 33},   {ZAErrDataOutside, 34}, {ZAErrNoPassword, 35},   {ZAErrNoMemory, 36},
    {ZAErrNameMismatch, 37},  {ZAErrFolderData, 38},
};
const int ZAErrorTableCount = sizeof(ZAErrorTable) / sizeof(ZAErrorTable[0]);

std::string ZAShownName(const std::string& name, std::size_t maxBytes)
{
    const std::string utf8 = ZAIsUtf8(name) ? name : AnsiToUtf8(name);
    // Control characters would act on the terminal or break the line.
    std::string s;
    s.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char esc[8];
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            s += esc;
        } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned char>(utf8[++i])); // U+0080..U+009F
            s += esc;
        } else {
            s += char(c);
        }
    }
    if (s.size() <= maxBytes)
        return s;
    // Cut at character boundaries: keep the start and the end (the file name).
    auto back = [&](std::size_t at) {
        while (at > 0 && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80)
            --at;
        return at;
    };
    const std::size_t head = back(maxBytes * 2 / 3);
    const std::size_t tail = back(s.size() - (maxBytes - maxBytes * 2 / 3));
    return s.substr(0, head) + "\xE2\x80\xA6" + s.substr(tail);
}

std::string ZAFormat(const std::string& text, std::initializer_list<TZAFmtArg> args)
{
    std::string out;
    out.reserve(text.size() + 32);
    auto it = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 1 < text.size()) {
            char f = text[i + 1];
            if (f == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (f == 's' || f == 'd') {
                ++i;
                if (it != args.end()) {
                    out += it->IsNumber ? std::to_string(it->Number) : ZAShownName(it->Text, 480);
                    ++it;
                }
                continue;
            }
        }
        out += c;
    }
    return out;
}

int32_t ZAErrorIndex(int32_t nativeError)
{
    for (int i = 0; i < ZAErrorTableCount; ++i)
        if (ZAErrorTable[i].Code == nativeError)
            return ZAErrorTable[i].Message;
    return 0;
}

namespace {

std::string BuildMessage(int32_t nativeError, const TZAComponent* component, const std::string& text)
{
    std::string msg = text;
    if (component && !component->Name.empty())
        msg = component->Name + ": " + msg;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%5d", static_cast<int>(nativeError));
    for (char* p = digits; *p; ++p)
        if (*p == ' ')
            *p = '0';
    return msg + " - Native error: " + digits;
}

} // namespace

EZAException::EZAException(int32_t nativeError, const TZAComponent* component)
    : std::runtime_error(BuildMessage(nativeError, component, ZAErrorMessages[ZAErrorIndex(nativeError)])),
      ErrorCode(ZAErrorIndex(nativeError)), NativeError(nativeError)
{
}

EZAException::EZAException(int32_t nativeError, const TZAComponent* component, std::initializer_list<TZAFmtArg> args)
    : std::runtime_error(
          BuildMessage(nativeError, component, ZAFormat(ZAErrorMessages[ZAErrorIndex(nativeError)], args))),
      ErrorCode(ZAErrorIndex(nativeError)), NativeError(nativeError)
{
}

EZAException ZAWriteFailure(const TZAComponent* component, const std::string& file, int err)
{
    return EZAException(ZAErrWrite, component, {file, std::string(std::strerror(err ? err : EIO))});
}
