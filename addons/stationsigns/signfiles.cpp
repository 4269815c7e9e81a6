#include "addons/stationsigns/signfiles.h"

#include "platform/codepage.h"
#include "platform/textlines.h"

namespace {

void PutWord(std::string& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

const TSignPalette& SignPalette()
{
    static const TSignPalette palette = [] {
        TSignPalette p{};
        std::size_t i = 0;
        for (std::uint32_t r = 0; r < 6; ++r)
            for (std::uint32_t g = 0; g < 6; ++g)
                for (std::uint32_t b = 0; b < 6; ++b)
                    p[i++] = (r * 0x33) << 16 | (g * 0x33) << 8 | (b * 0x33);
        for (std::uint32_t c : {0x808080u, 0xC0C0C0u, 0x808000u, 0xC0C000u, 0x008000u, 0x00C000u, 0x008080u,
                                0x00C0C0u, 0x0000C0u, 0x000080u, 0xC000C0u, 0x800080u, 0xC00000u, 0x800000u})
            p[i++] = c;
        // The rest stays black.
        return p;
    }();
    return palette;
}

int NearestSignColour(std::uint32_t rgb)
{
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    int best = 0;
    long bestDistance = -1;
    const TSignPalette& palette = SignPalette();
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = palette[static_cast<std::size_t>(i)];
        const long dr = r - static_cast<int>((c >> 16) & 0xFF);
        const long dg = g - static_cast<int>((c >> 8) & 0xFF);
        const long db = b - static_cast<int>(c & 0xFF);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

std::string SignBitmapFile(const std::vector<std::uint8_t>& indices)
{
    const std::uint32_t paletteSize = 256 * 4;
    const std::uint32_t imageSize = SignWidth * SignHeight; // rows of 256 need no padding
    const std::uint32_t offset = 14 + 40 + paletteSize;
    std::string out;
    out.reserve(offset + imageSize);
    // File header.
    out += "BM";
    PutWord(out, offset + imageSize, 4);
    PutWord(out, 0, 4);
    PutWord(out, offset, 4);
    // Information header.
    PutWord(out, 40, 4);
    PutWord(out, SignWidth, 4);
    PutWord(out, SignHeight, 4); // positive: rows bottom to top
    PutWord(out, 1, 2);
    PutWord(out, 8, 2);
    PutWord(out, 0, 4); // no compression
    PutWord(out, imageSize, 4);
    PutWord(out, 0, 4);
    PutWord(out, 0, 4);
    PutWord(out, 256, 4);
    PutWord(out, 0, 4);
    // Palette: blue, green, red, 0.
    for (std::uint32_t c : SignPalette())
        PutWord(out, c & 0xFFFFFF, 4);
    for (int y = SignHeight - 1; y >= 0; --y)
        for (int x = 0; x < SignWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * SignWidth + static_cast<std::size_t>(x);
            out += static_cast<char>(i < indices.size() ? indices[i] : 0);
        }
    return out;
}

namespace {

// The portable spelling of one letter, lower case; "_" for what has none.
std::string Portable(std::uint32_t c)
{
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-')
        return std::string(1, static_cast<char>(c));
    if (c >= 'A' && c <= 'Z')
        return std::string(1, static_cast<char>(c - 'A' + 'a'));
    // Latin-1: U+00C0 to U+00FF, the capitals first, then the same small.
    static const char* const latin1[32] = {"a", "a",  "a", "a", "ae", "aa", "ae", "c", "e", "e", "e",
                                           "e", "i",  "i", "i", "i",  "d",  "n",  "o", "o", "o", "o",
                                           "oe", "_", "oe", "u", "u", "u",  "ue", "y", "th", "ss"};
    if (c >= 0xC0 && c <= 0xFF) {
        if (c == 0xF7)
            return "_";
        if (c == 0xFF)
            return "y";
        return latin1[(c - 0xC0) % 32];
    }
    // Latin Extended-A: runs of capital and small letters of one base.
    struct TRun {
        std::uint32_t Last;
        const char* Base;
    };
    static const TRun runs[] = {{0x105, "a"}, {0x10D, "c"}, {0x111, "d"}, {0x11B, "e"}, {0x123, "g"},
                                {0x127, "h"}, {0x131, "i"}, {0x133, "ij"}, {0x135, "j"}, {0x138, "k"},
                                {0x142, "l"}, {0x14B, "n"}, {0x151, "o"}, {0x153, "oe"}, {0x159, "r"},
                                {0x161, "s"}, {0x167, "t"}, {0x173, "u"}, {0x175, "w"}, {0x178, "y"},
                                {0x17E, "z"}, {0x17F, "s"}};
    if (c >= 0x100)
        for (const TRun& run : runs)
            if (c <= run.Last)
                return run.Base;
    return "_";
}

} // namespace

std::string SignBaseName(const std::string& stationNameUtf8)
{
    std::string out = "stationsign_";
    for (std::size_t i = 0; i < stationNameUtf8.size();)
        out += Portable(NextUtf8(stationNameUtf8, i));
    return out;
}

std::string SignDescriptionName(const std::string& stationNameUtf8)
{
    std::string out;
    for (std::size_t i = 0; i < stationNameUtf8.size();) {
        const std::size_t from = i;
        const std::uint32_t c = NextUtf8(stationNameUtf8, i);
        const std::string ansi = Utf8ToAnsi(std::string_view(stationNameUtf8).substr(from, i - from));
        out += c != '?' && ansi == "?" ? std::string("_") : ansi;
    }
    return out;
}

const std::vector<std::string>& SignObjectTemplate()
{
    static const std::vector<std::string> lines = {
        ";author=Station Sign Maker for Velkast",
        ";description=station sign $s",
        "",
        "",
        "[MeshBuilder]",
        "Vertex 0.1,2.9,-2",
        "Vertex 0.1,2.9,2",
        "Vertex 0.1,2.4,2",
        "Vertex 0.1,2.4,-2",
        "Face 0,1,2,3",
        "",
        "[Texture]",
        "Load $n.bmp",
        "Coordinates 0, 0, 0",
        "Coordinates 1, 1, 0",
        "Coordinates 2, 1, 1",
        "Coordinates 3, 0, 1",
        "",
        "[MeshBuilder]",
        "Vertex 0.098,2.9,2",
        "Vertex 0.098,2.9,-2",
        "Vertex 0.098,2.4,-2",
        "Vertex 0.098,2.4,2",
        "Face 0,1,2,3",
        "",
        "[Texture]",
        "Load $n.bmp",
        "Coordinates 0, 0, 0",
        "Coordinates 1, 1, 0",
        "Coordinates 2, 1, 1",
        "Coordinates 3, 0, 1",
        "",
        "[MeshBuilder]  ",
        "Vertex 0.099,2.8,-1.7",
        "Vertex 0.099,2.8,-1.8",
        "Vertex 0.099,-0.1,-1.8",
        "Vertex 0.099,-0.1,-1.7",
        "Face 0,1,2,3",
        "Face 3,2,1,0",
        "Color 128,128,128",
        "",
        "[MeshBuilder]  ",
        "Vertex 0.099,2.8,1.7",
        "Vertex 0.099,2.8,1.8",
        "Vertex 0.099,-0.1,1.8",
        "Vertex 0.099,-0.1,1.7",
        "Face 0,1,2,3",
        "Face 3,2,1,0",
        "Color 128,128,128",
    };
    return lines;
}

std::string SignObjectFile(const std::string& descriptionName, const std::string& baseName)
{
    const std::string text = JoinLines(SignObjectTemplate());
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '$' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'n')) {
            out += text[i + 1] == 's' ? descriptionName : baseName;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
