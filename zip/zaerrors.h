#pragma once
// The archive engine's one exception class. A numeric native code selects a
// text from a fixed table; the text names the failing component and ends with
// the code, so an error box shows both.

#include "zip/zatypes.h"

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>

// One argument of a formatted message: a text for "%s" or a number for "%d".
struct TZAFmtArg {
    TZAFmtArg(const char* s) : Text(s ? s : ""), IsNumber(false) {}
    TZAFmtArg(const std::string& s) : Text(s), IsNumber(false) {}
    TZAFmtArg(int v) : Number(v), IsNumber(true) {}
    TZAFmtArg(unsigned v) : Number(v), IsNumber(true) {}
    TZAFmtArg(long v) : Number(v), IsNumber(true) {}
    TZAFmtArg(unsigned long v) : Number(static_cast<int64_t>(v)), IsNumber(true) {}
    TZAFmtArg(long long v) : Number(v), IsNumber(true) {}
    TZAFmtArg(unsigned long long v) : Number(static_cast<int64_t>(v)), IsNumber(true) {}
    std::string Text;
    int64_t Number = 0;
    bool IsNumber;
};

// Formats printf-like "%s" and "%d" (and "%%") with the given arguments;
// missing arguments leave their place empty. Texts end up as UTF-8 (a text
// that is not UTF-8 is taken as Windows-1252, as item names are), and very
// long ones are shortened in the middle, so a message stays one readable line.
// Messages of EZAException are therefore UTF-8.
std::string ZAFormat(const std::string& text, std::initializer_list<TZAFmtArg> args);
// A name as messages and listings show it: UTF-8, control characters written
// as "\x1B" (or "\u009B"), at most about maxBytes long.
std::string ZAShownName(const std::string& name, std::size_t maxBytes = 160);

extern const char* const ZAErrorMessages[];
extern const int ZAErrorMessageCount;

struct TZAErrorPair {
    int32_t Code;
    int32_t Message;
};
extern const TZAErrorPair ZAErrorTable[];
extern const int ZAErrorTableCount;

// The message index for a native code (0, "Unknown error", when not listed).
int32_t ZAErrorIndex(int32_t nativeError);

// Native codes this engine raises beyond the classic table: limits of the
// format without ZIP64, and item names that would leave the target folder.
constexpr int32_t ZAErrTooLarge = 40;     // argument: the file or item name
constexpr int32_t ZAErrArchiveLimit = 41; // no argument
// Item names that cannot become a file: arguments are the item name and
// why (ZAUnsafeOutside, ZAUnsafeControl, ZAUnsafeEmpty).
constexpr int32_t ZAErrUnsafeName = 42;
// Archives refused on opening: ZIP64 records, and items whose data overlap.
constexpr int32_t ZAErrZip64 = 43;
constexpr int32_t ZAErrOverlap = 44;
// Items this engine cannot read, whatever the password: arguments are the
// item name and, for the method, its number.
constexpr int32_t ZAErrMethod = 45;
constexpr int32_t ZAErrAes = 46;
// The directory goes on past the number of items the end record gives.
constexpr int32_t ZAErrCountMismatch = 47;
// Two items of one extraction would be written to the same file: arguments
// are the item refused and the one extracted there before.
constexpr int32_t ZAErrSameTarget = 48;
// The archive has no central directory (cut short, as after a stopped
// download): its items were found only from their local headers, and what
// stood behind the cut is lost. Argument: the archive's file name.
constexpr int32_t ZAErrRebuilt = 49;
// Writing an extracted file failed (a full disk, a quota): arguments are the
// file and the system's reason.
constexpr int32_t ZAErrWrite = 50;
// An item whose local header is missing or lies outside the archive, and one
// whose data run past its end: argument the item name.
constexpr int32_t ZAErrLocalHeader = 51;
constexpr int32_t ZAErrDataOutside = 52;
// An encrypted item left out for want of a fitting password.
constexpr int32_t ZAErrNoPassword = 53;
// Not enough memory for an item (argument: its name) or for the archive's
// directory (argument: the archive's file name).
constexpr int32_t ZAErrNoMemory = 54;
// An item whose local header gives another name than the directory, and a
// folder item that holds data: argument the item name.
constexpr int32_t ZAErrNameMismatch = 55;
constexpr int32_t ZAErrFolderData = 56;

// The reasons of ZAErrUnsafeName.
extern const char* const ZAUnsafeOutside;
extern const char* const ZAUnsafeControl;
extern const char* const ZAUnsafeEmpty;

class EZAException;
// A failed write of file (code ZAErrWrite) with the system's reason for
// error number err (EIO when it is not known).
EZAException ZAWriteFailure(const TZAComponent* component, const std::string& file, int err);

class EZAException : public std::runtime_error {
public:
    // Create: the message without format arguments.
    EZAException(int32_t nativeError, const TZAComponent* component);
    // CreateFmt: the looked-up text formatted with args.
    EZAException(int32_t nativeError, const TZAComponent* component, std::initializer_list<TZAFmtArg> args);

    int32_t ErrorCode;   // index into ZAErrorMessages
    int32_t NativeError; // the code the exception was raised with
};
