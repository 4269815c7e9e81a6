#include "addons/stationsigns/signfiles.h"

#include "platform/textlines.h"

namespace {

void PutWord(std::string& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
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

std::string SignBaseName(const std::string& stationName)
{
    std::string name = stationName;
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ' ' || c == '/' || c == '\\' || u < 0x20 || u == 0x7F)
            c = '_';
    }
    return "stationsign_" + AnsiLowerCase(name);
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
        "Load $n.BMP",
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
        "Load $n.BMP",
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

std::string SignObjectFile(const std::string& stationName, const std::string& baseName)
{
    std::string text = JoinLines(SignObjectTemplate());
    ReplaceAll(text, "$s", stationName);
    ReplaceAll(text, "$n", baseName);
    return text;
}
