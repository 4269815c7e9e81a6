#pragma once
// The two code pages the files use: ANSI (Windows-1252) for every text file and
// the model, OEM (code page 850) for names inside ZIP archives. Conversion to
// UTF-8 happens only where text is shown to the user.

#include <cstdint>
#include <string>
#include <string_view>

// Windows-1252 bytes to UTF-8. The five bytes that code page leaves undefined
// (81 8D 8F 90 9D) map to the C1 control characters of the same value.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 to Windows-1252; characters the code page lacks become "?".
std::string Utf8ToAnsi(std::string_view utf8);

// Code page 850 bytes to UTF-8 and back ("?" for what 850 lacks).
std::string OemToUtf8(std::string_view oem);
std::string Utf8ToOem(std::string_view utf8);

// Windows-1252 to code page 850 and back, as archive names need them.
// Characters without a counterpart become "?"; ASCII passes unchanged.
std::string AnsiToOem(std::string_view ansi);
std::string OemToAnsi(std::string_view oem);

// The code point of the UTF-8 sequence at s[i], moving i past it; a
// malformed byte gives U+FFFD.
std::uint32_t NextUtf8(std::string_view s, std::size_t& i);

// True when two UTF-8 names are the same without regard to letter case, as
// Windows compares file names: ASCII, the Latin, Greek and Cyrillic letters.
// Text that is not valid UTF-8 is compared byte for byte (ASCII case ignored).
bool SameTextUtf8(std::string_view a, std::string_view b);
