#include "zip/zamasks.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// One pass over the mask text; with out == nullptr only the states are
// counted. Both passes raise the same error at the same place.
int32_t Compile(std::string_view mask, std::vector<MaskElement>* out)
{
    int32_t count = 0;
    int stars = 0;
    bool pending = false;
    auto add = [&](MaskElement e, std::size_t pos) {
        e.AfterStar = pending;
        if (pending && ++stars > MaxMaskStars)
            throw std::runtime_error("'" + std::string(mask) + "' is an invalid mask at (" +
                                     std::to_string(pos + 1) + ")");
        pending = false;
        if (out)
            out->push_back(e);
        ++count;
    };
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char c = mask[i];
        if (c == '*') {
            pending = true;
            continue;
        }
        MaskElement e;
        if (c == '?') {
            // A "?" right after a "*" adds nothing the star does not cover.
            if (pending)
                continue;
            e.Kind = mkAnyChar;
        } else if (ZAIsLeadByte(static_cast<unsigned char>(c)) && i + 1 < mask.size()) {
            e.Kind = mkTwoByte;
            e.FirstByte = static_cast<uint8_t>(c);
            e.SecondByte = static_cast<uint8_t>(mask[i + 1]);
            add(e, i);
            ++i;
            continue;
        } else {
            e.Kind = mkLiteral;
            e.Char = UpperAscii(c);
        }
        add(e, i);
    }
    MaskElement end;
    end.Kind = mkLiteral;
    end.Char = '\0';
    add(end, mask.size());
    return count;
}

} // namespace

bool ZAIsLeadByte(unsigned char) { return false; }

TMask::TMask(std::string_view mask)
{
    const int32_t n = Compile(mask, nullptr);
    FStates.reserve(static_cast<std::size_t>(n));
    Compile(mask, &FStates);
}

bool TMask::MatchesName(std::string_view name) const
{
    const std::size_t end = name.size();
    // Width of the character at p (two bytes over a lead byte).
    auto width = [&](std::size_t p) -> std::size_t {
        return (ZAIsLeadByte(static_cast<unsigned char>(name[p])) && p + 1 < end) ? 2 : 1;
    };
    auto fits = [&](const MaskElement& e, std::size_t p) -> bool {
        switch (e.Kind) {
        case mkLiteral:
            if (e.Char == '\0')
                return p == end;
            return p < end && UpperAscii(name[p]) == e.Char;
        case mkAnyChar:
            return p < end;
        case mkTwoByte:
            return p + 1 < end && static_cast<uint8_t>(name[p]) == e.FirstByte &&
                   static_cast<uint8_t>(name[p + 1]) == e.SecondByte;
        }
        return false;
    };

    struct Retry {
        std::size_t Pos;
        std::size_t State;
    };
    Retry stack[MaxMaskStars];
    int top = 0;
    // An attempt from a given (position, state) always ends the same way, so
    // a retry point met a second time can only fail again: skipping it keeps
    // masks with many stars from taking exponential time.
    std::set<std::pair<std::size_t, std::size_t>> tried;

    std::size_t p = 0, i = 0;
    for (;;) {
        bool failed = false;
        for (; i < FStates.size(); ++i) {
            const MaskElement& e = FStates[i];
            if (e.AfterStar) {
                while (p < end && !fits(e, p))
                    p += width(p);
                if (p < end && top < MaxMaskStars)
                    stack[top++] = {p + width(p), i};
            }
            if (!fits(e, p)) {
                failed = true;
                break;
            }
            p += (e.Kind == mkTwoByte) ? 2 : (e.Char == '\0' && e.Kind == mkLiteral ? 0 : 1);
        }
        if (!failed)
            return true;
        for (;;) {
            if (top == 0)
                return false;
            Retry r = stack[--top];
            if (tried.insert({r.Pos, r.State}).second) {
                p = r.Pos;
                i = r.State;
                break;
            }
        }
    }
}

bool FileNameMatchesMask(std::string_view FileName, std::string_view Mask)
{
    TMask mask(Mask);
    return mask.MatchesName(FileName);
}
