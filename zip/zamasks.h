#pragma once
// Wildcard masks for file names: "*" stands for any run of characters (also
// none), "?" for exactly one character, everything else for itself ("[" and
// "]" included). Letters a-z match without regard to case; other characters,
// and the two bytes of a double-byte character, only exactly. A compiled
// mask must fit the whole name.
//
// The add path of the archive component (zaaddfiles.cpp) tests disk names
// against file, exclusion and no-compression masks with these.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Most "*"-preceded elements one mask may hold; also the depth of the
// matcher's retry stack.
constexpr int MaxMaskStars = 30;

enum TMaskElementKind : uint8_t { mkLiteral, mkAnyChar, mkTwoByte };

struct MaskElement {
    bool AfterStar = false;   // any run of characters may come before this element
    TMaskElementKind Kind = mkLiteral;
    char Char = 0;            // mkLiteral: the character, upper-cased (a-z only); NUL ends the name
    uint8_t FirstByte = 0;    // mkTwoByte: lead byte of a double-byte character
    uint8_t SecondByte = 0;   // mkTwoByte: the byte after it
};

class TMask {
public:
    // Compiles the mask. A mask with more than MaxMaskStars elements after a
    // "*" raises std::runtime_error "'<mask>' is an invalid mask at (<pos>)",
    // pos being the 1-based place of the character that passed the limit.
    explicit TMask(std::string_view mask);

    // True when the whole name fits the mask.
    bool MatchesName(std::string_view fileName) const;

    const std::vector<MaskElement>& States() const { return FStates; }
    int32_t Count() const { return static_cast<int32_t>(FStates.size()); }

private:
    std::vector<MaskElement> FStates;
};

// One-shot test: compiles Mask and matches FileName against it.
bool FileNameMatchesMask(std::string_view FileName, std::string_view Mask);

// Whether a byte starts a double-byte character in the program's code page.
// Windows-1252 is a single-byte code page, so this is always false here; the
// matcher keeps the two-byte path for a multi-byte code page.
bool ZAIsLeadByte(unsigned char c);
